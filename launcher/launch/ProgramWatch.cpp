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
#include "launcher/launch/ExitActions.h"
#include "launcher/launch/LaunchCommand.h"
#include "launcher/launch/LaunchLog.h"
#include "launcher/launch/NetworkProbe.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"

ProgramWatchState g_watch = {{},    nullptr, false, AUTO_START_DELAY_DEFAULT,
                             0,     false,   NETWORK_WAIT_DEFAULT_SECONDS * 1000,
                             RESTART_PAUSE_MS};

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

bool IsWatchedEntry(const ProgramEntry &entry)
{
  return entry.keepRunning == 1 || entry.rules.exitRules.count > 0;
}

static bool IsWatchedSlot(const WatchedProgram &slot)
{
  return slot.keepRunning || slot.rules.exitRules.count > 0;
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
  slot->rules = entry.rules;
  slot->waiting = false;
}

// The slot's entry as the registry holds it now; false when its key is gone.
static bool ReadSlotEntry(const WatchedProgram &slot, ProgramEntry *entry)
{
  wchar_t keyPath[TEXT_CAPACITY];
  if (!CopyText(keyPath, TEXT_CAPACITY, slot.configurationKeyPath) ||
      !AppendText(keyPath, TEXT_CAPACITY, L"\\Programs\\") ||
      !AppendText(keyPath, TEXT_CAPACITY, slot.keyName))
    return false;
  HKEY key = OpenProfileKeyPath(keyPath);
  if (key == nullptr)
    return false;
  ZeroMemory(entry, sizeof(*entry));
  ReadProgramEntry(key, keyPath, entry);
  RegCloseKey(key);
  return true;
}

enum { SLOT_SAME, SLOT_CHANGED, SLOT_ENDED };

// Compares a slot with its entry as the registry holds it now, as device management may
// have changed it meanwhile. An entry gone, or no longer kept (no longer an auto-start,
// for one waiting to start), ends the watch; its program, if one runs, is left running.
// A new program or new arguments are taken over, to be started at the next start.
static int ReviewSlot(int index)
{
  WatchedProgram *slot = &g_watch.slots[index];
  ProgramEntry entry;
  bool found = ReadSlotEntry(*slot, &entry);
  bool queued = slot->state == WATCH_QUEUED;
  if (!found || entry.isCall || entry.name[0] == 0 ||
      (queued ? entry.autoStart != 1 : !IsWatchedEntry(entry))) {
    FreeSlot(slot);
    return SLOT_ENDED;
  }
  CopyText(slot->description, TEXT_CAPACITY, entry.description);
  slot->rules = entry.rules;
  if (queued)
    slot->keepRunning = entry.keepRunning == 1;
  if (wcscmp(slot->name, entry.name) == 0 && wcscmp(slot->command, entry.command) == 0)
    return SLOT_SAME;
  CopyText(slot->name, TEXT_CAPACITY, entry.name);
  CopyText(slot->command, COMMAND_CAPACITY, entry.command);
  slot->endCount = 0;
  return SLOT_CHANGED;
}

void ReviewWatchedPrograms()
{
  for (int i = 0; i < WATCH_SLOTS; ++i) {
    WatchedProgram *slot = &g_watch.slots[i];
    if (slot->state == WATCH_FREE || slot->state == WATCH_STARTING)
      continue;
    if (ReviewSlot(i) == SLOT_CHANGED && slot->state == WATCH_RUNNING) {
      // What runs is no longer the entry's program: it stays, unwatched, and the entry's
      // new program starts in its place at the next tick.
      CloseHandle(slot->process);
      slot->process = nullptr;
      slot->state = WATCH_PAUSED;
      slot->restartDue = LauncherTime();
    }
  }
  StopTimerWhenIdle();
}

static void ReportNotKept(const ProgramEntry &entry)
{
  wchar_t pattern[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_KEPT_PROGRAM_NOT_WATCHED), pattern, TEXT_CAPACITY);
  // wsprintfW writes at most 1024 characters: the label (259 at most) and the pattern fit.
  wchar_t message[1025];
  wsprintfW(message, pattern, entry.description[0] != 0 ? entry.description : entry.name,
            static_cast<int>(WATCH_SLOTS));
  message[1024] = 0;
  ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Warning", MB_OK | MB_ICONEXCLAMATION);
}

