// The installer's hooks around copying the package: before (may refuse) and after.
#include "setup/Ostrel.h"

static const wchar_t LAUNCHER_CLASS[] = L"FerroltClass";
static const wchar_t BOX_CAPTION[] = L"Ferrolt";
static const wchar_t RUNNING_TEXT[] = L"Ferrolt is currently running.\nPlease exit Ferrolt before installing";
static const wchar_t REINSTALL_QUESTION[] =
    L"Ferrolt is already installed.\nPlease confirm that you wish to reinstall";
static const wchar_t SHIPPED_SHORTCUT_TEXT[] = L"\\Application\\Ferrolt\\Ferrolt.txt";

// Files that only the installation needs; the launcher runs without them.
static const wchar_t *const INSTALLATION_ONLY_FILES[] = {
    L"\\Application\\Ferrolt\\FerroltCE.cpy",
    L"\\Application\\Ferrolt\\FerroltWM.cpy",
    L"\\Application\\Ferrolt\\CE_Ferrolt.reg",
    L"\\Application\\Ferrolt\\WM_Ferrolt.reg",
    L"\\Application\\Ferrolt\\Ferrolt.lnk",
};

// Installed means the program and this variant's Start-menu shortcut are both there.
static bool IsLauncherInstalled()
{
  return FileExists(INSTALLED_PROGRAM) && FileExists(CurrentVariant().shortcut);
}

// The marker goes beside the key layout that holds the profiles.
static void CreateReinstallMarker()
{
  const wchar_t *marker = SetupKeyExists(FORMER_PROFILES_KEY) ? FORMER_REINSTALL_MARKER : REINSTALL_MARKER;
  HKEY key;
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, marker, 0, const_cast<wchar_t *>(L""), 0, KEY_ALL_ACCESS,
                      nullptr, &key, &disposition) == ERROR_SUCCESS)
    RegCloseKey(key);
}

extern "C" codeINSTALL_INIT Install_Init(HWND hwndParent, BOOL fFirstCall, BOOL fPreviouslyInstalled,
                                         LPCTSTR pszInstallDir)
{
  if (FindWindowW(LAUNCHER_CLASS, nullptr) != nullptr) {
    MessageBoxW(hwndParent, RUNNING_TEXT, BOX_CAPTION, MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
    return codeINSTALL_INIT_CANCEL;
  }
  g_setup.plainCePlatform = IsPlainCePlatform();
  if (IsLauncherInstalled()) {
    if (!fFirstCall)
      return codeINSTALL_INIT_CONTINUE;
    if (!fPreviouslyInstalled &&
        MessageBoxW(hwndParent, REINSTALL_QUESTION, BOX_CAPTION,
                    MB_YESNO | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST) == IDNO)
      return codeINSTALL_INIT_CANCEL;
  }
  if (fFirstCall && fPreviouslyInstalled)
    CreateReinstallMarker();
  return codeINSTALL_INIT_CONTINUE;
}

// Only a device without any profile gets the shipped configuration. Returns the merge
// tool's process, or null.
static HANDLE MergeDefaultConfiguration()
{
  HANDLE merge = nullptr;
  if (SetupKeyExists(PROFILES_KEY) || SetupKeyExists(FORMER_PROFILES_KEY))
    return merge;
  DeleteKeyTree(HKEY_CURRENT_USER, PRODUCT_KEY);
  DeleteKeyTree(HKEY_CURRENT_USER, FORMER_PRODUCT_KEY);
  Sleep(1000);
  wchar_t arguments[SETUP_PATH_CAPACITY];
  if (CopyBounded(arguments, SETUP_PATH_CAPACITY, L"/q ") &&
      AppendBounded(arguments, SETUP_PATH_CAPACITY, CurrentVariant().shippedScript))
    RunRegistryMerge(arguments, &merge);
  Sleep(1000);
  return merge;
}

// The copies in \Application outlive the program folder; the shortcut follows the copy note.
static void KeepCopiesAndShortcut()
{
  const VariantFiles &files = CurrentVariant();
  if (!FileExists(files.keptScript))
    CopyFileW(files.shippedScript, files.keptScript, FALSE);
  if (CopyFileW(files.shippedCopyNote, files.keptCopyNote, FALSE))
    CopyFileW(SHIPPED_SHORTCUT_TEXT, files.shortcut, FALSE);
}

static void DeleteInstallationOnlyFiles()
{
  for (size_t i = 0; i < sizeof(INSTALLATION_ONLY_FILES) / sizeof(INSTALLATION_ONLY_FILES[0]); i++)
    DeleteFileW(INSTALLATION_ONLY_FILES[i]);
}

static void DeleteReinstallMarkers()
{
  Sleep(100);
  DeleteKeyTree(HKEY_CURRENT_USER, REINSTALL_MARKER);
  DeleteKeyTree(HKEY_CURRENT_USER, FORMER_REINSTALL_MARKER);
  Sleep(100);
}

extern "C" codeINSTALL_EXIT Install_Exit(HWND hwndParent, LPCTSTR pszInstallDir, WORD cFailedDirs,
                                         WORD cFailedFiles, WORD cFailedRegKeys, WORD cFailedRegVals,
                                         WORD cFailedShortcuts)
{
  HANDLE merge = MergeDefaultConfiguration();
  KeepCopiesAndShortcut();
  Sleep(1000);
  AwaitRegistryMerge(merge);
  DeleteInstallationOnlyFiles();
  RemoveOldInstallation();
  DeleteReinstallMarkers();
  return codeINSTALL_EXIT_DONE;
}
