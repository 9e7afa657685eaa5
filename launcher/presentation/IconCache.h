#pragma once
// Icons that outlive one configuration: the launcher's own icons, loaded once per
// resource and size and shared, and the shell's icons of program files, kept by path,
// size and write time until the launcher ends. Neither kind belongs to the entry table.
#include <windows.h>

enum { LAUNCHER_ICON_SLOTS = 64, FILE_ICON_SLOTS = 48 };

// One of the launcher's icon resources at a square size. The handle is shared: nobody
// destroys it (when the table of shared icons is full, the caller owns a fresh one).
HICON LoadLauncherIcon(int iconId, int size);

// The shell's small or large icon of a file that the existence check found, with the
// size and write time it reported. The same
// unchanged file is asked for once; the answer (an icon or none) is kept until
// ReleaseFileIcons. When no place is free the caller owns the icon it gets.
HICON GetFileIcon(const wchar_t *path, const WIN32_FILE_ATTRIBUTE_DATA &found, bool smallIcon);

// Whether an icon is one of the above, which no entry or list may destroy.
bool IsKeptIcon(HICON icon);

// Destroys every kept file icon, once, when the launcher ends.
void ReleaseFileIcons();
