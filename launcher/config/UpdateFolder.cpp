// The watched update folders and the rule for a script that is still being written.
#include "launcher/config/UpdateFolder.h"

#include <wchar.h>

#include "launcher/config/Profile.h"
#include "launcher/config/UpdateApply.h"

UpdateFolderState g_updateFolders;

static void AddFolder(const wchar_t *folder, size_t length)
{
  while (length > 0 && (folder[length - 1] == L'\\' || folder[length - 1] == L' '))
    --length;  // "\Storage Card\Updates\" is "\Storage Card\Updates"
  while (length > 0 && *folder == L' ') {
    ++folder;
    --length;
  }
  if (length == 0 || length >= TEXT_CAPACITY - 8 || folder[0] != L'\\' ||
      g_updateFolders.folderCount >= UPDATE_FOLDER_LIMIT)
    return;
  wchar_t path[TEXT_CAPACITY];
  wcsncpy(path, folder, length);
  path[length] = 0;
  for (int i = 0; i < g_updateFolders.folderCount; ++i)
    if (_wcsicmp(g_updateFolders.folders[i], path) == 0)
      return;
  CopyText(g_updateFolders.folders[g_updateFolders.folderCount++], TEXT_CAPACITY, path);
}

static bool ReadProductText(HKEY key, const wchar_t *name, wchar_t *text, DWORD capacity)
{
  DWORD type = 0;
  DWORD size = capacity * sizeof(wchar_t);
  text[0] = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE *>(text), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  DWORD used = size / sizeof(wchar_t);
  if (used >= capacity && text[capacity - 1] != 0)
    return false;  // does not fit: counts as missing
  text[used < capacity ? used : capacity - 1] = 0;
  return true;
}

bool ReadUpdateFolders(wchar_t *text)
{
  text[0] = 0;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKeyPath(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  bool read = ReadProductText(key, L"UpdateFolders", text, UPDATE_FOLDERS_CAPACITY);
  RegCloseKey(key);
  return read;
}

void ReadUpdateSettings()
{
  g_updateFolders.folderCount = 0;
  g_updateFolders.keySet = false;
  g_updateFolders.keyFaulty = false;
  g_updateFolders.messageWanted = false;
  AddFolder(UPDATE_FOLDER, wcslen(UPDATE_FOLDER));
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKeyPath(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return;
  static wchar_t text[UPDATE_FOLDERS_CAPACITY];
  if (ReadProductText(key, L"UpdateKey", text, PASSWORD_HASH_TEXT_CAPACITY) && text[0] != 0) {
    g_updateFolders.keySet = true;
    g_updateFolders.keyFaulty = !ParsePasswordHash(text, &g_updateFolders.key);
  }
  // Other folders only for signed updates: a storage card is anybody's.
  if (g_updateFolders.keySet && ReadProductText(key, L"UpdateFolders", text,
                                                UPDATE_FOLDERS_CAPACITY)) {
    const wchar_t *start = text;
    for (const wchar_t *c = text;; ++c) {
      if (*c == L';' || *c == 0) {
        AddFolder(start, static_cast<size_t>(c - start));
        start = c + 1;
      }
      if (*c == 0)
        break;
    }
  }
  DWORD type = 0;
  DWORD message = 0;
  DWORD size = sizeof(message);
  if (RegQueryValueExW(key, L"UpdateMessage", nullptr, &type, reinterpret_cast<BYTE *>(&message),
                       &size) == ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof(message))
    g_updateFolders.messageWanted = message == 1;
  RegCloseKey(key);
}

static UpdateSighting *Sighting(const wchar_t *path)
{
  UpdateSighting *free = nullptr;
  for (int i = 0; i < UPDATE_SIGHTINGS; ++i) {
    UpdateSighting &sighting = g_updateFolders.sightings[i];
    if (sighting.path[0] != 0 && _wcsicmp(sighting.path, path) == 0)
      return &sighting;
    if (sighting.path[0] == 0 && free == nullptr)
      free = &sighting;
  }
  if (free != nullptr) {
    CopyText(free->path, TEXT_CAPACITY, path);
    free->since = LauncherTime();
    free->size = 0xFFFFFFFF;  // differs from any first look
  }
  return free;
}

// Whether the script has kept its size and time for the settle time; notes it otherwise.
static bool HasSettled(const wchar_t *path, const WIN32_FIND_DATAW &found)
{
  UpdateSighting *sighting = Sighting(path);
  if (sighting == nullptr)
    return false;  // more scripts than places: taken once others are gone
  sighting->seen = true;
  DWORD now = LauncherTime();
  if (sighting->size != found.nFileSizeLow ||
      CompareFileTime(&sighting->written, &found.ftLastWriteTime) != 0) {
    sighting->size = found.nFileSizeLow;
    sighting->written = found.ftLastWriteTime;
    sighting->since = now;
    return false;
  }
  return now - sighting->since >= UPDATE_SETTLE_MS;
}

static bool FindInFolder(const wchar_t *folder, wchar_t *path, bool *settling)
{
  wchar_t pattern[TEXT_CAPACITY];
  if (!CopyText(pattern, TEXT_CAPACITY, folder) || !AppendText(pattern, TEXT_CAPACITY, L"\\*.reg"))
    return false;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  bool ready = false;
  do {
    // The pattern may also match a longer extension through a short name.
    wchar_t extension[TEXT_CAPACITY];
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !GetExtension(found.cFileName, extension, TEXT_CAPACITY) ||
        _wcsicmp(extension, L".reg") != 0)
      continue;
    wchar_t candidate[TEXT_CAPACITY];
    if (!CopyText(candidate, TEXT_CAPACITY, folder) ||
        !AppendText(candidate, TEXT_CAPACITY, L"\\") ||
        !AppendText(candidate, TEXT_CAPACITY, found.cFileName))
      continue;
    if (HasSettled(candidate, found)) {
      if (!ready)
        CopyText(path, TEXT_CAPACITY, candidate);
      ready = true;
    } else {
      *settling = true;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return ready;
}

bool FindSettledUpdate(wchar_t *path, bool *settling)
{
  *settling = false;
  for (int i = 0; i < UPDATE_SIGHTINGS; ++i)
    g_updateFolders.sightings[i].seen = false;
  bool ready = false;
  for (int i = 0; i < g_updateFolders.folderCount && !ready; ++i)
    ready = FindInFolder(g_updateFolders.folders[i], path, settling);
  // A script gone from its folder (taken, or removed) is forgotten; one that could not be
  // read yet stays settled.
  for (int i = 0; i < UPDATE_SIGHTINGS && !ready; ++i)
    if (!g_updateFolders.sightings[i].seen)
      g_updateFolders.sightings[i].path[0] = 0;
  return ready;
}
