// The menu bars on real windows: layout of the rows, header and arrows, labels, keys and
// taps that move the view, the colours a capture of the container shows, and the GDI and
// USER objects that a build must give back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/IconCache.h"
#include "launcher/presentation/MenuBars.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"
#include "support/ObjectLedger.h"
#include "support/TestSupport.h"

namespace {

const COLORREF AREA = RGB(10, 20, 30);
const COLORREF ITEM = RGB(200, 210, 220);
const COLORREF ITEM_TEXT = RGB(0, 0, 90);
const COLORREF SELECTED = RGB(250, 120, 0);
const COLORREF SELECTED_TEXT = RGB(255, 255, 255);
const COLORREF SEPARATOR = RGB(0, 160, 60);

std::vector<UINT> g_mainMessages;

// A tap on a bar activates its item, and a failed launch shows the launcher's own message
// dialog with a modal loop of its own. A timer that runs inside that loop reads the
// message and answers it with OK; a watchdog breaks a modal loop still running this long
// after the build, key or tap that opened it.
const DWORD ANSWER_PERIOD_MS = 20;
const DWORD WATCHDOG_MS = 5000;
const wchar_t ANSWERED_PROPERTY[] = L"MenuBarsTestAnswered";
std::vector<std::wstring> g_frameworkMessages;  // "text: detail" of each, in order
bool g_watchdogFired = false;

std::wstring WindowText(HWND window)
{
  wchar_t text[300] = {0};
  GetWindowTextW(window, text, 300);
  return text;
}

void CALLBACK AnswerFrameworkDialog(HWND, UINT, UINT_PTR, DWORD)
{
  HWND dialog = g_app.openDialog;
  if (dialog == nullptr || !IsWindow(dialog) || GetPropW(dialog, ANSWERED_PROPERTY) != nullptr)
    return;
  SetPropW(dialog, ANSWERED_PROPERTY, reinterpret_cast<HANDLE>(1));
  g_frameworkMessages.push_back(WindowText(GetDlgItem(dialog, IDC_MSGSTR1)) + L": " +
                                WindowText(GetDlgItem(dialog, IDC_MSGSTR2)));
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

BOOL CALLBACK EndPlatformBox(HWND window, LPARAM)
{
  wchar_t name[16] = {0};
  GetClassNameW(window, name, 16);
  if (lstrcmpW(name, L"#32770") == 0)
    EndDialog(window, IDCANCEL);
  return TRUE;
}

void CALLBACK Watchdog(HWND, UINT, UINT_PTR id, DWORD)
{
  KillTimer(nullptr, id);
  g_watchdogFired = true;
  for (int guard = 0; g_app.openDialog != nullptr && guard < DIALOG_STACK_LEVELS; ++guard)
    EndCurrentDialog();
  EnumThreadWindows(GetCurrentThreadId(), EndPlatformBox, 0);
}

LRESULT CALLBACK TestMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_CLOSE || message >= WM_USER) {
    g_mainMessages.push_back(message);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A solid, fully opaque icon of one colour.
HICON MakeSolidIcon(COLORREF colour, int size)
{
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  HBITMAP image = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  DWORD pixel = 0xFF000000 | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  for (int i = 0; i < size * size; ++i)
    static_cast<DWORD *>(bits)[i] = pixel;
  std::vector<BYTE> maskBits(size * size / 8, 0);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, maskBits.data());
  ICONINFO iconInfo = {TRUE, 0, 0, mask, image};
  HICON icon = CreateIconIndirect(&iconInfo);
  DeleteObject(image);
  DeleteObject(mask);
  return icon;
}

// A picture whose every row has its own colour: red = row, blue = 255 - row.
HBITMAP MakeStripedPicture(int width, int height)
{
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      static_cast<DWORD *>(bits)[y * width + x] = (y << 16) | (255 - y);
  return picture;
}

COLORREF RowColour(int row) { return RGB(row, 0, 255 - row); }

// What PrintWindow draws of a window, as COLORREF pixels.
struct Capture {
  int width = 0, height = 0;
  std::vector<DWORD> bits;
  COLORREF At(int x, int y) const
  {
    DWORD p = bits[y * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  bool Contains(RECT area, COLORREF colour) const
  {
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (At(x, y) == colour)
          return true;
    return false;
  }
};

Capture CaptureWindow(HWND window)
{
  RECT rect;
  GetWindowRect(window, &rect);
  Capture capture;
  capture.width = rect.right - rect.left;
  capture.height = rect.bottom - rect.top;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP surface = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, surface);
  PrintWindow(window, dc, 0);
  GdiFlush();
  capture.bits.assign(static_cast<DWORD *>(bits), static_cast<DWORD *>(bits) + capture.width * capture.height);
  SelectObject(dc, old);
  DeleteObject(surface);
  DeleteDC(dc);
  return capture;
}

// The container as the device destroys it: no WM_NCDESTROY reaches its procedure.
WNDPROC g_containerProcedure = nullptr;
LRESULT CALLBACK WithoutNonClientDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_NCDESTROY)
    return DefWindowProcW(window, message, wParam, lParam);
  return CallWindowProcW(g_containerProcedure, window, message, wParam, lParam);
}

