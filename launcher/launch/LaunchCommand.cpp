// Resolves an entry's program and arguments and starts the process: path macros, then
// run files, then shortcuts, then the association of what remains. Every program, even an
// ".exe", is started through its association's open command.
#include "launcher/launch/LaunchCommand.h"
#include "launcher/launch/LaunchSteps.h"

#include "resources/resource.h"

#include <wchar.h>

static bool TakeExtension(const wchar_t *path, wchar_t *extension)
{
  if (GetExtension(path, extension, TEXT_CAPACITY))
    return true;
  ReportLaunchFailure(TEXT_ID(IDS_NO_EXTENSION), path);
  return false;
}

// A file that names itself, or two that name each other, must not keep the launcher busy
// for ever.
static bool FollowLink(int *links, const wchar_t *path)
{
  if (*links >= MAX_LINK_CHAIN) {
    ReportLaunchFailure(TEXT_ID(IDS_TOO_MANY_LINKS), path);
    return false;
  }
  ++*links;
  return true;
}

static bool StartProcess(wchar_t *executable, wchar_t *processLine, HANDLE *kept)
{
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof(process));
  if (!CreateProcessW(executable, processLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    DWORD code = GetLastError();
    wchar_t message[TEXT_CAPACITY];
    NameNotFound(executable, message);
    ReportLaunchErrorText(TEXT_ID(IDS_CANNOT_EXECUTE), code, message);
    return false;
  }
  // The launcher never waits for or ends what it started; it only watches the programs
  // it keeps running.
  CloseHandle(process.hThread);
  if (kept != nullptr)
    *kept = process.hProcess;
  else
    CloseHandle(process.hProcess);
  return true;
}

bool PrepareProgramPath(const wchar_t *program, wchar_t *path, wchar_t *extension)
{
  if (!CopyText(path, TEXT_CAPACITY, program)) {
    ReportLaunchFailure(TEXT_ID(IDS_COMMAND_TOO_LONG), path);
    return false;
  }
  if (!ExpandPathMacros(path)) {
    ReportLaunchFailure(TEXT_ID(IDS_COMMAND_TOO_LONG), program);
    return false;
  }
  return TakeExtension(path, extension);
}

static bool ResolveAndStart(const wchar_t *program, const wchar_t *arguments, HANDLE *process)
{
  wchar_t path[TEXT_CAPACITY];
  wchar_t extension[TEXT_CAPACITY];
  if (!PrepareProgramPath(program, path, extension))
    return false;
  const wchar_t *currentArguments = arguments != nullptr ? arguments : L"";

  wchar_t argumentLine[TEXT_CAPACITY] = {0};
  int links = 0;
  while (_wcsicmp(extension, L".run") == 0) {
    if (!FollowLink(&links, path) || !ReadRunFile(path, argumentLine))
      return false;
    currentArguments = argumentLine;
    if (!TakeExtension(path, extension))
      return false;
  }
  // A shortcut to a run file is not opened as one: run files come before shortcuts.
  while (_wcsicmp(extension, L".lnk") == 0) {
    bool argumentsFound = false;
    if (!FollowLink(&links, path) || !ReadShortcut(path, argumentLine, &argumentsFound))
      return false;
    if (argumentsFound)
      currentArguments = argumentLine;
    if (!TakeExtension(path, extension))
      return false;
  }

  wchar_t command[TEXT_CAPACITY];
  if (!FindCommandTemplate(extension, command))
    return false;
  bool tooLong = false;
  ReplaceFirst(command, TEXT_CAPACITY, L"%1", path, &tooLong);
  if (!tooLong)
    ReplaceFirst(command, TEXT_CAPACITY, L"%*", currentArguments, &tooLong);
  if (tooLong) {
    ReportLaunchFailure(TEXT_ID(IDS_COMMAND_TOO_LONG), path);
    return false;
  }

  wchar_t *start = nullptr;
  wchar_t *processLine = nullptr;
  if (!SplitCommandLine(command, &start, &processLine))
    return false;
  wchar_t executable[TEXT_CAPACITY];
  CopyText(executable, TEXT_CAPACITY, start);
  if (!QualifyWindowsExe(executable)) {
    ReportLaunchFailure(TEXT_ID(IDS_COMMAND_TOO_LONG), executable);
    return false;
  }
  return StartProcess(executable, processLine, process);
}

bool LaunchCommand(const wchar_t *program, const wchar_t *arguments, HANDLE *process,
                   LaunchFailure *failure)
{
  if (process != nullptr)
    *process = nullptr;
  if (failure != nullptr)
    ZeroMemory(failure, sizeof(*failure));
  LaunchFailure *outer = UseLaunchFailureRecord(failure);
  bool started = ResolveAndStart(program, arguments, process);
  UseLaunchFailureRecord(outer);
  return started;
}
