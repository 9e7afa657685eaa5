// Icons and hot keys of the program entries.
#include "launcher/presentation/EntryIcons.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/FileChecks.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/IconCache.h"

bool g_hotKeysRegistered = true;
bool g_entryIconsWanted = true;

// Hot-key ids (entry indexes) registered with the main window, one bit each, so that
// unregistering removes exactly those and nothing another window owns.
static DWORD s_registeredHotKeys = 0;
static HWND s_hotKeyWindow = nullptr;

static int ProgramEntryCount()
{
  LONG count = g_entries.count;
  if (count < 0)
    return 0;
  return count > MAX_PROGRAM_ENTRIES ? MAX_PROGRAM_ENTRIES : static_cast<int>(count);
}

// The existence check; its size and write time tell whether the file changed. A plain
// name takes one call; a wildcard name is searched for, as it always was, and a name
// ending in a separator names no file.
static bool FindFile(const wchar_t *path, WIN32_FILE_ATTRIBUTE_DATA *found)
{
  size_t length = wcslen(path);
  if (length == 0 || path[length - 1] == L'\\')
    return false;
  if (wcspbrk(path, L"*?") == nullptr)
    return GetFileAttributesExW(path, GetFileExInfoStandard, found) != FALSE;
  WIN32_FIND_DATAW match;
  HANDLE search = FindFirstFileW(path, &match);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  found->dwFileAttributes = match.dwFileAttributes;
  found->ftCreationTime = match.ftCreationTime;
  found->ftLastAccessTime = match.ftLastAccessTime;
  found->ftLastWriteTime = match.ftLastWriteTime;
  found->nFileSizeHigh = match.nFileSizeHigh;
  found->nFileSizeLow = match.nFileSizeLow;
  return true;
}

// An icon file is itself the picture the platform shows, so it is checked first; other
// files only carry their icon, which the platform finds through the file's own headers.
static bool IsUsableIconSource(const wchar_t *path)
{
  wchar_t extension[TEXT_CAPACITY];
  if (GetExtension(path, extension, TEXT_CAPACITY) && _wcsicmp(extension, L".ico") == 0)
    return IsSoundIconFile(path);
  return true;
}

static void LoadIconsOfEntry(ProgramEntry *entry, bool lookUpFile, int smallSize, int largeSize)
{
  // A second run over the same table must not leak what the first one loaded.
  ReleaseEntryIcon(&entry->smallIcon);
  ReleaseEntryIcon(&entry->largeIcon);

  if (entry->icon != 0) {
    entry->smallIcon = LoadLauncherIcon(entry->icon, smallSize);
    entry->largeIcon = LoadLauncherIcon(entry->icon, largeSize);
  }
  // Only the Name can be a file; a call entry has none and keeps its launcher icon.
  WIN32_FILE_ATTRIBUTE_DATA found;
  if (lookUpFile && entry->name[0] != L'\0' &&
      (entry->smallIcon == nullptr || entry->largeIcon == nullptr) &&
      FindFile(entry->name, &found) && IsUsableIconSource(entry->name)) {
    if (entry->smallIcon == nullptr)
      entry->smallIcon = GetFileIcon(entry->name, found, true);
    if (entry->largeIcon == nullptr)
      entry->largeIcon = GetFileIcon(entry->name, found, false);
  }
  if (entry->smallIcon == nullptr)
    entry->smallIcon = LoadLauncherIcon(ICON_DEFAULT_ENTRY, smallSize);
  if (entry->largeIcon == nullptr)
    entry->largeIcon = LoadLauncherIcon(ICON_DEFAULT_ENTRY, largeSize);

  // Each handle has one owner: the large slot keeps a handle that both slots got.
  if (entry->smallIcon != nullptr && entry->smallIcon == entry->largeIcon)
    entry->smallIcon = nullptr;
}

int LoadEntryIcons()
{
  if (!g_entryIconsWanted)
    return 1;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  bool lookUpFile = g_settings.useProgramIcons == 1 || g_settings.mode != MODE_MENU_BARS;
  int smallSize = SmallIconSize();
  int largeSize = LargeIconSize();
  int count = ProgramEntryCount();
  for (int i = 0; i < count; ++i)
    LoadIconsOfEntry(&g_entries.entries[i], lookUpFile, smallSize, largeSize);
  SetCursor(nullptr);
  return 1;
}

int RegisterEntryHotKeys()
{
  // Keys left from an earlier run would make this run fail against itself.
  UnregisterEntryHotKeys();
  g_hotKeysRegistered = true;
  int count = ProgramEntryCount();
  for (int i = 0; i < count; ++i) {
    const ProgramEntry &entry = g_entries.entries[i];
    if (entry.hotKey <= 0 || entry.hotKeyModifiers <= 0)
      continue;
    if (RegisterHotKey(g_app.mainWindow, i, static_cast<UINT>(entry.hotKeyModifiers),
                       static_cast<UINT>(entry.hotKey))) {
      s_registeredHotKeys |= 1u << i;
      s_hotKeyWindow = g_app.mainWindow;
    } else {
      g_hotKeysRegistered = false;
    }
  }
  return 1;
}

int UnregisterEntryHotKeys()
{
  for (int i = 0; i < MAX_PROGRAM_ENTRIES; ++i) {
    if (s_registeredHotKeys & (1u << i))
      UnregisterHotKey(s_hotKeyWindow, i);
  }
  s_registeredHotKeys = 0;
  s_hotKeyWindow = nullptr;
  return 1;
}