RECT ChildRect(HWND child)
{
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT *>(&rect), 2);
  return rect;
}

class MenuBars : public ::testing::Test {
protected:
  void SetUp() override
  {
    g_app.instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = TestMainProc;
    windowClass.hInstance = g_app.instance;
    windowClass.lpszClassName = L"MenuBarsTestMain";
    RegisterClassW(&windowClass);
    g_mainMessages.clear();
    g_shell.plainCe = true;
    g_shell.fullScreen = 0;
    g_shell.forceScreenState = FORCE_SCREEN_NONE;
    g_app.focusFlag = false;
    g_app.highResolution = false;
    g_app.backOnZero = 0;
    g_app.openDialog = nullptr;
    g_app.presentationWindow = nullptr;
    // Messages go to the launcher's own dialog, whatever an earlier test left in the registry.
    ZeroMemory(&g_dialogs, sizeof(g_dialogs));
    g_dialogs.settingRead = true;
    g_frameworkMessages.clear();
    g_watchdogFired = false;
    answerTimer_ = SetTimer(nullptr, 0, ANSWER_PERIOD_MS, AnswerFrameworkDialog);
    watchdog_ = 0;
    ArmWatchdog();

    ZeroMemory(&g_settings, sizeof(g_settings));
    g_settings.mode = MODE_MENU_BARS;
    g_settings.useProgramIcons = 1;
    g_settings.menuItemHeight = 40;
    g_settings.menuItemIconWidth = 48;
    g_settings.menuItemFontSize = 10;
    CopyText(g_settings.menuItemFont, TEXT_CAPACITY, L"Tahoma");
    g_settings.menuAreaBackgroundColor = AREA;
    g_settings.menuItemBackgroundColor = ITEM;
    g_settings.menuItemTextColor = ITEM_TEXT;
    g_settings.selectedMenuItemBackgroundColor = SELECTED;
    g_settings.selectedMenuItemTextColor = SELECTED_TEXT;
    g_settings.separatorColor = SEPARATOR;
    CopyText(g_settings.aboutText, TEXT_CAPACITY, L"About");
    CopyText(g_settings.exitText, TEXT_CAPACITY, L"Exit");
    CopyText(g_settings.returnText, TEXT_CAPACITY, L"Back");
    g_presentation.aboutIndex = g_presentation.exitIndex = g_presentation.returnIndex = -1;
    g_presentation.returnNumberedZero = false;
    SetPrograms(12);
  }

  void TearDown() override
  {
    KillTimer(nullptr, watchdog_);
    KillTimer(nullptr, answerTimer_);
    EXPECT_FALSE(g_watchdogFired) << "a modal loop did not end until the watchdog broke it";
    std::wstring unexpected;
    for (const std::wstring &message : g_frameworkMessages)
      unexpected += message + L"\n";
    EXPECT_TRUE(g_frameworkMessages.empty()) << "messages nobody expected:\n" << unexpected;
    DestroyContainer();
    if (g_app.mainWindow != nullptr)
      DestroyWindow(g_app.mainWindow);
    g_app.mainWindow = nullptr;
    for (HICON icon : icons_)
      DestroyIcon(icon);
    if (g_settings.headerBitmap != nullptr)
      DeleteObject(g_settings.headerBitmap);
    g_settings.headerBitmap = nullptr;
    ZeroMemory(&g_entries, sizeof(g_entries));
  }

  // Program names without an extension: a launch stops before it touches anything and
  // reports the name, which shows which item was activated.
  void SetPrograms(int count)
  {
    ZeroMemory(&g_entries, sizeof(g_entries));
    for (int i = 0; i < count; ++i) {
      wsprintfW(g_entries.entries[i].description, L"Item %d", i + 1);
      wsprintfW(g_entries.entries[i].name, L"Program%d", i + 1);
    }
    g_entries.count = g_entries.programCount = count;
  }

  // Appends the added items as the list presentation does.
  void AddItems(bool about, bool exit, bool back)
  {
    int next = g_entries.count;
    if (about)
      g_presentation.aboutIndex = next++;
    if (exit)
      g_presentation.exitIndex = next++;
    if (back)
      g_presentation.returnIndex = next++;
    g_settings.aboutShown = about;
    g_settings.exitShown = exit;
    g_settings.returnShown = back;
    g_entries.count = next;
  }

