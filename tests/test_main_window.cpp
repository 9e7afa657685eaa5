// The real main window driven through its messages and keys: activation, numbers,
// Escape, navigation failures, hot keys, closing and rotation.
#include <gtest/gtest.h>

#include <string>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/Profile.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/TestSupport.h"

namespace {

const std::wstring kProfile = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Stock";

std::wstring Settings(const std::wstring &configuration)
{
  return kProfile + L"\\" + configuration + L"\\Settings";
}

void AddProgram(const std::wstring &configuration, int number, const std::wstring &description,
                const std::wstring &name, const std::wstring &call = L"")
{
  std::wstring key = kProfile + L"\\" + configuration + L"\\Programs\\Prog" + std::to_wstring(number);
  test::SetString(HKEY_CURRENT_USER, key, L"Description", description);
  if (!name.empty())
    test::SetString(HKEY_CURRENT_USER, key, L"Name", name);
  if (!call.empty())
    test::SetString(HKEY_CURRENT_USER, key, L"Call", call);
}

void AddConfiguration(const std::wstring &name, const std::wstring &mode = L"Details")
{
  test::SetString(HKEY_CURRENT_USER, Settings(name), L"Mode", mode);
}

// Runs the launcher's loop rules over this thread's messages for a while.
void Pump(DWORD milliseconds = 300)
{
  DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT)
        continue;
      if (PreTranslateLoopMessage(&message))
        continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  } while (GetTickCount() - start < milliseconds);
}

class MainWindow : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::ClearLauncherRegistry();
    test::SetDword(HKEY_CURRENT_USER, kProfile, L"FullScreen", 0);
    AddConfiguration(L"Default");
    test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"TitleBar", L"Home");
  }

  void TearDown() override
  {
    if (g_app.mainWindow != nullptr && IsWindow(g_app.mainWindow))
      SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
    Pump(50);
    UnregisterClassW(L"FerroltClass", GetModuleHandleW(nullptr));
    g_app.mainWindow = nullptr;
    g_app.stackDepth = 0;
    g_app.currentAccelerators = nullptr;
    test::ClearLauncherRegistry();
  }

  // Starts the launcher in this process the way start-up does and shows the home
  // configuration.
  void Start()
  {
    g_app.instance = GetModuleHandleW(nullptr);
    g_app.focusFlag = true;
    g_app.stackDepth = 0;
    g_app.exitOnEsc = exitOnEsc;
    g_app.backOnZero = backOnZero;
    ZeroMemory(&g_shell, sizeof(g_shell));
    g_shell.plainCe = true;
    ASSERT_TRUE(SelectProfile(L"Stock"));
    ClearWindowTitle();
    g_app.titleLimit = 100;
    ASSERT_TRUE(RegisterMainClass(g_app.instance, IDS_CLASS_NAME, MainWindowProc));
    ASSERT_TRUE(CreateMainWindow(g_app.instance, SW_SHOW, WS_CAPTION, IDS_CLASS_NAME,
                                 IDS_WINDOW_TEXT));
    g_app.currentAccelerators = LoadAcceleratorsW(g_app.instance, MAKEINTRESOURCEW(IDA_LAUNCHER));
    SetForegroundWindow(g_app.mainWindow);
    Pump();
  }

  bool Running() const { return g_app.mainWindow != nullptr && IsWindow(g_app.mainWindow); }
  void Command(int id)
  {
    SendMessageW(g_app.mainWindow, WM_COMMAND, id, 0);
    Pump();
  }

  int exitOnEsc = 0;
  int backOnZero = 0;
  test::BoxAnswerer boxes;
};

