// The status strip: a band of the main window with the time on the left and the battery
// on the right, read again on the minute, every half minute and when the platform says
// that time or power changed.
#include "launcher/presentation/StatusStrip.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/shell/ShellLockdown.h"
#include "launcher/shell/UsableArea.h"

StatusStripState g_statusStrip;

static const COLORREF LOW_COLOUR = RGB(255, 160, 0);
static const COLORREF CRITICAL_COLOUR = RGB(220, 0, 0);
static const COLORREF CRITICAL_TEXT_COLOUR = RGB(255, 255, 255);
// Decides the width of the percentage's cell, so the gauge never moves with the text.
static const wchar_t WIDEST_PERCENT[] = L"100%";
// The least difference in brightness (0-255) at which text reads on its background.
static const int READABLE_DIFFERENCE = 80;

static HINSTANCE LauncherInstance()
{
  return g_app.instance != nullptr ? g_app.instance : GetModuleHandleW(nullptr);
}

static void ReadTime(SYSTEMTIME *time)
{
  if (g_statusStrip.readTime != nullptr)
    g_statusStrip.readTime(time);
  else
    GetLocalTime(time);
}

static bool ReadPower(SYSTEM_POWER_STATUS_EX2 *status)
{
  ZeroMemory(status, sizeof(*status));
  if (g_statusStrip.readPower != nullptr)
    return g_statusStrip.readPower(status);
  return ReadPowerStatusEx2(status);
}

void ReadBatteryState(const SYSTEM_POWER_STATUS_EX2 *status, bool known, StatusReading *reading)
{
  reading->percent = -1;
  reading->level = BATTERY_UNKNOWN;
  reading->externalPower = false;
  if (!known)
    return;
  BYTE flag = status->BatteryFlag;
  bool flagKnown = flag != 255;
  reading->externalPower = status->ACLineStatus == 1 || (flagKnown && (flag & 8) != 0);
  if ((flagKnown && (flag & 128) != 0) || status->BatteryLifePercent > 100)
    return;
  int percent = status->BatteryLifePercent;
  reading->percent = percent;
  if ((flagKnown && (flag & 4) != 0) || percent <= BATTERY_CRITICAL_PERCENT)
    reading->level = BATTERY_CRITICAL;
  else if ((flagKnown && (flag & 2) != 0) || percent <= BATTERY_LOW_PERCENT)
    reading->level = BATTERY_LOW;
  else
    reading->level = BATTERY_GOOD;
}

static void FormatTime(const SYSTEMTIME *time, wchar_t *text)
{
  if (GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, time, nullptr, text,
                     STATUS_TIME_CAPACITY) == 0) {
    wchar_t fallback[16];
    wsprintfW(fallback, L"%02u:%02u", static_cast<unsigned>(time->wHour % 100),
              static_cast<unsigned>(time->wMinute % 100));
    CopyText(text, STATUS_TIME_CAPACITY, fallback);
  }
  text[STATUS_TIME_CAPACITY - 1] = 0;
}

static void ReadBattery(StatusReading *reading)
{
  SYSTEM_POWER_STATUS_EX2 power;
  bool known = ReadPower(&power);
  ReadBatteryState(&power, known, reading);
}

static void ReadStatus(StatusReading *reading)
{
  SYSTEMTIME time;
  ReadTime(&time);
  FormatTime(&time, reading->time);
  ReadBattery(reading);
}

static bool SameBattery(const StatusReading &a, const StatusReading &b)
{
  return a.percent == b.percent && a.level == b.level && a.externalPower == b.externalPower;
}

// Milliseconds to the start of the next minute, and a little more so the tick lands in it.
static UINT TimeToNextMinute()
{
  SYSTEMTIME time;
  ReadTime(&time);
  UINT second = time.wSecond < 60 ? time.wSecond : 59;
  UINT millisecond = time.wMilliseconds < 1000 ? time.wMilliseconds : 999;
  return (60 - second) * 1000 - millisecond + 50;
}

