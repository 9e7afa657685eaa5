// Class registration, window creation, the message loop and the screen rectangles.
#include "Common/StdInit.h"

AppState g_app;

bool FindRunningLauncher(HINSTANCE instance, UINT classNameId)
{
  g_app.instance = instance;
  LoadTextOrId(TEXT_ID(classNameId), g_app.className, TEXT_CAPACITY);
  HWND running = FindWindowW(g_app.className, nullptr);
  if (running == nullptr)
    return false;
  BringWindowToFront(running);
  return true;
}

bool RegisterMainClass(HINSTANCE instance, UINT classNameId, WNDPROC procedure)
{
  if (FindRunningLauncher(instance, classNameId))
    return false;

  WNDCLASSW description = {};
  description.style = CS_HREDRAW | CS_VREDRAW;
  description.lpfnWndProc = procedure;
  description.hInstance = instance;
  // COLOR_WINDOW + 1 as a system colour index (on the device: 0x40000006).
  description.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  description.lpszClassName = g_app.className;
  if (RegisterClassW(&description) == 0) {
    ShowLastError(L"..\\Common\\StdInit@\n:\n151\n");
    return false;
  }
  return true;
}

bool CreateMainWindow(HINSTANCE instance, int showCommand, DWORD style, UINT classNameId,
                      UINT windowTextId)
{
  LoadTextOrId(TEXT_ID(classNameId), g_app.className, TEXT_CAPACITY);
  LoadTextOrId(TEXT_ID(windowTextId), g_app.windowText, TEXT_CAPACITY);
  InitCommonControls();

  RECT area;
  GetWorkArea(&area);
  HWND window = CreateWindowExW(0x40000000 /* WS_EX_NODRAG */, g_app.className, g_app.windowText,
                                style | WS_VISIBLE, area.left, area.top, area.right - area.left,
                                area.bottom - area.top, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    ShowLastError(L"..\\Common\\StdInit@\n:\n263\n");
    return false;
  }
  g_app.mainWindow = window;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return true;
}

DWORD LauncherTime()
{
  return GetTickCount() + g_app.clockOffset;
}

// A key, a tap or a turn of the wheel from the device's user (not a mere pointer move).
// The device delivers no non-client messages: a press on a scroll bar reaches its window
// as the scroll bar's own WM_VSCROLL and WM_HSCROLL, which NoteScrollBarInput counts.
static bool IsUserInput(UINT message)
{
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_LBUTTONDOWN && message <= WM_MOUSEWHEEL);
}

void NoteScrollBarInput(UINT message)
{
  if (message == WM_VSCROLL || message == WM_HSCROLL)
    g_app.lastInputTime = LauncherTime();
}

bool PreTranslateLoopMessage(MSG *message)
{
  if (IsUserInput(message->message))
    g_app.lastInputTime = LauncherTime();
  if (g_app.openDialog != nullptr) {
    if (g_app.currentAccelerators != nullptr &&
        TranslateAcceleratorW(g_app.openDialog, g_app.currentAccelerators, message))
      return true;
    if (IsDialogMessageW(g_app.openDialog, message))
      return true;
  }
  return g_app.currentAccelerators != nullptr && g_app.mainWindow != nullptr &&
         TranslateAcceleratorW(g_app.mainWindow, g_app.currentAccelerators, message);
}

void DispatchLoopMessage(MSG *message)
{
  if (PreTranslateLoopMessage(message))
    return;
  TranslateMessage(message);
  DispatchMessageW(message);
}

int RunMessageLoop(UINT acceleratorId)
{
  if (acceleratorId != 0)
    g_app.currentAccelerators = LoadAcceleratorsW(g_app.instance, MAKEINTRESOURCEW(acceleratorId));

  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1)
      break;
    DispatchLoopMessage(&message);
  }
  return got == -1 ? 0 : static_cast<int>(message.wParam);
}

void GetWorkArea(RECT *area)
{
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, area, 0))
    SetRect(area, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  if (g_app.forcedArea)
    *area = g_app.forcedRect;
}

void SetForcedWindowArea(const RECT *area)
{
  g_app.forcedArea = area != nullptr;
  if (area != nullptr)
    g_app.forcedRect = *area;
  else
    SetRectEmpty(&g_app.forcedRect);
}

void SetReservedBands(int top, int bottom)
{
  g_app.reservedTop = top > 0 ? top : 0;
  g_app.reservedBottom = bottom > 0 ? bottom : 0;
}

void GetClientArea(RECT *area)
{
  GetWorkArea(area);
  if (g_app.mainWindow != nullptr)
    GetClientRect(g_app.mainWindow, area);
}

void GetUsableArea(RECT *area)
{
  GetClientArea(area);
  // A window lower than its bands keeps an empty area, never a turned one.
  area->bottom -= g_app.reservedBottom;
  if (area->bottom < area->top)
    area->bottom = area->top;
  area->top += g_app.reservedTop;
  if (area->top > area->bottom)
    area->top = area->bottom;
}

void ComputeTitleLimit()
{
  RECT window;
  if (g_app.mainWindow != nullptr && GetWindowRect(g_app.mainWindow, &window))
    g_app.titleLimit = (window.right - window.left) / 8;
  else
    g_app.titleLimit = 28;
}

void RecordWindowGeometry()
{
  RECT window = {};
  GetWindowRect(g_app.mainWindow, &window);
  g_app.windowTop = window.top;
  g_app.bottomGap = GetSystemMetrics(SM_CYSCREEN) - window.bottom;
}
