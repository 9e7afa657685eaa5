// Reading and checking LogSize.
#include "launcher/config/LogSettings.h"

#include "Common/StdInit.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/config/Profile.h"
#include "resources/resource.h"

bool IsAllowedLogSize(DWORD kilobytes)
{
  return kilobytes <= LOG_SIZE_MAX_KB;
}

DWORD ReadLogSize(bool *faulty)
{
  *faulty = false;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKeyPath(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return LOG_SIZE_DEFAULT_KB;
  DWORD value = 0;
  int found = ClassifyDword(key, L"LogSize", IsAllowedLogSize, &value);
  RegCloseKey(key);
  if (found == DWORD_GOOD)
    return value;
  *faulty = found == DWORD_BAD;
  return LOG_SIZE_DEFAULT_KB;
}

void ReportFaultyLogSize()
{
  ShowSettingError(TEXT_ID(IDS_BAD_LOG_SIZE), LOG_SIZE_MAX_KB, 0);
}
