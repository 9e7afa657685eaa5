// The launcher as a device runs it: the sample configuration merged by the merge tool,
// the program started as a process and driven from outside with its keys.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/LauncherHarness.h"
#include "tests/support/SampleWalk.h"
#include "tests/support/TestSupport.h"

namespace {

const wchar_t kMarker[] = L"C:\\end_to_end_marker.txt";

TEST(EndToEnd, SampleConfigurationIsWalkedAProgramStartedAndTheLauncherClosedWithCtrlQ)
{
  test::PrepareSample(kMarker);
  ASSERT_FALSE(HasFatalFailure());
  test::ScopedEnv marker(L"FERROLT_RECORD_ARGS", kMarker);
  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(L"\"" + test::BuildDir() + L"Ferrolt.exe\""));
  HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 15000);
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(test::WaitForTitle(window, L"Warehouse", 10000))
      << "title: " << test::WindowTitle(window).c_str();
  Sleep(500);

  test::WalkSampleToolsAndBack(window, launcher.Id(), kMarker);
  ASSERT_FALSE(HasFatalFailure());

  test::PressControlKey(window, 'Q');
  DWORD exitCode = 99;
  ASSERT_TRUE(launcher.Wait(15000, &exitCode)) << "Ctrl+Q did not close the launcher";
  EXPECT_EQ(0u, exitCode);
  test::CleanUpSample(kMarker);
}

}  // namespace
