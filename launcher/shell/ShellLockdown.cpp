// Full screen, the task bar and the Windows Mobile shell bars.
// Start-up calls these in its fixed order; until full-screen support lands, the launcher
// runs as a normal window on plain Windows CE.
#include "launcher/shell/ShellLockdown.h"

#include <wchar.h>

#include "Common/StdInit.h"

ShellState g_shell = {true, 0, FORCE_SCREEN_NONE, 0, 0, nullptr, nullptr, nullptr};

void ProbePlatform()
{
  wchar_t type[TEXT_CAPACITY] = {0};
  g_shell.plainCe = true;
  if (SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof(type), type, 0) &&
      _wcsnicmp(type, L"PocketPC", 8) == 0)
    g_shell.plainCe = false;
}

void LoadShellLibrary() {}
void FreeShellLibrary() {}
bool CheckForceScreen() { return false; }
bool ReadFullScreenSetting() { return false; }
void EnterFullScreen() {}
void RestoreWorkArea() {}
void RestoreShell() {}
void HideShellBars() {}
void ShowShellBars() {}

bool WantsHiddenBars()
{
  return g_shell.forceScreenState != FORCE_SCREEN_VALID && g_shell.fullScreen != 0 &&
         !g_shell.plainCe;
}
bool WantsShownBars() { return g_shell.fullScreen != 0 && !g_shell.plainCe; }
bool NeedsWorkAreaBeforeLaunch() { return g_shell.fullScreen != 0 && !g_shell.plainCe; }
bool NeedsMenuBar() { return g_shell.fullScreen == 0 && !g_shell.plainCe; }
bool CaptionAllowed() { return g_shell.fullScreen != 0 || g_shell.plainCe; }
