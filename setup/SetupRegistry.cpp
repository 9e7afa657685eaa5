// Registry operations of the hooks.
#include "setup/Ostrel.h"

bool KeyExists(HKEY root, const wchar_t *path)
{
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool SetupKeyExists(const wchar_t *path)
{
  return KeyExists(HKEY_CURRENT_USER, path);
}

// Deletes a key with all its sub-keys (the device's key deletion takes them along).
void DeleteKeyTree(HKEY root, const wchar_t *path)
{
  RegDeleteKeyW(root, path);
}
