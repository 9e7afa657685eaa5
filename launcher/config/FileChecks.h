#pragma once
// Checks of files an administrator copies to the device, made before the platform's own
// loaders see them: a damaged file counts as one that cannot be loaded.
#include <windows.h>

#include "Common/NullPtr.h"

enum {
  PICTURE_SIDE_LIMIT = 8192,             // pixels of one side of a header picture
  PICTURE_PIXEL_LIMIT = 4096 * 4096,     // pixels of a whole header picture
};

// True when the file is a bitmap whose headers agree with each other and with the file:
// known header and depth, uncompressed or bit fields, sides within the limits, palette and
// pixel rows inside the file.
bool IsSoundBitmapFile(const wchar_t *path);

// True when the file is an icon file whose directory lists images that lie inside the file.
bool IsSoundIconFile(const wchar_t *path);