static LoggedEntry SlotEntry(const WatchedProgram &slot)
{
  LoggedEntry entry = {slot.configurationKeyPath, slot.keyName, slot.description};
  return entry;
}

// Every start goes into the event log, with its failure.
static bool StartLogged(const LoggedEntry &entry, const wchar_t *by, const wchar_t *name,
                        const wchar_t *command, HANDLE *process)
{
  LogProgramStart(entry, by, name, command);
  LaunchFailure failure;
  bool started = LaunchCommand(name, command, process, &failure);
  if (!started)
    LogProgramStartFailed(entry, by, failure);
  return started;
}

// A pick that is not watched.
static bool StartPicked(const ProgramEntry &entry, const wchar_t *keyName)
{
  LoggedEntry logged = {g_profile.configurationKeyPath, keyName, entry.description};
  return StartLogged(logged, STARTED_BY_USER, entry.name, entry.command, nullptr);
}

// Starts the slot's program: a kept one is watched from then on, any other slot is done.
// A failure has shown its message once and is never tried again.
static bool StartSlot(int index, const wchar_t *by)
{
  WatchedProgram *slot = &g_watch.slots[index];
  slot->state = WATCH_STARTING;
  HANDLE process = nullptr;
  bool started = StartLogged(SlotEntry(*slot), by, slot->name, slot->command,
                             IsWatchedSlot(*slot) ? &process : nullptr);
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
  g_watch.networkWaitMs = ReadNetworkWait() * 1000;
  g_watch.lastAutoStart = LauncherTime();
  g_watch.autoStarted = false;
  StartExitActionClock();
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

// A pick of an entry that needs the network, while the device has none it can tell of.
static void ReportNoNetwork(const ProgramEntry &entry)
{
  wchar_t pattern[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_NEEDS_NETWORK), pattern, TEXT_CAPACITY);
  // wsprintfW writes at most 1024 characters: the label (259 at most) and the pattern fit.
  wchar_t message[1025];
  wsprintfW(message, pattern, entry.description[0] != 0 ? entry.description : entry.name);
  message[1024] = 0;
  ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Warning", MB_OK | MB_ICONEXCLAMATION);
}

bool LaunchProgramEntry(const ProgramEntry &entry, const wchar_t *keyName)
{
  if (EntryLacksNetwork(entry)) {
    ReportNoNetwork(entry);
    return false;
  }
  int index = FindSlot(g_profile.configurationKeyPath, keyName);
  if (index >= 0) {
    WatchedProgram *slot = &g_watch.slots[index];
    bool sameProgram =
        wcscmp(slot->name, entry.name) == 0 && wcscmp(slot->command, entry.command) == 0;
    // The program already runs (or is being started): the watch stays with it, and this
    // start is one like any other.
    if (slot->state == WATCH_STARTING || (slot->state == WATCH_RUNNING && sameProgram))
      return StartPicked(entry, keyName);
    // The entry names another program now: the one running is left, and the watch goes
    // with the one picked.
    if (slot->process != nullptr)
      CloseHandle(slot->process);
    slot->process = nullptr;
  } else {
    if (!IsWatchedEntry(entry) || entry.isCall || !WatchTimerRuns())
      return StartPicked(entry, keyName);
    index = FreeSlotIndex();
    if (index < 0) {
      bool started = StartPicked(entry, keyName);
      if (started)
        ReportNotKept(entry);
      return started;
    }
  }
  // A pick takes over a waiting auto-start or restart, and counts the program's ends anew.
  FillSlot(&g_watch.slots[index], entry, keyName);
  bool started = StartSlot(index, STARTED_BY_USER);
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
  // The first ExitActions line that holds the code decides; without one, KeepRunning does.
  int action = FindExitAction(slot->rules.exitRules, exitCode);
  bool byRule = action != EXIT_NO_RULE;
  if (!byRule)
    action = slot->keepRunning ? EXIT_RESTART : EXIT_NONE;
  bool crashLoop = action == EXIT_RESTART && slot->endCount >= CRASH_LOOP_ENDS &&
                   now - slot->endTimes[CRASH_LOOP_ENDS - 1] <
                       static_cast<DWORD>(CRASH_LOOP_WINDOW_MS);
  LogKeptProgramEnd(SlotEntry(*slot), exitCode, crashLoop);
  if (action == EXIT_RESTART && !crashLoop) {
    if (byRule)
      LogExitAction(SlotEntry(*slot), exitCode, action, nullptr);
    slot->state = WATCH_PAUSED;
    slot->restartDue = now + g_watch.restartPauseMs;
    return;
  }
  // Busy while its messages are shown, as a start is: their loops run further ticks.
  slot->state = WATCH_STARTING;
  const wchar_t *label = slot->description[0] != 0 ? slot->description : slot->name;
  if (crashLoop)
    ReportCrashLoop(label, exitCode);
  else if (byRule)
    TakeExitAction(action, SlotEntry(*slot), label, exitCode);
  FreeSlot(slot);
}

