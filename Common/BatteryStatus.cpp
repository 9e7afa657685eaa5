// The battery component's status calls, looked up in the core library at each reading: a
// device built without that component lacks them, and would refuse to load a program that
// imported them. Where they are missing there is no battery to show.
#include "Common/StdFuncs.h"

static FARPROC CoreFunction(const wchar_t *name)
{
  HMODULE core = CoreLibraryModule();
  return core != nullptr ? GetProcAddressW(core, name) : nullptr;
}

bool ReadPowerStatusEx(SYSTEM_POWER_STATUS_EX *status)
{
  ZeroMemory(status, sizeof(*status));
  PowerStatusExFunction read =
      reinterpret_cast<PowerStatusExFunction>(CoreFunction(L"GetSystemPowerStatusEx"));
  return read != nullptr && read(status, TRUE) != FALSE;
}

bool ReadPowerStatusEx2(SYSTEM_POWER_STATUS_EX2 *status)
{
  ZeroMemory(status, sizeof(*status));
  PowerStatusEx2Function read =
      reinterpret_cast<PowerStatusEx2Function>(CoreFunction(L"GetSystemPowerStatusEx2"));
  return read != nullptr && read(status, sizeof(*status), TRUE) != 0;
}
