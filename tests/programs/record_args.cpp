// Test program: writes the command line it received and its own module path to the file
// named by FERROLT_RECORD_ARGS (UTF-8, three lines: command line, module path, process id). The file
// appears complete or not at all, so a test can wait for it.
#include <windows.h>

static void WriteUtf8(HANDLE file, const wchar_t *text)
{
  char bytes[4096];
  int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof(bytes), nullptr, nullptr);
  DWORD written = 0;
  if (length > 1)
    WriteFile(file, bytes, static_cast<DWORD>(length - 1), &written, nullptr);
}

int wmain()
{
  wchar_t marker[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"FERROLT_RECORD_ARGS", marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH - 8)
    return 2;
  wchar_t partial[MAX_PATH];
  lstrcpyW(partial, marker);
  lstrcatW(partial, L".part");
  HANDLE file = CreateFileW(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return 3;
  wchar_t module[MAX_PATH] = {0};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  WriteUtf8(file, GetCommandLineW());
  WriteUtf8(file, L"\n");
  WriteUtf8(file, module);
  wchar_t id[16];
  wsprintfW(id, L"\n%lu", GetCurrentProcessId());
  WriteUtf8(file, id);
  CloseHandle(file);
  return MoveFileExW(partial, marker, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
