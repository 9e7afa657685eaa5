#pragma once
// What an administrator acts on in an event log: the runs and how each ended, per entry
// its starts, failures and crash-loop stops, password outcomes, idle returns and the
// messages shown, configuration updates applied and rejected; printed after the events, or all of it as JSON.
#include <string>
#include <vector>

#include "checker/EventLogReader.h"

namespace eventlog {

// From a START to its END. A run whose START lies before the log's first line has no
// start time; one with no END either was followed by another START (the device was reset,
// lost power or the launcher crashed) or is the last in the log (still running, or cut).
struct Run {
  std::string started;
  std::string ended;  // the time of its last event
  std::wstring version, platform, screen, profile;
  std::wstring how;  // the END's way; empty without one
  bool endLogged = false;
  bool restartedWithoutEnd = false;
  int events = 0;
};

struct Failure {
  std::wstring reason;
  std::wstring code;  // empty when the failure had none
};

struct EntryCounts {
  std::wstring configuration, key, label;
  int starts = 0, byUser = 0, autoStarts = 0, restarts = 0;
  std::vector<Failure> failures;
  std::vector<std::wstring> exitCodes;           // each end of a kept program
  std::vector<std::wstring> crashLoopExitCodes;  // each stop of its restarts
  int networkWaits = 0, networkTimeouts = 0;     // starts that waited for the network
  std::vector<std::wstring> exitActions;         // "action" or "action (result)", in order
};

struct PromptCounts {
  std::wstring prompt;  // "exit", or whatever else asked for a password
  int right = 0, wrong = 0, cancelled = 0, lockOuts = 0, refusedLocked = 0, notValid = 0;
  // Answers the device could not check: its cryptography failed (no try counted).
  int notChecked = 0;
};

struct Counted {
  std::wstring text;
  std::wstring caption;  // messages only
  int count = 0;
};

struct Summary {
  std::vector<Run> runs;
  std::vector<EntryCounts> entries;  // in the order first seen
  std::vector<PromptCounts> prompts;
  int idleReturns = 0;
  std::vector<Counted> idleFrom;        // configurations an idle return started in
  std::vector<Counted> leftByFailure;   // configurations left because they failed
  std::vector<Counted> messages;        // by text, the most frequent first
  int updatesApplied = 0, updatesRejected = 0;
  std::vector<Counted> rejectedFor;     // the first reason of each rejected update
};

Summary Summarise(const Reading &reading);
// The events as read, where reading stopped, and the summary.
std::string FormatLogText(const Reading &reading, const Summary &summary);
std::string FormatLogJson(const Reading &reading, const Summary &summary);
// 0 every file read to its end, 1 a file stopped at damage, 3 a file could not be read.
int LogExitCode(const Reading &reading);

}  // namespace eventlog
