// Back home when idle: the real main window left alone in front goes back to "Default"
// level by level; keys and taps, dialogs, other windows in front and the setting's range.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Common/StdInit.h"
#include "launcher/config/Profile.h"
#include "launcher/presentation/StatusStrip.h"
#include "launcher/shell/IdleHome.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/LauncherHarness.h"

namespace {

class IdleHome : public test::LauncherTest {
protected:
  void SetIdleSeconds(DWORD seconds)
  {
    test::SetDword(HKEY_CURRENT_USER, kProfile, L"IdleHomeSeconds", seconds);
  }
  // Three levels below "Default", IdleHomeSeconds 10, the launcher started and at depth.
  void StartAtDepth(int depth)
  {
    AddLevels(3);
    SetIdleSeconds(10);
    Start();
    Descend(depth);
    ASSERT_EQ(depth, g_app.stackDepth) << boxes.Captions();
    Touch();
  }
  // A tap on the launcher, as the user's last input.
  void Touch()
  {
    PostMessageW(g_app.mainWindow, WM_LBUTTONDOWN, 0, 0);
    PostMessageW(g_app.mainWindow, WM_LBUTTONUP, 0, 0);
    Pump(50);
  }
  // The launcher's clock moves on; the idle timer then gets more than one tick to act.
  void Idle(DWORD seconds)
  {
    g_app.clockOffset += seconds * 1000;
    Pump(1200);
  }
  // The clock moves on, and the launcher is home within a few ticks.
  bool HomeAfter(DWORD seconds)
  {
    g_app.clockOffset += seconds * 1000;
    return PumpUntil([this] { return AtHome(); }, 4000);
  }
  bool AtHome() const
  {
    return g_app.stackDepth == 0 && wcscmp(g_profile.configurationName, L"Default") == 0 &&
           g_app.presentationWindow != nullptr;
  }
};

TEST_F(IdleHome, LeftAloneInFrontItGoesBackHomeLevelByLevel)
{
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
    for (int depth : {1, 3}) {
      SCOPED_TRACE(testing::Message() << (family ? "PocketPC" : "plain CE") << ", depth " << depth);
      SetUp();
      StartAtDepth(depth);
      Idle(6);
      EXPECT_EQ(depth, g_app.stackDepth) << "less than ten seconds";
      EXPECT_TRUE(HomeAfter(4)) << "depth " << g_app.stackDepth;
      EXPECT_EQ(L"Home", test::WindowText(g_app.mainWindow)) << "every level's segment is gone";
      EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
      Stop();
    }
  }
}

TEST_F(IdleHome, AKeyATapAWheelTurnOrAScrollBarStartsTheIdleTimeAgain)
{
  static const struct {
    const char *name;
    UINT message;
    WPARAM wParam;
    bool held;  // a scroll bar held down while the clock moves on by twelve seconds
    bool sent;  // sent to the list, as a device's scroll bar does, not posted
  } rows[] = {{"key", WM_KEYDOWN, VK_SHIFT, false, false},
              {"tap", WM_LBUTTONDOWN, 0, false, false},
              {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), false, false},
              {"desktop scroll bar drag", WM_NCLBUTTONDOWN, HTVSCROLL, true, false},
              {"device scroll bar", WM_VSCROLL, SB_PAGEDOWN, false, true}};
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    SetUp();
    for (int number = 2; number <= 16; ++number)
      AddProgram(L"Level1", number, L"More", L"\\Windows\\notepad.exe");
    StartAtDepth(1);
    // A small window, so that the list scrolls.
    SetWindowPos(g_app.mainWindow, nullptr, 0, 0, 240, 160, SWP_NOZORDER);
    Pump(50);
    Idle(6);
    HWND list = g_app.presentationWindow;
    RECT bounds;
    GetWindowRect(list, &bounds);
    if (row.held) {
      test::RunLater(100, [] { g_app.clockOffset += 6 * 1000; });
      test::RunLater(1400, [] { g_app.clockOffset += 6 * 1000; });
      test::RunLater(2700, [list] { PostMessageW(list, WM_LBUTTONUP, 0, 0); });
    }
    const LPARAM at = MAKELPARAM(bounds.right - 4, (bounds.top + bounds.bottom) / 2);
    if (row.sent)
      SendMessageW(list, row.message, row.wParam, 0);
    else
      PostMessageW(list, row.message, row.wParam, at);
    Pump(row.held ? 3000 : 50);
    EXPECT_EQ(1, g_app.stackDepth) << "the user is still at work";
    Idle(6);
    EXPECT_EQ(1, g_app.stackDepth) << "six seconds after the input";
    EXPECT_TRUE(HomeAfter(4));
    Stop();
  }
}

