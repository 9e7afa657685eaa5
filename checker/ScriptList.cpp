#include "checker/ScriptList.h"

#include <windows.h>

#include <algorithm>

namespace check {
namespace {

bool EndsWithReg(const std::wstring &name)
{
  return name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".reg") == 0;
}

bool ByName(const std::wstring &a, const std::wstring &b)
{
  int folded = _wcsicmp(a.c_str(), b.c_str());
  return folded != 0 ? folded < 0 : a < b;
}

// The folder's own .reg files; the platform's pattern would also match longer extensions
// through their short names.
std::vector<std::wstring> FolderScripts(const std::wstring &folder)
{
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && EndsWithReg(found.cFileName))
      names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end(), ByName);
  std::wstring prefix = folder;
  if (prefix.back() != L'\\' && prefix.back() != L'/')
    prefix += L'\\';
  for (std::wstring &name : names)
    name = prefix + name;
  return names;
}

}  // namespace

bool IsFolder(const std::wstring &path)
{
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ListScripts(const std::vector<std::wstring> &arguments, std::vector<std::wstring> *scripts,
                 std::wstring *error)
{
  for (const std::wstring &argument : arguments) {
    if (!IsFolder(argument)) {
      scripts->push_back(argument);
      continue;
    }
    std::vector<std::wstring> found = FolderScripts(argument);
    if (found.empty()) {
      *error = L"No .reg script in the folder " + argument;
      return false;
    }
    scripts->insert(scripts->end(), found.begin(), found.end());
  }
  return true;
}

}  // namespace check
