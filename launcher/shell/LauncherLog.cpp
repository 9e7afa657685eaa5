// The launcher's own events: start-up, profile, configurations left, end.
#include "launcher/shell/LauncherLog.h"

#include <wchar.h>

#include "Common/EventLog.h"
#include "Common/StdInit.h"
#include "launcher/config/LogSettings.h"
#include "launcher/config/Profile.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"

LauncherLogState g_launcherLog;

// The folder of the program file, and the log's name in it.
static void LogPath(wchar_t *path)
{
  wchar_t module[TEXT_CAPACITY] = {0};
  DWORD length = GetModuleFileNameW(nullptr, module, TEXT_CAPACITY);
  wchar_t folder[TEXT_CAPACITY] = {0};
  if (length == 0 || length >= TEXT_CAPACITY - 1 ||
      !GetDirectory(module, folder, TEXT_CAPACITY) || folder[0] == 0 ||
      !CopyText(path, TEXT_CAPACITY, folder) || !AppendText(path, TEXT_CAPACITY, LOG_FILE_NAME))
    CopyText(path, TEXT_CAPACITY, LOG_FALLBACK_PATH);
}

// "1.70.00" from the About box's "Ferrolt- Version 1.70.00": the text after its last blank.
static void VersionText(wchar_t *version)
{
  wchar_t line[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_VERSION), line, TEXT_CAPACITY);
  const wchar_t *blank = wcsrchr(line, L' ');
  CopyText(version, TEXT_CAPACITY, blank != nullptr ? blank + 1 : line);
}

void StartLauncherLog(const wchar_t *commandLine)
{
  g_launcherLog.endReason = nullptr;
  g_launcherLog.endLogged = false;
  ChooseProductKey();
  DWORD kilobytes = ReadLogSize(&g_launcherLog.logSizeFaulty);
  wchar_t path[TEXT_CAPACITY];
  LogPath(path);
  if (!OpenEventLog(path, kilobytes * 1024))
    return;
  wchar_t version[TEXT_CAPACITY];
  VersionText(version);
  wchar_t screen[TEXT_CAPACITY];
  wsprintfW(screen, L"%dx%d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  LogField fields[] = {
      LogText("version", version),
      LogText("platform", IsWindowsMobilePlatform() ? L"Windows Mobile" : L"Windows CE"),
      LogText("screen", screen), LogText("command", commandLine)};
  LogEvent("START", fields);
}

void LogProfileChosen()
{
  LogField fields[] = {LogText("profile", g_profile.profileName),
                       LogText("key", g_profile.profileKeyPath)};
  LogEvent("PROFILE", fields);
}

void ReportLogSizeIfFaulty()
{
  if (g_launcherLog.logSizeFaulty)
    ReportFaultyLogSize();
  g_launcherLog.logSizeFaulty = false;
}

void LogConfigurationLeft(const wchar_t *from, const wchar_t *to, const wchar_t *reason)
{
  LogField fields[] = {LogText("from", from), LogText("to", to), LogText("reason", reason)};
  LogEvent("BACK", fields);
}

void SetEndReason(const wchar_t *how)
{
  g_launcherLog.endReason = how;
}

void LogLauncherEnd(const wchar_t *how)
{
  if (g_launcherLog.endLogged)
    return;
  if (how == nullptr)
    how = g_launcherLog.endReason != nullptr ? g_launcherLog.endReason : END_CLOSED_FROM_OUTSIDE;
  g_launcherLog.endLogged = true;
  g_launcherLog.endReason = nullptr;
  LogField fields[] = {LogText("how", how)};
  LogEvent("END", fields);
}

void FinishLauncherLog(const wchar_t *how)
{
  LogLauncherEnd(how);
  CloseEventLog();
}

void LogPasswordOutcome(const wchar_t *prompt, const wchar_t *entry, int outcome,
                        const PasswordTries *tries)
{
  const wchar_t *result;
  switch (outcome) {
  case PASSWORD_RIGHT: result = L"right"; break;
  case PASSWORD_WRONG: result = L"wrong"; break;
  case PASSWORD_LOCKED: result = L"locked out"; break;
  case PASSWORD_NOT_VALID: result = L"no valid password"; break;
  case PASSWORD_UNCHECKED: result = L"not checked"; break;
  default: result = L"cancelled"; break;
  }
  LogField fields[5];
  int count = 0;
  fields[count++] = LogText("prompt", prompt);
  if (entry != nullptr)
    fields[count++] = LogText("entry", entry);
  fields[count++] = LogText("result", result);
  if (outcome == PASSWORD_WRONG) {
    fields[count++] = LogDecimal("tries", static_cast<DWORD>(tries->wrongInARow));
    if (tries->wrongInARow >= PASSWORD_TRIES)
      fields[count++] = LogDecimal("locked", PASSWORD_LOCK_MS / 1000);
  }
  LogEvent("PASSWORD", fields, count);
}
