// The command line made from an association's template: the executable and the text the
// process receives.
#include "launcher/launch/LaunchSteps.h"

#include "resources/resource.h"

#include <wchar.h>

void NameNotFound(const wchar_t *executable, wchar_t *message)
{
  const wchar_t *slash = wcsrchr(executable, L'\\');
  CopyText(message, TEXT_CAPACITY, slash != nullptr ? slash + 1 : executable);
  AppendText(message, TEXT_CAPACITY, L" Not Found!!!");
}

// A quoted executable ends at its closing quote, a plain one at the first blank or at the
// end of the line (the process then gets an empty command line).
bool SplitCommandLine(wchar_t *command, wchar_t **executable, wchar_t **processLine)
{
  wchar_t *start = command;
  wchar_t *end = nullptr;
  if (command[0] == L'"') {
    start = command + 1;
    end = wcschr(start, L'"');
    if (end == nullptr) {
      wchar_t message[TEXT_CAPACITY];
      NameNotFound(start, message);
      ReportLaunchErrorText(TEXT_ID(IDS_CANNOT_EXECUTE), ERROR_INVALID_NAME, message);
      return false;
    }
  } else {
    end = wcschr(start, L' ');
  }
  *executable = start;
  if (end == nullptr) {
    *processLine = start + wcslen(start);
    return true;
  }
  *end = 0;
  wchar_t *rest = end + 1;
  if (*rest == L' ')
    ++rest;
  *processLine = rest;
  return true;
}
