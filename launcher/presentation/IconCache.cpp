// Icons kept across configurations: the launcher's own, shared, and the shell's icons of
// program files, so that entering and leaving a configuration asks nobody twice.
#include "launcher/presentation/IconCache.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "cecompat/CePlatform.h"

struct LauncherIcon {
  HINSTANCE instance;
  int iconId;
  int size;
  HICON icon;
};

// The shell's answers for one unchanged file; an answer of none is kept as well.
struct FileIcon {
  wchar_t path[TEXT_CAPACITY];
  DWORD sizeHigh, sizeLow;
  FILETIME written;
  bool askedSmall, askedLarge;
  HICON smallIcon, largeIcon;
};

static LauncherIcon s_launcherIcons[LAUNCHER_ICON_SLOTS];
static int s_launcherIconCount = 0;
static FileIcon s_fileIcons[FILE_ICON_SLOTS];
static int s_fileIconCount = 0;

HICON LoadLauncherIcon(int iconId, int size)
{
  HINSTANCE instance = g_app.instance != nullptr ? g_app.instance : GetModuleHandleW(nullptr);
  for (int i = 0; i < s_launcherIconCount; ++i) {
    const LauncherIcon &kept = s_launcherIcons[i];
    if (kept.instance == instance && kept.iconId == iconId && kept.size == size)
      return kept.icon;
  }
  bool room = s_launcherIconCount < LAUNCHER_ICON_SLOTS;
  HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(LOWORD(iconId)),
                                             IMAGE_ICON, size, size, room ? LR_SHARED : 0));
  if (icon != nullptr && room) {
    LauncherIcon &kept = s_launcherIcons[s_launcherIconCount++];
    kept.instance = instance;
    kept.iconId = iconId;
    kept.size = size;
    kept.icon = icon;
  }
  return icon;
}

static HICON AskShell(const wchar_t *path, bool smallIcon)
{
  SHFILEINFOW info;
  ZeroMemory(&info, sizeof info);
  UINT flags = SHGFI_ICON | (smallIcon ? SHGFI_SMALLICON : 0);
  if (SHGetFileInfo(path, 0, &info, sizeof info, flags) == 0)
    return nullptr;
  return info.hIcon;
}

static bool SameFile(const FileIcon &kept, const wchar_t *path, const WIN32_FILE_ATTRIBUTE_DATA &found)
{
  return kept.sizeHigh == found.nFileSizeHigh && kept.sizeLow == found.nFileSizeLow &&
         kept.written.dwLowDateTime == found.ftLastWriteTime.dwLowDateTime &&
         kept.written.dwHighDateTime == found.ftLastWriteTime.dwHighDateTime &&
         _wcsicmp(kept.path, path) == 0;
}

// The place of the file, or a new one; none when the table is full or the path too long.
static FileIcon *FindFilePlace(const wchar_t *path, const WIN32_FILE_ATTRIBUTE_DATA &found)
{
  for (int i = 0; i < s_fileIconCount; ++i)
    if (SameFile(s_fileIcons[i], path, found))
      return &s_fileIcons[i];
  // A changed file takes a new place: the icons of its old one may still be shown.
  if (s_fileIconCount >= FILE_ICON_SLOTS)
    return nullptr;
  FileIcon &place = s_fileIcons[s_fileIconCount];
  ZeroMemory(&place, sizeof place);
  if (!CopyText(place.path, TEXT_CAPACITY, path))
    return nullptr;
  place.sizeHigh = found.nFileSizeHigh;
  place.sizeLow = found.nFileSizeLow;
  place.written = found.ftLastWriteTime;
  ++s_fileIconCount;
  return &place;
}

HICON GetFileIcon(const wchar_t *path, const WIN32_FILE_ATTRIBUTE_DATA &found, bool smallIcon)
{
  FileIcon *place = FindFilePlace(path, found);
  if (place == nullptr)
    return AskShell(path, smallIcon);
  bool &asked = smallIcon ? place->askedSmall : place->askedLarge;
  HICON &icon = smallIcon ? place->smallIcon : place->largeIcon;
  if (!asked) {
    icon = AskShell(path, smallIcon);
    asked = true;
  }
  return icon;
}

bool IsKeptIcon(HICON icon)
{
  if (icon == nullptr)
    return false;
  for (int i = 0; i < s_launcherIconCount; ++i)
    if (s_launcherIcons[i].icon == icon)
      return true;
  for (int i = 0; i < s_fileIconCount; ++i)
    if (s_fileIcons[i].smallIcon == icon || s_fileIcons[i].largeIcon == icon)
      return true;
  return false;
}

void ReleaseFileIcons()
{
  for (int i = 0; i < s_fileIconCount; ++i) {
    FileIcon &kept = s_fileIcons[i];
    if (kept.smallIcon != nullptr)
      DestroyIcon(kept.smallIcon);
    if (kept.largeIcon != nullptr && kept.largeIcon != kept.smallIcon)
      DestroyIcon(kept.largeIcon);
  }
  ZeroMemory(s_fileIcons, sizeof s_fileIcons);
  s_fileIconCount = 0;
}
