// The exit password on the real main window: every way out the device user has, with and
// without a password, right, wrong and cancelled; the lock-out; a value that is not a
// hash; and the launcher as a process, still closed from outside while it asks.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Common/StdInit.h"
#include "launcher/config/PasswordHash.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/shell/MainWindow.h"
#include "resources/resource.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/LauncherHarness.h"

namespace {

const wchar_t kPassword[] = L"4711";

class ExitPassword : public test::LauncherTest {
protected:
  void SetPassword(const std::wstring &value)
  {
    test::SetString(HKEY_CURRENT_USER, kProduct, L"ExitPassword", value);
  }

public:
  // The ways out, as the device user takes them.
  void PressCtrlQ()
  {
    test::SetControlDown(true);
    test::PostKey(g_app.presentationWindow, 'Q');
    Pump(30);
    test::SetControlDown(false);
  }
  void ChooseExitItem() { ActivateItem(g_presentation.exitIndex); }
  void PressEscape() { test::PostKey(g_app.presentationWindow, VK_ESCAPE); }
  void PressPlatformOk() { SendMessageW(g_app.mainWindow, WM_COMMAND, IDOK, 0); }
  // Alt+F4 on the list, which the platform turns into the window manager's close.
  void PressAltF4()
  {
    PostMessageW(g_app.presentationWindow, WM_SYSKEYDOWN, VK_F4, 0x20000001);
    PostMessageW(g_app.presentationWindow, WM_SYSKEYUP, VK_F4, 0xE0000001);
  }
  void PressCloseBox() { PostMessageW(g_app.mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0); }

protected:
  // Ctrl+Q's command, answered with a wrong password each time.
  void QuitWithWrongPassword(int times)
  {
    for (int i = 0; i < times; ++i) {
      dialogs.Type(L"0000");
      SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_QUIT, 0);
    }
  }
};

struct ExitPath {
  const wchar_t *name;
  const wchar_t *mode;
  int exitOnEsc;
  void (ExitPassword::*take)();
};

enum Reply { NO_PASSWORD, RIGHT, WRONG, CANCEL };

TEST_F(ExitPassword, EveryWayOutAsksFirstWhenAPasswordIsSet)
{
  static const ExitPath paths[] = {
      {L"Exit item in a list", L"Details", 0, &ExitPassword::ChooseExitItem},
      {L"Exit item in menu bars", L"Menu Bars", 0, &ExitPassword::ChooseExitItem},
      {L"Escape, ExitOnESC 1", L"Details", 1, &ExitPassword::PressEscape},
      {L"Escape, ExitOnESC 2", L"Details", 2, &ExitPassword::PressEscape},
      {L"Ctrl+Q", L"Details", 0, &ExitPassword::PressCtrlQ},
      {L"the platform's OK", L"Details", 0, &ExitPassword::PressPlatformOk},
      {L"Alt+F4", L"Details", 0, &ExitPassword::PressAltF4},
      {L"a close box in menu bars", L"Menu Bars", 0, &ExitPassword::PressCloseBox},
  };
  const std::wstring hash = test::PasswordValue(kPassword);
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
    for (const ExitPath &path : paths) {
      for (Reply reply : {NO_PASSWORD, RIGHT, WRONG, CANCEL}) {
        SCOPED_TRACE(testing::Message() << (family ? "PocketPC, " : "plain CE, ")
                                        << std::string(path.name, path.name + wcslen(path.name))
                                        << ", reply " << reply);
        SetUp();
        AddConfiguration(L"Default", path.mode);
        test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"Exit", L"Exit");
        if (reply != NO_PASSWORD)
          SetPassword(hash);
        if (reply == RIGHT)
          dialogs.Type(kPassword);
        else if (reply == WRONG)
          dialogs.Type(L"4712");
        if (path.exitOnEsc == 2)
          boxes.Answer(IDYES);
        exitOnEsc = path.exitOnEsc;
        Start();
        dialogs.Clear();
        boxes.Clear();

        (this->*path.take)();
        bool stays = reply == WRONG || reply == CANCEL;
        PumpUntil([&] {
          return stays ? dialogs.Prompts() == 1 && g_app.openDialog == nullptr &&
                             dialogs.Messages().size() == (reply == WRONG ? 1u : 0u)
                       : !Running();
        });
        Pump(50);
        EXPECT_EQ(stays, Running());
        EXPECT_EQ(reply == NO_PASSWORD ? 0 : 1, dialogs.Prompts());
        EXPECT_EQ(reply == WRONG ? 1u : 0u, dialogs.Messages().size());
        if (reply == WRONG && !dialogs.Messages().empty())
          EXPECT_EQ(L"Wrong password", dialogs.Messages()[0]);
        EXPECT_EQ(nullptr, g_app.openDialog);
        if (Running())
          EXPECT_NE(nullptr, g_app.currentAccelerators) << "the launcher's keys are back";
        Stop();
      }
    }
  }
}