  // Restarts the watchdog's time: timers only run inside a message loop, and this file's
  // tests run none of their own, so it can only fire in a loop that a build, key or tap
  // opened.
  void ArmWatchdog() { watchdog_ = SetTimer(nullptr, watchdog_, WATCHDOG_MS, Watchdog); }

  HWND Build(int width, int height)
  {
    ArmWatchdog();
    if (g_app.mainWindow == nullptr)
      g_app.mainWindow = CreateWindowExW(0, L"MenuBarsTestMain", L"menu bars test", WS_POPUP | WS_VISIBLE,
                                         0, 0, width, height, nullptr, nullptr, g_app.instance, nullptr);
    EXPECT_NE(nullptr, g_app.mainWindow);
    container_ = CreateMenuBars(g_app.mainWindow);
    EXPECT_NE(nullptr, container_);
    return container_;
  }

  void DestroyContainer()
  {
    if (container_ != nullptr)
      DestroyWindow(container_);
    container_ = nullptr;
    ReleaseMenuBars();
  }

  void Key(WPARAM key, int times = 1)
  {
    for (int i = 0; i < times; ++i) {
      ArmWatchdog();
      SendMessageW(container_, WM_KEYDOWN, key, 0);
    }
  }

  void Tap(int x, int y)
  {
    ArmWatchdog();
    SendMessageW(container_, WM_LBUTTONDOWN, 0, MAKELPARAM(x, y));
  }

  // The messages shown since the last call; the test takes those it expects.
  std::vector<std::wstring> TakeMessages()
  {
    std::vector<std::wstring> taken;
    taken.swap(g_frameworkMessages);
    return taken;
  }

  HICON Icon(COLORREF colour)
  {
    icons_.push_back(MakeSolidIcon(colour, 32));
    return icons_.back();
  }

  HWND container_ = nullptr;
  std::vector<HICON> icons_;
  UINT_PTR answerTimer_ = 0;
  UINT_PTR watchdog_ = 0;
};

