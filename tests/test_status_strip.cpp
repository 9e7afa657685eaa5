// The status strip on the real launcher window: its band at the top or the bottom and the
// presentation moved by its height, what it draws for each power state, and repainting
// only what a new minute or a new battery reading changed.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Common/StdInit.h"
#include "checker/PreviewRender.h"
#include "launcher/config/PasswordHash.h"
#include "launcher/presentation/MenuBars.h"
#include "launcher/presentation/StatusStrip.h"
#include "launcher/shell/ExitGuard.h"
#include "launcher/shell/MainWindow.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/LauncherHarness.h"

namespace {

const COLORREF AREA = RGB(10, 20, 30);
const COLORREF ITEM_TEXT = RGB(240, 240, 0);
const COLORREF SELECTED = RGB(250, 120, 0);

SYSTEMTIME g_clock;
void TestClock(SYSTEMTIME *time) { *time = g_clock; }

RECT InMainWindow(HWND child)
{
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, g_app.mainWindow, reinterpret_cast<POINT *>(&rect), 2);
  return rect;
}

preview::Picture Capture(HWND window)
{
  UpdateWindow(window);
  preview::Picture picture;
  EXPECT_TRUE(preview::CaptureWindow(window, &picture));
  return picture;
}

class StatusStrip : public test::LauncherTest {
protected:
  void SetUp() override
  {
    test::LauncherTest::SetUp();
    g_clock = SYSTEMTIME{2026, 12, 2, 8, 9, 9, 30, 0};  // 9:09:30
    g_statusStrip.readTime = TestClock;
  }
  void TearDown() override
  {
    test::LauncherTest::TearDown();
    g_statusStrip.readTime = nullptr;
  }
  void StartWith(DWORD placement, const std::wstring &mode)
  {
    test::SetDword(HKEY_CURRENT_USER, kProfile, L"StatusStrip", placement);
    AddConfiguration(L"Default", mode);
    std::wstring settings = Settings(L"Default");
    test::SetDword(HKEY_CURRENT_USER, settings, L"MenuAreaBackgroundColor", AREA);
    test::SetDword(HKEY_CURRENT_USER, settings, L"MenuItemTextColor", ITEM_TEXT);
    test::SetDword(HKEY_CURRENT_USER, settings, L"SelectedMenuItemBackgroundColor", SELECTED);
    test::SetDword(HKEY_CURRENT_USER, settings, L"MenuItemHeight", 40);
    Start();
    ASSERT_NE(nullptr, g_statusStrip.window);
    ASSERT_NE(nullptr, g_app.presentationWindow);
  }
};

TEST_F(StatusStrip, TheBandTakesTheTopOrBottomAndThePresentationMovesByItsHeight)
{
  struct Row {
    DWORD placement;
    const wchar_t *mode;
  } rows[] = {{1, L"Details"}, {2, L"Details"}, {1, L"Menu Bars"}, {2, L"Menu Bars"}};
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
    for (const Row &row : rows) {
      SCOPED_TRACE(testing::Message() << (family ? "PocketPC " : "plain CE ") << row.placement
                                      << " " << std::string(row.mode, row.mode + wcslen(row.mode)));
      SetUp();
      StartWith(row.placement, row.mode);
      bool menuBars = row.mode[0] == L'M';
      // Two sizes: as started, and after the screen turned.
      for (int turn = 0; turn < 2; ++turn) {
        if (turn == 1) {
          SetWindowPos(g_app.mainWindow, nullptr, 0, 0, 320, 240, SWP_NOZORDER | SWP_NOMOVE);
          Pump(50);
        }
        RECT client;
        GetClientRect(g_app.mainWindow, &client);
        int h = g_statusStrip.height;
        EXPECT_GT(h, g_statusStrip.textHeight) << "the font and a margin";
        bool top = row.placement == 1;
        RECT strip = InMainWindow(g_statusStrip.window);
        RECT shown = InMainWindow(g_app.presentationWindow);
        EXPECT_EQ(top ? 0 : client.bottom - h, strip.top);
        EXPECT_EQ(h, strip.bottom - strip.top);
        EXPECT_EQ(client.right, strip.right);
        EXPECT_EQ(top ? h : 0, shown.top);
        EXPECT_EQ(top ? client.bottom : client.bottom - h, shown.bottom);

        preview::Picture picture = Capture(g_app.mainWindow);
        // The picture holds the caption too: where the client area starts in it.
        RECT frame;
        GetWindowRect(g_app.mainWindow, &frame);
        POINT origin = {0, 0};
        ClientToScreen(g_app.mainWindow, &origin);
        int x0 = origin.x - frame.left, y0 = origin.y - frame.top;
        COLORREF background = menuBars ? AREA : GetSysColor(COLOR_BTNFACE);
        COLORREF text = menuBars ? ITEM_TEXT : GetSysColor(COLOR_BTNTEXT);
        int middle = x0 + client.right / 2;
        EXPECT_EQ(background, picture.At(middle, y0 + strip.top + h / 2));
        EXPECT_EQ(text, picture.At(middle, y0 + (top ? h - 1 : strip.top))) << "the edge line";
        if (menuBars)
          EXPECT_EQ(SELECTED, picture.At(x0 + 100, y0 + shown.top + 2)) << "the first bar";
      }
      Stop();
    }
  }
}