void GetStatusStripParts(RECT *timePart, RECT *batteryPart)
{
  RECT client = {0, 0, 0, 0};
  if (g_statusStrip.window != nullptr)
    GetClientRect(g_statusStrip.window, &client);
  int unit = g_statusStrip.textHeight > 0 ? g_statusStrip.textHeight : 1;
  // From the right: a margin, the percentage's cell, the gauge with its nib, the mark.
  int percentWidth = g_statusStrip.percentWidth > 0 ? g_statusStrip.percentWidth : unit * 5 / 2;
  int batteryWidth = unit / 2 + percentWidth + unit * 2 + unit;
  *batteryPart = client;
  batteryPart->left = client.right - batteryWidth;
  if (batteryPart->left < client.left)
    batteryPart->left = client.left;
  *timePart = client;
  timePart->right = batteryPart->left;
}

static void FillSolid(HDC dc, const RECT *area, COLORREF colour)
{
  HBRUSH brush = CreateSolidBrush(colour);
  if (brush == nullptr)
    return;
  FillRect(dc, area, brush);
  DeleteObject(brush);
}

static void DrawPowerMark(HDC dc, int left, int middle, int unit, COLORREF colour)
{
  // A lightning bolt, unit/2 wide and unit high.
  int half = unit / 2;
  POINT bolt[6] = {{left + half, middle - half}, {left, middle + 1},
                   {left + half / 2, middle + 1}, {left + half / 4, middle + half},
                   {left + half, middle - 1},    {left + half / 2, middle - 1}};
  HBRUSH brush = CreateSolidBrush(colour);
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  if (brush != nullptr && pen != nullptr) {
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Polygon(dc, bolt, 6);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
  }
  if (brush != nullptr)
    DeleteObject(brush);
  if (pen != nullptr)
    DeleteObject(pen);
}

static COLORREF LevelColour(int level, COLORREF normal)
{
  if (level == BATTERY_CRITICAL)
    return CRITICAL_COLOUR;
  if (level == BATTERY_LOW)
    return LOW_COLOUR;
  return normal;
}

