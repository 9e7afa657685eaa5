// Writes the values of a registry script into the section keys it names.
#include "launcher/regscript/RegistryScript.h"

#include <string.h>
#include <wchar.h>

namespace {
struct RootKeyName {
  const wchar_t *text;
  HKEY key;
};
const RootKeyName kRootKeys[] = {
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKEY_USERS", HKEY_USERS},
};
}  // namespace

HKEY SplitRootKey(const wchar_t *section, const wchar_t **subkey)
{
  if (subkey != nullptr)
    *subkey = nullptr;
  if (section == nullptr)
    return nullptr;
  const wchar_t *slash = wcschr(section, L'\\');
  if (slash == nullptr)
    return nullptr;
  size_t rootLength = static_cast<size_t>(slash - section);
  for (size_t i = 0; i < sizeof(kRootKeys) / sizeof(kRootKeys[0]); i++) {
    const RootKeyName &root = kRootKeys[i];
    if (wcslen(root.text) == rootLength && wcsncmp(root.text, section, rootLength) == 0) {
      if (subkey != nullptr)
        *subkey = slash + 1;
      return root.key;
    }
  }
  return nullptr;
}

HKEY OpenSectionKey(const wchar_t *section, REGSAM access)
{
  const wchar_t *subkey = nullptr;
  HKEY root = SplitRootKey(section, &subkey);
  if (root == nullptr)
    return nullptr;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey, 0, access, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

bool EnsureSectionKey(const wchar_t *section)
{
  HKEY key = OpenSectionKey(section, KEY_READ);
  if (key != nullptr) {
    RegCloseKey(key);
    return true;
  }
  const wchar_t *subkey = nullptr;
  HKEY root = SplitRootKey(section, &subkey);
  if (root == nullptr)
    return false;
  if (RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    ShowScriptError(L"Create Reg Key");
    return false;
  }
  RegCloseKey(key);
  return true;
}

// Whether the named value already holds exactly these bytes with this type. Values
// larger than the comparison buffer never match and are simply written again.
static bool StoredValueEquals(const wchar_t *section, const wchar_t *name, DWORD type,
                              const void *data, DWORD size)
{
  HKEY key = OpenSectionKey(section, KEY_READ);
  if (key == nullptr)
    return false;
  wchar_t stored[TEXT_CAPACITY];
  DWORD storedType = REG_NONE;
  DWORD storedSize = sizeof(stored);
  LONG result = RegQueryValueExW(key, name, nullptr, &storedType, reinterpret_cast<BYTE *>(stored),
                                 &storedSize);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && storedType == type && storedSize == size &&
         memcmp(stored, data, size) == 0;
}

static bool SetSectionValue(const wchar_t *section, const wchar_t *name, DWORD type,
                            const void *data, DWORD size)
{
  HKEY key = OpenSectionKey(section, KEY_SET_VALUE);
  if (key == nullptr)
    return false;
  LONG result = RegSetValueExW(key, name, 0, type, static_cast<const BYTE *>(data), size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool WriteStringValue(const wchar_t *section, const wchar_t *name, const wchar_t *text)
{
  if (name == nullptr || text == nullptr || !EnsureSectionKey(section))
    return false;
  DWORD size = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
  if (StoredValueEquals(section, name, REG_SZ, text, size))
    return true;
  return SetSectionValue(section, name, REG_SZ, text, size);
}

bool WriteDwordValue(const wchar_t *section, const wchar_t *name, DWORD number)
{
  if (name == nullptr || !EnsureSectionKey(section))
    return false;
  if (StoredValueEquals(section, name, REG_DWORD, &number, sizeof(number)))
    return true;
  return SetSectionValue(section, name, REG_DWORD, &number, sizeof(number));
}

// Binary values are always written.
bool WriteBinaryValue(const wchar_t *section, const wchar_t *name, const BYTE *bytes,
                      DWORD count)
{
  if (name == nullptr || bytes == nullptr || !EnsureSectionKey(section))
    return false;
  return SetSectionValue(section, name, REG_BINARY, bytes, count);
}