TEST_F(IdleHome, AnOpenFrameworkDialogIsClosedBeforeGoingBack)
{
  static const struct {
    const char *name;
    int command;
  } dialogsOpen[] = {{"About box", CMD_ABOUT}, {"exit password", CMD_QUIT}};
  for (const auto &open : dialogsOpen) {
    SCOPED_TRACE(open.name);
    SetUp();
    test::SetString(HKEY_CURRENT_USER, kProduct, L"ExitPassword",
                    L"pbkdf2-sha1$10000$00112233445566778899aabbccddeeff$"
                    L"0c60c80f961f0e71f3a9b524af6012062fe037a6");
    StartAtDepth(1);
    dialogs.Type(L"12", 0);
    // The dialog's own loop runs inside this pump; the clock moves on while it is open.
    bool opened = false;
    test::RunLater(300, [&opened] {
      opened = g_app.openDialog != nullptr;
      g_app.clockOffset += 10 * 1000;
    });
    PostMessageW(g_app.mainWindow, WM_COMMAND, open.command, 0);
    EXPECT_TRUE(PumpUntil([this] { return AtHome(); }));
    EXPECT_TRUE(opened);
    EXPECT_EQ(nullptr, g_app.openDialog);
    EXPECT_TRUE(Running()) << "a cancelled password dialog lets nobody out";
    EXPECT_TRUE(dialogs.Messages().empty()) << "nothing typed counts as an answer";
    Stop();
  }
}

// Presses a button of every platform box this thread still shows, so that a test whose
// boxes nobody closed ends instead of waiting for ever.
BOOL CALLBACK PressOnBox(HWND window, LPARAM)
{
  wchar_t name[16] = {0};
  GetClassNameW(window, name, 16);
  if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(window)) {
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    PostMessageW(window, WM_COMMAND, IDNO, 0);
  }
  return TRUE;
}
void CALLBACK PressOnBoxes(HWND, UINT, UINT_PTR, DWORD)
{
  EnumThreadWindows(GetCurrentThreadId(), PressOnBox, 0);
}

