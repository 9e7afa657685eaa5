// GetProcAddressW for a desktop, whose GetProcAddress takes an 8-bit name. Entry point
// names are plain ASCII; a name with anything else, or too long, is not found. And the
// module that stands in for the core library, whose optional functions the program has.
// The IP helper's address table comes from the stand-in while a test names the network.
#include "cecompat/CePlatform.h"

#include <string.h>

FARPROC StandInAddressTable(bool *standIn);

#undef GetProcAddressW

HMODULE CoreLibraryModule()
{
  return GetModuleHandleW(nullptr);
}

// The core library's optional functions (all of them the battery component's) this
// program stands in for, found by name in CoreLibraryModule(), unless
// CE_BATTERY_DRIVER_VARIABLE says the component is missing.
static const struct {
  const char *name;
  FARPROC function;
} CORE_STAND_INS[] = {
    {"GetSystemPowerStatusEx", reinterpret_cast<FARPROC>(&GetSystemPowerStatusEx)},
    {"GetSystemPowerStatusEx2", reinterpret_cast<FARPROC>(&GetSystemPowerStatusEx2)},
};

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
  FARPROC found = GetProcAddress(module, narrow);
  wchar_t driver[4] = {0};
  bool noBattery = GetEnvironmentVariableW(CE_BATTERY_DRIVER_VARIABLE, driver, 4) == 1 &&
                   driver[0] == L'0';
  if (found == nullptr && !noBattery && module == GetModuleHandleW(nullptr)) {
    for (size_t k = 0; k < sizeof(CORE_STAND_INS) / sizeof(CORE_STAND_INS[0]); ++k) {
      if (lstrcmpA(narrow, CORE_STAND_INS[k].name) == 0)
        return CORE_STAND_INS[k].function;
    }
  }
  return found;
}
