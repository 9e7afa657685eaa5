#include "cecompat/CePlatform.h"

#undef SystemParametersInfoW

BOOL CeSystemParametersInfoW(UINT action, UINT param, PVOID data, UINT winIni)
{
  if (action != SPI_GETPLATFORMTYPE)
    return SystemParametersInfoW(action, param, data, winIni);

  wchar_t type[260];
  DWORD length = GetEnvironmentVariableW(CE_PLATFORM_TYPE_VARIABLE, type, 260);
  if (length == 0 || length >= 260 || data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // As on the device, the size is a count of characters.
  UINT capacity = param;
  if (capacity <= length) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  wchar_t *out = static_cast<wchar_t *>(data);
  for (DWORD i = 0; i <= length; ++i)
    out[i] = type[i];
  return TRUE;
}
