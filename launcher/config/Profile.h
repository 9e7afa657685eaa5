#pragma once
// Where the configuration lives: product key layout, profile and current configuration.
#include <windows.h>

#include "Common/StdFuncs.h"

#define PRODUCT_KEY_FIRST L"Software\\OrvantLLC\\Ferrolt"
#define PRODUCT_KEY_SECOND L"Software\\Kelvane\\Ferrolt"
#define PROFILES_PREFIX_FIRST L"Software\\OrvantLLC\\Ferrolt\\Profiles\\"
#define PROFILES_PREFIX_SECOND L"Software\\Kelvane\\Ferrolt\\Profiles\\"
#define LAUNCHER_PROFILE_KEY L"Software\\Orvant\\Launcher"
#define SETTINGS_KEY L"Software\\Orvant\\Settings"
#define DEFAULT_PROFILE_NAME L"DefaultProf"
#define DEFAULT_CONFIGURATION L"Default"

struct ProfileState {
  int keyLayout;  // 1: first product key, 0: second
  wchar_t profileName[TEXT_CAPACITY];
  wchar_t profileKeyPath[TEXT_CAPACITY];
  wchar_t configurationName[TEXT_CAPACITY];
  wchar_t configurationKeyPath[TEXT_CAPACITY];
};
extern ProfileState g_profile;

const wchar_t *ProductKeyPath();
const wchar_t *ProfilesPrefix();

// The first product key when it exists; otherwise the layout stays as it was (the second).
void ChooseProductKey();
bool SelectProfile(const wchar_t *commandLine);
bool ReadActiveProfile();
bool SetCurrentConfiguration(const wchar_t *name);
// True when the configuration that SetCurrentConfiguration would make of the name can be
// read: its key path and the longest path below it fit a text buffer.
bool ConfigurationNameFits(const wchar_t *name);
bool KeyExists(const wchar_t *keyPath);
// Reads one value under HKEY_CURRENT_USER\keyPath; kind is REG_SZ or REG_DWORD. A value
// that is missing or does not fit reads as empty (or 0). The text is always terminated.
void ReadProfileValue(const wchar_t *keyPath, const wchar_t *valueName, void *destination,
                      DWORD capacityBytes, DWORD kind);
// The same from a key opened once for all its values (OpenProfileKeyPath); a null key
// is reported with keyPath for every value, as ReadProfileValue does.
HKEY OpenProfileKeyPath(const wchar_t *keyPath);
void ReadProfileValueFrom(HKEY key, const wchar_t *keyPath, const wchar_t *valueName,
                          void *destination, DWORD capacityBytes, DWORD kind);