bool Shown(HWND window) { return window != nullptr && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

TEST_F(MenuBars, TwelveItemsScrollOneRowAtATimeWithTheArrowKeys)
{
  Build(240, 300);
  EXPECT_EQ(7, g_menuBars.visibleRows);
  for (int j = 0; j < 7; ++j)
    EXPECT_NE(nullptr, GetDlgItem(container_, LABEL_ID_FIRST + j)) << j;
  EXPECT_EQ(nullptr, GetDlgItem(container_, LABEL_ID_FIRST + 7));
  EXPECT_TRUE(Shown(g_menuBars.downArrow));
  EXPECT_FALSE(Shown(g_menuBars.upArrow));

  Key(VK_UP);  // at item 0 nothing happens
  EXPECT_EQ(0, GetMenuSelection());
  EXPECT_EQ(0, g_menuBars.firstVisible);

  Key(VK_DOWN, 6);
  EXPECT_EQ(6, GetMenuSelection());
  EXPECT_EQ(0, g_menuBars.firstVisible);
  EXPECT_FALSE(Shown(g_menuBars.upArrow));

  Key(VK_DOWN);
  EXPECT_EQ(7, GetMenuSelection());
  EXPECT_EQ(1, g_menuBars.firstVisible);
  EXPECT_EQ(6, GetMenuSelection() - g_menuBars.firstVisible);  // still the bottom row
  EXPECT_TRUE(Shown(g_menuBars.upArrow));
  EXPECT_TRUE(Shown(g_menuBars.downArrow));
  EXPECT_EQ(L"Item 2", WindowText(GetDlgItem(container_, LABEL_ID_FIRST)));
  EXPECT_EQ(L"Item 8", WindowText(GetDlgItem(container_, LABEL_ID_FIRST + 6)));

  Key(VK_RIGHT, 10);  // no wrap-around: it stops at the last item
  EXPECT_EQ(11, GetMenuSelection());
  EXPECT_EQ(5, g_menuBars.firstVisible);
  EXPECT_FALSE(Shown(g_menuBars.downArrow));
  EXPECT_EQ(L"Item 12", WindowText(GetDlgItem(container_, LABEL_ID_FIRST + 6)));

  Key(VK_LEFT, 6);  // up within the view, then one scroll at the top row
  EXPECT_EQ(5, GetMenuSelection());
  EXPECT_EQ(5, g_menuBars.firstVisible);
  Key(VK_UP);
  EXPECT_EQ(4, GetMenuSelection());
  EXPECT_EQ(4, g_menuBars.firstVisible);
  EXPECT_TRUE(Shown(g_menuBars.downArrow));
  EXPECT_EQ(L"Item 5", WindowText(GetDlgItem(container_, LABEL_ID_FIRST)));
}

TEST_F(MenuBars, SelectingAndScrollingKeepTheItemInViewAndIgnoreItemsThatDoNotExist)
{
  Build(240, 300);
  SelectMenuItem(10);
  EXPECT_EQ(10, GetMenuSelection());
  EXPECT_EQ(5, g_menuBars.firstVisible);  // count - rows, not past the end
  ScrollMenuTo(0);
  EXPECT_EQ(0, g_menuBars.firstVisible);
  ScrollMenuTo(8);
  EXPECT_EQ(5, g_menuBars.firstVisible);
  ScrollMenuTo(6);  // already in view
  EXPECT_EQ(5, g_menuBars.firstVisible);
  for (int bad : {-1, 12, 40}) {
    ScrollMenuTo(bad);
    SelectMenuItem(bad);
    EXPECT_EQ(5, g_menuBars.firstVisible) << bad;
    EXPECT_EQ(10, GetMenuSelection()) << bad;
  }
  DestroyContainer();

  SetPrograms(3);  // fewer items than rows: the view never moves
  Build(240, 300);
  SelectMenuItem(2);
  EXPECT_EQ(0, g_menuBars.firstVisible);
  EXPECT_EQ(2, GetMenuSelection());
  EXPECT_FALSE(Shown(g_menuBars.downArrow));
  Key(VK_DOWN, 5);
  EXPECT_EQ(2, GetMenuSelection());
}

TEST_F(MenuBars, LabelsCarryTheNumbersTheUserPresses)
{
  struct Case {
    DWORD number;
    int backOnZero;
    std::vector<std::wstring> labels;
  } cases[] = {
      {1, 1, {L"1 - Item 1", L"2 - Item 2", L"3 - Item 3", L"4 - About", L"5 - Exit", L"0 - Back"}},
      {1, 2, {L"1 - Item 1", L"2 - Item 2", L"3 - Item 3", L"4 - About", L"5 - Exit", L"0 - Back"}},
      {1, 0, {L"1 - Item 1", L"2 - Item 2", L"3 - Item 3", L"4 - About", L"5 - Exit", L"6 - Back"}},
      {0, 1, {L"Item 1", L"Item 2", L"Item 3", L"About", L"Exit", L"Back"}},
  };
  for (const Case &c : cases) {
    SetPrograms(3);
    AddItems(true, true, true);
    g_settings.number = c.number;
    g_app.backOnZero = c.backOnZero;
    Build(240, 300);
    for (size_t i = 0; i < c.labels.size(); ++i) {
      EXPECT_EQ(c.labels[i], g_menuBars.labels[i]) << c.number << "/" << c.backOnZero << " item " << i;
      EXPECT_EQ(c.labels[i], WindowText(GetDlgItem(container_, LABEL_ID_FIRST + static_cast<int>(i))));
    }
    DestroyContainer();
  }

  // Only the first nine items are numbered.
  SetPrograms(12);
  g_settings.number = 1;
  Build(240, 300);
  EXPECT_STREQ(L"9 - Item 9", g_menuBars.labels[8]);
  EXPECT_STREQ(L"Item 10", g_menuBars.labels[9]);
}

TEST_F(MenuBars, AnOverlongDescriptionIsCutToTheLabelBuffer)
{
  SetPrograms(2);
  std::wstring longText(TEXT_CAPACITY - 1, L'x');
  CopyText(g_entries.entries[0].description, TEXT_CAPACITY, longText.c_str());
  g_settings.number = 1;
  Build(240, 300);
  std::wstring label = g_menuBars.labels[0];
  EXPECT_EQ(static_cast<size_t>(MENU_LABEL_CAPACITY - 1), label.size());
  EXPECT_EQ(L"1 - xxx", label.substr(0, 7));
  EXPECT_STREQ(L"2 - Item 2", g_menuBars.labels[1]);
  EXPECT_EQ(label, WindowText(GetDlgItem(container_, LABEL_ID_FIRST)));
}

TEST_F(MenuBars, RowsLabelsIconsAndArrowsArePlacedOnTheGrid)
{
  Build(240, 300);
  LOGFONTW font;
  ASSERT_NE(0, GetObjectW(g_menuBars.itemFont, sizeof(font), &font));
  HDC dc = GetDC(g_app.mainWindow);
  int expectedHeight = -(GetDeviceCaps(dc, LOGPIXELSY) * 10 / 72);
  ReleaseDC(g_app.mainWindow, dc);
  EXPECT_EQ(expectedHeight, font.lfHeight);
  EXPECT_EQ(600, font.lfWeight);
  EXPECT_STREQ(L"Tahoma", font.lfFaceName);
  int textHeight = 4 - font.lfHeight;
  int textOffset = (40 - textHeight) / 2;

  for (int j = 0; j < 7; ++j) {
    RECT label = ChildRect(g_menuBars.labelWindows[j]);
    EXPECT_EQ(48, label.left) << j;
    EXPECT_EQ(40 * j + textOffset, label.top) << j;
    EXPECT_EQ(240 - 48, label.right - label.left) << j;
    EXPECT_EQ(textHeight, label.bottom - label.top) << j;
    EXPECT_EQ(g_menuBars.itemFont, reinterpret_cast<HFONT>(SendMessageW(g_menuBars.labelWindows[j], WM_GETFONT, 0, 0)));
    RECT icon = ChildRect(g_menuBars.iconWindows[j]);
    EXPECT_EQ(0, icon.left);
    EXPECT_EQ(40 * j, icon.top);
    EXPECT_EQ(48, icon.right);
    EXPECT_EQ(40 * j + 39, icon.bottom);
    RECT row = ChildRect(g_menuBars.rowWindows[j]);
    EXPECT_EQ(0, row.left);
    EXPECT_EQ(40 * j, row.top);
    EXPECT_EQ(240, row.right);
    EXPECT_EQ(40 * j + 39, row.bottom);
  }
  // The row lies beneath its label and icon.
  for (HWND w = g_menuBars.rowWindows[0]; (w = GetWindow(w, GW_HWNDNEXT)) != nullptr;)
    EXPECT_NE(g_menuBars.labelWindows[0], w);

  RECT up = ChildRect(g_menuBars.upArrow);
  EXPECT_EQ(208, up.left);
  EXPECT_EQ(2, up.top);
  EXPECT_EQ(32, up.right - up.left);
  EXPECT_EQ(36, up.bottom - up.top);
  RECT down = ChildRect(g_menuBars.downArrow);
  EXPECT_EQ(208, down.left);
  EXPECT_EQ(240, down.top);
  EXPECT_EQ(36, down.bottom - down.top);
  DestroyContainer();

  // Without program icons: no icon windows, labels from x = 3 across the full width.
  g_settings.useProgramIcons = 0;
  Build(240, 300);
  int iconStatics = 0;
  for (HWND w = GetWindow(container_, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
    if ((GetWindowLongW(w, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      ++iconStatics;
  EXPECT_EQ(2, iconStatics);  // the two arrows
  EXPECT_EQ(nullptr, g_menuBars.iconWindows[0]);
  RECT label = ChildRect(g_menuBars.labelWindows[3]);
  EXPECT_EQ(3, label.left);
  EXPECT_EQ(240, label.right - label.left);
}

// From the top: the down and up arrows, the header, then row by row the icon, the label and
// the bar beneath them; a capture draws the children in this order.
TEST_F(MenuBars, ChildrenAreStackedArrowsHeaderThenEachRowOverItsBar)
{
  g_settings.headerBitmap = MakeStripedPicture(100, 80);
  g_settings.bitmapHeight = 50;
  Build(240, 300);
  ASSERT_EQ(6, g_menuBars.visibleRows);
  std::vector<HWND> expected = {g_menuBars.downArrow, g_menuBars.upArrow, g_menuBars.headerWindow};
  for (int j = 0; j < 6; ++j) {
    expected.push_back(g_menuBars.iconWindows[j]);
    expected.push_back(g_menuBars.labelWindows[j]);
    expected.push_back(g_menuBars.rowWindows[j]);
  }
  std::vector<HWND> stacked;
  for (HWND w = GetWindow(container_, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
    stacked.push_back(w);
  EXPECT_EQ(expected, stacked);
  EXPECT_TRUE(IsWindowVisible(container_));
  EXPECT_TRUE(IsWindowVisible(g_menuBars.downArrow));
  EXPECT_FALSE(IsWindowVisible(g_menuBars.upArrow));
  // Until the first paint every shown control is wholly still to be drawn, so the refresh
  // that gaining the focus brings needs to ask for nothing more; afterwards it does.
  EXPECT_TRUE(g_menuBars.unpainted);
  for (HWND w : stacked) {
    RECT client, update;
    GetClientRect(w, &client);
    if (IsWindowVisible(w) && (!GetUpdateRect(w, &update, FALSE) || !EqualRect(&client, &update)))
      ADD_FAILURE() << "a control is not wholly to be painted: " << GetDlgCtrlID(w);
  }
  SetFocus(container_);
  EXPECT_FALSE(g_menuBars.unpainted);
  for (HWND w : stacked)
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
  Key(VK_DOWN);
  EXPECT_TRUE(GetUpdateRect(g_menuBars.rowWindows[1], nullptr, FALSE));
}

TEST_F(MenuBars, TheCaptureShowsTheSelectedBarItsLabelAndTheSeparators)
{
  Build(240, 300);
  Key(VK_DOWN, 2);
  Capture shot = CaptureWindow(container_);
  ASSERT_EQ(240, shot.width);
  ASSERT_EQ(300, shot.height);

  for (int row = 0; row < 7; ++row) {
    COLORREF expected = row == 2 ? SELECTED : ITEM;
    EXPECT_EQ(expected, shot.At(100, 40 * row + 2)) << "row " << row;
    EXPECT_EQ(expected, shot.At(20, 40 * row + 36)) << "icon area of row " << row;
    EXPECT_EQ(SEPARATOR, shot.At(5, 40 * row + 39)) << "line under row " << row;
    EXPECT_EQ(SEPARATOR, shot.At(235, 40 * row + 39)) << "line under row " << row;
  }
  for (int y = 280; y < 300; ++y)
    EXPECT_EQ(AREA, shot.At(120, y)) << y;

  // Labels draw their text in the colours of their bar.
  RECT selectedLabel = ChildRect(g_menuBars.labelWindows[2]);
  RECT otherLabel = ChildRect(g_menuBars.labelWindows[4]);
  EXPECT_EQ(SELECTED, shot.At(selectedLabel.right - 40, selectedLabel.top + 1));
  EXPECT_TRUE(shot.Contains(selectedLabel, SELECTED_TEXT));
  EXPECT_FALSE(shot.Contains(selectedLabel, ITEM_TEXT));
  EXPECT_TRUE(shot.Contains(otherLabel, ITEM_TEXT));
  EXPECT_FALSE(shot.Contains(otherLabel, SELECTED_TEXT));

  // The down arrow beside the bottom row takes the selected colours with its row.
  Key(VK_DOWN, 4);
  shot = CaptureWindow(container_);
  RECT down = ChildRect(g_menuBars.downArrow);
  EXPECT_EQ(SELECTED, shot.At(down.left + 1, down.top + 1));
  EXPECT_EQ(ITEM, shot.At(100, 2));
}

TEST_F(MenuBars, IconsAreDrawnTwoThirdsOfTheBarInTheMiddleOfTheIconWindow)
{
  const COLORREF GREEN = RGB(0, 255, 0);
  g_entries.entries[0].largeIcon = Icon(GREEN);
  g_entries.entries[1].smallIcon = Icon(GREEN);  // used when there is no large icon
  Build(240, 300);
  EXPECT_EQ(g_entries.entries[1].smallIcon, g_menuBars.itemIcons[1]);
  Capture shot = CaptureWindow(container_);
  for (int row = 0; row < 2; ++row) {
    int left = 48, top = 40, right = -1, bottom = -1;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 48; ++x)
        if (shot.At(x, 40 * row + y) == GREEN) {
          left = x < left ? x : left;
          top = y < top ? y : top;
          right = x > right ? x : right;
          bottom = y > bottom ? y : bottom;
        }
    EXPECT_EQ(11, left) << row;
    EXPECT_EQ(7, top) << row;
    EXPECT_EQ(26, right - left + 1) << row;
    EXPECT_EQ(26, bottom - top + 1) << row;
  }
  EXPECT_FALSE(shot.Contains(RECT{0, 80, 48, 120}, GREEN));  // item 3 has no icon
}

TEST_F(MenuBars, TapsSelectBarsAndScrollByTheArrowStrip)
{
  const std::vector<std::wstring> none;
  const std::vector<std::wstring> thirdActivated = {L"File has no extension: Program3"};
  Build(240, 300);
  Tap(239, 100);  // the right edge of a middle row: neither selects nor scrolls
  EXPECT_EQ(0, GetMenuSelection());
  EXPECT_EQ(0, g_menuBars.firstVisible);
  EXPECT_EQ(none, TakeMessages());
  Tap(201, 100);  // just left of the strip (240 - 40 + 2 = 202): selects and activates
  EXPECT_EQ(2, GetMenuSelection());
  EXPECT_EQ(thirdActivated, TakeMessages());

  Tap(230, 290);  // bottom row of the strip: one down
  EXPECT_EQ(1, g_menuBars.firstVisible);
  EXPECT_EQ(2, GetMenuSelection());
  EXPECT_TRUE(Shown(g_menuBars.upArrow));
  Tap(230, 290);
  Tap(230, 290);
  EXPECT_EQ(3, g_menuBars.firstVisible);
  EXPECT_EQ(3, GetMenuSelection());  // dragged along at the top row
  Tap(230, 290);
  Tap(230, 290);
  Tap(230, 290);  // stops at count - rows
  EXPECT_EQ(5, g_menuBars.firstVisible);
  EXPECT_FALSE(Shown(g_menuBars.downArrow));
  SelectMenuItem(11);
  Tap(230, 10);  // top row of the strip: one up, the selection stays in view
  EXPECT_EQ(4, g_menuBars.firstVisible);
  EXPECT_EQ(10, GetMenuSelection());
  Tap(230, 100);  // a middle row of the strip does nothing
  EXPECT_EQ(4, g_menuBars.firstVisible);
  EXPECT_EQ(none, TakeMessages());  // the strip scrolls, it never activates
  DestroyContainer();

  // Below the last item, in a row that exists but holds nothing.
  SetPrograms(3);
  Build(240, 300);
  Tap(100, 210);
  EXPECT_EQ(0, GetMenuSelection());
  EXPECT_EQ(none, TakeMessages());
  Tap(100, 90);
  EXPECT_EQ(2, GetMenuSelection());
  EXPECT_EQ(thirdActivated, TakeMessages());
}

TEST_F(MenuBars, WithOneRowTheStripWalksDownToTheLastItemAndBackUp)
{
  SetPrograms(3);
  Build(240, 45);
  ASSERT_EQ(1, g_menuBars.visibleRows);
  EXPECT_TRUE(Shown(g_menuBars.downArrow));
  EXPECT_FALSE(Shown(g_menuBars.upArrow));
  struct Step {
    int first;
    bool up, down;
  } steps[] = {
      {1, false, true}, {2, true, false}, {1, true, false},
      {0, false, true}, {1, false, true}, {2, true, false},
  };
  int n = 0;
  for (const Step &step : steps) {
    Tap(235, 20);
    EXPECT_EQ(step.first, g_menuBars.firstVisible) << "tap " << n;
    EXPECT_EQ(step.first, GetMenuSelection()) << "tap " << n;
    EXPECT_EQ(step.up, Shown(g_menuBars.upArrow)) << "tap " << n;
    EXPECT_EQ(step.down, Shown(g_menuBars.downArrow)) << "tap " << n;
    wchar_t expected[32];
    wsprintfW(expected, L"Item %d", step.first + 1);
    EXPECT_EQ(expected, WindowText(g_menuBars.labelWindows[0])) << "tap " << n;
    ++n;
  }
}

TEST_F(MenuBars, TheHeaderShowsTheMiddleBandOfTheBitmapAndTheBarsStartBelowIt)
{
  g_settings.headerBitmap = MakeStripedPicture(100, 80);
  g_settings.bitmapHeight = 50;
  Build(240, 300);
  RECT header = ChildRect(g_menuBars.headerWindow);
  EXPECT_EQ(70, header.left);
  EXPECT_EQ(0, header.top);
  EXPECT_EQ(100, header.right - header.left);
  EXPECT_EQ(50, header.bottom - header.top);
  EXPECT_EQ(6, g_menuBars.visibleRows);  // (300 - 50) / 40
  EXPECT_EQ(50, ChildRect(g_menuBars.rowWindows[0]).top);
  EXPECT_EQ(52, ChildRect(g_menuBars.upArrow).top);

  Capture shot = CaptureWindow(container_);
  for (int y = 0; y < 50; ++y)
    EXPECT_EQ(RowColour(15 + y), shot.At(120, y)) << "header line " << y;
  EXPECT_EQ(AREA, shot.At(10, 20));   // beside the picture: the menu area
  EXPECT_EQ(SELECTED, shot.At(100, 52));
  EXPECT_EQ(SEPARATOR, shot.At(100, 89));

  // Taps on the header do nothing.
  Tap(100, 50);
  Tap(235, 30);
  EXPECT_EQ(0, GetMenuSelection());
  EXPECT_EQ(0, g_menuBars.firstVisible);
  DestroyContainer();

  // A picture lower than its band sits in the middle of it.
  DeleteObject(g_settings.headerBitmap);
  g_settings.headerBitmap = MakeStripedPicture(300, 30);
  Build(240, 300);
  header = ChildRect(g_menuBars.headerWindow);
  EXPECT_EQ(0, header.left);
  EXPECT_EQ(10, header.top);
  EXPECT_EQ(240, header.right - header.left);
  EXPECT_EQ(30, header.bottom - header.top);
  DestroyContainer();

  // Without a picture the band counts as 0.
  DeleteObject(g_settings.headerBitmap);
  g_settings.headerBitmap = nullptr;
  Build(240, 300);
  EXPECT_EQ(nullptr, g_menuBars.headerWindow);
  EXPECT_EQ(0, ChildRect(g_menuBars.rowWindows[0]).top);
  EXPECT_EQ(7, g_menuBars.visibleRows);
}

TEST_F(MenuBars, AnAreaTooLowForARowStillShowsOneAndTheHeaderGivesWay)
{
  struct Row {
    int height;
    int header;  // the band the header keeps
  } rows[] = {{60, 20}, {39, 0}, {85, 45}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.height);
    SetPrograms(3);
    g_settings.headerBitmap = MakeStripedPicture(100, 80);
    g_settings.bitmapHeight = 50;
    Build(240, row.height);
    EXPECT_EQ(row.header, g_menuBars.headerHeight);
    ASSERT_EQ(1, g_menuBars.visibleRows);
    ASSERT_NE(nullptr, g_menuBars.rowWindows[0]);
    EXPECT_EQ(row.header, ChildRect(g_menuBars.rowWindows[0]).top);
    Key(VK_DOWN, 2);
    EXPECT_EQ(L"Item 3", WindowText(g_menuBars.labelWindows[0]));
    DestroyContainer();
    DestroyWindow(g_app.mainWindow);
    g_app.mainWindow = nullptr;
    DeleteObject(g_settings.headerBitmap);
    g_settings.headerBitmap = nullptr;
  }
}

TEST_F(MenuBars, ABadForceScreenRectangleIsReportedOnce)
{
  test::BoxAnswerer boxes;
  g_shell.forceScreenState = FORCE_SCREEN_INVALID;
  Build(240, 300);
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Ferrolt Warning", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"Force Screen coordinates having wrong values", boxes.Boxes()[0].text);
  EXPECT_EQ(FORCE_SCREEN_NONE, g_shell.forceScreenState);
  DestroyContainer();
  Build(240, 300);
  EXPECT_EQ(1u, boxes.Count());
}

TEST_F(MenuBars, ADestroyedContainerIsForgottenWithoutNonClientMessages)
{
  Build(240, 300);
  g_containerProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      container_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WithoutNonClientDestroy)));
  DestroyWindow(container_);
  container_ = nullptr;
  EXPECT_EQ(nullptr, g_menuBars.container);
}

TEST_F(MenuBars, RebuildingTwoHundredTimesGivesBackEveryObject)
{
  g_settings.headerBitmap = MakeStripedPicture(100, 80);
  g_settings.bitmapHeight = 50;
  g_entries.entries[0].largeIcon = Icon(RGB(0, 255, 0));
  Build(240, 300);
  DestroyContainer();
  test::ObjectLedger ledger;
  HGDIOBJ made[4] = {};
  HICON arrows[2] = {};
  for (int cycle = 0; cycle < 200; ++cycle) {
    Build(240, 300);
    Key(VK_DOWN, 7);
    UpdateWindow(container_);
    SendMessageW(container_, WM_PAINT, 0, 0);
    if (cycle == 0)
      CaptureWindow(container_);
    made[0] = g_menuBars.areaBrush;
    made[1] = g_menuBars.itemBrush;
    made[2] = g_menuBars.selectedBrush;
    made[3] = g_menuBars.itemFont;
    // The arrows are the launcher's shared icons: the same in every build.
    if (cycle > 0) {
      EXPECT_EQ(arrows[0], g_menuBars.upArrowIcon);
      EXPECT_EQ(arrows[1], g_menuBars.downArrowIcon);
    }
    arrows[0] = g_menuBars.upArrowIcon;
    arrows[1] = g_menuBars.downArrowIcon;
    // The class brush is this build's, not one an earlier build released.
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(g_menuBars.areaBrush),
              GetClassLongPtrW(container_, GCLP_HBRBACKGROUND));
    DestroyContainer();
  }
  // Each object the last build made is gone, and every brush, pen, font, bitmap, context
  // and icon that the builds and paints made was given back once.
  for (HGDIOBJ object : made)
    EXPECT_EQ(0u, GetObjectType(object));
  for (HICON arrow : arrows)
    EXPECT_TRUE(IsKeptIcon(arrow));
  EXPECT_LT(200 * 6, ledger.Made());
  EXPECT_EQ(0, ledger.Outstanding());
  EXPECT_EQ(0, ledger.ReleasedTwice());
  // The class that outlives the builds holds no brush a build released.
  WNDCLASSW container = {};
  ASSERT_TRUE(GetClassInfoW(g_app.instance, MENU_BAR_CLASS, &container));
  EXPECT_TRUE(container.hbrBackground == nullptr ||
              GetObjectType(container.hbrBackground) == OBJ_BRUSH);
  EXPECT_EQ(OBJ_BITMAP, GetObjectType(g_settings.headerBitmap));  // the settings keep their bitmap
}

}  // namespace
