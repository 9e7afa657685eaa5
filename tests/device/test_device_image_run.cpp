// The ARM images that the cabinets ship, run by ce-run (the device's code in an emulated
// CPU, its platform calls made natively): the launcher walked as a person would, and the
// setup extension's hooks called by the installer stand-in (tests/device/DeviceRun.h
// says where the images and ce-run are: FERROLT_DEVICE_IMAGES names the folder of the
// images, by default the build's "device" folder, the ARMv7 set; the ARMV4I set is in its
// "armv4i" folder).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "cecompat/AygShell.h"

#include "tests/device/DeviceRun.h"
#include "tests/support/LauncherHarness.h"
#include "tests/support/SampleWalk.h"
#include "tests/support/ShellHarness.h"
#include "tests/support/TestSupport.h"

namespace {

const wchar_t kMarker[] = L"C:\\device_run_marker.txt";
const wchar_t kInstallFolder[] = L"C:\\Application\\Ferrolt";
const std::wstring kProduct = L"Software\\OrvantLLC\\Ferrolt";
const int kTaskBarHeight = 26;

using device::CeRun;
using device::FromVariable;
using device::Images;

// The launcher's menu bars: a visible container of them, with a size, inside its window.
BOOL CALLBACK FindMenuBars(HWND child, LPARAM found)
{
  wchar_t name[64];
  RECT r;
  if (GetClassNameW(child, name, 64) > 0 && lstrcmpW(name, L"FRTMAINWINDOW") == 0 && IsWindowVisible(child) &&
      GetWindowRect(child, &r) && r.right > r.left && r.bottom > r.top)
    *reinterpret_cast<bool *>(found) = true;
  return TRUE;
}

bool MenuBarShown(HWND window)
{
  bool found = false;
  for (DWORD start = GetTickCount(); !found && GetTickCount() - start < 5000; Sleep(100))
    EnumChildWindows(window, FindMenuBars, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool Exists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(DeviceImage, LauncherWalksTheSampleStartsAProgramAndClosesWithZero)
{
  test::PrepareSample(kMarker);
  ASSERT_FALSE(HasFatalFailure());
  test::ScopedEnv marker(L"FERROLT_RECORD_ARGS", kMarker);
  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(device::LauncherCommand()));
  HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 20000);
  ASSERT_NE(nullptr, window) << "the ARM launcher made no window";
  ASSERT_TRUE(test::WaitForTitle(window, L"Warehouse", 10000))
      << "title: " << test::WindowTitle(window).c_str();
  EXPECT_TRUE(MenuBarShown(window)) << "no menu bar on the launcher's window";
  Sleep(300);

  test::WalkSampleToolsAndBack(window, launcher.Id(), kMarker);
  ASSERT_FALSE(HasFatalFailure());

  PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD exitCode = 99;
  ASSERT_TRUE(launcher.Wait(15000, &exitCode)) << "WM_CLOSE did not end the launcher";
  EXPECT_EQ(0u, exitCode);
  test::CleanUpSample(kMarker);
}

// Started as Windows Mobile: the shell library the device has, asked to hide the shell's
// bars for a full-screen launcher and for an empty menu bar on a normal window.
TEST(DeviceImage, LauncherStartedAsWindowsMobileHidesTheShellBarsOrShowsAnEmptyMenuBar)
{
  const struct {
    DWORD fullScreen;
    int top;           // of the launcher's window: over the task bar's strip, or below it
    const char *call;  // the shell library's first record
  } cases[] = {
      {1, 0, "SHFullScreen window=%s state=0x2A"},
      {0, kTaskBarHeight, "SHCreateMenuBar size=%s parent=%s flags=0x1 toolbar=0 instance="},
  };
  test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", L"PocketPC");
  test::TaskBarWindow taskBar(kTaskBarHeight);
  for (const auto &c : cases) {
    SCOPED_TRACE("FullScreen " + std::to_string(c.fullScreen));
    test::PrepareSample(kMarker);
    ASSERT_FALSE(HasFatalFailure());
    test::SetDword(HKEY_CURRENT_USER, kProduct + L"\\Profiles\\Warehouse", L"FullScreen", c.fullScreen);
    test::ShellLibraryStandIn library;
    test::ChildProcess launcher;
    ASSERT_TRUE(launcher.Start(L"\"" + CeRun() + L"\" \"" + Images() + L"Ferrolt.exe\""));
    HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 20000);
    ASSERT_NE(nullptr, window) << "the ARM launcher made no window";
    Sleep(1000);
    std::vector<std::string> calls = library.Calls();
    std::string handle = test::HandleText(window);
    char expected[128];
    std::string first = c.fullScreen ? handle : std::to_string(sizeof(SHMENUBARINFO));
    snprintf(expected, sizeof expected, c.call, first.c_str(), handle.c_str());
    ASSERT_FALSE(calls.empty()) << "the shell library was never asked";
    EXPECT_EQ(expected, calls[0].substr(0, strlen(expected)));
    for (const std::string &call : calls)
      EXPECT_EQ(std::string::npos, call.find("refused")) << call;
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(c.top, r.top);
    HWND bar = FindWindowExW(window, nullptr, TOOLBARCLASSNAMEW, nullptr);
    if (c.fullScreen) {
      EXPECT_EQ(nullptr, bar) << "a full-screen launcher with a menu bar";
    } else {
      ASSERT_NE(nullptr, bar) << "no menu bar on the normal window";
      EXPECT_EQ(0, SendMessageW(bar, TB_BUTTONCOUNT, 0, 0)) << "the menu bar still carries buttons";
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(launcher.Wait(15000, &exitCode)) << "WM_CLOSE did not end the launcher";
    EXPECT_EQ(0u, exitCode);
    test::CleanUpSample(kMarker);
  }
}

// The status strip's battery is read through the battery component's calls, looked up in
// the core library when the strip is drawn: found, and called, where the device has that
// component; not found where it has none. ce-run's trace of the image's calls says which.
TEST(DeviceImage, StatusStripFindsTheBatteryCallsInTheCoreLibraryOnlyWhereTheDeviceHasThem)
{
  const struct {
    const wchar_t *driver;  // FERROLT_BATTERY_DRIVER: "0" is a device without the component
    bool read;
  } rows[] = {{nullptr, true}, {L"0", false}};
  const wchar_t trace[] = L"C:\\device_run_trace.txt";
  for (const auto &row : rows) {
    SCOPED_TRACE(row.read ? "with the battery component" : "without it");
    test::PrepareSample(kMarker);
    ASSERT_FALSE(HasFatalFailure());
    test::SetDword(HKEY_CURRENT_USER, kProduct + L"\\Profiles\\Warehouse", L"StatusStrip", 1);
    test::ScopedEnv driver(L"FERROLT_BATTERY_DRIVER", row.driver);
    test::ChildProcess launcher;
    ASSERT_TRUE(launcher.Start(L"\"" + CeRun() + L"\" --trace " + trace + L" \"" + Images() + L"Ferrolt.exe\""));
    HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 20000);
    ASSERT_NE(nullptr, window) << "the ARM launcher made no window";
    Sleep(1000);
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(launcher.Wait(15000)) << "WM_CLOSE did not end the launcher";
    std::string calls = test::ReadFileBytes(trace);
    EXPECT_NE(std::string::npos, calls.find("GetProcAddressW(")) << "the trace holds no lookup";
    EXPECT_EQ(row.read, calls.find("GetSystemPowerStatusEx2(") != std::string::npos);
    DeleteFileW(trace);
    test::CleanUpSample(kMarker);
  }
}

