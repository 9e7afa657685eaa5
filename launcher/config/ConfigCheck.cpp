// The visible check of a configuration, and the profile-wide values.
#include "launcher/config/ConfigCheck.h"

bool ReadForceScreenRect(DWORD *left, DWORD *top, DWORD *right, DWORD *bottom)
{
  *left = *top = *right = *bottom = 0;
  return false;
}

int ReadExitOnEsc()
{
  return 0;
}

int ReadBackOnZero()
{
  return 0;
}

bool CheckConfiguration(const wchar_t *configurationName)
{
  return true;
}

bool GetMinimumMenuHeight(DWORD *height)
{
  *height = 0;
  return false;
}