TEST_F(ExitPassword, FiveWrongAnswersInARowLockTheWayOutForAMinute)
{
  SetPassword(test::PasswordValue(kPassword));
  Start();
  QuitWithWrongPassword(5);
  Pump();
  EXPECT_EQ(5, dialogs.Prompts());
  dialogs.Clear();

  // Refused without asking until the minute is over.
  SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_QUIT, 0);
  g_app.clockOffset += 59 * 1000;
  SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_QUIT, 0);
  Pump();
  EXPECT_EQ(0, dialogs.Prompts());
  ASSERT_EQ(2u, dialogs.Messages().size());
  EXPECT_EQ(L"Too many attempts, try again later", dialogs.Messages()[1]);
  ASSERT_TRUE(Running());

  // After it one try; cancelling it does not lock, the right answer lets the user out.
  g_app.clockOffset += 1000;
  dialogs.Clear();
  dialogs.Type(L"", VK_ESCAPE);
  dialogs.Type(kPassword);
  SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_QUIT, 0);
  SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_QUIT, 0);
  Pump();
  EXPECT_EQ(2, dialogs.Prompts());
  EXPECT_FALSE(Running());
}

TEST_F(ExitPassword, AWrongAnswerAfterTheLockStartsAnotherMinute)
{
  SetPassword(test::PasswordValue(kPassword));
  Start();
  QuitWithWrongPassword(5);
  g_app.clockOffset += 60 * 1000;
  QuitWithWrongPassword(1);
  Pump();
  EXPECT_EQ(6, dialogs.Prompts());
  dialogs.Clear();
  SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_QUIT, 0);
  Pump();
  EXPECT_EQ(0, dialogs.Prompts());
  EXPECT_TRUE(Running());
}

TEST_F(ExitPassword, AValueThatIsNotAHashLeavesNoWayOutButWmClose)
{
  const std::wstring weak = L"pbkdf2-sha1$9999$00112233445566778899aabbccddeeff$"
                            L"0c60c80f961f0e71f3a9b524af6012062fe037a6";
  const std::wstring cut = test::PasswordValue(kPassword) + std::wstring(1, L'\0') + L"more";  // a hash, then a terminator
  for (const std::wstring &value : {std::wstring(L"4711"), std::wstring(), weak,
                                    std::wstring(L"REG_DWORD"), cut}) {
    SCOPED_TRACE(std::string(value.begin(), value.end()));
    SetUp();
    test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"Exit", L"Exit");
    if (value == L"REG_DWORD")
      test::SetDword(HKEY_CURRENT_USER, kProduct, L"ExitPassword", 4711);
    else
      SetPassword(value);
    exitOnEsc = 1;
    Start();
    ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
    EXPECT_EQ(L"Ferrolt Error ", boxes.Boxes()[0].caption);
    EXPECT_EQ(L"ExitPassword is not valid", boxes.Boxes()[0].text);

    PressCtrlQ();
    ActivateItem(g_presentation.exitIndex);
    test::PostKey(g_app.presentationWindow, VK_ESCAPE);
    Pump();
    EXPECT_TRUE(Running());
    EXPECT_EQ(1u, boxes.Count()) << "shown once";
    EXPECT_EQ(0, dialogs.Prompts());

    PostMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(Running());
    Stop();
  }
}

