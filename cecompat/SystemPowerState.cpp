// SetSystemPowerState for a desktop: a restart of the device is never made here; it is
// written to the file a test names (CE_RESTART_RECORD_VARIABLE) and answered as done, or
// refused when no file is named.
#include "cecompat/CePlatform.h"

#include <stdio.h>

DWORD WINAPI CeSetSystemPowerState(LPCWSTR state, DWORD flags, DWORD options)
{
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(CE_RESTART_RECORD_VARIABLE, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return ERROR_NOT_SUPPORTED;
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return GetLastError();
  char line[96];
  int written = _snprintf(line, sizeof(line), "SetSystemPowerState %s %08lX %08lX\r\n",
                          state != nullptr ? "named" : "flags", static_cast<unsigned long>(flags),
                          static_cast<unsigned long>(options));
  DWORD done = 0;
  bool ok = written > 0 && WriteFile(file, line, static_cast<DWORD>(written), &done, nullptr);
  CloseHandle(file);
  return ok ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}
