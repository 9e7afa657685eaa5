// Which of the two device families the package is installed on, and its files.
#include "setup/Ostrel.h"

#include "cecompat/CePlatform.h"

SetupState g_setup = {true};

static const VariantFiles PLAIN_CE_FILES = {
    L"\\Application\\Ferrolt\\CE_Ferrolt.reg",
    L"\\Application\\CE_Ferrolt.reg",
    L"\\Application\\Ferrolt\\FerroltCE.cpy",
    L"\\Application\\FerroltCE.cpy",
    L"\\Windows\\Programs\\Ferrolt.lnk",
};

static const VariantFiles WINDOWS_MOBILE_FILES = {
    L"\\Application\\Ferrolt\\WM_Ferrolt.reg",
    L"\\Application\\WM_Ferrolt.reg",
    L"\\Application\\Ferrolt\\FerroltWM.cpy",
    L"\\Application\\FerroltWM.cpy",
    L"\\Windows\\Start Menu\\Programs\\Ferrolt.lnk",
};

// Windows Mobile devices report a platform type starting with "PocketPC"; anything else,
// or no answer at all, is a plain Windows CE device.
bool IsPlainCePlatform()
{
  wchar_t type[PLATFORM_TYPE_CHARACTERS] = {0};
  // The size is a count of characters, not bytes.
  if (!SystemParametersInfoW(SPI_GETPLATFORMTYPE, PLATFORM_TYPE_CHARACTERS, type, 0))
    return true;
  type[PLATFORM_TYPE_CHARACTERS - 1] = 0;
  return !StartsWithNoCase(type, L"PocketPC");
}

const VariantFiles &CurrentVariant()
{
  return g_setup.plainCePlatform ? PLAIN_CE_FILES : WINDOWS_MOBILE_FILES;
}
