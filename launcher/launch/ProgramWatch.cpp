// Auto-starts and kept programs. A coarse timer of the main window looks at the watched
// process handles without waiting on them; its ticks arrive through every loop of the
// program (the main loop, the framework's dialogs, platform message boxes), so an open
// message never holds a restart back. A start shows its failure in a loop of its own, in
// which further ticks run: the slot being started is marked so that they leave it alone.
#include "launcher/launch/ProgramWatch.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/WatchSettings.h"
#include "launcher/launch/LaunchCommand.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"

ProgramWatchState g_watch = {{}, nullptr, false, AUTO_START_DELAY_DEFAULT, 0, RESTART_PAUSE_MS};

// Tick counts wrap; a time is reached once the difference is not negative.
static bool Reached(DWORD due, DWORD now)
{
  return static_cast<LONG>(now - due) >= 0;
}

int WatchedProgramCount()
{
  int count = 0;
  for (int i = 0; i < WATCH_SLOTS; ++i)
    if (g_watch.slots[i].state != WATCH_FREE)
      ++count;
  return count;
}

static bool WatchTimerRuns()
{
  if (g_watch.timerWindow != nullptr)
    return true;
  if (g_app.mainWindow == nullptr ||
      SetTimer(g_app.mainWindow, WATCH_TIMER, WATCH_TICK_MS, nullptr) == 0)
    return false;
  g_watch.timerWindow = g_app.mainWindow;
  return true;
}

static void StopTimerWhenIdle()
{
  if (g_watch.timerWindow == nullptr || WatchedProgramCount() != 0)
    return;
  KillTimer(g_watch.timerWindow, WATCH_TIMER);
  g_watch.timerWindow = nullptr;
}

static void FreeSlot(WatchedProgram *slot)
{
  if (slot->process != nullptr)
    CloseHandle(slot->process);
  ZeroMemory(slot, sizeof(*slot));
}

static int FindSlot(const wchar_t *configurationKeyPath, const wchar_t *keyName)
{
  for (int i = 0; i < WATCH_SLOTS; ++i) {
    const WatchedProgram &slot = g_watch.slots[i];
    if (slot.state != WATCH_FREE && wcscmp(slot.keyName, keyName) == 0 &&
        wcscmp(slot.configurationKeyPath, configurationKeyPath) == 0)
      return i;
  }
  return -1;
}

static int FreeSlotIndex()
{
  for (int i = 0; i < WATCH_SLOTS; ++i)
    if (g_watch.slots[i].state == WATCH_FREE)
      return i;
  return -1;
}

// The slot keeps its own copy: the entry table is reloaded whenever the user moves on.
static void FillSlot(WatchedProgram *slot, const ProgramEntry &entry, const wchar_t *keyName)
{
  slot->keepRunning = entry.keepRunning == 1;
  CopyText(slot->configurationKeyPath, TEXT_CAPACITY, g_profile.configurationKeyPath);
  CopyText(slot->keyName, KEY_NAME_CAPACITY, keyName);
  CopyText(slot->name, TEXT_CAPACITY, entry.name);
  CopyText(slot->command, COMMAND_CAPACITY, entry.command);
  CopyText(slot->description, TEXT_CAPACITY, entry.description);
  slot->process = nullptr;
  slot->endCount = 0;
}

// Starts the slot's program: a kept one is watched from then on, any other slot is done.
// A failure has shown its message once and is never tried again.
static bool StartSlot(int index)
{
  WatchedProgram *slot = &g_watch.slots[index];
  slot->state = WATCH_STARTING;
  HANDLE process = nullptr;
  bool started = LaunchCommand(slot->name, slot->command, slot->keepRunning ? &process : nullptr);
  // The launcher may have been closed while a message of the start was shown.
  if (process != nullptr && g_watch.timerWindow == nullptr) {
    CloseHandle(process);
    process = nullptr;
  }
  if (process == nullptr) {
    FreeSlot(slot);
  } else {
    slot->process = process;
    slot->state = WATCH_RUNNING;
  }
  return started;
}

void QueueAutoStarts()
{
  if (g_watch.autoStartsQueued || g_app.stackDepth != 0 ||
      wcscmp(g_profile.configurationName, DEFAULT_CONFIGURATION) != 0)
    return;
  g_watch.autoStartsQueued = true;
  g_watch.autoStartDelay = ReadAutoStartDelay();
  g_watch.nextAutoStart = LauncherTime();
  LONG count = g_entries.programCount;
  if (count > MAX_PROGRAM_ENTRIES)
    count = MAX_PROGRAM_ENTRIES;
  for (LONG i = 0; i < count; ++i) {
    const ProgramEntry &entry = g_entries.entries[i];
    // The administrator's AutoStart needs no password; a Password that is not a valid hash
    // refuses the entry, here too.
    if (entry.autoStart != 1 || entry.isCall || entry.name[0] == 0 ||
        entry.passwordState == PASSWORD_INVALID)
      continue;
    int index = FreeSlotIndex();
    if (index < 0 || !WatchTimerRuns())
      return;
    FillSlot(&g_watch.slots[index], entry, g_entries.keyNames[i]);
    g_watch.slots[index].state = WATCH_QUEUED;
  }
}

