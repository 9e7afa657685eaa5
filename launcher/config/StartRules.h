#pragma once
// When an entry's program may start and what the launcher does when it ends: StartDelay,
// NeedsNetwork and NetworkName, and the ExitActions lines, of each entry; NetworkWait of
// the profile.
#include <windows.h>

#include "Common/StdFuncs.h"

enum {
  START_DELAY_NONE = -1,             // no StartDelay: AutoStartDelay spaces the entry
  START_DELAY_MAX_SECONDS = 999,
  NETWORK_WAIT_DEFAULT_SECONDS = 60,
  NETWORK_WAIT_MAX_SECONDS = 600,
  NETWORK_NAME_CAPACITY = 33,        // a wireless network's name: 32 characters at most
  EXIT_RULE_CAPACITY = 16,           // ExitActions lines kept; later ones are reported
  EXIT_ACTIONS_CAPACITY = 1024,      // characters of the ExitActions value read
  EXIT_LINE_CAPACITY = 64,           // characters of one line that can still parse
};

enum ExitAction {
  EXIT_NO_RULE = 0,  // no line matched: KeepRunning decides, as without ExitActions
  EXIT_RESTART,
  EXIT_HOME,
  EXIT_MESSAGE,
  EXIT_REBOOT,
  EXIT_NONE,
};

// One ExitActions line: exit codes low to high (both included) and what to do.
struct ExitRule {
  DWORD low;
  DWORD high;
  int action;
};

struct ExitRules {
  ExitRule rules[EXIT_RULE_CAPACITY];
  int count;
};

// The start and end rules of one entry as read: anything faulty reads as its default.
struct StartRules {
  LONG startDelay;    // seconds, or START_DELAY_NONE
  LONG needsNetwork;  // 1: starts only with a network
  wchar_t networkName[NETWORK_NAME_CAPACITY];
  ExitRules exitRules;
};

// Parses one line "CODE=ACTION" (CODE a number, a range A-B or *; blanks around the parts
// allowed). False when it does not parse.
bool ParseExitRule(const wchar_t *line, ExitRule *rule);
// The action of the first rule whose codes hold the exit code; EXIT_NO_RULE when none does.
int FindExitAction(const ExitRules &rules, DWORD exitCode);
// True when some rule takes the action.
bool HasExitAction(const ExitRules &rules, int action);
// The action's name as the ExitActions lines write it.
const wchar_t *ExitActionName(int action);

// Reads the rules of an open entry key (null: all defaults). Shows nothing.
void ReadStartRules(HKEY entryKey, StartRules *rules);
// Reports each faulty rule setting of an open entry key, numbered by the entry's position,
// and each ExitActions line that does not parse, by its line number.
void CheckStartRules(HKEY entryKey, int position);

// Reads NetworkWait from the profile key, in seconds: the default when missing; a value that
// is not allowed is reported as the other setting checks do and read as the default.
DWORD ReadNetworkWait();
