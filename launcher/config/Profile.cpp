// Which product key, profile and configuration the launcher reads.
#include "launcher/config/Profile.h"

#include <wchar.h>
#include <wctype.h>

#include "launcher/config/KeyValueSnapshot.h"
#include "resources/resource.h"

ProfileState g_profile;

const wchar_t *ProductKeyPath()
{
  return g_profile.keyLayout == 1 ? PRODUCT_KEY_FIRST : PRODUCT_KEY_SECOND;
}

const wchar_t *ProfilesPrefix()
{
  return g_profile.keyLayout == 1 ? PROFILES_PREFIX_FIRST : PROFILES_PREFIX_SECOND;
}

bool KeyExists(const wchar_t *keyPath)
{
  HKEY key = OpenProfileKeyPath(keyPath);
  if (key == nullptr)
    return false;
  RegCloseKey(key);
  return true;
}

static void EmptyDestination(void *destination, DWORD capacityBytes, DWORD kind)
{
  if (destination == nullptr || capacityBytes == 0)
    return;
  if (kind == REG_DWORD && capacityBytes >= sizeof(DWORD))
    *static_cast<DWORD *>(destination) = 0;
  else if (capacityBytes >= sizeof(wchar_t))
    *static_cast<wchar_t *>(destination) = 0;
}

void ReadProfileValueFrom(HKEY key, const wchar_t *keyPath, const wchar_t *valueName,
                          void *destination, DWORD capacityBytes, DWORD kind)
{
  if (key == nullptr) {
    ShowErrorMessage(TEXT_ID(IDS_CANNOT_OPEN_SUB_KEY), keyPath);
    EmptyDestination(destination, capacityBytes, kind);
    return;
  }
  DWORD size = capacityBytes;
  DWORD type = 0;
  LONG result = QueryKeyValue(key, valueName, &type, static_cast<BYTE *>(destination), &size);
  // Bytes of another type are no text and no number: a label never shows raw data.
  bool typeFits = kind == REG_SZ ? type == REG_SZ || type == REG_EXPAND_SZ : type == kind;
  if (result != ERROR_SUCCESS || !typeFits) {
    EmptyDestination(destination, capacityBytes, kind);
    return;
  }
  if (kind == REG_SZ) {
    // A stored text need not carry its terminator: end it inside the buffer. One that
    // fills the buffer without a terminator is one character too long and reads as empty.
    wchar_t *text = static_cast<wchar_t *>(destination);
    DWORD characters = capacityBytes / sizeof(wchar_t);
    DWORD used = size / sizeof(wchar_t);
    if (characters == 0)
      return;
    if (used >= characters && text[characters - 1] != 0)
      text[0] = 0;
    else
      text[used < characters ? used : characters - 1] = 0;
  } else if (kind == REG_DWORD && size < sizeof(DWORD) && capacityBytes >= sizeof(DWORD)) {
    // A shorter value leaves the rest of the number at zero.
    BYTE *bytes = static_cast<BYTE *>(destination);
    for (DWORD i = size; i < sizeof(DWORD); ++i)
      bytes[i] = 0;
  }
}

