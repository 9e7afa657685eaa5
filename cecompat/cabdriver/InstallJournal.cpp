// Undoes an installation step by step from what was kept before each change.
#include "cecompat/cabdriver/InstallJournal.h"

namespace {

bool ReadWholeFile(const std::wstring &path, std::vector<BYTE> *bytes)
{
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 256 * 1024 * 1024;
  if (ok) {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    ok = bytes->empty() || (ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) &&
                            read == bytes->size());
  }
  CloseHandle(file);
  return ok;
}

bool FileKept(const InstallJournal &journal, const std::wstring &path)
{
  for (const InstallJournal::Entry &entry : journal.entries)
    if (entry.kind == InstallJournal::FILE_CHANGED && _wcsicmp(entry.path.c_str(), path.c_str()) == 0)
      return true;
  return false;
}

InstallJournal::Entry NewEntry(InstallJournal::Kind kind, const std::wstring &path)
{
  InstallJournal::Entry entry;
  entry.kind = kind;
  entry.path = path;
  entry.root = nullptr;
  entry.existed = false;
  entry.type = REG_NONE;
  return entry;
}

// The sub-keys of HKEY_CURRENT_USER\<path>, each as "<path>\<name>".
std::vector<std::wstring> UserSubKeys(const std::wstring &path)
{
  std::vector<std::wstring> names;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.push_back(path + L"\\" + name);
  }
  RegCloseKey(key);
  return names;
}

void RemoveNewUserKeys(const InstallJournal &journal)
{
  for (const std::wstring &first : UserSubKeys(L"Software")) {
    if (journal.userKeysBefore.count(first) == 0) {
      RegDeleteTreeW(HKEY_CURRENT_USER, first.c_str());
      RegDeleteKeyW(HKEY_CURRENT_USER, first.c_str());
      continue;
    }
    for (const std::wstring &second : UserSubKeys(first))
      if (journal.userKeysBefore.count(second) == 0) {
        RegDeleteTreeW(HKEY_CURRENT_USER, second.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, second.c_str());
      }
  }
}

void Undo(const InstallJournal::Entry &entry)
{
  switch (entry.kind) {
  case InstallJournal::FILE_CHANGED:
    if (entry.existed)
      WriteWholeFile(entry.path, entry.bytes.data(), entry.bytes.size());
    else
      DeleteFileW(entry.path.c_str());
    break;
  case InstallJournal::FOLDER_MADE:
    RemoveDirectoryW(entry.path.c_str());
    break;
  case InstallJournal::FOLDER_REMOVED:
    CreateDirectoryW(entry.path.c_str(), nullptr);
    break;
  case InstallJournal::KEY_MADE:
    RegDeleteTreeW(entry.root, entry.path.c_str());
    RegDeleteKeyW(entry.root, entry.path.c_str());
    break;
  case InstallJournal::VALUE_CHANGED: {
    HKEY key;
    if (RegOpenKeyExW(entry.root, entry.path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
      break;
    if (entry.existed)
      RegSetValueExW(key, entry.name.c_str(), 0, entry.type, entry.bytes.data(),
                     static_cast<DWORD>(entry.bytes.size()));
    else
      RegDeleteValueW(key, entry.name.c_str());
    RegCloseKey(key);
    break;
  }
  }
}

}  // namespace

bool WriteWholeFile(const std::wstring &path, const void *bytes, size_t size)
{
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
  return CloseHandle(file) && ok;
}

bool JournalKeepFile(InstallJournal *journal, const std::wstring &path)
{
  if (FileKept(*journal, path))
    return true;
  InstallJournal::Entry entry = NewEntry(InstallJournal::FILE_CHANGED, path);
  DWORD attributes = GetFileAttributesW(path.c_str());
  entry.existed = attributes != INVALID_FILE_ATTRIBUTES;
  if (entry.existed && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !ReadWholeFile(path, &entry.bytes)))
    return false;
  journal->entries.push_back(entry);
  return true;
}

void JournalMakeFolders(InstallJournal *journal, const std::wstring &folder)
{
  for (size_t at = folder.find(L'\\', 1);; at = folder.find(L'\\', at + 1)) {
    std::wstring part = folder.substr(0, at);
    if (CreateDirectoryW(part.c_str(), nullptr))
      journal->entries.push_back(NewEntry(InstallJournal::FOLDER_MADE, part));
    if (at == std::wstring::npos)
      break;
  }
}

bool JournalWriteFile(InstallJournal *journal, const std::wstring &path, const void *bytes, size_t size)
{
  size_t slash = path.rfind(L'\\');
  if (slash != std::wstring::npos && slash > 0)
    JournalMakeFolders(journal, path.substr(0, slash));
  return JournalKeepFile(journal, path) && WriteWholeFile(path, bytes, size);
}

bool JournalDeleteFile(InstallJournal *journal, const std::wstring &path)
{
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    return true;
  return JournalKeepFile(journal, path) && DeleteFileW(path.c_str());
}

void JournalRemoveFolder(InstallJournal *journal, const std::wstring &folder)
{
  if (RemoveDirectoryW(folder.c_str()))
    journal->entries.push_back(NewEntry(InstallJournal::FOLDER_REMOVED, folder));
}

bool JournalSetValue(InstallJournal *journal, HKEY root, const std::wstring &path, const std::wstring &name, DWORD type,
                     const std::vector<BYTE> &data, bool keepExisting)
{
  // Key by key, so that each one this run makes is noted.
  for (size_t at = path.find(L'\\');; at = path.find(L'\\', at + 1)) {
    std::wstring part = path.substr(0, at);
    HKEY key;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, part.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition) !=
        ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    if (disposition == REG_CREATED_NEW_KEY) {
      InstallJournal::Entry entry = NewEntry(InstallJournal::KEY_MADE, part);
      entry.root = root;
      journal->entries.push_back(entry);
    }
    if (at == std::wstring::npos)
      break;
  }
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return false;
  InstallJournal::Entry entry = NewEntry(InstallJournal::VALUE_CHANGED, path);
  entry.root = root;
  entry.name = name;
  DWORD size = 0;
  entry.existed = RegQueryValueExW(key, name.c_str(), nullptr, &entry.type, nullptr, &size) == ERROR_SUCCESS;
  bool ok = true;
  if (entry.existed) {
    entry.bytes.resize(size);
    ok = RegQueryValueExW(key, name.c_str(), nullptr, &entry.type, entry.bytes.data(), &size) == ERROR_SUCCESS;
    entry.bytes.resize(size);
  }
  if (ok && !(keepExisting && entry.existed)) {
    journal->entries.push_back(entry);
    ok = RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return ok;
}

void JournalNoteUserKeys(InstallJournal *journal)
{
  for (const std::wstring &first : UserSubKeys(L"Software")) {
    journal->userKeysBefore.insert(first);
    for (const std::wstring &second : UserSubKeys(first))
      journal->userKeysBefore.insert(second);
  }
}

void JournalRollBack(InstallJournal *journal)
{
  for (size_t i = journal->entries.size(); i > 0; --i)
    Undo(journal->entries[i - 1]);
  if (!journal->userKeysBefore.empty())
    RemoveNewUserKeys(*journal);
  journal->entries.clear();
  journal->userKeysBefore.clear();
}
