// Shortcuts (".lnk"): the target is a program path, quoted or not, optionally followed by
// its arguments.
#include "launcher/launch/LaunchSteps.h"

#include "resources/resource.h"

#include <wchar.h>

bool ReadShortcut(wchar_t *path, wchar_t *arguments, bool *argumentsFound)
{
  wchar_t target[TEXT_CAPACITY] = {0};
  if (!SHGetShortcutTarget(path, target, TEXT_CAPACITY)) {
    ReportLaunchError(TEXT_ID(IDS_CANNOT_RESOLVE_SHORTCUT), GetLastError());
    return false;
  }
  target[TEXT_CAPACITY - 1] = 0;
  *argumentsFound = false;

  wchar_t *closingQuote = target[0] == L'"' ? wcschr(target + 1, L'"') : nullptr;
  if (closingQuote != nullptr) {
    // Everything after the closing quote is the argument text, its leading blank included.
    CopyText(arguments, TEXT_CAPACITY, closingQuote + 1);
    *closingQuote = 0;
    CopyText(path, TEXT_CAPACITY, target + 1);
    *argumentsFound = true;
    return true;
  }
  wchar_t *blank = wcschr(target, L' ');
  if (blank != nullptr) {
    CopyText(arguments, TEXT_CAPACITY, blank + 1);
    *blank = 0;
    *argumentsFound = true;
  }
  CopyText(path, TEXT_CAPACITY, target);
  return true;
}
