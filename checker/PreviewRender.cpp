// Shows the loaded configuration in a window of the device's screen, the way the
// launcher's start-up and navigation would, and captures it.
#include "checker/PreviewRender.h"

#include "checker/LockMarks.h"

#include "Common/StdInit.h"
#include "cecompat/AygShell.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/config/SettingReader.h"
#include "launcher/launch/NetworkProbe.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/MenuBars.h"
#include "launcher/presentation/StatusStrip.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/ShellLockdown.h"
#include "launcher/shell/UsableArea.h"
#include "launcher/shell/WMCmdBar.h"

namespace preview {
namespace {

const wchar_t kHostClass[] = L"FerroltPreviewScreen";
const wchar_t kDeviceBarClass[] = L"FerroltPreviewDeviceBar";
// Height of the Windows Mobile menu bar at the devices' 96 pixels per inch.
enum { DEVICE_MENU_BAR_HEIGHT = 26, CHILD_LIMIT = 256, OFF_SCREEN = -30000 };

// The launcher's main window as far as a shown presentation needs it: the list view asks
// its parent for the texts of the further columns.
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_NOTIFY)
    return HandleListNotify(window, message, wParam, reinterpret_cast<NMHDR *>(lParam));
  return DefWindowProcW(window, message, wParam, lParam);
}

// The device's empty menu bar: a plain strip along the bottom of its parent.
LRESULT CALLBACK DeviceBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_PAINT || message == WM_PRINTCLIENT) {
    PAINTSTRUCT paint;
    HDC dc = message == WM_PAINT ? BeginPaint(window, &paint) : reinterpret_cast<HDC>(wParam);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (message == WM_PAINT)
      EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

BOOL WINAPI CreateDeviceMenuBar(SHMENUBARINFO *info)
{
  RECT client;
  GetClientRect(info->hwndParent, &client);
  info->hwndMB = CreateWindowExW(0, kDeviceBarClass, L"", WS_CHILD | WS_VISIBLE, 0,
                                 client.bottom - DEVICE_MENU_BAR_HEIGHT, client.right,
                                 DEVICE_MENU_BAR_HEIGHT, info->hwndParent, nullptr,
                                 info->hInstRes, nullptr);
  return info->hwndMB != nullptr;
}

void RegisterClasses()
{
  WNDCLASSW host = {};
  host.lpfnWndProc = HostWindowProc;
  host.hInstance = g_app.instance;
  host.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  host.lpszClassName = kHostClass;
  RegisterClassW(&host);
  WNDCLASSW bar = {};
  bar.lpfnWndProc = DeviceBarProc;
  bar.hInstance = g_app.instance;
  bar.lpszClassName = kDeviceBarClass;
  RegisterClassW(&bar);
}

// The configuration's own value, else the home configuration's; false when neither has it.
bool ReadInheritedValue(const wchar_t *valueName, DWORD kind, void *destination, DWORD bytes)
{
  const wchar_t *const owners[] = {g_profile.configurationName, DEFAULT_CONFIGURATION};
  for (const wchar_t *owner : owners) {
    wchar_t key[TEXT_CAPACITY];
    CopyText(key, TEXT_CAPACITY, g_profile.profileKeyPath);
    AppendText(key, TEXT_CAPACITY, L"\\");
    AppendText(key, TEXT_CAPACITY, owner);
    AppendText(key, TEXT_CAPACITY, L"\\Settings");
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
      continue;
    // Room is kept for a terminator that a stored text may lack.
    DWORD size = kind == REG_SZ ? bytes - sizeof(wchar_t) : bytes;
    DWORD type = REG_NONE;
    LONG result = RegQueryValueExW(opened, valueName, nullptr, &type,
                                   static_cast<BYTE *>(destination), &size);
    RegCloseKey(opened);
    if (result != ERROR_SUCCESS || type != kind)
      continue;
    if (kind == REG_SZ)
      static_cast<wchar_t *>(destination)[size / sizeof(wchar_t)] = 0;
    return true;
  }
  return false;
}

// The header picture was cut for the screen the walk ran on; cut it again for this one,
// taking the file from beside the script when the device path does not exist here.
void ReloadHeaderPicture(const Screen &screen)
{
  wchar_t path[TEXT_CAPACITY] = {0};
  DWORD height = g_settings.bitmapHeight;
  if (g_settings.mode != MODE_MENU_BARS ||
      !ReadInheritedValue(L"BitmapFilePath", REG_SZ, path, sizeof(path)) || path[0] == 0)
    return;
  if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
    // The launcher found no picture and forgot the height; take it as the settings give it.
    if (screen.fileFolder.empty() ||
        !ReadInheritedValue(L"BitmapHeight", REG_DWORD, &height, sizeof(height)))
      return;
    const wchar_t *name = path;
    for (const wchar_t *p = path; *p != 0; ++p)
      if (*p == L'\\' || *p == L'/')
        name = p + 1;
    wchar_t beside[TEXT_CAPACITY];
    CopyText(beside, TEXT_CAPACITY, screen.fileFolder.c_str());
    AppendText(beside, TEXT_CAPACITY, L"\\");
    AppendText(beside, TEXT_CAPACITY, name);
    CopyText(path, TEXT_CAPACITY, beside);
  }
  if (height == 0)
    return;
  g_settings.bitmapHeight = height;
  LoadHeaderBitmap(&g_settings, path);
}

