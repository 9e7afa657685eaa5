// The idle return to the home configuration.
#include "launcher/shell/IdleHome.h"

#include "Common/EventLog.h"
#include "Common/StdInit.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/config/Profile.h"
#include "launcher/shell/LauncherLog.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"

IdleHomeState g_idleHome;

void StartIdleHome(HWND window)
{
  g_idleHome.seconds = ReadIdleHomeSeconds();
  g_idleHome.stepping = false;
  g_app.lastInputTime = LauncherTime();
  if (g_idleHome.seconds != 0 && window != nullptr)
    SetTimer(window, IDLE_HOME_TIMER, IDLE_CHECK_MS, nullptr);
}

void StopIdleHome(HWND window)
{
  if (g_idleHome.seconds != 0 && window != nullptr)
    KillTimer(window, IDLE_HOME_TIMER);
  g_idleHome.seconds = 0;
  g_idleHome.stepping = false;
}

static void SetStepping(HWND window, bool stepping)
{
  if (g_idleHome.stepping == stepping)
    return;
  g_idleHome.stepping = stepping;
  SetTimer(window, IDLE_HOME_TIMER, stepping ? IDLE_STEP_MS : IDLE_CHECK_MS, nullptr);
}

bool CloseFrameworkDialogs()
{
  while (g_app.openDialog != nullptr) {
    HWND dialog = g_app.openDialog;
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    if (g_app.openDialog == dialog)
      return false;
  }
  return true;
}

// The button that answers a box the way that changes nothing: Cancel where it has one,
// else No, else OK; 0 for a window without any of them.
static int NeutralAnswer(HWND box)
{
  static const int answers[] = {IDCANCEL, IDNO, IDOK};
  for (int i = 0; i < static_cast<int>(sizeof(answers) / sizeof(answers[0])); ++i) {
    if (GetDlgItem(box, answers[i]) != nullptr)
      return answers[i];
  }
  return 0;
}

// The launcher's own platform message boxes (setting checks, warnings, the exit question,
// messages with UseRealMessageBox) are boxes of the main window's thread: while one is in
// front, the launcher is. The box's neutral answer comes with it.
static HWND OwnBoxInFront(HWND window, HWND front, int *answer)
{
  if (front == nullptr || front == window ||
      GetWindowThreadProcessId(front, nullptr) != GetWindowThreadProcessId(window, nullptr))
    return nullptr;
  *answer = NeutralAnswer(front);
  return *answer != 0 ? front : nullptr;
}

// Once per return home, at its first step.
static void LogIdleReturn()
{
  if (g_idleHome.stepping)
    return;
  LogField fields[] = {LogText("from", g_profile.configurationName),
                       LogDecimal("levels", static_cast<DWORD>(g_app.stackDepth)),
                       LogDecimal("seconds", g_idleHome.seconds)};
  LogEvent("IDLE-HOME", fields);
}

void OnIdleTimer(HWND window)
{
  if (g_idleHome.seconds == 0 || window != g_app.mainWindow)
    return;
  DWORD now = LauncherTime();
  // A scroll bar held or dragged keeps the pointer captured in a loop of the platform's,
  // which no input of the launcher's loop reaches: the user is at work.
  if (GetCapture() != nullptr)
    g_app.lastInputTime = now;
  HWND front = GetForegroundWindow();
  int answer = 0;
  HWND ownBox = OwnBoxInFront(window, front, &answer);
  // Time spent behind another program's window (a started program) is not idle time.
  if (front != window && ownBox == nullptr) {
    g_app.lastInputTime = now;
    SetStepping(window, false);
    return;
  }
  if (g_app.stackDepth <= 0 || now - g_app.lastInputTime < g_idleHome.seconds * 1000) {
    SetStepping(window, false);
    return;
  }
  // On the way home an open box of the launcher's is answered first, one per tick; the
  // code that showed it then goes on, and the next tick takes the next step.
  if (ownBox != nullptr) {
    LogIdleReturn();
    PostMessageW(ownBox, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    SetStepping(window, true);
    return;
  }
  if (g_idleHome.busy || !CloseFrameworkDialogs())
    return;
  // One level, as the Return item goes: the configuration below is checked first. Its
  // messages run a loop of their own, in which this timer must not act again.
  g_idleHome.busy = true;
  int top = g_app.stackDepth - 1;
  bool accepted = top < CONFIGURATION_STACK_SIZE && CheckConfiguration(g_navigation.stack[top]);
  g_idleHome.busy = false;
  if (accepted) {
    LogIdleReturn();
    LogConfigurationLeft(g_profile.configurationName, g_navigation.stack[top], LEFT_BY_IDLE);
    PostMessageW(window, MSG_BACK, 0, 0);
    SetStepping(window, true);
  } else {
    // Refused: the next try waits for another idle period.
    g_app.lastInputTime = LauncherTime();
    SetStepping(window, false);
  }
}
