// Shelving the scripts of taken updates in Applied and Rejected.
#include "launcher/config/UpdateShelf.h"

#include <wchar.h>

#include "launcher/config/UpdateApply.h"

// A move, or a copy and a delete where the two folders lie on different volumes.
static bool MoveOrCopy(const wchar_t *from, const wchar_t *to)
{
  DeleteFileW(to);
  if (MoveFileW(from, to))
    return true;
  if (!CopyFileW(from, to, FALSE))
    return false;
  DeleteFileW(from);
  return true;
}

static bool JoinName(wchar_t *out, const wchar_t *folder, const wchar_t *name,
                     const wchar_t *suffix)
{
  return CopyText(out, TEXT_CAPACITY, folder) && AppendText(out, TEXT_CAPACITY, L"\\") &&
         AppendText(out, TEXT_CAPACITY, name) && AppendText(out, TEXT_CAPACITY, suffix);
}

// Deletes the oldest shelved scripts (the names sort by their time) beyond the limit,
// with their findings and signature files.
static void KeepLastScripts(const wchar_t *folder)
{
  // Kept off the stack: the device's stack probe is not among its exports.
  static wchar_t pattern[TEXT_CAPACITY];
  static wchar_t oldest[TEXT_CAPACITY];
  static wchar_t path[TEXT_CAPACITY];
  static WIN32_FIND_DATAW found;
  for (int round = 0; round < 2 * UPDATE_KEEP_LIMIT; ++round) {
    if (!JoinName(pattern, folder, L"*.reg", L""))
      return;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
      return;
    int count = 0;
    oldest[0] = 0;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        continue;
      ++count;
      if (oldest[0] == 0 || wcscmp(found.cFileName, oldest) < 0)
        CopyText(oldest, TEXT_CAPACITY, found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (count <= UPDATE_KEEP_LIMIT)
      return;
    static const wchar_t *const suffixes[] = {L"", UPDATE_FINDINGS_SUFFIX,
                                               UPDATE_SIGNATURE_SUFFIX};
    for (int i = 0; i < 3; ++i)
      if (JoinName(path, folder, oldest, suffixes[i]))
        DeleteFileW(path);
  }
}

bool ShelveUpdateScript(const wchar_t *path, bool applied, const UpdateFindings *findings)
{
  const wchar_t *folder = applied ? UPDATE_APPLIED_FOLDER : UPDATE_REJECTED_FOLDER;
  CreateDirectoryW(UPDATE_FOLDER, nullptr);
  CreateDirectoryW(folder, nullptr);
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t shelved[TEXT_CAPACITY];
  wsprintfW(shelved, L"%04u%02u%02u-%02u%02u%02u_", now.wYear, now.wMonth, now.wDay, now.wHour,
            now.wMinute, now.wSecond);
  AppendText(shelved, TEXT_CAPACITY, UpdateFileName(path));
  wchar_t target[TEXT_CAPACITY];
  wchar_t signature[TEXT_CAPACITY];
  wchar_t shelvedSignature[TEXT_CAPACITY];
  bool moved = JoinName(target, folder, shelved, L"") && MoveOrCopy(path, target);
  if (!moved) {
    DeleteFileW(path);
  } else if (!applied) {
    wchar_t listing[TEXT_CAPACITY];
    if (JoinName(listing, folder, shelved, UPDATE_FINDINGS_SUFFIX))
      WriteUpdateFindings(listing, UpdateFileName(path), findings);
  }
  if (CopyText(signature, TEXT_CAPACITY, path) &&
      AppendText(signature, TEXT_CAPACITY, UPDATE_SIGNATURE_SUFFIX)) {
    if (!moved || !JoinName(shelvedSignature, folder, shelved, UPDATE_SIGNATURE_SUFFIX) ||
        !MoveOrCopy(signature, shelvedSignature))
      DeleteFileW(signature);
  }
  KeepLastScripts(folder);
  return moved || GetFileAttributesW(path) == 0xFFFFFFFF;
}
