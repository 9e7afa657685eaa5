// The event log's lines about program starts and the ends of kept programs.
#include "launcher/launch/LaunchLog.h"

#include <wchar.h>

#include "Common/EventLog.h"
#include "launcher/config/StartRules.h"
#include "launcher/launch/LaunchCommand.h"
#include "launcher/launch/ProgramWatch.h"

// The configuration's name: the last part of its key path.
static const wchar_t *ConfigurationName(const wchar_t *keyPath)
{
  if (keyPath == nullptr)
    return L"";
  const wchar_t *slash = wcsrchr(keyPath, L'\\');
  return slash != nullptr ? slash + 1 : keyPath;
}

void LogProgramStart(const LoggedEntry &entry, const wchar_t *by, const wchar_t *target,
                     const wchar_t *arguments)
{
  LogField fields[] = {LogText("entry", entry.description), LogText("key", entry.keyName),
                       LogText("configuration", ConfigurationName(entry.configurationKeyPath)),
                       LogText("by", by), LogText("target", target),
                       LogText("arguments", arguments)};
  LogEvent("LAUNCH", fields);
}

void LogProgramStartFailed(const LoggedEntry &entry, const wchar_t *by,
                           const LaunchFailure &failure)
{
  LogField fields[] = {LogText("entry", entry.description), LogText("key", entry.keyName),
                       LogText("configuration", ConfigurationName(entry.configurationKeyPath)),
                       LogText("by", by), LogText("reason", failure.message),
                       LogCode("code", failure.code)};
  LogEvent("LAUNCH-FAILED", fields, failure.hasCode ? 6 : 5);
}

void LogKeptProgramEnd(const LoggedEntry &entry, DWORD exitCode, bool crashLoop)
{
  LogField fields[] = {LogText("entry", entry.description), LogText("key", entry.keyName),
                       LogText("configuration", ConfigurationName(entry.configurationKeyPath)),
                       LogCode("exit", exitCode), LogDecimal("ends", CRASH_LOOP_ENDS),
                       LogDecimal("seconds", CRASH_LOOP_WINDOW_MS / 1000)};
  if (crashLoop)
    LogEvent("CRASH-LOOP", fields);
  else
    LogEvent("PROGRAM-END", fields, 4);
}

void LogStartWait(const LoggedEntry &entry, const wchar_t *by, const wchar_t *waitedFor,
                  DWORD seconds, const wchar_t *ended)
{
  LogField fields[] = {LogText("entry", entry.description), LogText("key", entry.keyName),
                       LogText("configuration", ConfigurationName(entry.configurationKeyPath)),
                       LogText("by", by), LogText("for", waitedFor),
                       LogDecimal("seconds", seconds), LogText("ended", ended)};
  LogEvent("WAIT", fields);
}

void LogExitAction(const LoggedEntry &entry, DWORD exitCode, int action, const wchar_t *result)
{
  LogField fields[] = {LogText("entry", entry.description), LogText("key", entry.keyName),
                       LogText("configuration", ConfigurationName(entry.configurationKeyPath)),
                       LogCode("exit", exitCode), LogText("action", ExitActionName(action)),
                       LogText("result", result)};
  LogEvent("EXIT-ACTION", fields, result != nullptr ? 6 : 5);
}

void LogNetworkNameUnchecked(const wchar_t *name)
{
  LogField fields[] = {
      LogText("name", name),
      LogText("checked", L"no: the device cannot tell the wireless network joined")};
  LogEvent("NETWORK-NAME", fields);
}