void FixedTime(SYSTEMTIME *time)
{
  ZeroMemory(time, sizeof(*time));
  time->wYear = 2000;
  time->wMonth = 1;
  time->wDay = 1;
  time->wHour = PREVIEW_HOUR;
  time->wMinute = PREVIEW_MINUTE;
}

bool FullBattery(SYSTEM_POWER_STATUS_EX2 *status)
{
  status->ACLineStatus = 0;
  status->BatteryFlag = 1;  // high
  status->BatteryLifePercent = 100;
  return true;
}

// Caption and menu bar as the device decides them (start-up of the launcher).
HWND CreateScreenWindow(const Screen &screen)
{
  DWORD style = WS_POPUP;
  if (g_settings.titleShown && CaptionAllowed())
    style |= WS_CAPTION;
  RECT place = {0, 0, screen.width, screen.height};
  if (screen.forced)
    place = screen.forcedRect;
  // Far off the desktop's own screen: a preview run on a desktop shows no windows there.
  HWND window = CreateWindowExW(0, kHostClass, L"", style, OFF_SCREEN, OFF_SCREEN,
                                place.right - place.left, place.bottom - place.top, nullptr,
                                nullptr, g_app.instance, nullptr);
  if (window == nullptr)
    return nullptr;
  // Shown and active as the launcher's window is, so that the list view draws its
  // selection as a focused control does.
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  g_app.mainWindow = window;
  if (NeedsMenuBar())
    CreateEmptyMenuBar();
  ComputeTitleLimit();
  SetWindowTextW(window, g_settings.titleText);
  UpdateWindowTitle();
  g_statusStrip.readTime = FixedTime;
  g_statusStrip.readPower = FullBattery;
  // As on a device without a network, whatever this desktop has: the pictures compare.
  AssumeNetworkState(NETWORK_DOWN);
  CreateStatusStrip(window, screen.statusStrip);
  return window;
}

void CopySurface(int width, int height, const void *bits, Picture *picture)
{
  GdiFlush();
  picture->width = width;
  picture->height = height;
  const uint32_t *first = static_cast<const uint32_t *>(bits);
  picture->pixels.assign(first, first + static_cast<size_t>(width) * height);
  for (uint32_t &pixel : picture->pixels)
    pixel |= 0xFF000000u;
}

// Draws a window, then its visible children from the bottom of the z-order up, each at
// its place; a window whose own printing already shows its children is not descended.
void PrintInto(HDC target, HWND window, int x, int y)
{
  RECT place;
  GetWindowRect(window, &place);
  int width = place.right - place.left;
  int height = place.bottom - place.top;
  if (width <= 0 || height <= 0)
    return;
  HDC memory = CreateCompatibleDC(target);
  HBITMAP surface = CreateCompatibleBitmap(target, width, height);
  if (memory != nullptr && surface != nullptr) {
    HGDIOBJ previous = SelectObject(memory, surface);
    BitBlt(memory, 0, 0, width, height, target, x, y, SRCCOPY);
    PrintWindow(window, memory, 0);
    BitBlt(target, x, y, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
  }
  if (surface != nullptr)
    DeleteObject(surface);
  if (memory != nullptr)
    DeleteDC(memory);

  wchar_t className[64] = {0};
  GetClassNameW(window, className, 64);
  if (lstrcmpiW(className, MENU_BAR_CLASS) == 0)
    return;
  HWND children[CHILD_LIMIT];
  int count = 0;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr && count < CHILD_LIMIT;
       child = GetWindow(child, GW_HWNDNEXT))
    children[count++] = child;
  for (int i = count - 1; i >= 0; --i) {
    if (!IsWindowVisible(children[i]))
      continue;
    RECT childPlace;
    GetWindowRect(children[i], &childPlace);
    PrintInto(target, children[i], x + childPlace.left - place.left,
              y + childPlace.top - place.top);
  }
}

