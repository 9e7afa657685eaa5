// The start-up decision about full screen: the platform type, the forced window rectangle
// and the FullScreen value, against the prefix's registry and work area.
#include <gtest/gtest.h>

#include <string>

#include "Common/StdInit.h"
#include "launcher/config/Profile.h"
#include "launcher/shell/ShellLockdown.h"
#include "tests/support/ShellHarness.h"
#include "tests/support/TestSupport.h"

namespace {

class FullScreenSetting : public test::ShellTest {
protected:
  void SetForceScreen(DWORD left, DWORD top, DWORD right, DWORD bottom)
  {
    SetProfileValue(L"ForceScreenLeft", left);
    SetProfileValue(L"ForceScreenTop", top);
    SetProfileValue(L"ForceScreenRight", right);
    SetProfileValue(L"ForceScreenBottom", bottom);
  }
};

TEST_F(FullScreenSetting, PlatformTypePocketPcInAnyCaseMeansWindowsMobile)
{
  test::ShellLibraryStandIn library;
  const struct {
    const wchar_t *type;  // null: the query fails, as on a desktop
    bool plainCe;
  } cases[] = {
      {nullptr, true},          {L"PocketPC", false}, {L"pocketpc", false},
      {L"POCKETPC2003", false}, {L"PocketP", true},   {L"Smartphone", true},
      {L"", true},
  };
  for (const auto &c : cases) {
    std::wstring label = c.type != nullptr ? c.type : L"(query fails)";
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", c.type);
    test::ResetShellState();
    ProbePlatform();
    EXPECT_EQ(c.plainCe, g_shell.plainCe) << label;
    // Only Windows Mobile loads the shell library and finds both entry points in it.
    EXPECT_EQ(!c.plainCe, g_shell.shellLibrary != nullptr) << label;
    EXPECT_EQ(!c.plainCe, g_shell.fullScreenEntry != nullptr) << label;
    EXPECT_EQ(!c.plainCe, g_shell.createMenuBarEntry != nullptr) << label;
    EXPECT_EQ(!c.plainCe, GetModuleHandleW(L"aygshell.dll") != nullptr) << label;

    FreeShellLibrary();
    EXPECT_EQ(nullptr, g_shell.shellLibrary) << label;
    EXPECT_EQ(nullptr, g_shell.fullScreenEntry) << label;
    EXPECT_EQ(nullptr, g_shell.createMenuBarEntry) << label;
    EXPECT_EQ(nullptr, GetModuleHandleW(L"aygshell.dll")) << label;
  }
}

TEST_F(FullScreenSetting, FullScreenValueDecidesAndAboveOneIsReportedThenTakenAsOn)
{
  const struct {
    bool present;
    DWORD value;
    bool enter;
    const wchar_t *message;  // null: no box
  } cases[] = {
      {false, 0, false, nullptr},
      {true, 0, false, nullptr},
      {true, 1, true, nullptr},
      {true, 2, true, L"FullScreen Setting must be 1 or 0"},
      {true, 0xFFFFFFFF, true, L"FullScreen Setting must be 1 or 0"},
  };
  for (const auto &c : cases) {
    test::ResetShellState();
    test::DeleteTree(HKEY_CURRENT_USER, profile_);
    profile_ = test::UseShellTestProfile();
    if (c.present)
      SetProfileValue(L"FullScreen", c.value);
    test::BoxAnswerer boxes;
    EXPECT_EQ(c.enter, ReadFullScreenSetting()) << c.value;
    EXPECT_EQ(c.present ? c.value : 0, g_shell.fullScreen) << c.value;
    EXPECT_EQ(FORCE_SCREEN_NONE, g_shell.forceScreenState);
    if (c.message == nullptr) {
      EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
    } else {
      ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
      EXPECT_EQ(L"Ferrolt Error ", boxes.Boxes()[0].caption);
      EXPECT_EQ(c.message, boxes.Boxes()[0].text);
    }
  }
}

// The forced rectangle is checked against the usable area and against the height that
// the tallest configuration of the profile needs.
TEST_F(FullScreenSetting, ForceScreenRectangleIsCheckedAgainstScreenAndMenuHeight)
{
  test::SavedWorkArea saved;
  RECT area = {0, 26, 480, 640};
  test::SetWorkArea(area);
  ASSERT_EQ(26, test::CurrentWorkArea().top) << "work area cannot be set in this prefix";

  // Default: no bitmap, items of 40 -> 80; Tools: bitmap 100, items of 60 -> 220.
  test::SetDword(HKEY_CURRENT_USER, profile_ + L"\\Default\\Settings", L"BitmapHeight", 0);
  test::SetDword(HKEY_CURRENT_USER, profile_ + L"\\Default\\Settings", L"MenuItemHeight", 40);
  test::SetDword(HKEY_CURRENT_USER, profile_ + L"\\Tools\\Settings", L"BitmapHeight", 100);
  test::SetDword(HKEY_CURRENT_USER, profile_ + L"\\Tools\\Settings", L"MenuItemHeight", 60);

  const struct {
    DWORD left, top, right, bottom;
    int state;
    const char *why;
  } cases[] = {
      {0, 0, 0, 0, FORCE_SCREEN_NONE, "all zero means none"},
      {10, 0, 0, 200, FORCE_SCREEN_INVALID, "only Right zero"},
      {0, 0, 0, 200, FORCE_SCREEN_INVALID, "Right zero, Bottom set"},
      {10, 30, 159, 250, FORCE_SCREEN_INVALID, "149 wide"},
      {10, 30, 160, 250, FORCE_SCREEN_VALID, "150 wide, 220 high"},
      {10, 30, 160, 249, FORCE_SCREEN_INVALID, "219 high, one short of Tools"},
      {330, 30, 480, 250, FORCE_SCREEN_VALID, "right on the usable edge"},
      {330, 30, 481, 250, FORCE_SCREEN_INVALID, "one past the usable right edge"},
      {10, 420, 160, 640, FORCE_SCREEN_VALID, "bottom on the usable edge"},
      {10, 421, 160, 641, FORCE_SCREEN_INVALID, "one past the usable bottom"},
      {300, 30, 100, 250, FORCE_SCREEN_INVALID, "left beyond right"},
      {10, 300, 160, 250, FORCE_SCREEN_INVALID, "top below bottom"},
      {0xFFFFFFF0, 30, 160, 250, FORCE_SCREEN_INVALID, "negative left, as unsigned"},
  };
  for (const auto &c : cases) {
    test::ResetShellState();
    SetForceScreen(c.left, c.top, c.right, c.bottom);
    test::BoxAnswerer boxes;
    EXPECT_EQ(c.state == FORCE_SCREEN_VALID, CheckForceScreen()) << c.why;
    EXPECT_EQ(c.state, g_shell.forceScreenState) << c.why;
    EXPECT_EQ(0u, boxes.Count()) << c.why;
  }

  // A missing value means no forced rectangle, whatever the others say.
  test::ResetShellState();
  SetForceScreen(10, 30, 480, 250);
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, profile_.c_str(), 0, KEY_ALL_ACCESS, &key));
  RegDeleteValueW(key, L"ForceScreenBottom");
  RegCloseKey(key);
  EXPECT_FALSE(CheckForceScreen());
  EXPECT_EQ(FORCE_SCREEN_NONE, g_shell.forceScreenState);
}

