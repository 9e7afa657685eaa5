// Stands in for a registry-merge tool on a slow device: waits three seconds before it reads
// the script it was given ("/q path") and keeps what it read in \slow-merge-copy.reg.
#include <windows.h>

int wmain(int argc, wchar_t **argv)
{
  if (argc != 3 || lstrcmpiW(argv[1], L"/q") != 0)
    return 2;
  Sleep(3000);
  HANDLE script = CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (script == INVALID_HANDLE_VALUE)
    return 1;
  HANDLE copy = CreateFileW(L"\\slow-merge-copy.reg", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  char buffer[4096];
  DWORD got = 0, written = 0;
  while (ReadFile(script, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    WriteFile(copy, buffer, got, &written, nullptr);
  CloseHandle(copy);
  CloseHandle(script);
  return 0;
}
