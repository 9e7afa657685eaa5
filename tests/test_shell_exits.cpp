// The real start-up and every way out, with the shell locked, on both platform families:
// whatever start-up took from the shell is given back, also when start-up cannot make its
// window.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Common/StdInit.h"
#include "launcher/config/Profile.h"
#include "launcher/shell/ShellLockdown.h"
#include "launcher/shell/Startup.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/ShellHarness.h"
#include "tests/support/TestSupport.h"

namespace {

const int kTaskBarHeight = 26;
const DWORD kOnTopFound = 7;
const UINT_PTR kWatchdogTimer = 0xFE01;

enum ExitWay { EXIT_WM_CLOSE, EXIT_CTRL_Q, EXIT_ESCAPE, EXIT_ITEM };

const struct {
  ExitWay way;
  const char *name;
} kExits[] = {
    {EXIT_WM_CLOSE, "WM_CLOSE"}, {EXIT_CTRL_Q, "Ctrl+Q"}, {EXIT_ESCAPE, "Escape"},
    {EXIT_ITEM, "Exit item"},
};

// What one run saw while the launcher was up, and its main window.
struct RunRecord {
  ExitWay way;
  HWND mainWindow;
  bool shown;
  bool taskBarHidden;
  bool taskBarDisabled;
  DWORD onTop;
  LONG workAreaTop;
};
RunRecord g_run;

void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD)
{
  KillTimer(nullptr, kWatchdogTimer);
  PostQuitMessage(99);
}

// Waits until the home configuration is shown, notes how the shell looks, then leaves.
void CALLBACK LeaveOnceShown(HWND, UINT, UINT_PTR timer, DWORD)
{
  if (g_app.mainWindow == nullptr || !IsWindow(g_app.presentationWindow))
    return;
  KillTimer(nullptr, timer);
  g_run.shown = true;
  g_run.mainWindow = g_app.mainWindow;
  HWND taskBar = FindWindowW(L"HHTaskBar", nullptr);
  g_run.taskBarHidden = !IsWindowVisible(taskBar);
  g_run.taskBarDisabled = !IsWindowEnabled(taskBar);
  test::ReadOnTopValue(&g_run.onTop);
  g_run.workAreaTop = test::CurrentWorkArea().top;
  switch (g_run.way) {
  case EXIT_WM_CLOSE:
    PostMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
    break;
  case EXIT_CTRL_Q:
    test::SetControlDown(true);
    test::PostKey(g_app.mainWindow, 'Q');
    break;
  case EXIT_ESCAPE:
    test::PostKey(g_app.presentationWindow, VK_ESCAPE);
    break;
  case EXIT_ITEM:
    test::PostKey(g_app.mainWindow, '2');  // the Exit item follows the one entry
    break;
  }
}

// A window creation refused for the launcher's own class only.
HHOOK g_refuseHook = nullptr;
LRESULT CALLBACK RefuseLauncherWindow(int code, WPARAM wParam, LPARAM lParam)
{
  if (code == HCBT_CREATEWND) {
    wchar_t className[64] = {0};
    GetClassNameW(reinterpret_cast<HWND>(wParam), className, 64);
    if (lstrcmpW(className, L"FerroltClass") == 0)
      return 1;
  }
  return CallNextHookEx(g_refuseHook, code, wParam, lParam);
}

// One platform family with its task bar and, on Windows Mobile, the shell library.
class Platform {
public:
  explicit Platform(bool windowsMobile)
      : windowsMobile_(windowsMobile),
        type_(L"FERROLT_PLATFORM_TYPE", windowsMobile ? L"PocketPC" : nullptr),
        library_(windowsMobile ? new test::ShellLibraryStandIn : nullptr)
  {
    test::ResetShellState();
    RECT below = {0, kTaskBarHeight, 480, 640};
    test::SetWorkArea(below);
    test::WriteOnTopValue(kOnTopFound);
  }
  const char *Name() const { return windowsMobile_ ? "Windows Mobile" : "plain CE"; }
  std::vector<std::string> Calls() const { return library_->Calls(); }

  // Start-up took the shell: the task bar and its on-top value, or the work area strip.
  void ExpectLocked(const RunRecord &run, const std::string &context) const
  {
    if (windowsMobile_) {
      EXPECT_EQ(0, run.workAreaTop) << context;
      return;
    }
    EXPECT_TRUE(run.taskBarHidden) << context;
    EXPECT_TRUE(run.taskBarDisabled) << context;
    EXPECT_EQ(0u, run.onTop) << context;
  }

  // All of it is back, as start-up found it.
  void ExpectGivenBack(const std::string &context) const
  {
    test::PumpMessages(20);
    EXPECT_TRUE(taskBar_.Visible()) << context;
    EXPECT_TRUE(taskBar_.Enabled()) << context;
    DWORD onTop = 0;
    EXPECT_TRUE(test::ReadOnTopValue(&onTop)) << context;
    EXPECT_EQ(kOnTopFound, onTop) << context;
    EXPECT_EQ(kTaskBarHeight, test::CurrentWorkArea().top) << context;
    EXPECT_EQ(nullptr, g_shell.shellLibrary) << context;
  }