HKEY OpenProfileKeyPath(const wchar_t *keyPath)
{
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

void ReadProfileValue(const wchar_t *keyPath, const wchar_t *valueName, void *destination,
                      DWORD capacityBytes, DWORD kind)
{
  HKEY key = OpenProfileKeyPath(keyPath);
  ReadProfileValueFrom(key, keyPath, valueName, destination, capacityBytes, kind);
  if (key != nullptr)
    RegCloseKey(key);
}

static bool StartsWithLetter(const wchar_t *text)
{
  return text != nullptr && text[0] != 0 && iswctype(text[0], _ALPHA);
}

bool ReadActiveProfile()
{
  g_profile.profileName[0] = 0;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKeyPath(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  wchar_t name[TEXT_CAPACITY];
  DWORD size = sizeof(name);
  DWORD type = 0;
  LONG result = RegQueryValueExW(key, L"ActiveProfile", nullptr, &type,
                                 reinterpret_cast<BYTE *>(name), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS)
    return false;
  DWORD used = size / sizeof(wchar_t);
  // A value of 260 characters without terminator fills the buffer: it does not fit.
  if (used >= TEXT_CAPACITY && name[TEXT_CAPACITY - 1] != 0)
    return false;
  name[used < TEXT_CAPACITY ? used : TEXT_CAPACITY - 1] = 0;
  CopyText(g_profile.profileName, TEXT_CAPACITY, name);
  return StartsWithLetter(g_profile.profileName);
}

// Joins head, separator and tail into out when the whole fits 259 characters.
static bool JoinPath(wchar_t *out, const wchar_t *head, const wchar_t *separator,
                     const wchar_t *tail)
{
  if (wcslen(head) + wcslen(separator) + wcslen(tail) > TEXT_CAPACITY - 1)
    return false;
  CopyText(out, TEXT_CAPACITY, head);
  AppendText(out, TEXT_CAPACITY, separator);
  AppendText(out, TEXT_CAPACITY, tail);
  return true;
}

static void ShowProfileError(const wchar_t *text)
{
  ShowMessageBox(nullptr, text, L"Ferrolt Error", MB_ICONERROR);
}

void ChooseProductKey()
{
  if (KeyExists(PRODUCT_KEY_FIRST))
    g_profile.keyLayout = 1;
}

bool SelectProfile(const wchar_t *commandLine)
{
  g_profile.profileName[0] = 0;
  ChooseProductKey();

  bool named = false;
  wchar_t baseName[TEXT_CAPACITY];
  if (commandLine != nullptr && GetBaseName(commandLine, baseName, TEXT_CAPACITY) &&
      StartsWithLetter(commandLine)) {
    // The whole command line is the name; a name that does not fit names no profile.
    named = true;
    if (wcslen(commandLine) > TEXT_CAPACITY - 1)
      g_profile.profileName[0] = 0;
    else
      CopyText(g_profile.profileName, TEXT_CAPACITY, commandLine);
    if (g_profile.profileName[0] == 0) {
      ShowProfileError(L"Unable to find Profile");
      return false;
    }
  } else {
    named = ReadActiveProfile();
  }

  g_profile.profileKeyPath[0] = 0;
  g_profile.configurationKeyPath[0] = 0;

  if (named) {
    if (!JoinPath(g_profile.profileKeyPath, ProfilesPrefix(), L"", g_profile.profileName))
      g_profile.profileKeyPath[0] = 0;
    if (g_profile.profileKeyPath[0] == 0 || !KeyExists(g_profile.profileKeyPath)) {
      ShowProfileError(L"Unable to find Profile");
      return false;
    }
  } else {
    CopyText(g_profile.profileKeyPath, TEXT_CAPACITY, LAUNCHER_PROFILE_KEY);
    if (!KeyExists(g_profile.profileKeyPath)) {
      JoinPath(g_profile.profileKeyPath, ProfilesPrefix(), L"", DEFAULT_PROFILE_NAME);
      if (!KeyExists(g_profile.profileKeyPath)) {
        ShowProfileError(L"no default configuration to load");
        return false;
      }
    }
  }

  CopyText(g_profile.configurationName, TEXT_CAPACITY, DEFAULT_CONFIGURATION);
  return JoinPath(g_profile.configurationKeyPath, g_profile.profileKeyPath, L"\\",
                  DEFAULT_CONFIGURATION);
}

// The configuration a name stands for: its last path component without extension, or
// "Default" when that does not begin with a letter.
static void ConfigurationBaseName(const wchar_t *name, wchar_t *baseName)
{
  baseName[0] = 0;
  if (!GetBaseName(name, baseName, TEXT_CAPACITY) || !StartsWithLetter(baseName))
    CopyText(baseName, TEXT_CAPACITY, DEFAULT_CONFIGURATION);
}

bool ConfigurationNameFits(const wchar_t *name)
{
  if (name == nullptr || wcslen(name) > TEXT_CAPACITY - 1)
    return false;
  wchar_t baseName[TEXT_CAPACITY];
  ConfigurationBaseName(name, baseName);
  // The deepest key read below a configuration is its sixteenth program key.
  return wcslen(g_profile.profileKeyPath) + 1 + wcslen(baseName) +
             wcslen(L"\\Programs\\Prog16") <=
         TEXT_CAPACITY - 1;
}

bool SetCurrentConfiguration(const wchar_t *name)
{
  wchar_t baseName[TEXT_CAPACITY];
  ConfigurationBaseName(name, baseName);
  CopyText(g_profile.configurationName, TEXT_CAPACITY, baseName);
  return JoinPath(g_profile.configurationKeyPath, g_profile.profileKeyPath, L"\\",
                  g_profile.configurationName);
}
