// Plays the CAB installer of a device around the setup extension: installation, removal and
// reinstallation in the installer's order.
//
//   CabDriver /install <cabinet.cab | package folder> [/first:0|1] [/previous:0|1]
//   CabDriver /reinstall <cabinet.cab | package folder>
//   CabDriver /uninstall
//   Any of them with /emulator:<ce-run> /library:<Ostrel.dll>: the hooks are those of the
//   device's ARM image of the setup extension (the library given, or the cabinet's .999),
//   called in the emulator ce-run (ce-run --setup), which answers each call on a pipe.
//
// A cabinet is read as the device reads it: its install header (<name>.000) says where each
// numbered file goes, which registry values to set and which shortcuts to make, and its
// <name>.999 is the setup extension whose hooks are called. Nothing is installed from a
// cabinet or header that is damaged in any way, nor one that names a file the device would
// store under another name (a trailing dot or blank, a name of dots and blanks, a device name
// such as NUL or COM1) or names one file twice: it is refused with the entry and the reason
// before anything is written. The installation is whole or nothing: when placing a file,
// setting a registry value or making a shortcut fails, everything this run changed is put
// back (the files it wrote or deleted, the previous installation, the registry, the keys
// the setup extension made when it was asked to begin) and nothing is recorded.
// A package folder holds the package data (CE_Ferrolt.reg, WM_Ferrolt.reg, FerroltCE.cpy,
// FerroltWM.cpy, Ferrolt.txt, Ferrolt.lnk, header.bmp); Ferrolt.exe and Ostrel.dll are
// then taken from beside this program, which the folder form needs for tests.
// Everything goes into \Application\Ferrolt of the current drive. Like the device's
// installer, the driver records an installed package under HKEY_LOCAL_MACHINE\Software\Apps,
// with the files it placed, and when it finds that record removes the old copy before
// installing the new one. /uninstall calls the hooks of the Ostrel.dll beside this program.
// /previous overrides what the record says, /first the installer's first-call flag.
//
// Exit codes: 0 done, 1 cancelled by the setup extension, 2 wrong command line,
// 3 the setup extension or one of its hooks missing, 4 a damaged cabinet refused,
// 5 the installation failed part-way and was undone.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "cecompat/CeSetup.h"
#include "cecompat/cabdriver/CabinetFiles.h"
#include "cecompat/cabdriver/InstallHeader.h"
#include "cecompat/cabdriver/InstallJournal.h"
#include "cecompat/cabdriver/SetupHooks.h"

namespace {

enum { PATH_CAPACITY = 520 };

const wchar_t INSTALL_FOLDER[] = L"\\Application\\Ferrolt";
const wchar_t APPLICATION_KEY[] = L"Software\\Apps\\OrvantLLC Ferrolt";
const wchar_t *const PACKAGE_FILES[] = {
    L"CE_Ferrolt.reg", L"WM_Ferrolt.reg", L"FerroltCE.cpy", L"FerroltWM.cpy", L"Ferrolt.txt", L"Ferrolt.lnk",
    L"header.bmp",
};
const wchar_t PROGRAM_FILE[] = L"Ferrolt.exe";

enum Action { ACTION_NONE, ACTION_INSTALL, ACTION_REINSTALL, ACTION_UNINSTALL };

struct Options {
  Action action;
  const wchar_t *package;  // a cabinet or a package folder
  int firstCall;            // -1: as the installer would (yes)
  int previouslyInstalled;  // -1: as the record says
  const wchar_t *emulator;  // ce-run, for the device's image of the setup extension
  const wchar_t *library;   // the setup extension, when not the one beside this program
};

bool JoinPath(wchar_t *out, const wchar_t *folder, const wchar_t *name)
{
  int written = _snwprintf(out, PATH_CAPACITY, L"%ls\\%ls", folder, name);
  out[PATH_CAPACITY - 1] = 0;
  return written > 0 && written < PATH_CAPACITY;
}

bool ProgramFolder(wchar_t *folder)
{
  DWORD length = GetModuleFileNameW(nullptr, folder, PATH_CAPACITY);
  if (length == 0 || length >= PATH_CAPACITY)
    return false;
  wchar_t *slash = wcsrchr(folder, L'\\');
  if (slash == nullptr)
    return false;
  *slash = 0;
  return true;
}


bool ApplicationRecorded()
{
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, APPLICATION_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// `placed`: the files and shortcuts the installation made, as one multi-string.
void RecordApplication(const std::wstring &placed)
{
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, APPLICATION_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  DWORD installed = 1;
  RegSetValueExW(key, L"Instl", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&installed), sizeof(installed));
  RegSetValueExW(key, L"InstlDir", 0, REG_SZ, reinterpret_cast<const BYTE *>(INSTALL_FOLDER),
                 sizeof(INSTALL_FOLDER));
  std::wstring list = placed + L'\0';
  RegSetValueExW(key, L"Placed", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE *>(list.c_str()),
                 static_cast<DWORD>(list.size() * sizeof(wchar_t)));
  RegCloseKey(key);
}

// What the installer itself placed, as its record lists it (the program and the package
// data when the record has no list).
bool DeletePackageFiles(InstallJournal *journal)
{
  std::vector<wchar_t> list(32768, 0);
  DWORD size = static_cast<DWORD>((list.size() - 2) * sizeof(wchar_t)), type = 0;
  HKEY key;
  bool listed = false, ok = true;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, APPLICATION_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    listed = RegQueryValueExW(key, L"Placed", nullptr, &type, reinterpret_cast<BYTE *>(list.data()), &size) ==
                 ERROR_SUCCESS &&
             type == REG_MULTI_SZ;
    RegCloseKey(key);
  }
  if (listed) {
    for (const wchar_t *path = list.data(); *path != 0; path += wcslen(path) + 1)
      ok = JournalDeleteFile(journal, path) && ok;
  } else {
    wchar_t path[PATH_CAPACITY];
    if (JoinPath(path, INSTALL_FOLDER, PROGRAM_FILE))
      ok = JournalDeleteFile(journal, path) && ok;
    for (const wchar_t *name : PACKAGE_FILES) {
      if (JoinPath(path, INSTALL_FOLDER, name))
        ok = JournalDeleteFile(journal, path) && ok;
    }
  }
  JournalRemoveFolder(journal, INSTALL_FOLDER);
  return ok;
}