// CabDriver playing the installer, with the setup extension's ARM image run by ce-run.
int RunInstaller(const std::wstring &arguments, const std::wstring &images = Images(), DWORD timeoutMs = 60000)
{
  DWORD exitCode = 999;
  bool ended = test::RunProcess(L"\"" + test::BuildDir() + L"CabDriver.exe\" " + arguments + L" \"/emulator:" +
                                    CeRun() + L"\" \"/library:" + images + L"Ostrel.dll\"",
                                timeoutMs, &exitCode);
  return ended ? static_cast<int>(exitCode) : -1;
}

const wchar_t kLog[] = L"C:\\Application\\Ferrolt\\Logs\\Old\\run.log";

void LeaveALog()
{
  CreateDirectoryW(L"C:\\Application\\Ferrolt\\Logs", nullptr);
  CreateDirectoryW(L"C:\\Application\\Ferrolt\\Logs\\Old", nullptr);
  test::WriteFileBytes(kLog, "log");
}

// What removal by the setup extension of the images left undone; empty when the
// launcher's folder went whole, with what the launcher left in it.
std::string RemovalFault(const std::wstring &images, DWORD timeoutMs)
{
  int code = RunInstaller(L"/uninstall", images, timeoutMs);
  if (code != 0)
    return "the installer ended with " + std::to_string(code);
  if (Exists(kInstallFolder))
    return "\\Application\\Ferrolt was left behind";
  if (test::KeyPresent(HKEY_CURRENT_USER, kProduct))
    return "the configuration was left behind";
  return "";
}

