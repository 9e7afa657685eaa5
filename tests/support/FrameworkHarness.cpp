#include "tests/support/FrameworkHarness.h"

#include <map>

#include "Common/StdInit.h"
#include "resources/resource.h"
#include "tests/support/TestSupport.h"

namespace test {

MainWindowLog FrameworkHarness::log;
static bool g_watchdogFired = false;
static std::map<UINT_PTR, std::function<void()>> g_pending;

static LRESULT CALLBACK HarnessMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case WM_USER + 0x103:
    FrameworkHarness::log.opening++;
    return 0;
  case WM_USER + 0x104:
    FrameworkHarness::log.closed++;
    return 0;
  case WM_SETTINGCHANGE:
    if (wParam == SPI_SETWORKAREA)
      FrameworkHarness::log.workAreaChanges++;
    return 0;
  case WM_COMMAND:
    FrameworkHarness::log.commands.push_back(LOWORD(wParam));
    return 0;
  default:
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

static void CloseEveryDialog()
{
  for (int guard = 0; g_app.openDialog != nullptr && guard < DIALOG_STACK_LEVELS; ++guard) {
    HWND dialog = g_app.openDialog;
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    if (g_app.openDialog == dialog)
      EndCurrentDialog();
  }
}

static void CALLBACK WatchdogProc(HWND, UINT, UINT_PTR id, DWORD)
{
  KillTimer(nullptr, id);
  g_watchdogFired = true;
  CloseEveryDialog();
}

FrameworkHarness::FrameworkHarness(DWORD timeoutMs)
{
  ClearLauncherRegistry();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW description = {};
  description.lpfnWndProc = HarnessMainProc;
  description.hInstance = instance;
  description.lpszClassName = L"FrameworkHarnessMain";
  RegisterClassW(&description);
  main = CreateWindowExW(0, L"FrameworkHarnessMain", L"Harness title",
                         WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr,
                         instance, nullptr);
  RECT client;
  GetClientRect(main, &client);
  presentation = CreateWindowExW(0, L"STATIC", L"presentation", WS_CHILD | WS_VISIBLE, 0, 0,
                                 client.right, client.bottom, main, nullptr, instance, nullptr);
  launcherTable = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_LAUNCHER));

  g_app.instance = instance;
  g_app.mainWindow = main;
  g_app.presentationWindow = presentation;
  g_app.currentAccelerators = launcherTable;
  g_app.openDialog = nullptr;
  ZeroMemory(&g_dialogs, sizeof(g_dialogs));
  log = MainWindowLog();
  g_watchdogFired = false;
  SetControlDown(false);
  watchdog_ = SetTimer(nullptr, 0, timeoutMs, WatchdogProc);
}

FrameworkHarness::~FrameworkHarness()
{
  KillTimer(nullptr, watchdog_);
  for (auto &pending : g_pending)
    KillTimer(nullptr, pending.first);
  g_pending.clear();
  CloseEveryDialog();
  SetControlDown(false);
  DestroyWindow(main);
  g_app.mainWindow = nullptr;
  g_app.presentationWindow = nullptr;
  g_app.currentAccelerators = nullptr;
  g_app.openDialog = nullptr;
  ClearLauncherRegistry();
  PumpMessages(20);
}

bool FrameworkHarness::WatchdogFired()
{
  return g_watchdogFired;
}

static void CALLBACK RunLaterProc(HWND, UINT, UINT_PTR id, DWORD)
{
  KillTimer(nullptr, id);
  auto found = g_pending.find(id);
  if (found == g_pending.end())
    return;
  std::function<void()> action = found->second;
  g_pending.erase(found);
  action();
}

void RunLater(DWORD delayMs, std::function<void()> action)
{
  UINT_PTR id = SetTimer(nullptr, 0, delayMs, RunLaterProc);
  g_pending[id] = action;
}

HWND KeyTarget()
{
  HWND focus = GetFocus();
  return focus != nullptr ? focus : g_app.openDialog;
}

void PostKey(HWND window, UINT virtualKey)
{
  PostMessageW(window, WM_KEYDOWN, virtualKey, 1);
  PostMessageW(window, WM_KEYUP, virtualKey, 0xC0000001);
}

void SetControlDown(bool down)
{
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = keys[VK_LCONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

std::wstring WindowText(HWND window)
{
  wchar_t buffer[1024] = {0};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

std::wstring ItemText(HWND dialog, int controlId)
{
  HWND control = GetDlgItem(dialog, controlId);
  return control != nullptr ? WindowText(control) : L"<missing>";
}

RECT RectInParent(HWND child)
{
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT *>(&rect), 2);
  return rect;
}

const NamedCloseWay kCloseWays[4] = {{CLOSE_OK_BUTTON, L"OK button"},
                                     {CLOSE_ENTER, L"Enter"},
                                     {CLOSE_ESCAPE, L"Escape"},
                                     {CLOSE_CTRL_Q, L"Ctrl+Q"}};

void CloseOpenDialog(CloseWay way)
{
  switch (way) {
  case CLOSE_OK_BUTTON:
    SendDlgItemMessageW(g_app.openDialog, IDOK, BM_CLICK, 0, 0);
    break;
  case CLOSE_ENTER:
    PostKey(KeyTarget(), VK_RETURN);
    break;
  case CLOSE_ESCAPE:
    PostKey(KeyTarget(), VK_ESCAPE);
    break;
  case CLOSE_CTRL_Q:
    SetControlDown(true);
    PostKey(KeyTarget(), 'Q');
    break;
  }
}

}  // namespace test