TEST_F(MainWindow, ZeroGoesBackWhenReturnIsKeyedZeroEvenWithNumberOff)
{
  AddProgram(L"Default", 1, L"Tools", L"", L"Tools");
  AddConfiguration(L"Tools");
  AddProgram(L"Tools", 1, L"Broken", L"\\Temp\\nothing.exe");
  backOnZero = 1;
  Start();
  ASSERT_NE(nullptr, g_app.presentationWindow);

  ActivateItem(0);
  Pump();
  ASSERT_EQ(1, g_app.stackDepth) << boxes.Captions();
  EXPECT_STREQ(L"Tools", g_profile.configurationName);

  // Number is off: "1" starts nothing (a launch of the broken entry would say so).
  Command(401);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();

  Command(410);
  EXPECT_EQ(0, g_app.stackDepth);
  EXPECT_STREQ(L"Default", g_profile.configurationName);
  EXPECT_NE(nullptr, g_app.presentationWindow);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(MainWindow, NumberKeysReachOnlyTheItemsThatExist)
{
  test::SetDword(HKEY_CURRENT_USER, Settings(L"Default"), L"Number", 1);
  test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"Exit", L"Exit");
  for (int i = 1; i <= 3; ++i)
    AddProgram(L"Default", i, L"Missing " + std::to_wstring(i), L"", L"Missing");
  Start();
  ASSERT_EQ(4, g_entries.count);

  Command(405);
  EXPECT_TRUE(Running());
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();

  Command(404);
  EXPECT_FALSE(Running()) << "\"4\" is the Exit item";
}

TEST_F(MainWindow, ClosingGivesBackThePresentationsImageLists)
{
  AddProgram(L"Default", 1, L"Notes", L"\\Windows\\notepad.exe");
  Start();
  HIMAGELIST lists[] = {g_presentation.smallImages, g_presentation.largeImages};
  ASSERT_NE(nullptr, lists[0]);
  SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
  EXPECT_FALSE(Running());
  for (HIMAGELIST list : lists)
    EXPECT_FALSE(ImageList_Destroy(list)) << "left standing after the launcher closed";
}

TEST_F(MainWindow, EscapeNeedsAnExitItemAndAsksWhenToldTo)
{
  exitOnEsc = 2;
  AddProgram(L"Default", 1, L"Notes", L"\\Windows\\notepad.exe");
  Start();
  ConfirmExit();
  Pump();
  EXPECT_TRUE(Running());
  EXPECT_EQ(0u, boxes.Count());
  SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
  UnregisterClassW(L"FerroltClass", GetModuleHandleW(nullptr));

  test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"Exit", L"Exit");
  Start();
  boxes.Answer(IDNO);
  ConfirmExit();
  Pump();
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(L"Ferrolt Warning", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"Do you want to exit from Ferrolt?", boxes.Boxes()[0].text);
  EXPECT_TRUE(Running());

  boxes.Answer(IDYES);
  ConfirmExit();
  Pump();
  EXPECT_FALSE(Running());
}

TEST_F(MainWindow, ACallToAMissingConfigurationIsReportedAndNothingMoves)
{
  AddProgram(L"Default", 1, L"Nowhere", L"", L"Nowhere");
  Start();
  HWND shown = g_app.presentationWindow;
  ActivateItem(0);
  Pump();
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Ferrolt Error ", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"Unable to find registry key Nowhere", boxes.Boxes()[0].text);
  EXPECT_EQ(0, g_app.stackDepth);
  EXPECT_EQ(shown, g_app.presentationWindow);
}

TEST_F(MainWindow, AnEleventhLevelGoesBackOne)
{
  AddProgram(L"Default", 1, L"Down", L"", L"Level1");
  for (int i = 1; i <= 11; ++i) {
    std::wstring name = L"Level" + std::to_wstring(i);
    AddConfiguration(name);
    AddProgram(name, 1, L"Down", L"", L"Level" + std::to_wstring(i + 1));
  }
  Start();
  for (int i = 1; i <= 10; ++i) {
    ActivateItem(0);
    Pump(200);
    ASSERT_EQ(i, g_app.stackDepth) << boxes.Captions();
  }
  ActivateItem(0);
  Pump();
  EXPECT_EQ(9, g_app.stackDepth);
  EXPECT_STREQ(L"Level9", g_profile.configurationName);
  EXPECT_NE(nullptr, g_app.presentationWindow);
}

