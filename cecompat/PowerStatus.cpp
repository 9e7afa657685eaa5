#include "cecompat/CePlatform.h"

#include <stdlib.h>

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

  wchar_t flag[16];
  DWORD length = GetEnvironmentVariableW(CE_BATTERY_FLAG_VARIABLE, flag, 16);
  if (length > 0 && length < 16)
    status->BatteryFlag = static_cast<BYTE>(_wtoi(flag));
  return TRUE;
}
