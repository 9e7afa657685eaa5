// The Windows Mobile shell library, loaded by name, and the shell bars it hides and shows.
#include "launcher/shell/ShellLockdown.h"

#include "Common/StdInit.h"

void LoadShellLibrary()
{
  if (g_shell.shellLibrary == nullptr)
    g_shell.shellLibrary = LoadLibraryW(SHELL_LIBRARY);
  if (g_shell.shellLibrary == nullptr)
    return;
  if (g_shell.fullScreenEntry == nullptr)
    g_shell.fullScreenEntry =
        reinterpret_cast<FullScreenProc>(GetProcAddressW(g_shell.shellLibrary, L"SHFullScreen"));
  if (g_shell.createMenuBarEntry == nullptr)
    g_shell.createMenuBarEntry = reinterpret_cast<CreateMenuBarProc>(
        GetProcAddressW(g_shell.shellLibrary, L"SHCreateMenuBar"));
}

void FreeShellLibrary()
{
  if (g_shell.shellLibrary == nullptr)
    return;
  FreeLibrary(g_shell.shellLibrary);
  g_shell.shellLibrary = nullptr;
  g_shell.fullScreenEntry = nullptr;
  g_shell.createMenuBarEntry = nullptr;
}

// The shell library acts on a window: none yet (the focus arrives while the main window is
// being created) or none any more, and there is nothing to ask it.
void HideShellBars()
{
  if (g_shell.fullScreenEntry != nullptr && g_app.mainWindow != nullptr)
    g_shell.fullScreenEntry(g_app.mainWindow, HIDE_SHELL_BARS);
}

void ShowShellBars()
{
  if (g_shell.fullScreenEntry != nullptr && g_app.mainWindow != nullptr)
    g_shell.fullScreenEntry(g_app.mainWindow, SHOW_SHELL_BARS);
}
