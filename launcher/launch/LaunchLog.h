#pragma once
// What the event log says about the programs the launcher starts: each start with its
// entry, target and arguments, each failure with its message and code, and the ends of
// the programs it keeps running.
#include <windows.h>

struct LaunchFailure;

// Who asked for a start.
#define STARTED_BY_USER L"user"
#define STARTED_BY_AUTO_START L"auto-start"
#define STARTED_BY_RESTART L"restart"

// The entry a start belongs to: the configuration's key path, the entry's key name and
// its label.
struct LoggedEntry {
  const wchar_t *configurationKeyPath;
  const wchar_t *keyName;
  const wchar_t *description;
};

void LogProgramStart(const LoggedEntry &entry, const wchar_t *by, const wchar_t *target,
                     const wchar_t *arguments);
void LogProgramStartFailed(const LoggedEntry &entry, const wchar_t *by,
                           const LaunchFailure &failure);
// A kept program ended; crashLoop when its restarts stop because of it.
void LogKeptProgramEnd(const LoggedEntry &entry, DWORD exitCode, bool crashLoop);
// A start waited: for what ("network", "start delay"), how long, and how the wait ended
// ("network", "timed out", "elapsed").
void LogStartWait(const LoggedEntry &entry, const wchar_t *by, const wchar_t *waitedFor,
                  DWORD seconds, const wchar_t *ended);
// An ExitActions line decided what follows an end; result (or null) says how it went.
void LogExitAction(const LoggedEntry &entry, DWORD exitCode, int action, const wchar_t *result);
// The device cannot tell which wireless network it has joined: NetworkName (the first one
// met) is not checked, an address alone counts. Once a run.
void LogNetworkNameUnchecked(const wchar_t *name);
