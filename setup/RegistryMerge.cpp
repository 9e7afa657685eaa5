// Starts the platform's registry-merge tool; it runs on its own and is never waited for.
#include "setup/Ostrel.h"

#include <shellapi.h>

static const wchar_t MERGE_TOOL[] = L"\\Windows\\Pollex.exe";

// The tool reads the shipped script a while after it was started; a slow device must not
// lose the configuration because the script was deleted first. Bounded, so a hung tool
// cannot stop the installation.
static const DWORD MERGE_GRACE_MS = 15000;

bool RunRegistryMerge(const wchar_t *arguments, HANDLE *process)
{
  if (process != nullptr)
    *process = nullptr;
  SHELLEXECUTEINFOW start = {};
  start.cbSize = sizeof(start);
  start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  start.hwnd = nullptr;
  start.lpVerb = L"open";
  start.lpFile = MERGE_TOOL;
  start.lpParameters = arguments;
  start.lpDirectory = nullptr;
  start.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteEx(&start))
    return false;
  if (process != nullptr)
    *process = start.hProcess;
  else if (start.hProcess != nullptr)
    CloseHandle(start.hProcess);
  return true;
}

void AwaitRegistryMerge(HANDLE process)
{
  if (process == nullptr)
    return;
  WaitForSingleObject(process, MERGE_GRACE_MS);
  CloseHandle(process);
}
