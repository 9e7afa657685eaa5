// The launcher as a device runs it: the sample configuration merged by the merge tool,
// the program started as a process and driven from outside with its keys.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/LauncherHarness.h"
#include "tests/support/TestSupport.h"

namespace {

const std::wstring kTools = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Warehouse\\Tools";
const wchar_t kMarker[] = L"C:\\end_to_end_marker.txt";

std::wstring TitleOf(HWND window)
{
  wchar_t text[260] = {0};
  GetWindowTextW(window, text, 260);
  return text;
}

bool WaitForTitle(HWND window, const std::wstring &title, DWORD timeoutMs)
{
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    if (TitleOf(window) == title)
      return true;
    Sleep(50);
  }
  return false;
}

TEST(EndToEnd, SampleConfigurationIsWalkedAProgramStartedAndTheLauncherClosedWithCtrlQ)
{
  test::ClearLauncherRegistry();
  DeleteFileW(kMarker);
  DWORD exitCode = 99;
  std::wstring merge = L"\"" + test::BuildDir() + L"Pollex.exe\" /q \"" + test::SourceDir() +
                       L"setup\\package\\CE_Ferrolt.reg\"";
  ASSERT_TRUE(test::RunProcess(merge, 30000, &exitCode));
  ASSERT_EQ(0u, exitCode) << "the sample configuration does not import cleanly";

  // A program of the Tools screen that records how it was started.
  CreateDirectoryW(L"C:\\Application", nullptr);
  ASSERT_TRUE(CopyFileW((test::BuildDir() + L"tests\\record_args.exe").c_str(),
                        L"C:\\Application\\recorder.exe", FALSE));
  test::SetString(HKEY_CURRENT_USER, kTools + L"\\Programs\\Prog3", L"Description", L"Recorder");
  test::SetString(HKEY_CURRENT_USER, kTools + L"\\Programs\\Prog3", L"Name",
                  L"\\Application\\recorder.exe");
  test::SetString(HKEY_CURRENT_USER, kTools + L"\\Programs\\Prog3", L"Command", L"-scan 42");

  test::ScopedEnv marker(L"FERROLT_RECORD_ARGS", kMarker);
  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(L"\"" + test::BuildDir() + L"Ferrolt.exe\""));
  HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 15000);
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(WaitForTitle(window, L"Warehouse", 10000)) << "title: " << TitleOf(window).c_str();
  Sleep(500);

  // "2" enters the Tools screen, "3" there starts the recorder, "0" goes back.
  PostMessageW(window, WM_CHAR, L'2', 1);
  ASSERT_TRUE(WaitForTitle(window, L"Warehouse - Tools", 10000)) << TitleOf(window).c_str();
  Sleep(300);
  PostMessageW(window, WM_CHAR, L'3', 1);
  std::string recorded;
  for (int i = 0; i < 100 && recorded.empty(); ++i) {
    Sleep(100);
    recorded = test::ReadFileBytes(kMarker);
  }
  if (recorded.empty()) {
    test::Box box;
    if (test::AnswerBoxOf(launcher.Id(), 500, &box))
      ADD_FAILURE() << "the launcher said: [" << std::string(box.caption.begin(), box.caption.end())
                    << "] " << std::string(box.text.begin(), box.text.end());
  }
  ASSERT_FALSE(recorded.empty()) << "the recorder was not started";
  EXPECT_EQ("-scan 42", recorded.substr(0, recorded.find('\n')));

  PostMessageW(window, WM_CHAR, L'0', 1);
  ASSERT_TRUE(WaitForTitle(window, L"Warehouse", 10000)) << TitleOf(window).c_str();
  Sleep(300);

  test::PressControlKey(window, 'Q');
  ASSERT_TRUE(launcher.Wait(15000, &exitCode)) << "Ctrl+Q did not close the launcher";
  EXPECT_EQ(0u, exitCode);

  DeleteFileW(kMarker);
  DeleteFileW(L"C:\\Application\\recorder.exe");
  test::ClearLauncherRegistry();
}

}  // namespace
