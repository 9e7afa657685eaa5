// Starting the launcher as a real process: profile selection, single instance, exit codes.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/ShellHarness.h"
#include "tests/support/TestSupport.h"

namespace {

const std::wstring kProfiles = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\";

void WriteStockProfile()
{
  const std::wstring base = kProfiles + L"Stock\\Default";
  test::SetString(HKEY_CURRENT_USER, base + L"\\Settings", L"Mode", L"Details");
  test::SetString(HKEY_CURRENT_USER, base + L"\\Settings", L"TitleBar", L"Stock");
  test::SetString(HKEY_CURRENT_USER, base + L"\\Programs\\Prog1", L"Description", L"Notes");
  test::SetString(HKEY_CURRENT_USER, base + L"\\Programs\\Prog1", L"Name",
                  L"\\Windows\\notepad.exe");
}

std::wstring Launcher(const std::wstring &arguments)
{
  return L"\"" + test::BuildDir() + L"Ferrolt.exe\" " + arguments;
}

class Startup : public ::testing::Test {
protected:
  void SetUp() override { test::ClearLauncherRegistry(); }
  void TearDown() override
  {
    // Never leave a launcher behind for the next test.
    for (HWND window; (window = FindWindowW(L"FerroltClass", nullptr)) != nullptr;) {
      PostMessageW(window, WM_CLOSE, 0, 0);
      Sleep(200);
      if (FindWindowW(L"FerroltClass", nullptr) == window)
        break;
    }
    test::ClearLauncherRegistry();
  }
};

TEST_F(Startup, ShowsOneWindowOverTheWorkAreaAndASecondStartOnlyBringsItForward)
{
  WriteStockProfile();
  test::ChildProcess first;
  ASSERT_TRUE(first.Start(Launcher(L"Stock")));
  HWND window = test::WaitForWindow(L"FerroltClass", first.Id(), 15000);
  ASSERT_NE(nullptr, window) << "the launcher did not create its main window";
  for (int i = 0; i < 100 && !IsWindowVisible(window); ++i)
    Sleep(50);
  Sleep(300);

  RECT area, rect;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(window, &rect);
  EXPECT_EQ(area.left, rect.left);
  EXPECT_EQ(area.top, rect.top);
  EXPECT_EQ(area.right, rect.right);
  EXPECT_EQ(area.bottom, rect.bottom);
  EXPECT_TRUE(IsWindowVisible(window));

  // Something else takes the front; the second start must hand it back.
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                               nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);

  DWORD exitCode = 99;
  ASSERT_TRUE(test::RunProcess(Launcher(L"Stock"), 15000, &exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_EQ(1, test::CountWindows(L"FerroltClass"));
  EXPECT_EQ(window, GetForegroundWindow());
  DestroyWindow(other);

  PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD firstExit = 99;
  ASSERT_TRUE(first.Wait(15000, &firstExit)) << "the launcher did not end on WM_CLOSE";
  EXPECT_EQ(0u, firstExit);
  EXPECT_EQ(0, test::CountWindows(L"FerroltClass"));
}

TEST_F(Startup, ASecondStartLeavesTheShellAsTheRunningLauncherSetIt)
{
  WriteStockProfile();
  const std::wstring profile = kProfiles + L"Stock";
  test::SetDword(HKEY_CURRENT_USER, profile, L"FullScreen", 0);
  test::SavedOnTopKey savedOnTop;
  test::WriteOnTopValue(7);
  test::TaskBarWindow taskBar(26);

  test::ChildProcess first;
  ASSERT_TRUE(first.Start(Launcher(L"Stock")));
  HWND window = test::WaitForWindow(L"FerroltClass", first.Id(), 15000);
  ASSERT_NE(nullptr, window);

  // The administrator switches to full screen, or another profile asks for it.
  test::SetDword(HKEY_CURRENT_USER, profile, L"FullScreen", 1);
  test::ChildProcess second;
  ASSERT_TRUE(second.Start(Launcher(L"Stock")));
  DWORD exitCode = 99;
  ASSERT_TRUE(second.WaitPumping(15000, &exitCode)) << "the second start did not end (a box?)";
  EXPECT_EQ(0u, exitCode);
  test::PumpMessages(100);
  EXPECT_FALSE(taskBar.EverHidden());
  EXPECT_FALSE(taskBar.EverDisabled());
  EXPECT_EQ(0, taskBar.SettingChanges());
  DWORD onTop = 0;
  EXPECT_TRUE(test::ReadOnTopValue(&onTop));
  EXPECT_EQ(7u, onTop);
  EXPECT_EQ(1, test::CountWindows(L"FerroltClass"));

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitPumping(15000));
}

// Without caption bits the main window has no caption, as on the device: its client area is
// the whole window.
TEST_F(Startup, AMainWindowWithoutCaptionBitsIsAllClientArea)
{
  const struct {
    const wchar_t *platform;  // null: plain Windows CE
    DWORD fullScreen;
  } cases[] = {{nullptr, 0}, {L"PocketPC", 1}};
  for (const auto &c : cases) {
    WriteStockProfile();
    test::SetString(HKEY_CURRENT_USER, kProfiles + L"Stock\\Default\\Settings", L"TitleBar", L"");
    test::SetDword(HKEY_CURRENT_USER, kProfiles + L"Stock", L"FullScreen", c.fullScreen);
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", c.platform);
    test::ChildProcess launcher;
    ASSERT_TRUE(launcher.Start(Launcher(L"Stock")));
    HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 15000);
    ASSERT_NE(nullptr, window) << c.fullScreen;
    RECT client, rect;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT *>(&client), 2);
    GetWindowRect(window, &rect);
    EXPECT_EQ(0, GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) << c.fullScreen;
    EXPECT_TRUE(EqualRect(&client, &rect)) << c.fullScreen << ": client " << client.left << ","
                                           << client.top << "-" << client.right << ","
                                           << client.bottom;
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(launcher.Wait(15000));
  }
}

TEST_F(Startup, AMissingProfileIsReportedAndTheProgramEndsWithZero)
{
  WriteStockProfile();
  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(Launcher(L"Missing")));
  test::Box box;
  ASSERT_TRUE(test::AnswerBoxOf(launcher.Id(), 15000, &box)) << "no message box appeared";
  EXPECT_EQ(L"Ferrolt Error", box.caption);
  EXPECT_EQ(L"Unable to find Profile", box.text);
  DWORD exitCode = 99;
  ASSERT_TRUE(launcher.Wait(15000, &exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_EQ(0, test::CountWindows(L"FerroltClass"));
}

TEST_F(Startup, NoProfileAtAllEndsWithZeroAfterSayingSo)
{
  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(Launcher(L"")));
  test::Box box;
  ASSERT_TRUE(test::AnswerBoxOf(launcher.Id(), 15000, &box));
  EXPECT_EQ(L"Ferrolt Error", box.caption);
  EXPECT_EQ(L"no default configuration to load", box.text);
  DWORD exitCode = 99;
  ASSERT_TRUE(launcher.Wait(15000, &exitCode));
  EXPECT_EQ(0u, exitCode);
}

}  // namespace