// ---- The launcher as a process ---------------------------------------------------------

HWND FindPasswordDialog(HWND launcher, int controlId, DWORD timeoutMs)
{
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
    for (HWND dialog = FindWindowExW(launcher, nullptr, L"#32770", nullptr); dialog != nullptr;
         dialog = FindWindowExW(launcher, dialog, L"#32770", nullptr)) {
      if (IsWindowVisible(dialog) && GetDlgItem(dialog, controlId) != nullptr)
        return dialog;
    }
  }
  return nullptr;
}

void TypeInto(HWND dialog, const std::wstring &text)
{
  HWND edit = GetDlgItem(dialog, IDC_EXIT_PASSWORD_EDIT);
  for (wchar_t c : text)
    PostMessageW(edit, WM_CHAR, c, 1);
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
}

// Waits until the launcher shows its home configuration, so that its loop takes keys.
HWND WaitForLauncher(const test::ChildProcess &launcher)
{
  HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 15000);
  for (DWORD start = GetTickCount(); window != nullptr && GetTickCount() - start < 10000; Sleep(50)) {
    if (FindWindowExW(window, nullptr, L"SysListView32", nullptr) != nullptr)
      break;
  }
  Sleep(300);
  return window;
}

TEST_F(ExitPassword, TheLauncherProcessAsksOnCtrlQAndStillClosesOnWmCloseFromOutside)
{
  SetPassword(test::PasswordValue(kPassword));
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    SCOPED_TRACE(family ? "PocketPC" : "plain CE");
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
    // The shell library stand-in, found through the path as the device finds its own.
    wchar_t path[4096] = {0};
    GetEnvironmentVariableW(L"PATH", path, 4096);
    test::ScopedEnv library(L"PATH", (test::BuildDir() + L"standins;" + path).c_str());
    test::ChildProcess launcher;
    ASSERT_TRUE(launcher.Start(L"\"" + test::BuildDir() + L"Ferrolt.exe\" Kiosk"));
    HWND window = WaitForLauncher(launcher);
    ASSERT_NE(nullptr, window);

    test::PressControlKey(window, 'Q');
    HWND prompt = FindPasswordDialog(window, IDC_EXIT_PASSWORD_EDIT, 5000);
    ASSERT_NE(nullptr, prompt) << "Ctrl+Q did not ask for the password";
    TypeInto(prompt, L"12");
    HWND message = FindPasswordDialog(window, IDC_MSGSTR1, 5000);
    ASSERT_NE(nullptr, message);
    EXPECT_EQ(L"Wrong password", test::ItemText(message, IDC_MSGSTR1));
    PostMessageW(message, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(launcher.Wait(300)) << "a wrong password let the user out";

    test::PressControlKey(window, 'Q');
    prompt = FindPasswordDialog(window, IDC_EXIT_PASSWORD_EDIT, 5000);
    ASSERT_NE(nullptr, prompt);
    DWORD exitCode = 99;
    ASSERT_TRUE(test::RunProcess(L"\"" + test::BuildDir() + L"tests\\post_close.exe\"", 15000,
                                 &exitCode));
    EXPECT_EQ(0u, exitCode) << "WM_CLOSE from another process did not close the launcher";
    ASSERT_TRUE(launcher.Wait(5000, &exitCode));
    EXPECT_EQ(0u, exitCode);

    test::ChildProcess again;
    ASSERT_TRUE(again.Start(L"\"" + test::BuildDir() + L"Ferrolt.exe\" Kiosk"));
    window = WaitForLauncher(again);
    ASSERT_NE(nullptr, window);
    test::PressControlKey(window, 'Q');
    prompt = FindPasswordDialog(window, IDC_EXIT_PASSWORD_EDIT, 5000);
    ASSERT_NE(nullptr, prompt);
    TypeInto(prompt, kPassword);
    ASSERT_TRUE(again.Wait(15000, &exitCode)) << "the right password did not let the user out";
    EXPECT_EQ(0u, exitCode);
  }
}

}  // namespace
