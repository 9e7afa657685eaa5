// Plays the CAB installer of a device around the setup extension Ostrel.dll (found beside
// this program): installation, removal and reinstallation in the installer's order.
//
//   CabDriver /install <package folder> [/first:0|1] [/previous:0|1]
//   CabDriver /reinstall <package folder>
//   CabDriver /uninstall
//
// The package folder holds the package data (CE_Ferrolt.reg, WM_Ferrolt.reg, FerroltCE.cpy,
// FerroltWM.cpy, Ferrolt.txt, Ferrolt.lnk,
// header.bmp); Ferrolt.exe is taken from beside this program.
// Everything goes into \Application\Ferrolt of the current drive. Like the device's
// installer, the driver records an installed package under HKEY_LOCAL_MACHINE\Software\Apps
// and, when it finds that record, removes the old copy before installing the new one.
// /previous overrides what the record says, /first the installer's first-call flag.
//
// Exit codes: 0 done, 1 cancelled by the setup extension, 2 wrong command line,
// 3 Ostrel.dll or one of its hooks missing.
#include <windows.h>

#include <stdio.h>

#include "cecompat/CeSetup.h"

namespace {

enum { PATH_CAPACITY = 520 };

const wchar_t INSTALL_FOLDER[] = L"\\Application\\Ferrolt";
const wchar_t APPLICATION_KEY[] = L"Software\\Apps\\OrvantLLC Ferrolt";
const wchar_t *const PACKAGE_FILES[] = {
    L"CE_Ferrolt.reg", L"WM_Ferrolt.reg", L"FerroltCE.cpy", L"FerroltWM.cpy", L"Ferrolt.txt", L"Ferrolt.lnk",
    L"header.bmp",
};
const wchar_t PROGRAM_FILE[] = L"Ferrolt.exe";

struct Hooks {
  pfnINSTALL_INIT installInit;
  pfnINSTALL_EXIT installExit;
  pfnUNINSTALL_INIT uninstallInit;
  pfnUNINSTALL_EXIT uninstallExit;
};

enum Action { ACTION_NONE, ACTION_INSTALL, ACTION_REINSTALL, ACTION_UNINSTALL };

struct Options {
  Action action;
  const wchar_t *packageFolder;
  int firstCall;            // -1: as the installer would (yes)
  int previouslyInstalled;  // -1: as the record says
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

bool LoadHooks(Hooks *hooks)
{
  wchar_t folder[PATH_CAPACITY], library[PATH_CAPACITY];
  if (!ProgramFolder(folder) || !JoinPath(library, folder, L"Ostrel.dll"))
    return false;
  HMODULE module = LoadLibraryW(library);
  if (module == nullptr) {
    fwprintf(stderr, L"CabDriver: cannot load %ls (error %lu)\n", library, GetLastError());
    return false;
  }
  hooks->installInit = reinterpret_cast<pfnINSTALL_INIT>(GetProcAddress(module, INSTALL_INIT_NAME));
  hooks->installExit = reinterpret_cast<pfnINSTALL_EXIT>(GetProcAddress(module, INSTALL_EXIT_NAME));
  hooks->uninstallInit = reinterpret_cast<pfnUNINSTALL_INIT>(GetProcAddress(module, UNINSTALL_INIT_NAME));
  hooks->uninstallExit = reinterpret_cast<pfnUNINSTALL_EXIT>(GetProcAddress(module, UNINSTALL_EXIT_NAME));
  if (hooks->installInit == nullptr || hooks->installExit == nullptr || hooks->uninstallInit == nullptr ||
      hooks->uninstallExit == nullptr) {
    fwprintf(stderr, L"CabDriver: %ls lacks one of the setup hooks\n", library);
    return false;
  }
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

void RecordApplication()
{
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, APPLICATION_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  DWORD installed = 1;
  RegSetValueExW(key, L"Instl", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&installed), sizeof(installed));
  RegSetValueExW(key, L"InstlDir", 0, REG_SZ, reinterpret_cast<const BYTE *>(INSTALL_FOLDER),
                 sizeof(INSTALL_FOLDER));
  RegCloseKey(key);
}

// What the installer itself placed: the program and the package data.
void DeletePackageFiles()
{
  wchar_t path[PATH_CAPACITY];
  if (JoinPath(path, INSTALL_FOLDER, PROGRAM_FILE))
    DeleteFileW(path);
  for (const wchar_t *name : PACKAGE_FILES) {
    if (JoinPath(path, INSTALL_FOLDER, name))
      DeleteFileW(path);
  }
  RemoveDirectoryW(INSTALL_FOLDER);
}

WORD CopyPackageFiles(const wchar_t *packageFolder)
{
  WORD failed = 0;
  wchar_t folder[PATH_CAPACITY], source[PATH_CAPACITY], target[PATH_CAPACITY];
  CreateDirectoryW(L"\\Application", nullptr);
  CreateDirectoryW(INSTALL_FOLDER, nullptr);
  if (!ProgramFolder(folder) || !JoinPath(source, folder, PROGRAM_FILE) ||
      !JoinPath(target, INSTALL_FOLDER, PROGRAM_FILE) || !CopyFileW(source, target, FALSE)) {
    fwprintf(stderr, L"CabDriver: cannot copy %ls\n", PROGRAM_FILE);
    ++failed;
  }
  for (const wchar_t *name : PACKAGE_FILES) {
    if (!JoinPath(source, packageFolder, name) || !JoinPath(target, INSTALL_FOLDER, name) ||
        !CopyFileW(source, target, FALSE)) {
      fwprintf(stderr, L"CabDriver: cannot copy %ls\n", name);
      ++failed;
    }
  }
  return failed;
}

void Remove(const Hooks &hooks)
{
  hooks.uninstallInit(nullptr, INSTALL_FOLDER);
  DeletePackageFiles();
  hooks.uninstallExit(nullptr);
}

int Install(const Hooks &hooks, const Options &options)
{
  BOOL firstCall = options.firstCall != 0;
  BOOL previous = options.previouslyInstalled < 0 ? ApplicationRecorded() : options.previouslyInstalled != 0;
  if (hooks.installInit(nullptr, firstCall, previous, INSTALL_FOLDER) != codeINSTALL_INIT_CONTINUE) {
    wprintf(L"CabDriver: installation cancelled\n");
    return 1;
  }
  if (previous)
    Remove(hooks);
  WORD failedFiles = CopyPackageFiles(options.packageFolder);
  hooks.installExit(nullptr, INSTALL_FOLDER, 0, failedFiles, 0, 0, 0);
  RecordApplication();
  wprintf(L"CabDriver: installed into %ls\n", INSTALL_FOLDER);
  return 0;
}

int Uninstall(const Hooks &hooks)
{
  Remove(hooks);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, APPLICATION_KEY);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, APPLICATION_KEY);
  wprintf(L"CabDriver: removed %ls\n", INSTALL_FOLDER);
  return 0;
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
  *options = {ACTION_NONE, nullptr, 1, -1};
  for (int i = 1; i < argc; ++i) {
    const wchar_t *argument = argv[i];
    if (_wcsicmp(argument, L"/install") == 0 || _wcsicmp(argument, L"/reinstall") == 0) {
      if (i + 1 >= argc)
        return false;
      options->action = _wcsicmp(argument, L"/install") == 0 ? ACTION_INSTALL : ACTION_REINSTALL;
      options->packageFolder = argv[++i];
    } else if (_wcsicmp(argument, L"/uninstall") == 0) {
      options->action = ACTION_UNINSTALL;
    } else if (!FlagValue(argument, L"/first:", &options->firstCall) &&
               !FlagValue(argument, L"/previous:", &options->previouslyInstalled)) {
      return false;
    }
  }
  if (options->action == ACTION_REINSTALL)
    options->previouslyInstalled = 1;
  return options->action != ACTION_NONE;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    fwprintf(stderr,
             L"usage: CabDriver /install <package folder> [/first:0|1] [/previous:0|1]\n"
             L"       CabDriver /reinstall <package folder>\n"
             L"       CabDriver /uninstall\n");
    return 2;
  }
  Hooks hooks;
  if (!LoadHooks(&hooks))
    return 3;
  if (options.action == ACTION_UNINSTALL)
    return Uninstall(hooks);
  return Install(hooks, options);
}
