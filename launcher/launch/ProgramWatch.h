#pragma once
// Programs the launcher keeps an eye on: the home configuration's auto-starts, spaced out
// after the home screen is shown, and the entries that are started again when their
// program ends, with a guard against a program that keeps ending at once.
#include <windows.h>

#include "Common/StdFuncs.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/config/StartRules.h"

enum {
  WATCH_SLOTS = 32,                 // programs waiting to start or watched at one time
  WATCH_TIMER = 0x5741,             // the main window's timer id
  WATCH_TICK_MS = 250,              // how often the watched programs are looked at
  RESTART_PAUSE_MS = 2000,          // between a program's end and its restart
  CRASH_LOOP_ENDS = 3,              // this many ends ...
  CRASH_LOOP_WINDOW_MS = 60000,     // ... within this time stop the restarts
};

enum WatchSlotState {
  WATCH_FREE = 0,
  WATCH_QUEUED,    // an auto-start not made yet; they start in slot order
  WATCH_RUNNING,   // its process is watched
  WATCH_PAUSED,    // its program ended; it starts again at restartDue
  WATCH_STARTING,  // a start is under way (its messages may run loops of their own)
};

struct WatchedProgram {
  int state;
  bool keepRunning;
  wchar_t configurationKeyPath[TEXT_CAPACITY];  // with keyName, which entry this is
  wchar_t keyName[KEY_NAME_CAPACITY];
  wchar_t name[TEXT_CAPACITY];
  wchar_t command[COMMAND_CAPACITY];
  wchar_t description[TEXT_CAPACITY];
  HANDLE process;                    // owned while running; closed exactly once
  DWORD endTimes[CRASH_LOOP_ENDS];   // LauncherTime() of the latest ends, newest first
  int endCount;
  DWORD restartDue;
  StartRules rules;                  // the entry's StartDelay, network needs, exit actions
  bool waiting;                      // its start is due and waits for the network
  DWORD waitStarted;                 // LauncherTime() that wait began
};

struct ProgramWatchState {
  WatchedProgram slots[WATCH_SLOTS];
  HWND timerWindow;        // the window whose timer runs; null while nothing is watched
  bool autoStartsQueued;   // the home configuration's auto-starts were taken once
  DWORD autoStartDelay;    // AutoStartDelay of the profile
  DWORD lastAutoStart;     // LauncherTime() of the last auto-start, or of the home screen
  bool autoStarted;        // an auto-start was made since the home screen was shown
  DWORD networkWaitMs;     // NetworkWait of the profile
  DWORD restartPauseMs;    // RESTART_PAUSE_MS; shorter only in tests
};
extern ProgramWatchState g_watch;

// Queues the AutoStart entries of the table just shown, once per run; the caller calls it
// after the home configuration is on screen.
void QueueAutoStarts();
// Starts a program entry the user picked; a KeepRunning entry, or one with ExitActions, is
// watched from then on. False (with the message shown) when the launch failed, or when
// the entry needs the network and the device has none.
bool LaunchProgramEntry(const ProgramEntry &entry, const wchar_t *keyName);
// The timer's tick: notices ended programs and makes the starts that are due.
void OnWatchTimer(HWND window);
// Compares every watched or waiting program with its entry as the registry holds it now
// (a configuration is being loaded): an entry gone or no longer kept ends its watch, and
// the program stays running; a changed program or arguments is started in its place.
void ReviewWatchedPrograms();
// Stops every watch and start that is waiting; the programs themselves keep running.
void StopProgramWatch();
// Programs watched or waiting to start.
int WatchedProgramCount();
// True when the launcher watches what the entry starts: KeepRunning, or ExitActions.
bool IsWatchedEntry(const ProgramEntry &entry);
