// Reading and checking AutoStartDelay, and the AutoStart, KeepRunning and Password of
// the entries.
#include "launcher/config/WatchSettings.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/config/StartRules.h"
#include "resources/resource.h"

bool IsAllowedAutoStartDelay(DWORD milliseconds)
{
  return milliseconds <= AUTO_START_DELAY_MAX;
}

DWORD ReadAutoStartDelay()
{
  return ReadProfileDword(L"AutoStartDelay", IsAllowedAutoStartDelay, AUTO_START_DELAY_DEFAULT,
                          TEXT_ID(IDS_BAD_AUTO_START_DELAY), AUTO_START_DELAY_MAX, 0);
}

static bool IsFlag(DWORD value)
{
  return value <= 1;
}

// True when the value is missing or a REG_DWORD 0 or 1.
static bool IsFlagOrMissing(HKEY entryKey, const wchar_t *valueName)
{
  DWORD value = 0;
  return ClassifyDword(entryKey, valueName, IsFlag, &value) != DWORD_BAD;
}

LONG ReadStartOption(HKEY entryKey, const wchar_t *keyPath, const wchar_t *valueName)
{
  DWORD value = 0;
  if (entryKey == nullptr) {
    // Reported as every other value of a key that cannot be opened.
    ReadProfileValueFrom(nullptr, keyPath, valueName, &value, sizeof(value), REG_DWORD);
    return 0;
  }
  return ClassifyDword(entryKey, valueName, IsFlag, &value) == DWORD_GOOD
             ? static_cast<LONG>(value)
             : 0;
}

void CheckEntryStartOptions(HKEY profileKey, const wchar_t *configurationName)
{
  wchar_t path[TEXT_CAPACITY];
  HKEY programs;
  if (!CopyText(path, TEXT_CAPACITY, configurationName) ||
      !AppendText(path, TEXT_CAPACITY, L"\\Programs") ||
      RegOpenKeyExW(profileKey, path, 0, KEY_READ, &programs) != ERROR_SUCCESS)
    return;
  // Each key is opened by its name: a pass over the sub-keys first would only add to the
  // opens that reading the flags needs anyway.
  int position = 0;
  for (int n = 1; n <= MAX_PROGRAM_ENTRIES; ++n) {
    wchar_t keyName[KEY_NAME_CAPACITY];
    ProgramKeyName(n, keyName);
    HKEY entry;
    if (RegOpenKeyExW(programs, keyName, 0, KEY_READ, &entry) != ERROR_SUCCESS)
      continue;
    ++position;
    bool autoStart = IsFlagOrMissing(entry, L"AutoStart");
    bool keepRunning = IsFlagOrMissing(entry, L"KeepRunning");
    PasswordHash hash;
    bool passwordValid = ReadPasswordValue(entry, L"Password", &hash) != PASSWORD_INVALID;
    SecureZeroMemory(&hash, sizeof(hash));
    CheckStartRules(entry, position);
    RegCloseKey(entry);
    if (!autoStart)
      ShowSettingError(TEXT_ID(IDS_BAD_AUTO_START), static_cast<ULONG_PTR>(position), 0);
    if (!keepRunning)
      ShowSettingError(TEXT_ID(IDS_BAD_KEEP_RUNNING), static_cast<ULONG_PTR>(position), 0);
    if (!passwordValid)
      ShowSettingError(TEXT_ID(IDS_BAD_ENTRY_PASSWORD), static_cast<ULONG_PTR>(position), 0);
  }
  RegCloseKey(programs);
}
