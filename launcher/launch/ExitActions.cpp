// The exit actions home, message and reboot, the restart confirmation and the count of
// restarts in a row.
#include "launcher/launch/ExitActions.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/Profile.h"
#include "launcher/config/StartRules.h"
#include "launcher/launch/ProgramWatch.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "resources/resource.h"

ExitActionState g_exitActions = {RESTART_CONFIRM_MS, 0, false, nullptr, false};

static DWORD ReadRestartsInARow()
{
  HKEY key;
  DWORD count = 0;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKeyPath(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return 0;
  DWORD type = 0;
  DWORD size = sizeof(count);
  if (RegQueryValueExW(key, RESTARTS_IN_A_ROW_VALUE, nullptr, &type,
                       reinterpret_cast<BYTE *>(&count), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(count))
    count = 0;
  RegCloseKey(key);
  return count;
}

static void WriteRestartsInARow(DWORD count)
{
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKeyPath(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return;
  if (count == 0)
    RegDeleteValueW(key, RESTARTS_IN_A_ROW_VALUE);
  else
    RegSetValueExW(key, RESTARTS_IN_A_ROW_VALUE, 0, REG_DWORD,
                   reinterpret_cast<const BYTE *>(&count), sizeof(count));
  // Written through at once: the next thing may be the restart.
  RegFlushKey(key);
  RegCloseKey(key);
}

void StartExitActionClock()
{
  g_exitActions.runStart = LauncherTime();
  g_exitActions.countChecked = false;
}

static bool RanNormally()
{
  return LauncherTime() - g_exitActions.runStart >= static_cast<DWORD>(NORMAL_RUNNING_MS);
}

void ClearRestartsAfterNormalRunning()
{
  if (g_exitActions.countChecked || !RanNormally())
    return;
  g_exitActions.countChecked = true;
  if (ReadRestartsInARow() != 0)
    WriteRestartsInARow(0);
}

static void ShowLauncherInFront()
{
  if (g_app.mainWindow == nullptr)
    return;
  ShowWindow(g_app.mainWindow, SW_SHOW);
  SetForegroundWindow(g_app.mainWindow);
}

static void ShowFormatted(int textId, const wchar_t *label, DWORD first, DWORD second,
                          DWORD third, UINT style)
{
  wchar_t pattern[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(textId), pattern, TEXT_CAPACITY);
  // wsprintfW writes at most 1024 characters: the label (259 at most) and the pattern fit.
  wchar_t message[1025];
  wsprintfW(message, pattern, label, first, second, third);
  message[1024] = 0;
  ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Warning", style);
}

// The home configuration: one step back for every level above it.
static void ShowHome()
{
  ShowLauncherInFront();
  if (g_app.mainWindow == nullptr)
    return;
  for (int level = 0; level < g_app.stackDepth && level < CONFIGURATION_STACK_SIZE; ++level)
    PostMessageW(g_app.mainWindow, MSG_BACK, 0, 0);
}

static BOOL CALLBACK PressOkOnConfirmation(HWND window, LPARAM)
{
  wchar_t className[16];
  wchar_t text[1025];  // as long as any confirmation text
  // The launcher's own boxes belong to its main window's thread.
  if (g_app.mainWindow == nullptr ||
      GetWindowThreadProcessId(window, nullptr) !=
          GetWindowThreadProcessId(g_app.mainWindow, nullptr) ||
      GetClassNameW(window, className, 16) == 0 || wcscmp(className, L"#32770") != 0 ||
      GetDlgItemTextW(window, 0xFFFF, text, 1025) == 0 ||
      g_exitActions.confirmText == nullptr || wcscmp(text, g_exitActions.confirmText) != 0)
    return TRUE;
  g_exitActions.confirmTimedOut = true;
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return FALSE;
}

static void CALLBACK OnConfirmationTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
  KillTimer(nullptr, timer);
  EnumWindows(PressOkOnConfirmation, 0);
}

// OK, or no answer within the confirmation time, restarts; Cancel keeps the device running.
static bool ConfirmRestart(const wchar_t *label, DWORD exitCode)
{
  wchar_t pattern[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_RESTART_DEVICE), pattern, TEXT_CAPACITY);
  wchar_t message[1025];
  wsprintfW(message, pattern, label, exitCode, (g_exitActions.confirmMs + 999) / 1000);
  message[1024] = 0;
  ShowLauncherInFront();
  g_exitActions.confirmText = message;
  g_exitActions.confirmTimedOut = false;
  UINT_PTR timer = SetTimer(nullptr, 0, g_exitActions.confirmMs, OnConfirmationTimer);
  int answer = ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Warning",
                              MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
  if (timer != 0)
    KillTimer(nullptr, timer);
  g_exitActions.confirmText = nullptr;
  return answer == IDOK;
}

// The reboot action: stopped when the device restarted for it too often in a row.
static const wchar_t *RestartDevice(const LoggedEntry &entry, const wchar_t *label,
                                    DWORD exitCode)
{
  DWORD count = RanNormally() ? 0 : ReadRestartsInARow();
  if (count + 1 >= static_cast<DWORD>(CRASH_LOOP_ENDS)) {
    LogExitAction(entry, exitCode, EXIT_REBOOT, L"stopped: restarts in a row");
    ShowLauncherInFront();
    ShowFormatted(IDS_REBOOT_LOOP, label, count + 1, exitCode, 0, MB_OK | MB_ICONEXCLAMATION);
    return nullptr;
  }
  if (!ConfirmRestart(label, exitCode))
    return L"cancelled";
  WriteRestartsInARow(count + 1);
  LogExitAction(entry, exitCode, EXIT_REBOOT,
                g_exitActions.confirmTimedOut ? L"restarting: not cancelled" : L"restarting");
  DWORD result = CeSetSystemPowerState(nullptr, CE_POWER_STATE_RESET, CE_POWER_FORCE);
  if (result == ERROR_SUCCESS)
    return nullptr;
  WriteRestartsInARow(count);
  ShowErrorWithCode(TEXT_ID(IDS_RESTART_FAILED), result);
  return nullptr;
}

void TakeExitAction(int action, const LoggedEntry &entry, const wchar_t *label, DWORD exitCode)
{
  switch (action) {
  case EXIT_HOME:
    LogExitAction(entry, exitCode, action, nullptr);
    ShowHome();
    return;
  case EXIT_MESSAGE:
    LogExitAction(entry, exitCode, action, nullptr);
    ShowLauncherInFront();
    ShowFormatted(IDS_PROGRAM_ENDED, label, exitCode, 0, 0, MB_OK | MB_ICONINFORMATION);
    return;
  case EXIT_REBOOT: {
    const wchar_t *outcome = RestartDevice(entry, label, exitCode);
    if (outcome != nullptr)
      LogExitAction(entry, exitCode, action, outcome);
    return;
  }
  default:
    LogExitAction(entry, exitCode, action, nullptr);
    return;
  }
}