bool LaunchProgramEntry(const ProgramEntry &entry, const wchar_t *keyName)
{
  int index = FindSlot(g_profile.configurationKeyPath, keyName);
  if (index >= 0) {
    int state = g_watch.slots[index].state;
    // The program already runs (or is being started): the watch stays with it, and this
    // start is one like any other.
    if (state == WATCH_RUNNING || state == WATCH_STARTING)
      return LaunchCommand(entry.name, entry.command);
  } else {
    if (entry.keepRunning != 1 || entry.isCall || !WatchTimerRuns())
      return LaunchCommand(entry.name, entry.command);
    index = FreeSlotIndex();
    if (index < 0)
      return LaunchCommand(entry.name, entry.command);
  }
  // A pick takes over a waiting auto-start or restart, and counts the program's ends anew.
  FillSlot(&g_watch.slots[index], entry, keyName);
  bool started = StartSlot(index);
  StopTimerWhenIdle();
  return started;
}

static void ReportCrashLoop(const wchar_t *label, DWORD exitCode)
{
  if (g_app.mainWindow == nullptr)
    return;
  wchar_t pattern[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_KEPT_PROGRAM_STOPPED), pattern, TEXT_CAPACITY);
  // wsprintfW writes at most 1024 characters: the label (259 at most) and the pattern fit.
  wchar_t message[1025];
  wsprintfW(message, pattern, label, CRASH_LOOP_ENDS, CRASH_LOOP_WINDOW_MS / 1000, exitCode);
  message[1024] = 0;
  ShowWindow(g_app.mainWindow, SW_SHOW);
  SetForegroundWindow(g_app.mainWindow);
  ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Warning", MB_OK | MB_ICONEXCLAMATION);
}

// The program of a running slot has ended: a pause before it starts again, unless it has
// ended too often lately.
static void NoteEnd(int index)
{
  WatchedProgram *slot = &g_watch.slots[index];
  DWORD exitCode = 0;
  GetExitCodeProcess(slot->process, &exitCode);
  CloseHandle(slot->process);
  slot->process = nullptr;
  DWORD now = LauncherTime();
  for (int k = CRASH_LOOP_ENDS - 1; k > 0; --k)
    slot->endTimes[k] = slot->endTimes[k - 1];
  slot->endTimes[0] = now;
  if (slot->endCount < CRASH_LOOP_ENDS)
    ++slot->endCount;
  if (slot->endCount >= CRASH_LOOP_ENDS &&
      now - slot->endTimes[CRASH_LOOP_ENDS - 1] < static_cast<DWORD>(CRASH_LOOP_WINDOW_MS)) {
    wchar_t label[TEXT_CAPACITY];
    CopyText(label, TEXT_CAPACITY, slot->description[0] != 0 ? slot->description : slot->name);
    FreeSlot(slot);
    ReportCrashLoop(label, exitCode);
    return;
  }
  slot->state = WATCH_PAUSED;
  slot->restartDue = now + g_watch.restartPauseMs;
}

// The queued auto-starts go in slot order (the home configuration's entry order), one per
// AutoStartDelay; with no delay, all at once.
static void StartDueAutoStarts()
{
  for (int i = 0; i < WATCH_SLOTS; ++i) {
    if (g_watch.slots[i].state != WATCH_QUEUED)
      continue;
    if (!Reached(g_watch.nextAutoStart, LauncherTime()))
      return;
    g_watch.nextAutoStart = LauncherTime() + g_watch.autoStartDelay;
    if (NeedsWorkAreaBeforeLaunch())
      RestoreWorkArea();
    StartSlot(i);
    if (g_watch.autoStartDelay != 0)
      return;
  }
}

void OnWatchTimer(HWND window)
{
  if (window != g_watch.timerWindow)
    return;
  for (int i = 0; i < WATCH_SLOTS; ++i) {
    WatchedProgram *slot = &g_watch.slots[i];
    if (slot->state == WATCH_RUNNING && WaitForSingleObject(slot->process, 0) == WAIT_OBJECT_0) {
      NoteEnd(i);
    } else if (slot->state == WATCH_PAUSED && Reached(slot->restartDue, LauncherTime())) {
      if (NeedsWorkAreaBeforeLaunch())
        RestoreWorkArea();
      StartSlot(i);
    }
  }
  StartDueAutoStarts();
  StopTimerWhenIdle();
}

void StopProgramWatch()
{
  if (g_watch.timerWindow != nullptr)
    KillTimer(g_watch.timerWindow, WATCH_TIMER);
  g_watch.timerWindow = nullptr;
  // A start under way finishes its slot itself when it returns.
  for (int i = 0; i < WATCH_SLOTS; ++i)
    if (g_watch.slots[i].state != WATCH_STARTING)
      FreeSlot(&g_watch.slots[i]);
  g_watch.autoStartsQueued = false;
}
