// Full screen: the start-up decision, the forced rectangle, the work area and the plain
// Windows CE task bar with its on-top value, and giving it all back on exit.
#include "launcher/shell/ShellLockdown.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/Profile.h"
#include "resources/resource.h"

ShellState g_shell = {true, 0, FORCE_SCREEN_NONE, 0, 0, false, nullptr, nullptr, nullptr};

enum { PLATFORM_TYPE_CHARACTERS = 260 };

bool IsWindowsMobilePlatform()
{
  wchar_t type[PLATFORM_TYPE_CHARACTERS] = {0};
  // The size is a count of characters, not bytes.
  if (!SystemParametersInfoW(SPI_GETPLATFORMTYPE, PLATFORM_TYPE_CHARACTERS, type, 0))
    return false;
  type[PLATFORM_TYPE_CHARACTERS - 1] = 0;
  return _wcsnicmp(type, L"PocketPC", 8) == 0;
}

void ProbePlatform()
{
  g_shell.plainCe = true;
  if (IsWindowsMobilePlatform()) {
    g_shell.plainCe = false;
    LoadShellLibrary();
  }
}

bool JudgeForceScreen(const RECT *usable, int *state)
{
  DWORD left, top, right, bottom;
  if (!ReadForceScreenRect(&left, &top, &right, &bottom))
    return false;

  DWORD minimumHeight = 0;
  GetMinimumMenuHeight(&minimumHeight);

  if (right == 0) {
    bool allZero = left == 0 && top == 0 && bottom == 0;
    *state = allZero ? FORCE_SCREEN_NONE : FORCE_SCREEN_INVALID;
    return true;
  }
  DWORD usableRight = static_cast<DWORD>(usable->right);
  DWORD usableBottom = static_cast<DWORD>(usable->bottom);
  bool valid = left < right && right <= usableRight &&
               right - left >= FORCE_SCREEN_MINIMUM_WIDTH && top < bottom &&
               bottom <= usableBottom && bottom - top >= minimumHeight;
  *state = valid ? FORCE_SCREEN_VALID : FORCE_SCREEN_INVALID;
  return true;
}

bool CheckForceScreen()
{
  RECT usable;
  GetUsableArea(&usable);
  int state = FORCE_SCREEN_NONE;
  if (!JudgeForceScreen(&usable, &state))
    return false;
  g_shell.forceScreenState = state;
  // The window keeps to the rectangle judged here: the shared layer is handed it.
  DWORD left, top, right, bottom;
  if (state == FORCE_SCREEN_VALID && ReadForceScreenRect(&left, &top, &right, &bottom)) {
    RECT forced = {static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
                   static_cast<LONG>(bottom)};
    SetForcedWindowArea(&forced);
  } else {
    SetForcedWindowArea(nullptr);
  }
  return state == FORCE_SCREEN_VALID;
}

bool ReadFullScreenSetting()
{
  if (CheckForceScreen()) {
    // The forced rectangle stands for full screen; the task bar stays as it is.
    g_shell.fullScreen = 1;
    return false;
  }
  DWORD value = 0;
  ReadProfileValue(g_profile.profileKeyPath, L"FullScreen", &value, sizeof(value), REG_DWORD);
  g_shell.fullScreen = value;
  if (value == 0)
    return false;
  if (value > 1) {
    wchar_t text[TEXT_CAPACITY];
    LoadTextOrId(TEXT_ID(IDS_BAD_FULL_SCREEN), text, TEXT_CAPACITY);
    ShowMessageBox(nullptr, text, L"Ferrolt Error ", MB_OK);
  }
  return true;
}

static void NotifyTaskBar(HWND taskBar)
{
  SendMessageW(taskBar, WM_SETTINGCHANGE, 0, TASK_BAR_SETTINGS_CHANGED);
}

static void WriteOnTopValue(HKEY key, DWORD value)
{
  RegSetValueExW(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                 sizeof(value));
}

// Keeps the task bar's on-top value for the exit and clears it. A missing key or value
// is what the shell takes as on top, so 1 is given back for it.
static void ClearOnTopValue()
{
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ON_TOP_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    DWORD value = 0, type = 0, size = sizeof(value);
    LONG read = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE *>(&value),
                                 &size);
    g_shell.savedOnTop = (read == ERROR_SUCCESS && size == sizeof(value)) ? value : 1;
    g_shell.onTopSaved = true;
    WriteOnTopValue(key, 0);
    RegCloseKey(key);
    return;
  }
  HKEY created;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, ON_TOP_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &created, nullptr) != ERROR_SUCCESS)
    return;
  RegCloseKey(created);
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ON_TOP_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return;
  WriteOnTopValue(key, 0);
  g_shell.savedOnTop = 1;
  g_shell.onTopSaved = true;
  RegCloseKey(key);
}

// Gives back only what ClearOnTopValue took, so a run that never cleared the value
// (a forced rectangle, no task bar) leaves the shell's setting as it found it.
static void RestoreOnTopValue()
{
  if (!g_shell.onTopSaved)
    return;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ON_TOP_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return;
  WriteOnTopValue(key, g_shell.savedOnTop);
  RegCloseKey(key);
  g_shell.onTopSaved = false;
}

static void HideTaskBar()
{
  HWND taskBar = FindWindowW(TASK_BAR_CLASS, nullptr);
  if (taskBar == nullptr)
    return;
  EnableWindow(taskBar, FALSE);
  ShowWindow(taskBar, SW_HIDE);
  ClearOnTopValue();
  NotifyTaskBar(taskBar);
}

static void ShowTaskBar()
{
  HWND taskBar = FindWindowW(TASK_BAR_CLASS, nullptr);
  if (taskBar == nullptr)
    return;
  EnableWindow(taskBar, TRUE);
  ShowWindow(taskBar, SW_SHOW);
  RestoreOnTopValue();
  NotifyTaskBar(taskBar);
}

// Windows Mobile: the launcher's window may cover the task bar's strip at the top.
static void MoveWorkAreaToTop()
{
  RECT area;
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
    return;
  area.top = 0;
  SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, 0);
}

void EnterFullScreen()
{
  if (g_shell.plainCe)
    HideTaskBar();
  else
    MoveWorkAreaToTop();
}

void RestoreWorkArea()
{
  if (g_shell.plainCe)
    return;
  HWND taskBar = FindWindowW(TASK_BAR_CLASS, nullptr);
  RECT bar, area;
  if (taskBar == nullptr || !GetWindowRect(taskBar, &bar) ||
      !SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
    return;
  if (area.top != 0)
    return;
  area.top = bar.bottom;
  SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, 0);
}

void RestoreShell()
{
  if (g_shell.fullScreen != 0) {
    if (g_shell.plainCe)
      ShowTaskBar();
    else
      RestoreWorkArea();
  }
  if (!g_shell.plainCe)
    FreeShellLibrary();
}

bool WantsHiddenBars()
{
  return g_shell.forceScreenState != FORCE_SCREEN_VALID && g_shell.fullScreen != 0 &&
         !g_shell.plainCe;
}
bool WantsShownBars() { return g_shell.fullScreen != 0 && !g_shell.plainCe; }
bool NeedsWorkAreaBeforeLaunch() { return g_shell.fullScreen != 0 && !g_shell.plainCe; }
bool NeedsMenuBar() { return g_shell.fullScreen == 0 && !g_shell.plainCe; }
bool CaptionAllowed() { return g_shell.fullScreen != 0 || g_shell.plainCe; }