bool CopyPackageFiles(InstallJournal *journal, const wchar_t *packageFolder, std::wstring *placed)
{
  wchar_t folder[PATH_CAPACITY], source[PATH_CAPACITY], target[PATH_CAPACITY];
  JournalMakeFolders(journal, INSTALL_FOLDER);
  bool ok = ProgramFolder(folder) && JoinPath(source, folder, PROGRAM_FILE) &&
            JoinPath(target, INSTALL_FOLDER, PROGRAM_FILE) && JournalKeepFile(journal, target) &&
            CopyFileW(source, target, FALSE);
  if (!ok) {
    fwprintf(stderr, L"CabDriver: cannot copy %ls\n", PROGRAM_FILE);
    return false;
  }
  *placed += std::wstring(target) + L'\0';
  for (const wchar_t *name : PACKAGE_FILES) {
    if (!JoinPath(source, packageFolder, name) || !JoinPath(target, INSTALL_FOLDER, name) ||
        !JournalKeepFile(journal, target) || !CopyFileW(source, target, FALSE)) {
      fwprintf(stderr, L"CabDriver: cannot copy %ls\n", name);
      return false;
    }
    *placed += std::wstring(target) + L'\0';
  }
  return true;
}

bool Remove(const Hooks &hooks, InstallJournal *journal)
{
  hooks.uninstallInit(nullptr, INSTALL_FOLDER);
  bool removed = DeletePackageFiles(journal);
  hooks.uninstallExit(nullptr);
  return removed;
}

// A cabinet read and checked before anything is installed from it.
struct Cabinet {
  std::vector<CabinetFile> files;
  InstallHeader header;
  std::vector<const CabinetFile *> contents;  // the header's files, in its order
  const CabinetFile *setupLibrary;
};

// The number of "<name>.<nnn>", or -1 for a name without three digits after its last dot.
int FileNumber(const std::wstring &name)
{
  size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos || name.size() - dot != 4)
    return -1;
  int number = 0;
  for (size_t i = dot + 1; i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9')
      return -1;
    number = number * 10 + (name[i] - L'0');
  }
  return number;
}

