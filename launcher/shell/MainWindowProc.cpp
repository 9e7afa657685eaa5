// The main window procedure: a dispatcher over small handlers.
#include "launcher/shell/MainWindow.h"

#include "Common/StdInit.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/launch/NetworkProbe.h"
#include "launcher/launch/ProgramWatch.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/MenuBars.h"
#include "launcher/presentation/StatusStrip.h"
#include "launcher/shell/ExitGuard.h"
#include "launcher/shell/IdleHome.h"
#include "launcher/shell/ShellLockdown.h"
#include "launcher/shell/UpdateWatch.h"

MainWindowState g_mainWindow = {{0}, -1, -1, -1, -1, false};

enum { SETTING_ROTATION = 0x3002 };

static LRESULT OnCreate(HWND window)
{
  SetFocus(window);
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
  PostMessageW(window, MSG_START_UP, 0, 0);
  return 0;
}

static void OnSize(HWND window, int width, int height)
{
  if (width == -1 && height == -1) {
    if (g_mainWindow.lastPresentationWidth == -1 && g_mainWindow.lastPresentationHeight == -1)
      return;
    width = g_mainWindow.lastPresentationWidth;
    height = g_mainWindow.lastPresentationHeight;
  }
  PlaceStatusStrip();
  // An open message, About box or password panel follows the new size at once.
  PlaceOpenDialog();
  if (g_app.presentationWindow != nullptr && g_app.openDialog == nullptr) {
    RECT usable;
    GetUsableArea(&usable);
    SetWindowPos(g_app.presentationWindow, nullptr, 0, usable.top, width,
                 usable.bottom - usable.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
    g_mainWindow.lastPresentationWidth = width;
    g_mainWindow.lastPresentationHeight = height;
  }

  if (g_mainWindow.resizeGuard)
    return;
  g_mainWindow.resizeGuard = true;
  if (g_app.openDialog == nullptr && g_app.mainWindow != nullptr &&
      (width != g_mainWindow.lastLayoutWidth || height != g_mainWindow.lastLayoutHeight)) {
    SendMessageW(g_app.mainWindow, MSG_RELAYOUT, 0, 0);
    g_mainWindow.lastLayoutWidth = width;
    g_mainWindow.lastLayoutHeight = height;
  }
  g_mainWindow.resizeGuard = false;
}

static void OnSetFocus()
{
  if (WantsHiddenBars())
    HideShellBars();
  if (g_app.openDialog != nullptr)
    SetFocus(g_app.openDialog);
  else if (g_app.presentationWindow != nullptr)
    SetFocus(g_app.presentationWindow);
}

static void OnRotation(HWND window)
{
  TearDownPresentation();
  g_app.focusFlag = GetForegroundWindow() == window;
  // The window keeps its top and its gap above the screen's bottom edge (the task bar).
  if (g_shell.plainCe && g_shell.forceScreenState != FORCE_SCREEN_VALID)
    SetWindowPos(window, nullptr, 0, g_app.windowTop, GetSystemMetrics(SM_CXSCREEN),
                 GetSystemMetrics(SM_CYSCREEN) - g_app.bottomGap - g_app.windowTop,
                 SWP_NOZORDER | SWP_FRAMECHANGED);
  PostMessageW(window, MSG_SHOW_CONFIGURATION, 0, 0);
}

// Hot keys act only in front, and only on an item that exists in the current table.
static void OnHotKey(HWND window, WPARAM id)
{
  if (GetForegroundWindow() != window)
    return;
  if (id >= static_cast<WPARAM>(g_entries.count))
    return;
  SelectItemForActivation(static_cast<int>(id));
  ActivateItem(static_cast<int>(id));
}

// A close the user asks for through the window manager (Alt+F4, a close box) is the
// user's Exit: it asks for the exit password where one is set. Every other system command
// is the platform's.
static LRESULT OnSysCommand(HWND window, WPARAM command, LPARAM lParam)
{
  if ((command & 0xFFF0) != SC_CLOSE)
    return DefWindowProcW(window, WM_SYSCOMMAND, command, lParam);
  if (ConfirmUserExit())
    SendMessageW(window, WM_CLOSE, 0, 0);
  return 0;
}

void OnRelayout(HWND window)
{
  if (GetForegroundWindow() != window || g_app.presentationWindow == nullptr)
    return;
  if (IsMenuBarsMode()) {
    int selected = GetMenuSelection();
    ScrollMenuTo(0);
    ScrollMenuTo(selected);
    return;
  }
  HWND list = g_app.presentationWindow;
  int selected = GetSelectedListItem();
  SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL,
               reinterpret_cast<LPARAM>(g_presentation.smallImages));
  SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(selected), FALSE);
  SetSelectionState(true);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case WM_CREATE:
    return OnCreate(window);
  case WM_DESTROY:
    StopIdleHome(window);
    StopUpdateWatch();
    StopProgramWatch();
    ReleaseNetworkProbe();
    StopStatusStrip();
    PostQuitMessage(0);
    return 0;
  case WM_SIZE:
    OnSize(window, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    return 0;
  case WM_ACTIVATE:
    return 0;
  case WM_SETFOCUS:
    OnSetFocus();
    return 0;
  case WM_CLOSE:
    DismissPasswordPrompt();
    CloseApplication();
    return 0;
  case WM_SYSCOMMAND:
    return OnSysCommand(window, wParam, lParam);
  case WM_TIMER:
    if (wParam == WATCH_TIMER) {
      OnWatchTimer(window);
      return 0;
    }
    if (wParam == NETWORK_MARK_TIMER) {
      OnNetworkMarkTimer(window);
      return 0;
    }
    if (wParam != IDLE_HOME_TIMER)
      return DefWindowProcW(window, message, wParam, lParam);
    OnIdleTimer(window);
    return 0;
  case WM_SETTINGCHANGE:
    if (wParam == SETTING_ROTATION)
      OnRotation(window);
    return 0;
  case WM_NOTIFY:
    if (IsMenuBarsMode())
      return 0;
    return HandleListNotify(window, message, wParam, reinterpret_cast<NMHDR *>(lParam));
  case WM_COMMAND:
    HandleCommand(window, LOWORD(wParam));
    return 0;
  case WM_HOTKEY:
    OnHotKey(window, wParam);
    return 0;
  case WM_HIBERNATE:
    OnLowMemory(window);
    return 0;
  case MSG_BROUGHT_TO_FRONT:
    OnBroughtToFront(window);
    return 0;
  case MSG_START_UP:
    OnStartUp(window);
    return 1;
  case MSG_DROP_VIEW:
    TearDownPresentation();
    return 0;
  case MSG_RELAYOUT:
    OnRelayout(window);
    return 0;
  case MSG_ENTER_CONFIGURATION:
    OnEnterConfiguration(window, lParam);
    return 0;
  case MSG_BACK:
    OnBack(window);
    return 0;
  case MSG_SHOW_CONFIGURATION:
    OnShowConfiguration(window);
    return 0;
  default:
    return DefWindowProcW(window, message, wParam, lParam);
  }
}
