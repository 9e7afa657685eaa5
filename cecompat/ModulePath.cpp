// GetModuleFileNameW for a launcher run inside a test program: the program's own path can
// be set to the one the installed launcher has on a device.
#include "cecompat/CePlatform.h"

#undef GetModuleFileNameW

DWORD CeGetModuleFileNameW(HMODULE module, LPWSTR path, DWORD capacity)
{
  if (module == nullptr && path != nullptr && capacity > 0) {
    DWORD length = GetEnvironmentVariableW(CE_MODULE_PATH_VARIABLE, path, capacity);
    if (length > 0 && length < capacity)
      return length;
    path[0] = 0;
  }
  return GetModuleFileNameW(module, path, capacity);
}