bool ReadCabinet(const wchar_t *path, Cabinet *cabinet, std::wstring *error)
{
  if (!ReadCabinetFiles(path, &cabinet->files, error))
    return false;
  const CabinetFile *byNumber[1000] = {};
  for (const CabinetFile &file : cabinet->files) {
    int number = FileNumber(file.name);
    if (number < 0) {
      *error = L"it holds \"" + file.name + L"\", which is not a numbered package file";
      return false;
    }
    if (byNumber[number] != nullptr) {
      *error = L"it holds two files numbered " + std::to_wstring(number);
      return false;
    }
    byNumber[number] = &file;
  }
  if (byNumber[0] == nullptr || byNumber[999] == nullptr) {
    *error = L"it holds no install header (.000) or no setup extension (.999)";
    return false;
  }
  if (!ReadInstallHeader(byNumber[0]->bytes, INSTALL_FOLDER, &cabinet->header, error)) {
    *error = L"its install header is damaged: " + *error;
    return false;
  }
  for (const InstallHeader::File &file : cabinet->header.files) {
    if (byNumber[file.number] == nullptr) {
      *error = L"its install header names file " + std::to_wstring(file.number) + L" (\"" + file.name +
               L"\"), which the cabinet lacks";
      return false;
    }
    cabinet->contents.push_back(byNumber[file.number]);
  }
  cabinet->setupLibrary = byNumber[999];
  return true;
}

// A device shortcut is text: the length of what follows '#', '#', the quoted target.
bool MakeShortcut(InstallJournal *journal, const InstallHeader::Shortcut &shortcut)
{
  std::string target = "\"";
  for (wchar_t c : shortcut.target)
    target += static_cast<char>(c);
  target += "\"";
  std::string text = std::to_string(target.size()) + "#" + target;
  return JournalWriteFile(journal, shortcut.path, text.data(), text.size());
}

// Places everything the header names, stopping at the first failure, which it reports.
bool PlaceCabinet(InstallJournal *journal, const Cabinet &cabinet, std::wstring *placed)
{
  for (size_t i = 0; i < cabinet.contents.size(); ++i) {
    const InstallHeader::File &file = cabinet.header.files[i];
    std::wstring target = file.folder + L"\\" + file.name;
    const std::vector<BYTE> &bytes = cabinet.contents[i]->bytes;
    if (!JournalWriteFile(journal, target, bytes.data(), bytes.size())) {
      fwprintf(stderr, L"CabDriver: cannot write %ls (error %lu)\n", target.c_str(), GetLastError());
      return false;
    }
    *placed += target + L'\0';
  }
  for (const InstallHeader::Value &value : cabinet.header.values)
    if (!JournalSetValue(journal, value.root, value.key, value.name, value.type, value.data, value.keepExisting)) {
      fwprintf(stderr, L"CabDriver: cannot set the registry value \"%ls\" of \"%ls\"\n", value.name.c_str(),
               value.key.c_str());
      return false;
    }
  for (const InstallHeader::Shortcut &shortcut : cabinet.header.shortcuts) {
    if (!MakeShortcut(journal, shortcut)) {
      fwprintf(stderr, L"CabDriver: cannot make the shortcut %ls (error %lu)\n", shortcut.path.c_str(),
               GetLastError());
      return false;
    }
    *placed += shortcut.path + L'\0';
  }
  return true;
}

// `cabinet`: what to place, or nullptr for the package folder of the options.
int Install(const Hooks &hooks, const Options &options, const Cabinet *cabinet)
{
  BOOL firstCall = options.firstCall != 0;
  BOOL previous = options.previouslyInstalled < 0 ? ApplicationRecorded() : options.previouslyInstalled != 0;
  InstallJournal journal;
  JournalNoteUserKeys(&journal);
  if (hooks.installInit(nullptr, firstCall, previous, INSTALL_FOLDER) != codeINSTALL_INIT_CONTINUE) {
    wprintf(L"CabDriver: installation cancelled\n");
    return 1;
  }
  bool ok = !previous || Remove(hooks, &journal);
  if (!ok)
    fwprintf(stderr, L"CabDriver: the previous installation cannot be removed\n");
  std::wstring placed;
  if (ok)
    ok = cabinet != nullptr ? PlaceCabinet(&journal, *cabinet, &placed)
                            : CopyPackageFiles(&journal, options.package, &placed);
  if (!ok) {
    JournalRollBack(&journal);
    fwprintf(stderr, L"CabDriver: the installation failed and was undone; the device is as it was\n");
    return 5;
  }
  hooks.installExit(nullptr, INSTALL_FOLDER, 0, 0, 0, 0, 0);
  RecordApplication(placed);
  wprintf(L"CabDriver: installed into %ls\n", INSTALL_FOLDER);
  return 0;
}

int Uninstall(const Hooks &hooks)
{
  InstallJournal journal;
  Remove(hooks, &journal);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, APPLICATION_KEY);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, APPLICATION_KEY);
  wprintf(L"CabDriver: removed %ls\n", INSTALL_FOLDER);
  return 0;
}

bool IsCabinet(const wchar_t *path)
{
  size_t length = wcslen(path);
  return length > 4 && _wcsicmp(path + length - 4, L".cab") == 0;
}

