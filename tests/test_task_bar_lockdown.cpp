// Full screen on a plain Windows CE device: the task bar window is hidden and disabled and
// its on-top value cleared, and all of it is given back on exit.
#include <gtest/gtest.h>

#include <string>

#include "Common/StdInit.h"
#include "launcher/shell/ShellLockdown.h"
#include "tests/support/ShellHarness.h"
#include "tests/support/TestSupport.h"

namespace {

class TaskBarLockdown : public test::ShellTest {
protected:
  test::ScopedEnv platform_{L"FERROLT_PLATFORM_TYPE", nullptr};
  test::SavedOnTopKey onTop_;
};

TEST_F(TaskBarLockdown, FullScreenHidesTheTaskBarAndExitGivesItBack)
{
  // FullScreen 2 is reported and then behaves exactly like 1.
  for (DWORD setting : {1u, 2u}) {
    test::ResetShellState();
    test::TaskBarWindow taskBar(26);
    test::WriteOnTopValue(7);
    SetProfileValue(L"FullScreen", setting);
    test::BoxAnswerer boxes;

    StartUp();
    EXPECT_TRUE(g_shell.plainCe);
    EXPECT_EQ(setting == 2 ? 1u : 0u, boxes.Count()) << boxes.Captions();
    EXPECT_FALSE(taskBar.Visible()) << setting;
    EXPECT_FALSE(taskBar.Enabled()) << setting;
    DWORD value = 99;
    ASSERT_TRUE(test::ReadOnTopValue(&value));
    EXPECT_EQ(0u, value) << setting;
    EXPECT_EQ(1, taskBar.SettingChanges()) << setting;
    // Plain CE never loads the shell library and keeps its caption.
    EXPECT_EQ(nullptr, g_shell.shellLibrary);
    EXPECT_TRUE(CaptionAllowed());
    EXPECT_FALSE(WantsHiddenBars());
    EXPECT_FALSE(WantsShownBars());
    EXPECT_FALSE(NeedsWorkAreaBeforeLaunch());
    EXPECT_FALSE(NeedsMenuBar());

    RestoreShell();
    EXPECT_TRUE(taskBar.Visible()) << setting;
    EXPECT_TRUE(taskBar.Enabled()) << setting;
    ASSERT_TRUE(test::ReadOnTopValue(&value));
    EXPECT_EQ(7u, value) << setting;
    EXPECT_EQ(2, taskBar.SettingChanges()) << setting;
  }
}

TEST_F(TaskBarLockdown, MissingOnTopValueIsClearedAndThenGivenBackAsOnTop)
{
  // Without the key it is created as 0; a key without its value is treated the same.
  for (bool keyPresent : {false, true}) {
    test::ResetShellState();
    test::RemoveOnTopKey();
    if (keyPresent)
      test::CreateOnTopKey();
    test::TaskBarWindow taskBar(26);
    SetProfileValue(L"FullScreen", 1);

    StartUp();
    DWORD value = 99;
    ASSERT_TRUE(test::ReadOnTopValue(&value)) << keyPresent;
    EXPECT_EQ(0u, value) << keyPresent;
    EXPECT_FALSE(taskBar.Visible());

    RestoreShell();
    ASSERT_TRUE(test::ReadOnTopValue(&value)) << keyPresent;
    EXPECT_EQ(1u, value) << keyPresent;
    EXPECT_TRUE(taskBar.Visible());
  }
}

TEST_F(TaskBarLockdown, NormalWindowLeavesTheTaskBarAlone)
{
  test::TaskBarWindow taskBar(26);
  test::WriteOnTopValue(1);
  for (bool present : {false, true}) {
    test::ResetShellState();
    if (present)
      SetProfileValue(L"FullScreen", 0);
    test::BoxAnswerer boxes;
    StartUp();
    RestoreShell();
    EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
    EXPECT_EQ(0u, g_shell.fullScreen);
    EXPECT_TRUE(taskBar.Visible());
    EXPECT_TRUE(taskBar.Enabled());
    EXPECT_EQ(0, taskBar.SettingChanges());
    DWORD value = 99;
    ASSERT_TRUE(test::ReadOnTopValue(&value));
    EXPECT_EQ(1u, value);
  }
}

TEST_F(TaskBarLockdown, WithoutATaskBarNothingIsTouched)
{
  test::WriteOnTopValue(5);
  SetProfileValue(L"FullScreen", 1);
  StartUp();
  EXPECT_EQ(1u, g_shell.fullScreen);
  DWORD value = 99;
  ASSERT_TRUE(test::ReadOnTopValue(&value));
  EXPECT_EQ(5u, value);

  // A task bar that appears while the launcher runs is shown, but the on-top value that
  // was never cleared is not overwritten.
  test::TaskBarWindow taskBar(26);
  ShowWindow(taskBar.Window(), SW_HIDE);
  RestoreShell();
  EXPECT_TRUE(taskBar.Visible());
  ASSERT_TRUE(test::ReadOnTopValue(&value));
  EXPECT_EQ(5u, value);
}

TEST_F(TaskBarLockdown, ForcedRectangleKeepsTheTaskBarAndItsOnTopValue)
{
  test::SavedWorkArea saved;
  RECT area = {0, 26, 480, 640};
  test::SetWorkArea(area);
  SetProfileValue(L"ForceScreenLeft", 0);
  SetProfileValue(L"ForceScreenTop", 26);
  SetProfileValue(L"ForceScreenRight", 240);
  SetProfileValue(L"ForceScreenBottom", 320);
  SetProfileValue(L"FullScreen", 1);
  test::TaskBarWindow taskBar(26);
  test::WriteOnTopValue(1);

  StartUp();
  EXPECT_EQ(FORCE_SCREEN_VALID, g_shell.forceScreenState);
  EXPECT_EQ(1u, g_shell.fullScreen);
  EXPECT_TRUE(taskBar.Visible());
  EXPECT_TRUE(taskBar.Enabled());
  EXPECT_EQ(0, taskBar.SettingChanges());

  RestoreShell();
  EXPECT_TRUE(taskBar.Visible());
  EXPECT_TRUE(taskBar.Enabled());
  DWORD value = 99;
  ASSERT_TRUE(test::ReadOnTopValue(&value));
  EXPECT_EQ(1u, value) << "exit overwrote an on-top value it never cleared";
}

}  // namespace
