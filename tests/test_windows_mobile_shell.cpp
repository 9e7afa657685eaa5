// Windows Mobile: the work area moved to the screen top and back, the shell bars hidden
// and shown through the shell library, and the empty menu bar of a normal window.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Common/StdInit.h"
#include "launcher/shell/ShellLockdown.h"
#include "launcher/shell/WMCmdBar.h"
#include "tests/support/ShellHarness.h"
#include "tests/support/TestSupport.h"

namespace {

const int kTaskBarHeight = 26;

class WindowsMobileShell : public test::ShellTest {
protected:
  void SetUp() override
  {
    test::ShellTest::SetUp();
    RECT below = {0, kTaskBarHeight, 480, 640};
    test::SetWorkArea(below);
  }
  void CreateMainWindow()
  {
    RECT area;
    GetWorkArea(&area);
    g_app.mainWindow = test::CreateTestMainWindow(area);
    ASSERT_NE(nullptr, g_app.mainWindow);
  }
  std::string CallLine(const char *function, const std::string &arguments)
  {
    return std::string(function) + " " + arguments;
  }

  test::ScopedEnv platform_{L"FERROLT_PLATFORM_TYPE", L"PocketPC"};
  test::SavedWorkArea savedArea_;
  test::TaskBarWindow taskBar_{kTaskBarHeight};
};

TEST_F(WindowsMobileShell, FullScreenTakesTheWholeScreenAndGivesTheTaskBarStripBackToLaunches)
{
  test::ShellLibraryStandIn library;
  test::SetDword(HKEY_CURRENT_USER, profile_, L"FullScreen", 1);
  StartUp();
  ASSERT_FALSE(g_shell.plainCe);
  RECT area = test::CurrentWorkArea();
  EXPECT_EQ(0, area.top) << "SPI_SETWORKAREA is not honoured here";
  EXPECT_EQ(0, area.left);
  EXPECT_EQ(480, area.right);
  EXPECT_EQ(640, area.bottom);
  // The task bar window itself is left to the shell library.
  EXPECT_TRUE(taskBar_.Visible());
  EXPECT_EQ(0, taskBar_.SettingChanges());
  EXPECT_FALSE(NeedsMenuBar());
  EXPECT_TRUE(CaptionAllowed());

  CreateMainWindow();
  RECT before;
  GetWindowRect(g_app.mainWindow, &before);
  EXPECT_EQ(0, before.top);

  // Before each launch the started program gets a work area below the task bar.
  for (int launch = 0; launch < 2; ++launch) {
    ASSERT_TRUE(NeedsWorkAreaBeforeLaunch());
    RestoreWorkArea();
    EXPECT_EQ(kTaskBarHeight, test::CurrentWorkArea().top) << launch;
    RECT after;
    GetWindowRect(g_app.mainWindow, &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "the launcher's own window moved";
  }

  // A work area that already starts lower is left alone.
  RECT lower = {0, 60, 480, 640};
  test::SetWorkArea(lower);
  RestoreWorkArea();
  EXPECT_EQ(60, test::CurrentWorkArea().top);

  // Exit puts the strip back and lets go of the shell library.
  RECT top = {0, 0, 480, 640};
  test::SetWorkArea(top);
  DestroyWindow(g_app.mainWindow);
  RestoreShell();
  EXPECT_EQ(kTaskBarHeight, test::CurrentWorkArea().top);
  EXPECT_EQ(nullptr, g_shell.shellLibrary);
  EXPECT_EQ(nullptr, GetModuleHandleW(L"aygshell.dll"));
}

TEST_F(WindowsMobileShell, ShellBarsAreHiddenAndShownWithTheirMasks)
{
  test::ShellLibraryStandIn library;
  test::SetDword(HKEY_CURRENT_USER, profile_, L"FullScreen", 1);
  StartUp();
  CreateMainWindow();
  std::string window = test::HandleText(g_app.mainWindow);

  ASSERT_TRUE(WantsHiddenBars());
  HideShellBars();
  ASSERT_TRUE(WantsShownBars());
  ShowShellBars();
  std::vector<std::string> calls = library.Calls();
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ("SHFullScreen window=" + window + " state=0x2A", calls[0]);
  EXPECT_EQ("SHFullScreen window=" + window + " state=0x15", calls[1]);

  // Once the library is gone the bars are left as they are, without a fault.
  FreeShellLibrary();
  library.ClearCalls();
  HideShellBars();
  ShowShellBars();
  EXPECT_TRUE(library.Calls().empty());
}

TEST_F(WindowsMobileShell, NormalWindowGetsAnEmptyMenuBarThatTheLayoutLeavesFree)
{
  test::ShellLibraryStandIn library;
  test::SetDword(HKEY_CURRENT_USER, profile_, L"FullScreen", 0);
  // Start-up makes sure the work area starts below the task bar.
  RECT top = {0, 0, 480, 640};
  test::SetWorkArea(top);
  test::BoxAnswerer boxes;
  StartUp();
  EXPECT_EQ(kTaskBarHeight, test::CurrentWorkArea().top);
  ASSERT_TRUE(NeedsMenuBar());
  EXPECT_FALSE(CaptionAllowed());
  EXPECT_FALSE(WantsHiddenBars());

  CreateMainWindow();
  ASSERT_TRUE(CreateEmptyMenuBar());
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();

  std::vector<std::string> calls = library.Calls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ("SHCreateMenuBar size=" + std::to_string(sizeof(SHMENUBARINFO)) +
                " parent=" + test::HandleText(g_app.mainWindow) +
                " flags=0x1 toolbar=0 instance=" + test::HandleText(g_app.instance) +
                " bitmap=0 images=0 background=0",
            calls[0]);

  HWND bar = FindWindowExW(g_app.mainWindow, nullptr, TOOLBARCLASSNAMEW, nullptr);
  ASSERT_NE(nullptr, bar);
  EXPECT_EQ(0, SendMessageW(bar, TB_BUTTONCOUNT, 0, 0)) << "menu bar still carries buttons";
  RECT barRect;
  GetWindowRect(bar, &barRect);
  ASSERT_GT(barRect.bottom - barRect.top, 0);
  EXPECT_EQ(barRect.bottom - barRect.top, g_shell.menuBarHeight);

  RECT client, usable;
  GetClientRect(g_app.mainWindow, &client);
  GetUsableArea(&usable);
  EXPECT_EQ(client.bottom - g_shell.menuBarHeight, usable.bottom);
  EXPECT_EQ(client.right, usable.right);

  // A normal window on exit only lets go of the library; the work area stays.
  DestroyWindow(g_app.mainWindow);
  RestoreShell();
  EXPECT_EQ(kTaskBarHeight, test::CurrentWorkArea().top);
  EXPECT_EQ(nullptr, g_shell.shellLibrary);
}

TEST_F(WindowsMobileShell, MenuBarThatCannotBeMadeIsReportedAndClosesTheLauncher)
{
  const struct {
    bool libraryPresent;
    const wchar_t *failure;  // error the stand-in fails with
    const wchar_t *detail;   // expected detail, or null for any code
  } cases[] = {
      {false, nullptr, nullptr},
      {true, L"1450", L"000005AA"},
  };
  for (const auto &c : cases) {
    test::ResetShellState();
    std::unique_ptr<test::ShellLibraryStandIn> library;
    if (c.libraryPresent)
      library.reset(new test::ShellLibraryStandIn);
    test::ScopedEnv failure(L"FERROLT_AYGSHELL_MENUBAR_ERROR", c.failure);
    test::BoxAnswerer boxes;
    StartUp();
    EXPECT_EQ(c.libraryPresent, g_shell.shellLibrary != nullptr);
    // Without the library the shell bars are simply left alone.
    HideShellBars();
    CreateMainWindow();
    HWND window = g_app.mainWindow;

    EXPECT_FALSE(CreateEmptyMenuBar());
    ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
    EXPECT_EQ(L".\\WMCmdBar@\n:\n201\n", boxes.Boxes()[0].caption);
    if (c.detail != nullptr)
      EXPECT_EQ(c.detail, boxes.Boxes()[0].text);
    else
      EXPECT_EQ(8u, boxes.Boxes()[0].text.size()) << boxes.Boxes()[0].text;
    EXPECT_FALSE(IsWindow(window)) << "the launcher was not closed";
    EXPECT_EQ(0, g_shell.menuBarHeight);
    EXPECT_EQ(nullptr, g_shell.shellLibrary);
  }
}

}  // namespace
