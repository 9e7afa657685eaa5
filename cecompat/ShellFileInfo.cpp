// The shell's file information for device paths, which start at the root without a drive.
#include "cecompat/CePlatform.h"

#undef SHGetFileInfoW

static bool IsRootedWithoutDrive(LPCWSTR path)
{
  return path[0] == L'\\' && path[1] != L'\\';
}

DWORD_PTR CeSHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW *info, UINT infoSize,
                           UINT flags)
{
  if (path == nullptr || !IsRootedWithoutDrive(path))
    return SHGetFileInfoW(path, attributes, info, infoSize, flags);
  // The root of a device path is the current drive.
  wchar_t full[MAX_PATH];
  DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH)
    return SHGetFileInfoW(path, attributes, info, infoSize, flags);
  return SHGetFileInfoW(full, attributes, info, infoSize, flags);
}
