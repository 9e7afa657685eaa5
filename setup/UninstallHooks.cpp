// The installer's hooks around removing the package.
#include "setup/Ostrel.h"

extern "C" codeUNINSTALL_INIT Uninstall_Init(HWND hwndParent, LPCTSTR pszInstallDir)
{
  g_setup.plainCePlatform = IsPlainCePlatform();
  return codeUNINSTALL_INIT_CONTINUE;
}

// A removal that is the first half of a reinstall leaves the configuration alone.
static bool IsPartOfReinstall()
{
  return SetupKeyExists(REINSTALL_MARKER) || SetupKeyExists(FORMER_REINSTALL_MARKER);
}

extern "C" codeUNINSTALL_EXIT Uninstall_Exit(HWND hwndParent)
{
  if (IsPartOfReinstall())
    return codeUNINSTALL_EXIT_DONE;
  DeleteTree(INSTALL_FOLDER);
  RemoveDirectoryW(INSTALL_FOLDER);
  DeleteKeyTree(HKEY_CURRENT_USER, PRODUCT_KEY);
  DeleteKeyTree(HKEY_CURRENT_USER, FORMER_PRODUCT_KEY);
  const VariantFiles &files = CurrentVariant();
  DeleteFileW(files.keptScript);
  if (DeleteFileW(files.keptCopyNote))
    DeleteFileW(files.shortcut);
  return codeUNINSTALL_EXIT_DONE;
}
