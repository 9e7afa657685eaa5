// The visible check of a configuration before it is entered, and the values that belong
// to the whole profile or product.
#include "launcher/config/ConfigCheck.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/SettingReader.h"
#include "launcher/config/WatchSettings.h"
#include "resources/resource.h"

enum { CHECK_COUNT = 17, CHECK_BITMAP_HEIGHT = 70, CHECK_MENU_ITEM_HEIGHT = 50 };

static void ShowErrorBox(const wchar_t *text)
{
  ShowMessageBox(g_app.mainWindow, text, L"Ferrolt Error ", MB_OK);
}

static void ShowKeyNotFound(const wchar_t *name)
{
  wchar_t message[TEXT_CAPACITY];
  FormatStringById(message, TEXT_CAPACITY, TEXT_ID(IDS_KEY_NOT_FOUND),
                   reinterpret_cast<ULONG_PTR>(name));
  ShowErrorBox(message);
}

static HKEY OpenProfileKey()
{
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, g_profile.profileKeyPath, 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return nullptr;
  return key;
}

// Opens name\Settings below the profile key; the Default case is told by that relative path.
static HKEY OpenSettingsKey(HKEY profileKey, const wchar_t *configurationName, bool *defaultCase)
{
  wchar_t path[TEXT_CAPACITY];
  if (!CopyText(path, TEXT_CAPACITY, configurationName) ||
      !AppendText(path, TEXT_CAPACITY, L"\\Settings"))
    return nullptr;
  *defaultCase = wcscmp(path, DEFAULT_CONFIGURATION L"\\Settings") == 0;
  HKEY key;
  if (RegOpenKeyExW(profileKey, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

bool ReadCheckSettings(HKEY profileKey, const wchar_t *configurationName)
{
  bool defaultCase = false;
  HKEY key = OpenSettingsKey(profileKey, configurationName, &defaultCase);
  if (key == nullptr)
    return false;
  SettingTarget target = {&g_checkSettings, defaultCase, true};
  ReadSettingsFrom(key, target);
  RegCloseKey(key);
  return true;
}

// A Return value that is there but cannot be read as a label (another type, or a text
// longer than 259 characters) keeps "Back"; the administrator is told.
static bool ReturnUnreadable(HKEY profileKey, const wchar_t *configurationName)
{
  bool defaultCase = false;
  HKEY key = OpenSettingsKey(profileKey, configurationName, &defaultCase);
  if (key == nullptr)
    return false;
  wchar_t text[TEXT_CAPACITY];
  DWORD type = 0;
  DWORD size = sizeof(text);
  LONG result = RegQueryValueExW(key, L"Return", nullptr, &type, reinterpret_cast<BYTE *>(text), &size);
  RegCloseKey(key);
  if (result == ERROR_FILE_NOT_FOUND)
    return false;
  if (result != ERROR_SUCCESS || type != REG_SZ)
    return true;
  return size == sizeof(text) && text[TEXT_CAPACITY - 1] != 0;
}

bool CheckConfiguration(const wchar_t *configurationName)
{
  HKEY profileKey = OpenProfileKey();
  if (profileKey == nullptr)
    return false;

  HKEY configurationKey;
  if (RegOpenKeyExW(profileKey, configurationName, 0, KEY_READ, &configurationKey) !=
      ERROR_SUCCESS) {
    ShowKeyNotFound(configurationName);
    RegCloseKey(profileKey);
    return false;
  }
  RegCloseKey(configurationKey);

  if (!ReadCheckSettings(profileKey, DEFAULT_CONFIGURATION)) {
    ShowKeyNotFound(L"Default or Default/Settings");
    RegCloseKey(profileKey);
    return false;
  }
  // A configuration without Settings of its own is reported when it is loaded.
  if (wcscmp(configurationName, DEFAULT_CONFIGURATION) != 0)
    ReadCheckSettings(profileKey, configurationName);

  for (int check = 0; check < CHECK_COUNT; ++check)
    ValidateSetting(check, true, false, &g_checkSettings);
  if (wcscmp(configurationName, DEFAULT_CONFIGURATION) != 0 &&
      ReturnUnreadable(profileKey, configurationName)) {
    wchar_t message[TEXT_CAPACITY];
    LoadTextOrId(TEXT_ID(IDS_BAD_RETURN), message, TEXT_CAPACITY);
    ShowErrorBox(message);
  }
  CheckEntryStartOptions(profileKey, configurationName);
  RegCloseKey(profileKey);
  return true;
}

// Reads the two heights of one Settings key into the check record.
static void ReadHeights(HKEY profileKey, const wchar_t *configurationName)
{
  bool defaultCase = false;
  HKEY key = OpenSettingsKey(profileKey, configurationName, &defaultCase);
  if (key == nullptr)
    return;
  SettingTarget target = {&g_checkSettings, defaultCase, true};
  ReadSettingFrom(key, target, SET_BITMAP_HEIGHT, L"BitmapHeight", REG_DWORD);
  ReadSettingFrom(key, target, SET_MENU_ITEM_HEIGHT, L"MenuItemHeight", REG_DWORD);
  RegCloseKey(key);
}

static bool SettingsKeyExists(HKEY profileKey, const wchar_t *configurationName)
{
  bool defaultCase = false;
  HKEY key = OpenSettingsKey(profileKey, configurationName, &defaultCase);
  if (key == nullptr)
    return false;
  RegCloseKey(key);
  return true;
}

bool GetMinimumMenuHeight(DWORD *height)
{
  *height = 0;
  HKEY profileKey = OpenProfileKey();
  if (profileKey == nullptr)
    return false;

  for (DWORD index = 0;; ++index) {
    wchar_t name[TEXT_CAPACITY];
    DWORD length = TEXT_CAPACITY;
    if (RegEnumKeyExW(profileKey, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    DWORD bitmapHeight = CHECK_BITMAP_HEIGHT;
    DWORD menuItemHeight = CHECK_MENU_ITEM_HEIGHT;
    if (SettingsKeyExists(profileKey, DEFAULT_CONFIGURATION)) {
      ReadHeights(profileKey, DEFAULT_CONFIGURATION);
      if (wcscmp(name, DEFAULT_CONFIGURATION) != 0)
        ReadHeights(profileKey, name);
      bitmapHeight = g_checkSettings.bitmapHeight;
      menuItemHeight = static_cast<DWORD>(g_checkSettings.menuItemHeight);
    }
    // Huge values stay huge instead of wrapping round to a small height.
    ULONGLONG needed = static_cast<ULONGLONG>(bitmapHeight) + 2ULL * menuItemHeight;
    DWORD bounded = needed > 0xFFFFFFFFULL ? 0xFFFFFFFFUL : static_cast<DWORD>(needed);
    if (bounded > *height)
      *height = bounded;
  }
  RegCloseKey(profileKey);
  return true;
}

static bool QueryNumber(HKEY key, const wchar_t *name, DWORD *value)
{
  DWORD type = 0;
  DWORD size = sizeof(DWORD);
  DWORD number = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&number), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(DWORD))
    return false;
  *value = number;
  return true;
}

bool ReadForceScreenRect(DWORD *left, DWORD *top, DWORD *right, DWORD *bottom)
{
  *left = *top = *right = *bottom = 0;
  HKEY profileKey = OpenProfileKey();
  if (profileKey == nullptr)
    return false;
  bool all = QueryNumber(profileKey, L"ForceScreenLeft", left) &&
             QueryNumber(profileKey, L"ForceScreenTop", top) &&
             QueryNumber(profileKey, L"ForceScreenRight", right) &&
             QueryNumber(profileKey, L"ForceScreenBottom", bottom);
  RegCloseKey(profileKey);
  return all;
}

// A keyboard option of the product key: 0, 1 or 2; anything else is reported and read as 0.
static int ReadKeyboardOption(const wchar_t *valueName, const wchar_t *message)
{
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKeyPath(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return 0;
  DWORD value = 0;
  bool found = QueryNumber(key, valueName, &value);
  RegCloseKey(key);
  if (!found)
    return 0;
  if (value <= 2)
    return static_cast<int>(value);
  ShowErrorBox(message);
  return 0;
}

int ReadExitOnEsc()
{
  return ReadKeyboardOption(L"ExitOnESC", L"ExitOnESC must be 1, 2 or 0");
}

int ReadBackOnZero()
{
  return ReadKeyboardOption(L"BackOnZero", L"BackOnZero must be 1,2 or 0");
}