// Installs from a cabinet: read and check it whole, then run its setup extension's hooks
// around placing its files.
int InstallCabinet(const Options &options)
{
  Cabinet cabinet;
  std::wstring error;
  if (!ReadCabinet(options.package, &cabinet, &error)) {
    fwprintf(stderr, L"CabDriver: %ls is refused, nothing was installed: %ls\n", options.package, error.c_str());
    return 4;
  }
  wchar_t folder[PATH_CAPACITY], library[PATH_CAPACITY];
  DWORD length = GetTempPathW(PATH_CAPACITY, folder);
  if (length == 0 || length >= PATH_CAPACITY ||
      _snwprintf(library, PATH_CAPACITY, L"%lsCabDriver-%lu.999.dll", folder, GetCurrentProcessId()) < 0)
    return 3;
  library[PATH_CAPACITY - 1] = 0;
  const std::vector<BYTE> &bytes = cabinet.setupLibrary->bytes;
  Hooks hooks = {};
  if (!WriteWholeFile(library, bytes.data(), bytes.size()) || !OpenHooks(options.emulator, library, &hooks)) {
    DeleteFileW(library);
    return 3;
  }
  int result = Install(hooks, options, &cabinet);
  CloseHooks(hooks);
  if (!StopEmulator())
    result = 3;
  DeleteFileW(library);
  return result;
}

bool FlagValue(const wchar_t *argument, const wchar_t *name, int *value)
{
  size_t length = wcslen(name);
  if (_wcsnicmp(argument, name, length) != 0)
    return false;
  const wchar_t *rest = argument + length;
  if ((rest[0] != L'0' && rest[0] != L'1') || rest[1] != 0)
    return false;
  *value = rest[0] - L'0';
  return true;
}

bool ParseOptions(int argc, wchar_t **argv, Options *options)
{
  *options = {ACTION_NONE, nullptr, 1, -1, nullptr, nullptr};
  for (int i = 1; i < argc; ++i) {
    const wchar_t *argument = argv[i];
    if (_wcsicmp(argument, L"/install") == 0 || _wcsicmp(argument, L"/reinstall") == 0) {
      if (i + 1 >= argc)
        return false;
      options->action = _wcsicmp(argument, L"/install") == 0 ? ACTION_INSTALL : ACTION_REINSTALL;
      options->package = argv[++i];
    } else if (_wcsicmp(argument, L"/uninstall") == 0) {
      options->action = ACTION_UNINSTALL;
    } else if (_wcsnicmp(argument, L"/emulator:", 10) == 0 && argument[10] != 0) {
      options->emulator = argument + 10;
    } else if (_wcsnicmp(argument, L"/library:", 9) == 0 && argument[9] != 0) {
      options->library = argument + 9;
    } else if (!FlagValue(argument, L"/first:", &options->firstCall) &&
               !FlagValue(argument, L"/previous:", &options->previouslyInstalled)) {
      return false;
    }
  }
  if (options->action == ACTION_REINSTALL)
    options->previouslyInstalled = 1;
  // The device's image runs only in the emulator, and the desktop library only here.
  if (options->library != nullptr && options->emulator == nullptr)
    return false;
  if (options->emulator != nullptr && options->library == nullptr &&
      (options->action == ACTION_UNINSTALL || !IsCabinet(options->package)))
    return false;
  return options->action != ACTION_NONE;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    fwprintf(stderr,
             L"usage: CabDriver /install <cabinet.cab | package folder> [/first:0|1] [/previous:0|1]\n"
             L"       CabDriver /reinstall <cabinet.cab | package folder>\n"
             L"       CabDriver /uninstall\n"
             L"       (any of them with /emulator:<ce-run> /library:<the ARM Ostrel.dll>)\n");
    return 2;
  }
  if (options.action != ACTION_UNINSTALL && IsCabinet(options.package))
    return InstallCabinet(options);
  wchar_t folder[PATH_CAPACITY], library[PATH_CAPACITY];
  Hooks hooks = {};
  if (options.library != nullptr) {
    if (wcslen(options.library) >= PATH_CAPACITY)
      return 2;
    wcscpy(library, options.library);
  } else if (!ProgramFolder(folder) || !JoinPath(library, folder, L"Ostrel.dll")) {
    return 3;
  }
  if (!OpenHooks(options.emulator, library, &hooks))
    return 3;
  int result = options.action == ACTION_UNINSTALL ? Uninstall(hooks) : Install(hooks, options, nullptr);
  CloseHooks(hooks);
  if (!StopEmulator())
    result = 3;
  return result;
}
