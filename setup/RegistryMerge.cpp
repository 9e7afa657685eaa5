// Starts the platform's registry-merge tool; it runs on its own and is never waited for.
#include "setup/Ostrel.h"

#include <shellapi.h>

static const wchar_t MERGE_TOOL[] = L"\\Windows\\Pollex.exe";

bool RunRegistryMerge(const wchar_t *arguments)
{
  SHELLEXECUTEINFOW start = {};
  start.cbSize = sizeof(start);
  start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  start.hwnd = nullptr;
  start.lpVerb = L"open";
  start.lpFile = MERGE_TOOL;
  start.lpParameters = arguments;
  start.lpDirectory = nullptr;
  start.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&start))
    return false;
  if (start.hProcess != nullptr)
    CloseHandle(start.hProcess);
  return true;
}
