#include "tests/support/SampleWalk.h"

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace test {

namespace {
const std::wstring kTools = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Warehouse\\Tools";
}

std::wstring WindowTitle(HWND window)
{
  wchar_t text[260] = {0};
  GetWindowTextW(window, text, 260);
  return text;
}

bool WaitForTitle(HWND window, const std::wstring &title, DWORD timeoutMs)
{
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50))
    if (WindowTitle(window) == title)
      return true;
  return false;
}

void PrepareSample(const wchar_t *marker)
{
  ClearLauncherRegistry();
  DeleteFileW(marker);
  DWORD exitCode = 99;
  ASSERT_TRUE(RunProcess(L"\"" + BuildDir() + L"Pollex.exe\" /q \"" + SourceDir() +
                             L"setup\\package\\CE_Ferrolt.reg\"",
                         30000, &exitCode));
  ASSERT_EQ(0u, exitCode) << "the sample configuration does not import cleanly";
  CreateDirectoryW(L"C:\\Application", nullptr);
  ASSERT_TRUE(CopyFileW((BuildDir() + L"tests\\record_args.exe").c_str(),
                        L"C:\\Application\\recorder.exe", FALSE));
  SetString(HKEY_CURRENT_USER, kTools + L"\\Programs\\Prog3", L"Description", L"Recorder");
  SetString(HKEY_CURRENT_USER, kTools + L"\\Programs\\Prog3", L"Name",
            L"\\Application\\recorder.exe");
  SetString(HKEY_CURRENT_USER, kTools + L"\\Programs\\Prog3", L"Command", L"-scan 42");
}

void WalkSampleToolsAndBack(HWND window, DWORD launcherId, const wchar_t *marker)
{
  PostMessageW(window, WM_CHAR, L'2', 1);
  ASSERT_TRUE(WaitForTitle(window, L"Warehouse - Tools", 10000)) << WindowTitle(window).c_str();
  Sleep(300);
  PostMessageW(window, WM_CHAR, L'3', 1);
  std::string recorded;
  for (int i = 0; i < 100 && recorded.empty(); ++i) {
    Sleep(100);
    recorded = ReadFileBytes(marker);
  }
  if (recorded.empty()) {
    Box box;
    if (AnswerBoxOf(launcherId, 500, &box))
      ADD_FAILURE() << "the launcher said: [" << std::string(box.caption.begin(), box.caption.end())
                    << "] " << std::string(box.text.begin(), box.text.end());
  }
  ASSERT_FALSE(recorded.empty()) << "the recorder was not started";
  EXPECT_EQ("-scan 42", recorded.substr(0, recorded.find('\n')));

  PostMessageW(window, WM_CHAR, L'0', 1);
  ASSERT_TRUE(WaitForTitle(window, L"Warehouse", 10000)) << WindowTitle(window).c_str();
  Sleep(300);
}

void CleanUpSample(const wchar_t *marker)
{
  DeleteFileW(marker);
  DeleteFileW(L"C:\\Application\\recorder.exe");
  ClearLauncherRegistry();
}

}  // namespace test