static void DrawBattery(HDC dc, const RECT *part, const StatusReading &shown, COLORREF text)
{
  int unit = g_statusStrip.textHeight > 0 ? g_statusStrip.textHeight : 1;
  int middle = (part->top + part->bottom) / 2;
  int right = part->right - unit / 2;

  wchar_t percent[8];
  if (shown.percent >= 0)
    wsprintfW(percent, L"%d%%", shown.percent);
  else
    CopyText(percent, 8, L"--");
  RECT cell = *part;
  cell.right = right;
  cell.left = part->left + unit * 3;
  if (shown.level == BATTERY_CRITICAL) {
    FillSolid(dc, &cell, CRITICAL_COLOUR);
    SetTextColor(dc, CRITICAL_TEXT_COLOUR);
  } else {
    SetTextColor(dc, text);
  }
  DrawTextW(dc, percent, -1, &cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

  // The gauge: an outline with a nib on its right, filled by the percentage.
  int gaugeHeight = unit * 2 / 3;
  RECT gauge = {part->left + unit, middle - gaugeHeight / 2, part->left + unit * 3 - unit / 6,
                middle - gaugeHeight / 2 + gaugeHeight};
  RECT nib = {gauge.right, middle - gaugeHeight / 4, part->left + unit * 3 - 1,
              middle + gaugeHeight / 4};
  FillSolid(dc, &nib, text);
  HPEN pen = CreatePen(PS_SOLID, 1, text);
  if (pen != nullptr) {
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, gauge.left, gauge.top, gauge.right, gauge.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  if (shown.percent > 0) {
    RECT fill = {gauge.left + 2, gauge.top + 2, gauge.right - 2, gauge.bottom - 2};
    int width = fill.right - fill.left;
    int filled = width * shown.percent / 100;
    fill.right = fill.left + (filled > 0 ? filled : 1);
    FillSolid(dc, &fill, LevelColour(shown.level, text));
  }
  if (shown.externalPower)
    DrawPowerMark(dc, part->left, middle, unit, text);
}

static int Brightness(COLORREF colour)
{
  return (299 * GetRValue(colour) + 587 * GetGValue(colour) + 114 * GetBValue(colour)) / 1000;
}

// The colours of the presentation shown: the menu's in Menu Bars mode, else the system's.
// The item text is made for the bars, not for the area around them: where it would hardly
// show on the area, the strip writes in white or black instead.
static void StripColours(COLORREF *background, COLORREF *text)
{
  if (IsMenuBarsMode()) {
    *background = g_settings.menuAreaBackgroundColor;
    *text = g_settings.menuItemTextColor;
    int area = Brightness(*background);
    int difference = Brightness(*text) - area;
    if (difference > -READABLE_DIFFERENCE && difference < READABLE_DIFFERENCE)
      *text = area < 128 ? RGB(255, 255, 255) : RGB(0, 0, 0);
  } else {
    *background = GetSysColor(COLOR_BTNFACE);
    *text = GetSysColor(COLOR_BTNTEXT);
  }
}

static void PaintStrip(HWND window, HDC dc)
{
  RECT client;
  GetClientRect(window, &client);
  COLORREF background, text;
  StripColours(&background, &text);
  g_statusStrip.background = background;
  g_statusStrip.text = text;
  g_statusStrip.painted = true;
  FillSolid(dc, &client, background);
  // The device sends no power broadcasts: the battery drawn is the battery of now (after a
  // wake-up, say), not only that of the last timer's reading.
  ReadBattery(&g_statusStrip.shown);

  // A line on the edge that meets the presentation.
  RECT line = client;
  if (g_statusStrip.placement == STATUS_STRIP_TOP)
    line.top = line.bottom - 1;
  else
    line.bottom = line.top + 1;
  FillSolid(dc, &line, text);

  HGDIOBJ previousFont = SelectObject(dc, g_statusStrip.font);
  SetBkMode(dc, TRANSPARENT);
  RECT timePart, batteryPart;
  GetStatusStripParts(&timePart, &batteryPart);
  SetTextColor(dc, text);
  timePart.left += g_statusStrip.textHeight / 2;
  DrawTextW(dc, g_statusStrip.shown.time, -1, &timePart,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  DrawBattery(dc, &batteryPart, g_statusStrip.shown, text);
  SelectObject(dc, previousFont);
}

// Each minute's tick is set from the clock it has just read, so a clock that was set
// shows right from the next tick on: the device announces no time change to the window.
static void OnStripTimer(HWND window, WPARAM id)
{
  RefreshStatusStrip();
  if (id == STATUS_CLOCK_TIMER)
    SetTimer(window, STATUS_CLOCK_TIMER, TimeToNextMinute(), nullptr);
}

LRESULT CALLBACK StatusStripProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case WM_PAINT: {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc != nullptr)
      PaintStrip(window, dc);
    EndPaint(window, &paint);
    return 0;
  }
  case WM_PRINTCLIENT:
    PaintStrip(window, reinterpret_cast<HDC>(wParam));
    return 0;
  case WM_ERASEBKGND:
    return 1;
  case WM_TIMER:
    OnStripTimer(window, wParam);
    return 0;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONUP:
  case WM_LBUTTONDBLCLK:
    return 0;  // a tap on the strip does nothing
  default:
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

// The font, the height of its text and the width of the widest percentage in it, measured
// once for the strip's life: for the window's screen, or for a screen of pixelsPerInch.
static HFONT CreateStripFont(HWND mainWindow, int pixelsPerInch, int *textHeight,
                             int *percentWidth)
{
  HDC dc = GetDC(mainWindow);
  if (pixelsPerInch <= 0)
    pixelsPerInch = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  LOGFONTW description;
  ZeroMemory(&description, sizeof(description));
  description.lfHeight = -(pixelsPerInch * STATUS_POINT_SIZE / 72);
  description.lfWeight = FW_BOLD;
  HFONT font = CreateFontIndirectW(&description);
  *textHeight = -description.lfHeight;
  if (dc != nullptr && font != nullptr) {
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics;
    if (GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0)
      *textHeight = metrics.tmHeight;
    RECT measured = {0, 0, 0, 0};
    DrawTextW(dc, WIDEST_PERCENT, -1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    if (measured.right > 0)
      *percentWidth = measured.right + 2;
    SelectObject(dc, previous);
  }
  if (dc != nullptr)
    ReleaseDC(mainWindow, dc);
  return font;
}

// The font's height and a margin above and below it, and the line along one edge.
static int StripHeight(int textHeight)
{
  return textHeight + 2 * (textHeight / 6 + 1) + 1;
}

int MeasureStatusStripHeight(int pixelsPerInch)
{
  int textHeight = 0, percentWidth = 0;
  HFONT font = CreateStripFont(nullptr, pixelsPerInch, &textHeight, &percentWidth);
  if (font != nullptr)
    DeleteObject(font);
  return StripHeight(textHeight);
}

bool CreateStatusStrip(HWND mainWindow, DWORD placement)
{
  StopStatusStrip();
  if ((placement != STATUS_STRIP_TOP && placement != STATUS_STRIP_BOTTOM) || mainWindow == nullptr)
    return false;

  WNDCLASSW stripClass;
  ZeroMemory(&stripClass, sizeof(stripClass));
  stripClass.lpfnWndProc = StatusStripProc;
  stripClass.hInstance = LauncherInstance();
  stripClass.lpszClassName = STATUS_STRIP_CLASS;
  RegisterClassW(&stripClass);  // fails harmlessly when it is registered already

  int textHeight = 0, percentWidth = 0;
  HFONT font = CreateStripFont(mainWindow, 0, &textHeight, &percentWidth);
  HWND window = CreateWindowExW(0, STATUS_STRIP_CLASS, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                mainWindow, nullptr, LauncherInstance(), nullptr);
  if (window == nullptr) {
    if (font != nullptr)
      DeleteObject(font);
    return false;
  }
  g_statusStrip.placement = placement;
  g_statusStrip.window = window;
  g_statusStrip.font = font;
  g_statusStrip.textHeight = textHeight;
  g_statusStrip.percentWidth = percentWidth;
  g_statusStrip.height = StripHeight(textHeight);
  g_statusStrip.painted = false;
  ReadStatus(&g_statusStrip.shown);
  HandUsableArea();
  PlaceStatusStrip();
  SetTimer(window, STATUS_CLOCK_TIMER, TimeToNextMinute(), nullptr);
  SetTimer(window, STATUS_POWER_TIMER, STATUS_POWER_PERIOD_MS, nullptr);
  return true;
}

void StartStatusStrip(HWND mainWindow)
{
  DWORD placement = ReadStatusStripSetting();
  if (placement != STATUS_STRIP_OFF)
    CreateStatusStrip(mainWindow, placement);
  else
    HandUsableArea();
}

void StopStatusStrip()
{
  HWND window = g_statusStrip.window;
  if (window != nullptr && IsWindow(window)) {
    KillTimer(window, STATUS_CLOCK_TIMER);
    KillTimer(window, STATUS_POWER_TIMER);
    DestroyWindow(window);
  }
  if (g_statusStrip.font != nullptr)
    DeleteObject(g_statusStrip.font);
  g_statusStrip.window = nullptr;
  g_statusStrip.font = nullptr;
  g_statusStrip.height = 0;
  g_statusStrip.percentWidth = 0;
  g_statusStrip.placement = STATUS_STRIP_OFF;
  g_statusStrip.painted = false;
  HandUsableArea();
}

// The band's height within an area that may be lower than the strip.
static int BandHeight(const RECT *area)
{
  if (g_statusStrip.window == nullptr || g_statusStrip.height <= 0)
    return 0;
  int room = area->bottom - area->top;
  if (room <= 0)
    return 0;
  return g_statusStrip.height < room ? g_statusStrip.height : room;
}

void PlaceStatusStrip()
{
  HWND window = g_statusStrip.window;
  if (window == nullptr)
    return;
  // The usable area before the strip takes its band.
  RECT area;
  GetClientArea(&area);
  if (!g_shell.plainCe && g_shell.fullScreen == 0)
    area.bottom -= g_shell.menuBarHeight;
  int band = BandHeight(&area);
  int top = g_statusStrip.placement == STATUS_STRIP_TOP ? area.top : area.bottom - band;
  SetWindowPos(window, nullptr, area.left, top, area.right - area.left, band,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void RefreshStatusStrip()
{
  HWND window = g_statusStrip.window;
  if (window == nullptr)
    return;
  StatusReading now;
  ReadStatus(&now);
  RECT timePart, batteryPart;
  GetStatusStripParts(&timePart, &batteryPart);
  if (wcscmp(now.time, g_statusStrip.shown.time) != 0)
    InvalidateRect(window, &timePart, FALSE);
  if (!SameBattery(now, g_statusStrip.shown))
    InvalidateRect(window, &batteryPart, FALSE);
  g_statusStrip.shown = now;
}

void MatchStatusStripColours()
{
  if (g_statusStrip.window == nullptr || !g_statusStrip.painted)
    return;
  COLORREF background, text;
  StripColours(&background, &text);
  if (background != g_statusStrip.background || text != g_statusStrip.text)
    InvalidateRect(g_statusStrip.window, nullptr, FALSE);
}