// Makes a configuration impossible to show: a numbered list with too many items.
void Break(const std::wstring &configuration)
{
  test::SetDword(HKEY_CURRENT_USER, Settings(configuration), L"Number", 1);
  for (int i = 1; i <= 10; ++i)
    AddProgram(configuration, i, L"Item", L"\\Windows\\notepad.exe");
}

TEST_F(MainWindow, AHomeConfigurationThatCannotBeShownEndsTheLauncher)
{
  Break(L"Default");
  Start();
  EXPECT_FALSE(Running());
  ASSERT_GE(boxes.Count(), 1u);
  EXPECT_EQ(L"Too many items for numbered list ", boxes.Boxes()[0].text);
}

TEST_F(MainWindow, AFailedShowGoesBackOneAndEndsOnlyFromTheFirstLevel)
{
  AddProgram(L"Default", 1, L"A", L"", L"A");
  AddConfiguration(L"A");
  AddProgram(L"A", 1, L"B", L"", L"B");
  AddConfiguration(L"B");
  AddProgram(L"B", 1, L"Notes", L"\\Windows\\notepad.exe");
  Start();
  ActivateItem(0);
  Pump();
  ASSERT_EQ(1, g_app.stackDepth);

  // B is entered, then breaks before it is shown: the launcher goes back to A.
  ActivateItem(0);
  Break(L"B");
  Pump();
  EXPECT_EQ(1, g_app.stackDepth);
  EXPECT_STREQ(L"A", g_profile.configurationName);
  EXPECT_TRUE(Running());
  EXPECT_NE(nullptr, g_app.presentationWindow);

  // A breaks the same way one level below home: back home, then the end.
  boxes.Clear();
  Break(L"A");
  SendMessageW(g_app.mainWindow, WM_SETTINGCHANGE, 0x3002, 0);
  Pump();
  EXPECT_FALSE(Running());
}

TEST_F(MainWindow, MessagesFromOutsideCannotPointTheLauncherAnywhere)
{
  AddProgram(L"Default", 1, L"Tools", L"", L"Tools");
  AddConfiguration(L"Tools");
  AddProgram(L"Tools", 1, L"Notes", L"\\Windows\\notepad.exe");
  Start();

  // A name that is not the Call text of a shown entry, and a wild pointer.
  static const wchar_t foreign[] = L"Tools";
  PostMessageW(g_app.mainWindow, MSG_ENTER_CONFIGURATION, 0, reinterpret_cast<LPARAM>(foreign));
  PostMessageW(g_app.mainWindow, MSG_ENTER_CONFIGURATION, 0, 0x12345678);
  PostMessageW(g_app.mainWindow, WM_HOTKEY, 57, 0);
  PostMessageW(g_app.mainWindow, WM_HOTKEY, static_cast<WPARAM>(-2), 0);
  Pump();
  EXPECT_EQ(0, g_app.stackDepth);
  EXPECT_TRUE(Running());

  // A hot key counts only while the launcher is in front.
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                               nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  SendMessageW(g_app.mainWindow, WM_HOTKEY, 0, 0);
  Pump();
  EXPECT_EQ(0, g_app.stackDepth);
  DestroyWindow(other);

  SetForegroundWindow(g_app.mainWindow);
  ASSERT_EQ(g_app.mainWindow, GetForegroundWindow());
  SendMessageW(g_app.mainWindow, WM_HOTKEY, 0, 0);
  Pump();
  EXPECT_EQ(1, g_app.stackDepth);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(MainWindow, ExitInAListClosesAtOnceAndOpenDialogsCloseFirst)
{
  test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"Exit", L"Exit");
  AddProgram(L"Default", 1, L"Notes", L"\\Windows\\notepad.exe");
  Start();
  ASSERT_EQ(1, g_presentation.exitIndex);
  ActivateItem(g_presentation.exitIndex);
  EXPECT_FALSE(Running()) << "a sent WM_CLOSE ends the window before ActivateItem returns";
  UnregisterClassW(L"FerroltClass", GetModuleHandleW(nullptr));

  Start();
  PostMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
  ShowErrorMessage(L"Shown while closing", L"detail");
  EXPECT_EQ(nullptr, g_app.openDialog);
  EXPECT_FALSE(Running());
}

