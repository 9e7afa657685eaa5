// File and folder operations of the hooks.
#include "setup/Ostrel.h"

bool FileExists(const wchar_t *path)
{
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(path, &found);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

static bool IsSelfOrParent(const wchar_t *name)
{
  return TextEquals(name, L".") || TextEquals(name, L"..");
}

// Removes a folder with everything in it. The entries "." and ".." that some file systems
// enumerate are never followed: that would climb out of the folder. Links to folders are
// removed, not emptied. A path too long for the buffer is left alone.
void DeleteTree(const wchar_t *directory)
{
  wchar_t pattern[SETUP_PATH_CAPACITY];
  if (!CopyBounded(pattern, SETUP_PATH_CAPACITY, directory) ||
      !AppendBounded(pattern, SETUP_PATH_CAPACITY, L"\\*.*"))
    return;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    if (IsSelfOrParent(found.cFileName))
      continue;
    wchar_t child[SETUP_PATH_CAPACITY];
    if (!CopyBounded(child, SETUP_PATH_CAPACITY, directory) ||
        !AppendBounded(child, SETUP_PATH_CAPACITY, L"\\") ||
        !AppendBounded(child, SETUP_PATH_CAPACITY, found.cFileName))
      continue;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      DeleteFileW(child);
    else if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
      RemoveDirectoryW(child);
    else
      DeleteTree(child);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  Sleep(100);
  RemoveDirectoryW(directory);
  Sleep(100);
}
