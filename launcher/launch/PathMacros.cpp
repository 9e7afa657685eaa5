// Folder macros in program paths, and bare ".exe" names that live in "\Windows".
#include "launcher/launch/LaunchCommand.h"

#include <shlobj.h>
#include <wchar.h>

struct PathMacro {
  const wchar_t *text;
  int folder;
};

static const PathMacro PATH_MACROS[] = {
    {L"\\%WSM%", CSIDL_STARTMENU}, {L"\\%WSU%", CSIDL_STARTUP},  {L"\\%CE4%", CSIDL_STARTUP},
    {L"\\%CE5%", CSIDL_PERSONAL},  {L"\\%CE11%", CSIDL_PROGRAMS}, {L"\\%CE15%", CSIDL_FONTS},
    {L"\\%CE17%", CSIDL_STARTMENU},
};

// A folder the platform cannot supply leaves its macro in place, so that the launch fails
// visibly on the unchanged path instead of starting something else.
bool ExpandPathMacros(wchar_t *path)
{
  if (path == nullptr)
    return false;
  for (size_t i = 0; i < sizeof(PATH_MACROS) / sizeof(PATH_MACROS[0]); i++) {
    const PathMacro &macro = PATH_MACROS[i];
    if (wcsstr(path, macro.text) == nullptr)
      continue;  // asking the platform for a folder costs more than looking
    wchar_t folder[TEXT_CAPACITY] = {0};
    if (!SHGetSpecialFolderPath(nullptr, folder, macro.folder, FALSE))
      continue;
    folder[TEXT_CAPACITY - 1] = 0;
    bool tooLong = false;
    ReplaceFirst(path, TEXT_CAPACITY, macro.text, folder, &tooLong);
    if (tooLong)
      return false;
  }
  return true;
}

bool QualifyWindowsExe(wchar_t *path)
{
  if (path == nullptr)
    return false;
  wchar_t directory[TEXT_CAPACITY];
  if (GetDirectory(path, directory, TEXT_CAPACITY))
    return true;
  wchar_t extension[TEXT_CAPACITY];
  if (!GetExtension(path, extension, TEXT_CAPACITY))
    return true;
  if (_wcsicmp(extension, L".exe") != 0)
    return true;

  wchar_t qualified[TEXT_CAPACITY] = L"\\Windows\\";
  if (!AppendText(qualified, TEXT_CAPACITY, path))
    return false;
  CopyText(path, TEXT_CAPACITY, qualified);
  return true;
}