TEST_F(MainWindow, RotationRebuildsThePresentationAndResizesOnPlainCe)
{
  AddProgram(L"Default", 1, L"Notes", L"\\Windows\\notepad.exe");
  Start();
  ASSERT_NE(nullptr, g_app.presentationWindow);
  g_app.windowTop = 10;
  g_app.bottomGap = 20;
  SendMessageW(g_app.mainWindow, WM_SETTINGCHANGE, 0x3002, 0);
  EXPECT_EQ(nullptr, g_app.presentationWindow) << "torn down at once";
  Pump();
  ASSERT_NE(nullptr, g_app.presentationWindow) << "and built again by the next message";
  RECT rect;
  GetWindowRect(g_app.mainWindow, &rect);
  EXPECT_EQ(10, rect.top);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right - rect.left);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) - 20, rect.bottom) << "the gap above the task bar stays";

  // Other setting changes are ignored.
  HWND shown = g_app.presentationWindow;
  SendMessageW(g_app.mainWindow, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  Pump();
  EXPECT_EQ(shown, g_app.presentationWindow);
}

// Low memory: the kept icons and the presentation go, the same screen comes back at once
// with its icons and selection, and it still takes keys.
TEST_F(MainWindow, LowMemoryGivesBackTheIconsAndTheScreenStaysUsable)
{
  AddProgram(L"Default", 1, L"Notes", L"\\Windows\\notepad.exe");
  AddProgram(L"Default", 2, L"Tools", L"", L"Tools");
  AddConfiguration(L"Tools");
  AddProgram(L"Tools", 1, L"Notes", L"\\Windows\\notepad.exe");
  Start();
  ASSERT_NE(nullptr, g_app.presentationWindow);
  SelectItemForActivation(1);
  const HICON before = g_entries.entries[0].largeIcon;
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(before, &info));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  SendMessageW(g_app.mainWindow, WM_HIBERNATE, 0, 0);
  EXPECT_FALSE(GetIconInfo(before, &info)) << "the kept file icon was given back";
  ASSERT_NE(nullptr, g_app.presentationWindow);
  ASSERT_NE(nullptr, g_entries.entries[0].largeIcon) << "and made again";
  EXPECT_TRUE(GetIconInfo(g_entries.entries[0].largeIcon, &info));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  EXPECT_EQ(2, ImageList_GetImageCount(g_presentation.largeImages));
  EXPECT_EQ(1, GetSelectedListItem());
  test::PostKey(g_app.presentationWindow, VK_RETURN);
  Pump();
  EXPECT_EQ(1, g_app.stackDepth) << "Enter on the selected entry still enters Tools";
}

int ChildWindows(HWND parent)
{
  int count = 0;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    ++count;
  return count;
}

TEST_F(MainWindow, ShowRequestsThatPileUpLeaveOnePresentation)
{
  AddProgram(L"Default", 1, L"Notes", L"\\Windows\\notepad.exe");
  for (const wchar_t *mode : {L"Details", L"Menu Bars"}) {
    AddConfiguration(L"Default", mode);
    Start();
    ASSERT_EQ(1, ChildWindows(g_app.mainWindow)) << mode;
    SendMessageW(g_app.mainWindow, WM_SETTINGCHANGE, 0x3002, 0);
    SendMessageW(g_app.mainWindow, WM_SETTINGCHANGE, 0x3002, 0);
    Pump();
    EXPECT_EQ(1, ChildWindows(g_app.mainWindow)) << mode << ": two rotations";
    PostMessageW(g_app.mainWindow, MSG_SHOW_CONFIGURATION, 0, 0);
    PostMessageW(g_app.mainWindow, MSG_SHOW_CONFIGURATION, 0, 0);
    Pump();
    EXPECT_EQ(1, ChildWindows(g_app.mainWindow)) << mode << ": the show message twice";
    EXPECT_EQ(g_app.presentationWindow, GetWindow(g_app.mainWindow, GW_CHILD)) << mode;
    SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
    UnregisterClassW(L"FerroltClass", GetModuleHandleW(nullptr));
  }
}

}  // namespace