TEST_F(StatusStrip, EachPowerStateIsDrawnAsTheDeviceUserNeedsIt)
{
  StartWith(1, L"Details");
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  const COLORREF background = GetSysColor(COLOR_BTNFACE);
  const COLORREF LOW = RGB(255, 160, 0), CRITICAL = RGB(220, 0, 0);
  struct Row {
    const char *name;
    const wchar_t *flag, *percent, *acLine;
    int shownPercent;
    COLORREF gauge;  // inside the gauge, just right of its left edge
    bool mark;
    bool redCell;
    bool noDriver = false;  // the device has no battery component: nothing to look up
  } rows[] = {
      {"high", L"1", L"80", L"0", 80, text, false, false},
      {"low by the platform's flag", L"2", L"30", L"0", 30, LOW, false, false},
      {"low by the percentage", L"1", L"18", L"0", 18, LOW, false, false},
      {"critical by the platform's flag", L"4", L"30", L"0", 30, CRITICAL, false, true},
      {"critical by the percentage", L"1", L"5", L"0", 5, background, false, true},
      {"charging", L"9", L"60", L"1", 60, text, true, false},
      {"no battery, on external power", L"128", L"255", L"1", -1, background, true, false},
      {"unknown", L"255", L"255", L"255", -1, background, false, false},
      {"no battery driver", L"1", L"80", L"1", -1, background, false, false, true},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    test::ScopedEnv flag(L"FERROLT_BATTERY_FLAG", row.flag);
    test::ScopedEnv percent(L"FERROLT_BATTERY_PERCENT", row.percent);
    test::ScopedEnv acLine(L"FERROLT_AC_LINE", row.acLine);
    test::ScopedEnv driver(L"FERROLT_BATTERY_DRIVER", row.noDriver ? L"0" : nullptr);
    // No tick and no power message: drawing reads the battery.
    preview::Picture picture = Capture(g_statusStrip.window);
    EXPECT_EQ(row.shownPercent, g_statusStrip.shown.percent);
    RECT timePart, battery;
    GetStatusStripParts(&timePart, &battery);
    int unit = g_statusStrip.textHeight;
    int middle = (battery.top + battery.bottom) / 2;
    EXPECT_EQ(row.gauge, picture.At(battery.left + unit + 3, middle));
    bool mark = false;
    for (int y = middle - unit / 2; y <= middle + unit / 2; ++y)
      for (int x = battery.left; x < battery.left + unit / 2; ++x)
        mark = mark || picture.At(x, y) == text;
    EXPECT_EQ(row.mark, mark);
    EXPECT_EQ(row.redCell, picture.At(battery.right - unit / 2 - 1, battery.top + 1) == CRITICAL);
  }
}

// What a tick left to repaint: the strip's update rectangle, or an empty one.
RECT PendingRepaint(HWND window)
{
  RECT pending = {0, 0, 0, 0};
  GetUpdateRect(window, &pending, FALSE);
  return pending;
}

bool SameRect(const RECT &a, const RECT &b) { return EqualRect(&a, &b) != FALSE; }

TEST_F(StatusStrip, ATickRepaintsOnlyThePartWhoseReadingChanged)
{
  StartWith(2, L"Menu Bars");
  test::ScopedEnv flag(L"FERROLT_BATTERY_FLAG", L"1");
  test::ScopedEnv percent(L"FERROLT_BATTERY_PERCENT", L"70");
  RefreshStatusStrip();
  Pump(50);
  RECT timePart, battery, nothing = {0, 0, 0, 0};
  GetStatusStripParts(&timePart, &battery);
  struct Row {
    const char *name;
    WORD minute;
    const wchar_t *batteryPercent;
    UINT_PTR timer;
    RECT expected;
  } rows[] = {
      {"same minute, same battery", 9, L"70", STATUS_CLOCK_TIMER, nothing},
      {"the next minute", 10, L"70", STATUS_CLOCK_TIMER, timePart},
      {"the battery a little lower", 10, L"69", STATUS_POWER_TIMER, battery},
      {"the same again on the half minute", 10, L"69", STATUS_POWER_TIMER, nothing},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    g_clock.wMinute = row.minute;
    test::ScopedEnv level(L"FERROLT_BATTERY_PERCENT", row.batteryPercent);
    SendMessageW(g_statusStrip.window, WM_TIMER, row.timer, 0);
    EXPECT_TRUE(SameRect(row.expected, PendingRepaint(g_statusStrip.window)));
    EXPECT_TRUE(SameRect(nothing, PendingRepaint(g_app.presentationWindow)));
    Pump(30);
  }
  wchar_t expected[STATUS_TIME_CAPACITY];
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &g_clock, nullptr, expected,
                 STATUS_TIME_CAPACITY);
  EXPECT_STREQ(expected, g_statusStrip.shown.time);
}

