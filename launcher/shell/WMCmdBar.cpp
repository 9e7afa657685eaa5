// The empty menu bar of a Windows Mobile launcher that is not in full screen.
#include "launcher/shell/WMCmdBar.h"

#include "Common/StdInit.h"
#include "launcher/shell/LauncherLog.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/ShellLockdown.h"
#include "launcher/shell/UsableArea.h"

// A menu bar never carries more buttons than this; the limit only guards against a bar
// that keeps answering TB_DELETEBUTTON with success.
enum { MENU_BAR_BUTTON_LIMIT = 256 };

static void RemoveMenuBarButtons(HWND menuBar)
{
  for (int i = 0; i < MENU_BAR_BUTTON_LIMIT; ++i) {
    if (SendMessageW(menuBar, TB_DELETEBUTTON, 0, 0) == 0)
      return;
  }
}

bool CreateEmptyMenuBar()
{
  if (g_app.mainWindow == nullptr)
    return false;

  SHMENUBARINFO info = {};
  info.cbSize = sizeof(info);
  info.hwndParent = g_app.mainWindow;
  info.dwFlags = SHCMBF_EMPTYBAR;
  info.hInstRes = g_app.instance;

  if (g_shell.createMenuBarEntry == nullptr || !g_shell.createMenuBarEntry(&info)) {
    UsePlatformMessageBox();
    ShowLastError(L".\\WMCmdBar@\n:\n201\n");
    SetEndReason(END_MENU_BAR_FAILED);
    CloseApplication();
    return false;
  }

  RECT bar;
  if (info.hwndMB != nullptr && GetWindowRect(info.hwndMB, &bar))
    g_shell.menuBarHeight = bar.bottom - bar.top;
  HandUsableArea();
  if (info.hwndMB != nullptr)
    RemoveMenuBarButtons(info.hwndMB);
  return true;
}
