#pragma once
// What one installation changed on the device, kept so that a failure can put everything
// back: files as they were before the run wrote or deleted them, the folders and registry
// keys it made or removed, registry values as they were, and the keys below
// HKEY_CURRENT_USER\Software that appeared while the setup extension's hooks ran.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

struct InstallJournal {
  enum Kind { FILE_CHANGED, FOLDER_MADE, FOLDER_REMOVED, KEY_MADE, VALUE_CHANGED };
  struct Entry {
    Kind kind;
    std::wstring path;  // a device path, or a registry key below `root`
    HKEY root;
    std::wstring name;  // a value's name
    bool existed;       // the file or value was there before
    DWORD type;
    std::vector<BYTE> bytes;  // what the file or value held before
  };
  std::vector<Entry> entries;
  std::set<std::wstring> userKeysBefore;  // "Software\A" and "Software\A\B" below HKEY_CURRENT_USER
};

// Writes a whole file, replacing what was there; false when any of it was not written.
bool WriteWholeFile(const std::wstring &path, const void *bytes, size_t size);
// Keeps what `path` holds before it is written or deleted (once per path and run). False
// when an existing file cannot be read, so it could not be put back.
bool JournalKeepFile(InstallJournal *journal, const std::wstring &path);
// Makes every folder of a device path that does not exist yet, noting each it made.
void JournalMakeFolders(InstallJournal *journal, const std::wstring &folder);
// Writes a whole file, keeping what was there before.
bool JournalWriteFile(InstallJournal *journal, const std::wstring &path, const void *bytes, size_t size);
// Deletes a file, keeping what it held; a missing file is no failure.
bool JournalDeleteFile(InstallJournal *journal, const std::wstring &path);
// Removes an empty folder, noting it.
void JournalRemoveFolder(InstallJournal *journal, const std::wstring &folder);
// Sets a registry value (unless `keepExisting` and it exists), making its key as needed.
bool JournalSetValue(InstallJournal *journal, HKEY root, const std::wstring &key, const std::wstring &name, DWORD type,
                     const std::vector<BYTE> &data, bool keepExisting);
// Notes the keys below HKEY_CURRENT_USER\Software before the setup extension runs.
void JournalNoteUserKeys(InstallJournal *journal);
// Puts back everything the journal holds, newest first, and empties it.
void JournalRollBack(InstallJournal *journal);