  bool windowsMobile_;

private:
  test::ScopedEnv type_;
  std::unique_ptr<test::ShellLibraryStandIn> library_;
  test::TaskBarWindow taskBar_{kTaskBarHeight};
};

class ShellExits : public test::ShellTest {
protected:
  void SetUp() override
  {
    test::ShellTest::SetUp();
    const std::wstring settings = profile_ + L"\\Default\\Settings";
    const std::wstring entry = profile_ + L"\\Default\\Programs\\Prog1";
    test::SetString(HKEY_CURRENT_USER, settings, L"Mode", L"Details");
    test::SetString(HKEY_CURRENT_USER, settings, L"TitleBar", L"Shell");
    test::SetString(HKEY_CURRENT_USER, settings, L"Exit", L"Exit");
    test::SetDword(HKEY_CURRENT_USER, settings, L"Number", 1);
    test::SetString(HKEY_CURRENT_USER, entry, L"Description", L"Notes");
    test::SetString(HKEY_CURRENT_USER, entry, L"Name", L"\\Windows\\notepad.exe");
    SetProfileValue(L"FullScreen", 1);
    test::SetDword(HKEY_CURRENT_USER, PRODUCT_KEY_SECOND, L"ExitOnESC", 1);
  }
  void TearDown() override
  {
    test::SetControlDown(false);
    UnregisterClassW(L"FerroltClass", GetModuleHandleW(nullptr));
    g_app.presentationWindow = nullptr;
    test::ShellTest::TearDown();
  }

  // The launcher's own start-up and message loop, on this thread.
  int Run()
  {
    g_app.presentationWindow = nullptr;
    SetTimer(nullptr, kWatchdogTimer, 10000, Watchdog);
    int exitCode = RunLauncher(GetModuleHandleW(nullptr), L"ShellTest");
    KillTimer(nullptr, kWatchdogTimer);
    test::SetControlDown(false);
    UnregisterClassW(L"FerroltClass", GetModuleHandleW(nullptr));
    return exitCode;
  }

  test::SavedOnTopKey onTop_;
  test::SavedWorkArea workArea_;
};

TEST_F(ShellExits, EveryWayOutGivesTheShellBack)
{
  for (bool windowsMobile : {false, true}) {
    for (const auto &exit : kExits) {
      Platform platform(windowsMobile);
      std::string context = std::string(platform.Name()) + ", " + exit.name;
      g_run = RunRecord{exit.way};
      test::BoxAnswerer boxes;
      SetTimer(nullptr, 0, 20, LeaveOnceShown);

      EXPECT_EQ(0, Run()) << context;
      EXPECT_EQ(0u, boxes.Count()) << context << boxes.Captions().c_str();
      ASSERT_TRUE(g_run.shown) << context;
      EXPECT_FALSE(IsWindow(g_run.mainWindow)) << context;
      platform.ExpectLocked(g_run, context);
      platform.ExpectGivenBack(context);
      if (windowsMobile) {
        // The bars are shown again while the window they belong to still exists.
        std::vector<std::string> calls = platform.Calls();
        ASSERT_FALSE(calls.empty()) << context;
        EXPECT_EQ("SHFullScreen window=" + test::HandleText(g_run.mainWindow) + " state=0x15",
                  calls.back())
            << context;
      }
    }
  }
}

TEST_F(ShellExits, AStartUpThatCannotMakeItsWindowGivesTheShellBack)
{
  const struct {
    bool classTaken;  // else the window creation is refused
    const wchar_t *location;
  } failures[] = {
      {true, L"..\\Common\\StdInit@\n:\n151\n"},
      {false, L"..\\Common\\StdInit@\n:\n263\n"},
  };
  for (bool windowsMobile : {false, true}) {
    for (const auto &failure : failures) {
      Platform platform(windowsMobile);
      std::string context = std::string(platform.Name()) +
                            (failure.classTaken ? ", class taken" : ", creation refused");
      WNDCLASSW taken = {};
      taken.lpfnWndProc = DefWindowProcW;
      taken.hInstance = GetModuleHandleW(nullptr);
      taken.lpszClassName = L"FerroltClass";
      if (failure.classTaken)
        ASSERT_NE(0, RegisterClassW(&taken)) << context;
      else
        g_refuseHook = SetWindowsHookExW(WH_CBT, RefuseLauncherWindow, nullptr,
                                         GetCurrentThreadId());
      test::BoxAnswerer boxes;

      EXPECT_EQ(0, Run()) << context;
      if (g_refuseHook != nullptr)
        UnhookWindowsHookEx(g_refuseHook);
      g_refuseHook = nullptr;
      ASSERT_EQ(1u, boxes.Count()) << context;
      EXPECT_EQ(failure.location, boxes.Boxes()[0].caption) << context;
      EXPECT_EQ(0, test::CountWindows(L"FerroltClass")) << context;
      platform.ExpectGivenBack(context);
    }
  }
}

}  // namespace
