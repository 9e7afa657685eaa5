// File-type associations under HKEY_CLASSES_ROOT: extension -> class -> open command.
#include "launcher/launch/LaunchSteps.h"

#include "resources/resource.h"

// The key's unnamed REG_SZ value; a value that does not fit the buffer counts as missing.
static bool ReadDefaultText(HKEY key, wchar_t *text)
{
  DWORD type = 0;
  DWORD size = TEXT_CAPACITY * sizeof(wchar_t);
  DWORD used = 0;
  if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE *>(text), &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ) {
    used = size / sizeof(wchar_t);
    // A stored text without terminator that fills the buffer is one character too long.
    if (used < TEXT_CAPACITY || text[TEXT_CAPACITY - 1] == 0) {
      text[used < TEXT_CAPACITY ? used : TEXT_CAPACITY - 1] = 0;
      return true;
    }
  }
  text[0] = 0;
  return false;
}

bool FindCommandTemplate(const wchar_t *extension, wchar_t *command)
{
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, extension, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    ReportLaunchFailure(TEXT_ID(IDS_EXTENSION_NOT_REGISTERED), extension);
    return false;
  }
  wchar_t keyPath[TEXT_CAPACITY];
  bool found = ReadDefaultText(key, keyPath);
  RegCloseKey(key);
  if (!found) {
    ReportLaunchFailure(TEXT_ID(IDS_ASSOCIATION_NOT_FOUND), extension);
    return false;
  }

  // A class name too long for the key path must not open some other, shorter key.
  bool fits = AppendText(keyPath, TEXT_CAPACITY, L"\\Shell\\Open\\Command");
  found = false;
  if (fits && RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    found = ReadDefaultText(key, command);
    RegCloseKey(key);
  }
  if (!found) {
    ReportLaunchFailure(TEXT_ID(IDS_ASSOCIATION_NOT_FOUND), keyPath);
    return false;
  }
  return true;
}
