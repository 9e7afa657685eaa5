// The idle return to the home configuration.
#include "launcher/shell/IdleHome.h"

#include "Common/StdInit.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/config/KioskSettings.h"
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

// Cancels every open framework dialog, top first; false when one refuses to go.
static bool CloseFrameworkDialogs()
{
  while (g_app.openDialog != nullptr) {
    HWND dialog = g_app.openDialog;
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    if (g_app.openDialog == dialog)
      return false;
  }
  return true;
}

void OnIdleTimer(HWND window)
{
  if (g_idleHome.seconds == 0 || window != g_app.mainWindow)
    return;
  DWORD now = LauncherTime();
  // Time spent behind another window (a started program, a message box) is not idle time.
  if (GetForegroundWindow() != window) {
    g_app.lastInputTime = now;
    SetStepping(window, false);
    return;
  }
  if (g_app.stackDepth <= 0 || now - g_app.lastInputTime < g_idleHome.seconds * 1000) {
    SetStepping(window, false);
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
    PostMessageW(window, MSG_BACK, 0, 0);
    SetStepping(window, true);
  } else {
    // Refused: the next try waits for another idle period.
    g_app.lastInputTime = LauncherTime();
    SetStepping(window, false);
  }
}
