// Reading and checking the stored passwords and IdleHomeSeconds.
#include "launcher/config/KioskSettings.h"

#include "Common/StdInit.h"
#include "launcher/config/KeyValueSnapshot.h"
#include "launcher/config/Profile.h"
#include "resources/resource.h"

void ShowSettingError(TextOrId format, ULONG_PTR first, ULONG_PTR second)
{
  wchar_t message[TEXT_CAPACITY];
  FormatStringById(message, TEXT_CAPACITY, format, first, second);
  ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Error ", MB_OK);
}

int ClassifyExitPassword(DWORD type, const wchar_t *text, DWORD bytes, PasswordHash *hash)
{
  if (type != REG_SZ || text == nullptr || bytes < sizeof(wchar_t) ||
      bytes > PASSWORD_HASH_TEXT_CAPACITY * sizeof(wchar_t))
    return EXIT_PASSWORD_INVALID;
  // The text must end where the value ends: no terminator inside, none missing.
  DWORD length = bytes / sizeof(wchar_t);
  if (text[length - 1] != L'\0' || wcslen(text) != length - 1)
    return EXIT_PASSWORD_INVALID;
  return ParsePasswordHash(text, hash) ? EXIT_PASSWORD_SET : EXIT_PASSWORD_INVALID;
}

int ReadPasswordValue(HKEY key, const wchar_t *name, PasswordHash *hash)
{
  ZeroMemory(hash, sizeof(*hash));
  // One character more than any hash, so that a longer value is seen as too long.
  wchar_t text[PASSWORD_HASH_TEXT_CAPACITY + 1] = {0};
  DWORD type = 0;
  DWORD bytes = sizeof(text) - sizeof(wchar_t);
  LONG result = QueryKeyValue(key, name, &type, reinterpret_cast<BYTE *>(text), &bytes);
  if (result == ERROR_FILE_NOT_FOUND)
    return PASSWORD_NONE;
  int state = result == ERROR_SUCCESS ? ClassifyExitPassword(type, text, bytes, hash)
                                      : PASSWORD_INVALID;
  SecureZeroMemory(text, sizeof(text));
  return state;
}

int ReadExitPassword(PasswordHash *hash)
{
  ZeroMemory(hash, sizeof(*hash));
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKeyPath(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return EXIT_PASSWORD_NONE;
  int state = ReadPasswordValue(key, L"ExitPassword", hash);
  RegCloseKey(key);
  if (state == EXIT_PASSWORD_INVALID)
    ShowSettingError(TEXT_ID(IDS_BAD_EXIT_PASSWORD), 0, 0);
  return state;
}

bool IsAllowedIdleHomeSeconds(DWORD seconds)
{
  return seconds == 0 || (seconds >= IDLE_HOME_MIN_SECONDS && seconds <= IDLE_HOME_MAX_SECONDS);
}

int ClassifyDword(HKEY key, const wchar_t *name, bool (*allowed)(DWORD), DWORD *value)
{
  DWORD type = 0;
  DWORD size = sizeof(*value);
  *value = 0;
  LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE *>(value), &size);
  if (result == ERROR_FILE_NOT_FOUND)
    return DWORD_MISSING;
  if (result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(*value) && allowed(*value))
    return DWORD_GOOD;
  return DWORD_BAD;
}

DWORD ReadProfileDword(const wchar_t *name, bool (*allowed)(DWORD), DWORD fallback,
                       TextOrId message, ULONG_PTR first, ULONG_PTR second)
{
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, g_profile.profileKeyPath, 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return fallback;
  DWORD value = 0;
  int found = ClassifyDword(key, name, allowed, &value);
  RegCloseKey(key);
  if (found == DWORD_GOOD)
    return value;
  if (found == DWORD_BAD)
    ShowSettingError(message, first, second);
  return fallback;
}

DWORD ReadIdleHomeSeconds()
{
  return ReadProfileDword(L"IdleHomeSeconds", IsAllowedIdleHomeSeconds, 0,
                          TEXT_ID(IDS_BAD_IDLE_HOME_SECONDS), IDLE_HOME_MIN_SECONDS,
                          IDLE_HOME_MAX_SECONDS);
}

static bool IsStatusStripPlacement(DWORD placement)
{
  return placement <= STATUS_STRIP_BOTTOM;
}

DWORD ReadStatusStripSetting()
{
  return ReadProfileDword(L"StatusStrip", IsStatusStripPlacement, STATUS_STRIP_OFF,
                          TEXT_ID(IDS_BAD_STATUS_STRIP), 0, 0);
}
