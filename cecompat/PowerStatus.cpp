#include "cecompat/CePlatform.h"

#include <stdlib.h>

// A decimal byte from the environment; false when the variable is not set.
static bool ReadByteVariable(const wchar_t *name, BYTE *value)
{
  wchar_t text[16];
  DWORD length = GetEnvironmentVariableW(name, text, 16);
  if (length == 0 || length >= 16)
    return false;
  *value = static_cast<BYTE>(_wtoi(text));
  return true;
}

BOOL WINAPI GetSystemPowerStatusEx(PSYSTEM_POWER_STATUS_EX status, BOOL update)
{
  if (status == nullptr)
    return FALSE;
  ZeroMemory(status, sizeof(*status));

  SYSTEM_POWER_STATUS desktop;
  if (!GetSystemPowerStatus(&desktop))
    return FALSE;
  status->ACLineStatus = desktop.ACLineStatus;
  status->BatteryFlag = desktop.BatteryFlag;
  status->BatteryLifePercent = desktop.BatteryLifePercent;
  status->BatteryLifeTime = desktop.BatteryLifeTime;
  status->BatteryFullLifeTime = desktop.BatteryFullLifeTime;
  status->BackupBatteryFlag = 255;
  status->BackupBatteryLifePercent = 255;
  status->BackupBatteryLifeTime = 0xFFFFFFFF;
  status->BackupBatteryFullLifeTime = 0xFFFFFFFF;

  ReadByteVariable(CE_BATTERY_FLAG_VARIABLE, &status->BatteryFlag);
  ReadByteVariable(CE_BATTERY_PERCENT_VARIABLE, &status->BatteryLifePercent);
  ReadByteVariable(CE_AC_LINE_VARIABLE, &status->ACLineStatus);
  return TRUE;
}

DWORD WINAPI GetSystemPowerStatusEx2(PSYSTEM_POWER_STATUS_EX2 status, DWORD length, BOOL update)
{
  if (status == nullptr || length == 0)
    return 0;
  SYSTEM_POWER_STATUS_EX first;
  if (!GetSystemPowerStatusEx(&first, update))
    return 0;
  SYSTEM_POWER_STATUS_EX2 whole;
  ZeroMemory(&whole, sizeof(whole));
  CopyMemory(&whole, &first, sizeof(first));
  whole.BatteryChemistry = 0xFF;  // unknown
  if (length > sizeof(whole))
    length = sizeof(whole);
  CopyMemory(status, &whole, length);
  return length;
}