// The device announces no clock change to the window: the next minute's tick, set from the
// clock it reads, carries the new time on.
TEST_F(StatusStrip, AfterAClockChangeTheMinuteTurnsOnTheNewTime)
{
  StartWith(1, L"Details");
  // Set half a second before a new minute: the tick after it comes then, not on the old time.
  g_clock = SYSTEMTIME{2026, 12, 2, 8, 9, 41, 59, 500};
  SendMessageW(g_statusStrip.window, WM_TIMER, STATUS_CLOCK_TIMER, 0);
  g_clock = SYSTEMTIME{2026, 12, 2, 8, 9, 42, 0, 100};
  wchar_t expected[STATUS_TIME_CAPACITY];
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &g_clock, nullptr, expected,
                 STATUS_TIME_CAPACITY);
  EXPECT_TRUE(PumpUntil([&] { return wcscmp(expected, g_statusStrip.shown.time) == 0; }, 2000));
}

// The open panel lies beside the strip, and each of its buttons lies in the room the strip
// leaves and takes a tap at its centre.
void ExpectPanelFits(const std::string &what)
{
  HWND panel = g_app.openDialog;
  ASSERT_NE(nullptr, panel) << what;
  RECT room, strip = InMainWindow(g_statusStrip.window), overlap;
  GetClientRect(g_app.mainWindow, &room);
  if (strip.top == 0)
    room.top = strip.bottom;
  else
    room.bottom = strip.top;
  RECT shown = InMainWindow(panel);
  EXPECT_FALSE(IntersectRect(&overlap, &shown, &strip)) << what << ": the panel lies under the strip";
  int buttons = 0;
  for (HWND child = GetWindow(panel, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t kind[16] = {0};
    GetClassNameW(child, kind, 16);
    if (_wcsicmp(kind, L"Button") != 0 ||
        (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW)
      continue;
    ++buttons;
    RECT button = InMainWindow(child), inside;
    SCOPED_TRACE(testing::Message() << what << ", button " << GetDlgCtrlID(child) << " at "
                                    << button.left << "," << button.top << "-" << button.right
                                    << "," << button.bottom);
    EXPECT_TRUE(IntersectRect(&inside, &button, &room) && EqualRect(&inside, &button));
    RECT onScreen;
    GetWindowRect(child, &onScreen);
    POINT centre = {(onScreen.left + onScreen.right) / 2, (onScreen.top + onScreen.bottom) / 2};
    EXPECT_EQ(child, WindowFromPoint(centre));
  }
  EXPECT_GT(buttons, 0) << what;
}

TEST_F(StatusStrip, EveryPanelFitsBesideTheStripAndItsButtonsTakeATap)
{
  struct Panel {
    const char *name;
    std::function<void()> open;
  } panels[] = {
      {"message", [] { ShowErrorMessage(L"Cannot execute application", L"err: 00000002"); }},
      {"About", [] { HandleCommand(g_app.mainWindow, CMD_ABOUT); }},
      {"password", [] { ConfirmUserExit(); }},
  };
  // The window of a small forced rectangle as started, turned, and narrow.
  const SIZE sizes[] = {{240, 220}, {320, 140}, {160, 300}};
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
    for (DWORD placement : {1u, 2u}) {
      SetUp();
      test::SetString(HKEY_CURRENT_USER, kProduct, L"ExitPassword", test::PasswordValue(L"4711"));
      StartWith(placement, L"Details");
      dialogs.Hold(true);
      for (const Panel &panel : panels) {
        std::string what = std::string(family ? "PocketPC " : "plain CE ") + panel.name +
                           (placement == 1 ? " under a top strip" : " above a bottom strip");
        bool looked = false;
        test::RunLater(100, [&] {
          for (const SIZE &size : sizes) {
            SetWindowPos(g_app.mainWindow, nullptr, 0, 0, size.cx, size.cy,
                         SWP_NOZORDER | SWP_NOMOVE);
            ExpectPanelFits(what + " in " + std::to_string(size.cx) + "x" + std::to_string(size.cy));
          }
          looked = true;
          PostMessageW(g_app.openDialog, WM_COMMAND, IDCANCEL, 0);
        });
        SetWindowPos(g_app.mainWindow, nullptr, 0, 0, sizes[0].cx, sizes[0].cy,
                     SWP_NOZORDER | SWP_NOMOVE);
        Pump(30);
        panel.open();
        EXPECT_TRUE(looked) << what;
        EXPECT_EQ(nullptr, g_app.openDialog) << what;
      }
      dialogs.Hold(false);
      Stop();
    }
  }
}

}  // namespace
