// Texts given as text or string id, dialog item texts, window titles, the platform type
// and the battery level.
#include <gtest/gtest.h>

#include <string>

#include "Common/StdInit.h"
#include "resources/resource.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(LoadTextOrId, GivesEmptyTextStringsPointersAndShowsMissingIds)
{
  g_app.instance = GetModuleHandleW(nullptr);
  const struct {
    TextOrId value;
    const wchar_t *expected;
  } cases[] = {
      {nullptr, L""},
      {TEXT_ID(IDS_ERROR), L"Error"},
      {TEXT_ID(IDS_OK), L"OK"},
      {L"plain text", L"plain text"},
      {TEXT_ID(9999), L"#9999"},
      {TEXT_ID(0xFFFF), L"#65535"},
  };
  for (const auto &c : cases) {
    wchar_t buffer[TEXT_CAPACITY];
    wmemset(buffer, L'?', TEXT_CAPACITY);
    LoadTextOrId(c.value, buffer, TEXT_CAPACITY);
    EXPECT_STREQ(c.expected, buffer);
  }
}

TEST(LoadTextOrId, CutsAtTheBufferEnd)
{
  g_app.instance = GetModuleHandleW(nullptr);
  wchar_t small[6];
  small[5] = L'!';
  LoadTextOrId(TEXT_ID(IDS_CANNOT_OPEN_RUN), small, 5);
  EXPECT_STREQ(L"Cann", small);
  EXPECT_EQ(L'!', small[5]);
  LoadTextOrId(L"0123456789", small, 5);
  EXPECT_STREQ(L"0123", small);
  LoadTextOrId(TEXT_ID(9999), small, 4);
  EXPECT_STREQ(L"#99", small);
  EXPECT_EQ(L'!', small[5]);
}

TEST(FormatStringById, FormatsALoadedPatternWithOneArgument)
{
  g_app.instance = GetModuleHandleW(nullptr);
  wchar_t buffer[TEXT_CAPACITY];
  FormatStringById(buffer, TEXT_CAPACITY, TEXT_ID(IDS_CANNOT_ADD_SMALL_ICON), 7);
  EXPECT_STREQ(L"Cannot add small icon 7", buffer);
  FormatStringById(buffer, TEXT_CAPACITY, L"[%s]", reinterpret_cast<ULONG_PTR>(L"abc"));
  EXPECT_STREQ(L"[abc]", buffer);
  wchar_t small[8];
  FormatStringById(small, 8, L"value %d", 123456);
  EXPECT_STREQ(L"value 1", small);
}

TEST(SetDialogItemText, SetsExistingControlsWithTheFontAndSkipsMissingOnes)
{
  test::FrameworkHarness harness;
  HWND parent = harness.main;
  HWND label = CreateWindowExW(0, L"STATIC", L"old", WS_CHILD, 0, 0, 50, 20, parent,
                               reinterpret_cast<HMENU>(77), nullptr, nullptr);
  HFONT font = CreateDialogFont();
  SetDialogItemText(parent, 77, TEXT_ID(IDS_CANCEL), font);
  EXPECT_EQ(L"Cancel", test::WindowText(label));
  EXPECT_EQ(reinterpret_cast<LRESULT>(font), SendMessageW(label, WM_GETFONT, 0, 0));

  SetDialogItemText(parent, 77, nullptr, nullptr);
  EXPECT_EQ(L"", test::WindowText(label));
  SetDialogItemText(parent, 77, L"pointer", nullptr);
  EXPECT_EQ(L"pointer", test::WindowText(label));

  // Id 0 and a control the window lacks change nothing (and do not fail).
  SetDialogItemText(parent, 0, L"zero", font);
  SetDialogItemText(parent, 78, L"missing", font);
  EXPECT_EQ(L"pointer", test::WindowText(label));
  DestroyWindow(label);
  DeleteObject(font);
}

TEST(SetWindowTitle, SetsTextOrIdAndKeepsTheTitleForZero)
{
  test::FrameworkHarness harness;
  SetWindowTitle(harness.main, TEXT_ID(IDS_ERROR));
  EXPECT_EQ(L"Error", test::WindowText(harness.main));
  SetWindowTitle(harness.main, nullptr);
  EXPECT_EQ(L"Error", test::WindowText(harness.main));
  SetWindowTitle(harness.main, L"Launcher");
  EXPECT_EQ(L"Launcher", test::WindowText(harness.main));
  SetWindowTitle(nullptr, L"nowhere");
}

TEST(PlatformType, OnlyPocketPCCounts)
{
  const struct {
    const wchar_t *type;
    bool pocketPc;
  } cases[] = {
      {nullptr, false}, {L"PocketPC", true}, {L"SmartPhone", false},
      {L"PocketPC2", false}, {L"pocketpc", false},
  };
  for (const auto &c : cases) {
    test::ScopedEnv env(L"FERROLT_PLATFORM_TYPE", c.type);
    EXPECT_EQ(c.pocketPc, IsPocketPC()) << (c.type != nullptr ? c.type : L"(unset)");
  }
  // The query's size is a count of characters, the terminator included, as on the device.
  test::ScopedEnv env(L"FERROLT_PLATFORM_TYPE", L"PocketPC");
  wchar_t type[16] = {0};
  EXPECT_FALSE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, 8, type, 0));
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, 9, type, 0));
  EXPECT_STREQ(L"PocketPC", type);
}

// The window may be another process's: only showing it and the front are done from
// outside; its own thread takes the focus and, off Pocket PC, the pop-up style.
TEST(BringWindowToFront, ShowsTheWindowAndMakesItAPopupOffPocketPC)
{
  const struct {
    const wchar_t *type;
    bool popup;
  } cases[] = {{nullptr, true}, {L"PocketPC", false}};
  for (const auto &c : cases) {
    test::ScopedEnv env(L"FERROLT_PLATFORM_TYPE", c.type);
    // With a caption, so that the window starts overlapped on the desktop as on the device.
    HWND window = CreateWindowExW(0, L"STATIC", L"front", WS_CAPTION, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    BringWindowToFront(window);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(0, GetWindowLongW(window, GWL_STYLE) & WS_POPUP) << "no style set from outside";
    MSG posted;
    ASSERT_TRUE(PeekMessageW(&posted, window, MSG_BROUGHT_TO_FRONT, MSG_BROUGHT_TO_FRONT,
                             PM_REMOVE));
    OnBroughtToFront(window);
    EXPECT_EQ(c.popup, (GetWindowLongW(window, GWL_STYLE) & WS_POPUP) != 0);
    DestroyWindow(window);
  }
}

TEST(GetBatteryLevel, MapsTheMainBatteryFlag)
{
  const struct {
    const wchar_t *flag;
    int level;
  } cases[] = {
      {L"1", 0},   {L"2", 1},   {L"4", 2},   {L"9", 3},   {L"10", 3}, {L"12", 3},
      {L"128", 3}, {L"255", 3}, {L"0", 3},   {L"8", 3},
  };
  for (const auto &c : cases) {
    test::ScopedEnv env(L"FERROLT_BATTERY_FLAG", c.flag);
    EXPECT_EQ(c.level, GetBatteryLevel()) << c.flag;
  }
  // A device without the battery component: nothing to look up, so nothing known.
  test::ScopedEnv env(L"FERROLT_BATTERY_FLAG", L"1");
  EXPECT_EQ(0, GetBatteryLevel());
  test::ScopedEnv driver(L"FERROLT_BATTERY_DRIVER", L"0");
  EXPECT_EQ(3, GetBatteryLevel());
}

}  // namespace