TEST_F(IdleHome, ItsOwnMessageBoxesAreClosedOnTheWayHome)
{
  const struct {
    const char *name;
    std::function<void()> prepare, open;
    const wchar_t *text;
  } rows[] = {
      {"setting check", [this] { test::SetDword(HKEY_CURRENT_USER, Settings(L"Level2"), L"Number", 7); },
       [] { ActivateItem(0); }, L"Number must be 1 or 0"},
      {"repeating configuration", [this] { AddProgram(L"Level1", 2, L"Loop", L"", L"Default"); },
       [] { ActivateItem(1); }, L"Repeating configuration"},
      {"name too long", [this] { AddProgram(L"Level1", 2, L"Far", L"", std::wstring(255, L'c')); },
       [] { ActivateItem(1); }, L"Configuration name too long"},
      {"hot-key warning",
       [this] {
         for (int number : {1, 2}) {
           std::wstring key = kProfile + L"\\Level2\\Programs\\Prog" + std::to_wstring(number);
           AddProgram(L"Level2", number, L"Twin", L"\\Windows\\notepad.exe");
           test::SetDword(HKEY_CURRENT_USER, key, L"HotKey", 0x7B);
           test::SetString(HKEY_CURRENT_USER, key, L"HotKeyModifier", L"Ctrl");
         }
       },
       [] { ActivateItem(0); }, nullptr},
      {"real message box",
       [this] {
         test::SetString(HKEY_CURRENT_USER, L"Software\\Orvant\\Settings", L"UseRealMessageBox", L"1");
         AddProgram(L"Level1", 2, L"Gone", L"\\nothere.exe");
       },
       [] { ActivateItem(1); }, nullptr},
      {"exit question",
       [this] {
         exitOnEsc = 2;
         test::SetString(HKEY_CURRENT_USER, Settings(L"Level1"), L"Exit", L"Exit");
       },
       [] { test::PostKey(g_app.presentationWindow, VK_ESCAPE); }, L"Do you want to exit from Ferrolt?"},
  };
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
    for (const auto &row : rows) {
      SCOPED_TRACE(testing::Message() << (family ? "PocketPC, " : "plain CE, ") << row.name);
      SetUp();
      exitOnEsc = 0;
      row.prepare();
      StartAtDepth(1);
      boxes.Answer(0);  // the first box stays open: the user has walked away
      test::RunLater(300, [] { g_app.clockOffset += 10 * 1000; });
      UINT_PTR watchdog = SetTimer(nullptr, 0, 8000, PressOnBoxes);
      row.open();
      EXPECT_TRUE(PumpUntil([this] { return AtHome(); }, 6000)) << boxes.Captions();
      KillTimer(nullptr, watchdog);
      EXPECT_LE(1u, boxes.Count());
      if (row.text != nullptr && boxes.Count() > 0)
        EXPECT_EQ(row.text, boxes.Boxes()[0].text);
      EXPECT_TRUE(Running());
      Stop();
    }
  }
}

TEST_F(IdleHome, TheStatusStripsTicksAreNoUserActivity)
{
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"StatusStrip", 1);
  StartAtDepth(2);
  ASSERT_NE(nullptr, g_statusStrip.window);
  g_app.clockOffset += 6000;
  for (UINT_PTR timer : {STATUS_CLOCK_TIMER, STATUS_POWER_TIMER})
    PostMessageW(g_statusStrip.window, WM_TIMER, timer, 0);
  Pump(100);
  EXPECT_TRUE(HomeAfter(4)) << "depth " << g_app.stackDepth;
}

TEST_F(IdleHome, BehindAnotherWindowItNeverJumps)
{
  StartAtDepth(2);
  HWND other = CreateWindowExW(0, L"STATIC", L"started program", WS_POPUP | WS_VISIBLE, 0, 0, 40,
                               40, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  Idle(60);
  EXPECT_EQ(2, g_app.stackDepth);

  // Back in front, the time spent behind does not count.
  DestroyWindow(other);
  SetForegroundWindow(g_app.mainWindow);
  Idle(6);
  EXPECT_EQ(2, g_app.stackDepth);
  EXPECT_TRUE(HomeAfter(4));
}

TEST_F(IdleHome, ValuesOutsideTheRangeAreReportedAndTurnItOff)
{
  static const struct {
    DWORD seconds;
    bool allowed;
  } rows[] = {{0, true}, {10, true}, {86400, true}, {9, false}, {86401, false}, {0xFFFFFFFF, false}};
  for (const auto &row : rows) {
    SCOPED_TRACE(row.seconds);
    SetUp();
    SetIdleSeconds(row.seconds);
    Start();
    EXPECT_EQ(row.allowed ? row.seconds : 0u, g_idleHome.seconds);
    if (row.allowed) {
      EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
    } else {
      ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
      EXPECT_EQ(L"Ferrolt Error ", boxes.Boxes()[0].caption);
      EXPECT_EQ(L"IdleHomeSeconds must be 0 or between 10 and 86400", boxes.Boxes()[0].text);
    }
    Stop();
  }
  // A text is not a number of seconds.
  SetUp();
  test::SetString(HKEY_CURRENT_USER, kProfile, L"IdleHomeSeconds", L"30");
  Start();
  EXPECT_EQ(0u, g_idleHome.seconds);
  EXPECT_EQ(1u, boxes.Count());
}

}  // namespace