TEST_F(FullScreenSetting, ValidForceScreenCountsAsFullScreenAndBecomesTheWorkArea)
{
  test::ShellLibraryStandIn library;
  test::SavedWorkArea saved;
  RECT area = {0, 26, 480, 640};
  test::SetWorkArea(area);
  SetForceScreen(20, 40, 260, 400);
  SetProfileValue(L"FullScreen", 0);

  for (const wchar_t *type : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", type);
    test::ResetShellState();
    test::BoxAnswerer boxes;
    ProbePlatform();
    // Start-up does not enter full screen for a forced rectangle...
    EXPECT_FALSE(ReadFullScreenSetting());
    EXPECT_EQ(1u, g_shell.fullScreen);
    EXPECT_EQ(FORCE_SCREEN_VALID, g_shell.forceScreenState);
    // ... the window simply takes the rectangle.
    RECT work;
    GetWorkArea(&work);
    EXPECT_EQ(20, work.left);
    EXPECT_EQ(40, work.top);
    EXPECT_EQ(260, work.right);
    EXPECT_EQ(400, work.bottom);
    // A caption is allowed and no menu bar is made; Windows Mobile keeps its bars
    // but still shows them and moves the work area back around launches.
    EXPECT_TRUE(CaptionAllowed());
    EXPECT_FALSE(NeedsMenuBar());
    EXPECT_FALSE(WantsHiddenBars());
    EXPECT_EQ(type != nullptr, WantsShownBars());
    EXPECT_EQ(type != nullptr, NeedsWorkAreaBeforeLaunch());
    EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  }
}

TEST_F(FullScreenSetting, RejectedForceScreenFallsBackToTheFullScreenValue)
{
  SetForceScreen(10, 0, 0, 200);
  SetProfileValue(L"FullScreen", 1);
  test::BoxAnswerer boxes;
  EXPECT_TRUE(ReadFullScreenSetting());
  EXPECT_EQ(1u, g_shell.fullScreen);
  EXPECT_EQ(FORCE_SCREEN_INVALID, g_shell.forceScreenState);
  // The warning about the rectangle belongs to the menu-bar presentation, not start-up.
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

}  // namespace