bool WaitForValue(const std::wstring &path, const std::wstring &name, DWORD timeoutMs)
{
  std::wstring value;
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(100))
    if (test::GetString(HKEY_CURRENT_USER, path, name, &value))
      return true;
  return false;
}

TEST(DeviceImage, SetupExtensionInstallsFreshAndOverAnInstallationAndItsRemovalDeletesTheFolder)
{
  const std::wstring &product = kProduct;
  const std::wstring package = L"/install \"" + test::SourceDir() + L"setup\\package\"";
  test::ClearLauncherRegistry();
  ASSERT_TRUE(CopyFileW((test::BuildDir() + L"Pollex.exe").c_str(), L"C:\\Windows\\Pollex.exe", FALSE));
  test::WriteFileBytes(L"C:\\Application\\keep.txt", "sibling");

  // Fresh: the hooks merge the shipped configuration.
  ASSERT_EQ(0, RunInstaller(package));
  EXPECT_TRUE(WaitForValue(product + L"\\Profiles\\Warehouse\\Tools\\Programs\\Prog2", L"Name", 15000))
      << "the shipped configuration was not merged";
  EXPECT_TRUE(Exists(std::wstring(kInstallFolder) + L"\\Ferrolt.exe"));

  // Over an installation: the administrator's configuration and the launcher's files stay.
  Sleep(500);
  test::SetDword(HKEY_CURRENT_USER, product + L"\\Profiles\\Warehouse", L"FullScreen", 7);
  LeaveALog();
  ASSERT_EQ(0, RunInstaller(package));
  Sleep(1000);
  DWORD fullScreen = 0;
  EXPECT_TRUE(test::GetDword(HKEY_CURRENT_USER, product + L"\\Profiles\\Warehouse", L"FullScreen", &fullScreen));
  EXPECT_EQ(7u, fullScreen) << "the configuration was merged over the administrator's";
  EXPECT_EQ("log", test::ReadFileBytes(kLog));

  // Removal: the launcher's folder goes whole, with what the launcher left in it, and
  // nothing beside it.
  EXPECT_EQ("", RemovalFault(Images(), 60000));
  EXPECT_EQ("sibling", test::ReadFileBytes(L"C:\\Application\\keep.txt"));
  DeleteFileW(L"C:\\Application\\keep.txt");
}

// A device build with the desktop's file search record (FERROLT_DEVICE_PLANTED names its
// folder): the same removal must come out wrong, or these tests could not see the fault.
TEST(DevicePlanted, RemovalByAnImageWithTheDesktopsFileSearchRecordIsCaught)
{
  std::wstring planted = FromVariable(L"FERROLT_DEVICE_PLANTED", L"");
  ASSERT_FALSE(planted.empty()) << "FERROLT_DEVICE_PLANTED names no folder";
  test::ClearLauncherRegistry();
  ASSERT_TRUE(CopyFileW((test::BuildDir() + L"Pollex.exe").c_str(), L"C:\\Windows\\Pollex.exe", FALSE));
  ASSERT_EQ(0, RunInstaller(L"/install \"" + test::SourceDir() + L"setup\\package\""));
  LeaveALog();
  EXPECT_NE("", RemovalFault(planted + L"\\", 20000)) << "the planted fault went unnoticed";
}

}  // namespace
