// Test program for the programs the launcher keeps running. Started the way the launcher
// starts programs, its command line holds the arguments alone: "<label> <how it ends>".
// Appends one line "<label> <process id> <tick count>" to the file named by
// FERROLT_WATCH_LOG, then ends: after that many milliseconds with exit code 0, or with
// "crash" at once with the exit code of an access violation, as a crashed program ends,
// or with "exitN" at once with exit code N.
#include <windows.h>

#include <stdlib.h>

static void AppendLine(const wchar_t *label)
{
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"FERROLT_WATCH_LOG", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return;
  char line[256];
  int used = WideCharToMultiByte(CP_UTF8, 0, label, -1, line, 128, nullptr, nullptr);
  if (used <= 0)
    return;
  wsprintfA(line + used - 1, " %lu %lu\n", GetCurrentProcessId(), GetTickCount());
  // Several programs may write at once: retry while another holds the file.
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
      CloseHandle(file);
      return;
    }
    Sleep(10);
  }
}

int wmain(int argc, wchar_t **argv)
{
  if (argc < 2)
    return 2;
  AppendLine(argv[0]);
  if (lstrcmpW(argv[1], L"crash") == 0)
    TerminateProcess(GetCurrentProcess(), EXCEPTION_ACCESS_VIOLATION);
  if (argv[1][0] == L'e' && argv[1][1] == L'x' && argv[1][2] == L'i' && argv[1][3] == L't')
    return _wtoi(argv[1] + 4);
  Sleep(static_cast<DWORD>(_wtoi(argv[1])));
  return 0;
}