// The platform's own frame and caption: printing a window under a display-less driver
// leaves its non-client area blank.
void DrawFrame(HDC dc, HWND window)
{
  if ((GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
    return;
  RECT place, client;
  GetWindowRect(window, &place);
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT *>(&client), 2);
  int border = client.left - place.left;
  RECT frame = {0, 0, place.right - place.left, client.top - place.top};
  FillRect(dc, &frame, GetSysColorBrush(COLOR_ACTIVEBORDER));
  RECT sides[] = {{0, 0, border, place.bottom - place.top},
                  {client.right - place.left, 0, place.right - place.left, place.bottom - place.top},
                  {0, client.bottom - place.top, place.right - place.left, place.bottom - place.top}};
  for (const RECT &side : sides)
    FillRect(dc, &side, GetSysColorBrush(COLOR_ACTIVEBORDER));
  RECT caption = {border, border, frame.right - border, frame.bottom};
  DrawCaption(window, dc, &caption, DC_ACTIVE | DC_TEXT | DC_GRADIENT);
}

// A window on part of the screen: the rest shows the colour of the desktop behind it.
void PlaceOnScreen(const Screen &screen, Picture *picture)
{
  COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
  uint32_t fill = 0xFF000000u | (GetRValue(desktop) << 16) | (GetGValue(desktop) << 8) |
                  GetBValue(desktop);
  std::vector<uint32_t> whole(static_cast<size_t>(screen.width) * screen.height, fill);
  for (int y = 0; y < picture->height; ++y) {
    int row = screen.forcedRect.top + y;
    if (row < 0 || row >= screen.height)
      continue;
    for (int x = 0; x < picture->width; ++x) {
      int column = screen.forcedRect.left + x;
      if (column >= 0 && column < screen.width)
        whole[static_cast<size_t>(row) * screen.width + column] =
            picture->pixels[static_cast<size_t>(y) * picture->width + x];
    }
  }
  picture->pixels.swap(whole);
  picture->width = screen.width;
  picture->height = screen.height;
}

}  // namespace

COLORREF Picture::At(int x, int y) const
{
  if (x < 0 || y < 0 || x >= width || y >= height)
    return CLR_INVALID;
  uint32_t p = pixels[static_cast<size_t>(y) * width + x];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool Picture::HasDetail() const
{
  for (uint32_t pixel : pixels)
    if (pixel != pixels.front())
      return true;
  return false;
}

bool CaptureWindow(HWND window, Picture *picture)
{
  RECT place;
  if (!GetWindowRect(window, &place))
    return false;
  int width = place.right - place.left;
  int height = place.bottom - place.top;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP surface = dc != nullptr ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                                  : nullptr;
  bool captured = surface != nullptr && bits != nullptr;
  if (captured) {
    HGDIOBJ previous = SelectObject(dc, surface);
    PrintInto(dc, window, 0, 0);
    DrawFrame(dc, window);
    CopySurface(width, height, bits, picture);
    SelectObject(dc, previous);
  }
  if (surface != nullptr)
    DeleteObject(surface);
  if (dc != nullptr)
    DeleteDC(dc);
  return captured;
}

bool RenderLoadedConfiguration(const Screen &screen, Picture *picture)
{
  if (g_app.instance == nullptr)
    g_app.instance = GetModuleHandleW(nullptr);
  RegisterClasses();

  const ShellState savedShell = g_shell;
  const HWND savedMain = g_app.mainWindow;
  const bool savedFocus = g_app.focusFlag;
  const int savedLimit = g_app.titleLimit;
  const LONG programCount = g_entries.programCount;
  g_shell.plainCe = !screen.windowsMobile;
  // A forced rectangle stands for full screen, as at start-up.
  g_shell.fullScreen = screen.fullScreen || screen.forced ? 1 : 0;
  g_shell.forceScreenState = screen.forced ? FORCE_SCREEN_VALID : FORCE_SCREEN_NONE;
  g_shell.menuBarHeight = 0;
  g_shell.fullScreenEntry = nullptr;
  g_shell.createMenuBarEntry = CreateDeviceMenuBar;
  g_app.focusFlag = true;

  HWND window = CreateScreenWindow(screen);
  bool rendered = false;
  if (window != nullptr) {
    ReloadHeaderPicture(screen);
    if (BuildPresentation(window)) {
      wchar_t caption[TEXT_CAPACITY] = {0};
      GetWindowTextW(window, caption, TEXT_CAPACITY);
      rendered = CaptureWindow(window, picture);
      if (rendered)
        MarkProtectedEntries(window, picture);
      if (rendered && screen.forced)
        PlaceOnScreen(screen, picture);
      picture->caption = caption;
    }
    TearDownPresentation();
    StopStatusStrip();
    g_statusStrip.readTime = nullptr;
    g_statusStrip.readPower = nullptr;
    if (g_app.mainWindow == window)
      DestroyWindow(window);
  }

  g_entries.count = programCount;
  g_entries.programCount = programCount;
  g_app.mainWindow = savedMain;
  g_app.focusFlag = savedFocus;
  g_app.titleLimit = savedLimit;
  g_shell = savedShell;
  HandUsableArea();
  return rendered;
}

}  // namespace preview