// Whether a due start may go now. One that needs the network waits for an address (and the
// wireless network it names, where the device can tell), up to
// NetworkWait (a device that cannot tell waits it out), then starts either way; the wait
// goes into the event log with how it ended.
static bool ReadyToStart(WatchedProgram *slot, const wchar_t *by)
{
  if (slot->rules.needsNetwork != 1)
    return true;
  DWORD now = LauncherTime();
  bool up = NetworkMeetsRules(slot->rules);
  if (!slot->waiting) {
    if (up)
      return true;
    slot->waiting = true;
    slot->waitStarted = now;
    return false;
  }
  DWORD waited = now - slot->waitStarted;
  if (!up && waited < g_watch.networkWaitMs)
    return false;
  slot->waiting = false;
  LogStartWait(SlotEntry(*slot), by, L"network", waited / 1000, up ? L"network" : L"timed out");
  return true;
}

// The pause before a queued auto-start: its own StartDelay, else AutoStartDelay after the
// auto-start before it (the first one without a StartDelay goes at once).
static DWORD AutoStartPause(const WatchedProgram &slot)
{
  if (slot.rules.startDelay != START_DELAY_NONE)
    return static_cast<DWORD>(slot.rules.startDelay) * 1000;
  return g_watch.autoStarted ? g_watch.autoStartDelay : 0;
}

// The queued auto-starts go in slot order (the home configuration's entry order), each
// after its pause; one that waits for the network holds back those after it.
static void StartDueAutoStarts()
{
  for (int i = 0; i < WATCH_SLOTS; ++i) {
    WatchedProgram *slot = &g_watch.slots[i];
    if (slot->state != WATCH_QUEUED)
      continue;
    bool wasWaiting = slot->waiting;
    if (!wasWaiting) {
      if (!Reached(g_watch.lastAutoStart + AutoStartPause(*slot), LauncherTime()))
        return;
      if (ReviewSlot(i) == SLOT_ENDED)
        continue;
      if (slot->rules.startDelay > 0)
        LogStartWait(SlotEntry(*slot), STARTED_BY_AUTO_START, L"start delay",
                     static_cast<DWORD>(slot->rules.startDelay), L"elapsed");
    }
    if (!ReadyToStart(slot, STARTED_BY_AUTO_START))
      return;
    if (wasWaiting && ReviewSlot(i) == SLOT_ENDED)
      continue;
    g_watch.lastAutoStart = LauncherTime();
    g_watch.autoStarted = true;
    if (NeedsWorkAreaBeforeLaunch())
      RestoreWorkArea();
    StartSlot(i, STARTED_BY_AUTO_START);
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
    } else if (slot->state == WATCH_PAUSED && Reached(slot->restartDue, LauncherTime()) &&
               (slot->waiting || ReviewSlot(i) != SLOT_ENDED) &&
               ReadyToStart(slot, STARTED_BY_RESTART)) {
      if (NeedsWorkAreaBeforeLaunch())
        RestoreWorkArea();
      StartSlot(i, STARTED_BY_RESTART);
    }
  }
  StartDueAutoStarts();
  ClearRestartsAfterNormalRunning();
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
