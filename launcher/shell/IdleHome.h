#pragma once
// Back to the home configuration when the launcher, in front, has been left alone for the
// profile's IdleHomeSeconds.
#include <windows.h>

enum {
  IDLE_HOME_TIMER = 0x1D1E,  // the main window's timer id
  IDLE_CHECK_MS = 1000,      // how often the idle time is looked at
  IDLE_STEP_MS = 100,        // the pause between two levels on the way home
};

struct IdleHomeState {
  DWORD seconds;   // 0: off
  bool stepping;   // on the way home, one level per short tick
  bool busy;       // a tick is checking the configuration below
};
extern IdleHomeState g_idleHome;

// Reads IdleHomeSeconds and, when it is on, starts the main window's idle timer.
void StartIdleHome(HWND window);
void StopIdleHome(HWND window);
// Cancels every open framework dialog, top first; false when one refuses to go.
bool CloseFrameworkDialogs();
// The timer's tick: one level back when the launcher has been idle in front long enough.
void OnIdleTimer(HWND window);
