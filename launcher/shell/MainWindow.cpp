// The main window procedure, its private messages and the item activation.
#include "launcher/shell/MainWindow.h"

#include "Common/StdInit.h"
#include "launcher/shell/ShellLockdown.h"

MainWindowState g_mainWindow = {{0}, -1, -1, -1, -1, false};

static LRESULT OnCreate(HWND window)
{
  SetFocus(window);
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
  PostMessageW(window, MSG_START_UP, 0, 0);
  return 0;
}

void HandleCommand(HWND window, int commandId)
{
  switch (commandId) {
  case IDOK:
    if (g_app.openDialog != nullptr)
      PostMessageW(g_app.openDialog, WM_COMMAND, IDOK, 0);
    else
      PostMessageW(window, WM_CLOSE, 0, 0);
    break;
  case CMD_QUIT:
    SendMessageW(window, WM_CLOSE, 0, 0);
    break;
  default:
    break;
  }
}

void TearDownPresentation()
{
  if (g_app.presentationWindow != nullptr) {
    DestroyWindow(g_app.presentationWindow);
    g_app.presentationWindow = nullptr;
  }
}

bool CloseApplication()
{
  bool destroyed = false;
  if (g_app.mainWindow != nullptr) {
    DestroyWindow(g_app.mainWindow);
    destroyed = true;
  }
  RestoreShell();
  return destroyed;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case WM_CREATE:
    return OnCreate(window);
  case WM_DESTROY:
    g_app.mainWindow = nullptr;
    PostQuitMessage(0);
    return 0;
  case WM_ACTIVATE:
    return 0;
  case WM_CLOSE:
    CloseApplication();
    return 0;
  case WM_COMMAND:
    HandleCommand(window, LOWORD(wParam));
    return 0;
  case MSG_START_UP:
    return 1;
  default:
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

void ActivateItem(int index) {}
void ConfirmExit() {}
