#pragma once
// What the launcher does when a watched program ends with a code its entry's ExitActions
// name: show the home configuration, say which program ended with which code, or restart
// the device after a confirmation the user can cancel. A restart of the device that
// follows another one within a minute of running is counted in the registry, so that a
// program that asks for one at every boot is stopped after CRASH_LOOP_ENDS of them.
#include <windows.h>

#include "launcher/launch/LaunchLog.h"

enum {
  RESTART_CONFIRM_MS = 10000,   // the confirmation restarts the device unless cancelled
  NORMAL_RUNNING_MS = 60000,    // running this long clears the count of restarts in a row
};

// The product key's value that counts the device restarts in a row.
#define RESTARTS_IN_A_ROW_VALUE L"ExitRestartsInARow"

struct ExitActionState {
  DWORD confirmMs;           // RESTART_CONFIRM_MS; shorter only in tests
  DWORD runStart;            // LauncherTime() the home screen was first shown
  bool countChecked;         // the count was cleared after a minute of running (or was 0)
  const wchar_t *confirmText;  // the confirmation's text while it is shown
  bool confirmTimedOut;
};
extern ExitActionState g_exitActions;

// The run begins: the minute of normal running counts from now.
void StartExitActionClock();
// On every watch tick: after a minute of running, the count of restarts in a row goes.
void ClearRestartsAfterNormalRunning();
// Takes EXIT_HOME, EXIT_MESSAGE or EXIT_REBOOT for the entry's program that ended with
// the exit code (label: what the user reads), and logs it. Other actions only log.
void TakeExitAction(int action, const LoggedEntry &entry, const wchar_t *label, DWORD exitCode);
