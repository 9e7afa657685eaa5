// GetProcAddressW for a desktop, whose GetProcAddress takes an 8-bit name. Entry point
// names are plain ASCII; a name with anything else, or too long, is not found. The IP
// helper's address table comes from the stand-in while a test names the network.
#include "cecompat/CePlatform.h"

#include <string.h>

FARPROC StandInAddressTable(bool *standIn);

#undef GetProcAddressW

FARPROC CeGetProcAddressW(HMODULE module, LPCWSTR name)
{
  enum { NAME_CAPACITY = 256 };
  char narrow[NAME_CAPACITY];
  if (name == nullptr)
    return nullptr;
  int i = 0;
  for (; name[i] != 0; i++) {
    if (i == NAME_CAPACITY - 1 || name[i] > 0x7F) {
      SetLastError(ERROR_PROC_NOT_FOUND);
      return nullptr;
    }
    narrow[i] = static_cast<char>(name[i]);
  }
  narrow[i] = 0;
  if (strcmp(narrow, "GetIpAddrTable") == 0) {
    bool standIn = false;
    FARPROC call = StandInAddressTable(&standIn);
    if (standIn)
      return call;
  }
  return GetProcAddress(module, narrow);
}
