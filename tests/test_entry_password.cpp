// Entries behind a password on the real main window: every way of picking a protected
// program or call, with the right, a wrong and no answer; the lock-out shared by the
// entries; inside a protected screen, Back and the idle return home; a value that is not
// a hash; and what neither asks (AutoStart) nor gets in (a message from outside).
#include <gtest/gtest.h>

#include <string>

#include "Common/StdInit.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/MenuBars.h"
#include "launcher/shell/EntryGuard.h"
#include "launcher/shell/ExitGuard.h"
#include "launcher/shell/MainWindow.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/LauncherHarness.h"

namespace {

const wchar_t kPassword[] = L"tech-4711";
const wchar_t kCannotExecute[] = L"Cannot execute application";

const std::wstring &Hash()
{
  static const std::wstring hash = test::PasswordValue(kPassword);
  return hash;
}

enum Way { TAP, ENTER, DIGIT, HOT_KEY };
enum Reply { RIGHT, WRONG, CANCEL };

class EntryPassword : public test::LauncherTest {
protected:
  std::wstring Entry(const std::wstring &configuration, int number) const
  {
    return kProfile + L"\\" + configuration + L"\\Programs\\Prog" + std::to_wstring(number);
  }
  void Protect(const std::wstring &configuration, int number, const std::wstring &value)
  {
    test::SetString(HKEY_CURRENT_USER, Entry(configuration, number), L"Password", value);
  }
  // Default: 1 "Scanner" (a program that cannot start, so a start shows its message),
  // 2 "Service" entering Service; both protected. Service: 1 "Tool" (no password of its
  // own, cannot start either), 2 "Deeper" entering Deep (no password).
  void AddDepot(const std::wstring &mode = L"Details")
  {
    AddConfiguration(L"Default", mode);
    test::SetDword(HKEY_CURRENT_USER, Settings(L"Default"), L"Number", 1);
    AddProgram(L"Default", 1, L"Scanner", L"\\Windows\\nothere.exe");
    AddProgram(L"Default", 2, L"Service", L"", L"Service");
    Protect(L"Default", 1, Hash());
    Protect(L"Default", 2, Hash());
    AddConfiguration(L"Service");
    AddProgram(L"Service", 1, L"Tool", L"\\Windows\\nothere.exe");
    AddProgram(L"Service", 2, L"Deeper", L"", L"Deep");
    AddConfiguration(L"Deep");
    AddProgram(L"Deep", 1, L"Notes", L"\\Windows\\nothere.exe");
  }
  void Pick(Way way, int index)
  {
    switch (way) {
    case TAP:
      SendMessageW(g_app.presentationWindow, WM_LBUTTONDOWN, 0,
                   MAKELPARAM(20, g_menuBars.headerHeight + index * MenuRowHeight() + 10));
      break;
    case ENTER:
      SelectItemForActivation(index);
      test::PostKey(g_app.presentationWindow, VK_RETURN);
      break;
    case DIGIT:
      SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_DIGIT_1 + index, 0);
      break;
    case HOT_KEY:
      SetForegroundWindow(g_app.mainWindow);
      SendMessageW(g_app.mainWindow, WM_HOTKEY, static_cast<WPARAM>(index), 0);
      break;
    }
  }
  void Answer(Reply reply)
  {
    if (reply == RIGHT)
      dialogs.Type(kPassword);
    else if (reply == WRONG)
      dialogs.Type(L"guess");
    else
      dialogs.Type(L"", VK_ESCAPE);
  }
  // The depot with an exit password too, started with an empty event log beside the
  // launcher.
  void StartDepotWithLog()
  {
    CreateDirectoryW(L"C:\\Application", nullptr);
    CreateDirectoryW(L"C:\\Application\\Ferrolt", nullptr);
    DeleteFileW(L"C:\\Application\\Ferrolt\\Ferrolt.log");
    AddDepot();
    test::SetString(HKEY_CURRENT_USER, kProduct, L"ExitPassword", Hash());
    Start();
  }
  // Picks the item and waits until its prompt and what followed it are over.
  void PickAndSettle(Way way, int index, size_t messages, int depth)
  {
    Pick(way, index);
    PumpUntil([&] {
      return g_app.openDialog == nullptr && dialogs.Messages().size() >= messages &&
             g_app.stackDepth == depth && g_app.presentationWindow != nullptr;
    });
    Pump(50);
  }
  bool Shown(const std::wstring &message) const
  {
    for (const std::wstring &shown : dialogs.Messages())
      if (shown == message)
        return true;
    return false;
  }
};

TEST_F(EntryPassword, EveryWayOfPickingAsksAndOnlyTheRightPasswordStartsOrEnters)
{
  static const struct {
    const char *name;
    Way way;
    const wchar_t *mode;
  } ways[] = {{"tap", TAP, L"Menu Bars"}, {"Enter", ENTER, L"Details"},
              {"digit", DIGIT, L"Details"}, {"hot key", HOT_KEY, L"List"}};
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
    for (const auto &way : ways) {
      for (int index : {0, 1}) {  // the program, the call
        for (Reply reply : {RIGHT, WRONG, CANCEL}) {
          SCOPED_TRACE(testing::Message() << (family ? "PocketPC, " : "plain CE, ") << way.name
                                          << (index == 0 ? ", program" : ", call")
                                          << ", reply " << reply);
          SetUp();
          AddDepot(way.mode);
          Start();
          Answer(reply);
          bool enters = index == 1 && reply == RIGHT;
          bool starts = index == 0 && reply == RIGHT;
          PickAndSettle(way.way, index, reply == WRONG || starts ? 1 : 0, enters ? 1 : 0);

          EXPECT_EQ(1, dialogs.Prompts());
          EXPECT_EQ(enters ? 1 : 0, g_app.stackDepth);
          EXPECT_EQ(starts, Shown(kCannotExecute)) << "the program was started";
          EXPECT_EQ(reply == WRONG, Shown(L"Wrong password"));
          EXPECT_EQ(nullptr, g_app.openDialog);
          EXPECT_NE(nullptr, g_app.currentAccelerators) << "the launcher's keys are back";
          EXPECT_TRUE(Running());
          Stop();
        }
      }
    }
  }
}

TEST_F(EntryPassword, InsideAProtectedScreenNothingAsksAgainUntilBackLeavesIt)
{
  AddDepot();
  Start();
  Answer(RIGHT);
  PickAndSettle(DIGIT, 1, 0, 1);
  ASSERT_EQ(1, g_app.stackDepth);

  // The tool and the screen below have no password of their own.
  PickAndSettle(DIGIT, 0, 1, 1);
  EXPECT_TRUE(Shown(kCannotExecute));
  PickAndSettle(DIGIT, 1, 1, 2);
  EXPECT_EQ(2, g_app.stackDepth);
  EXPECT_EQ(1, dialogs.Prompts());

  // Back to Default leaves it; entering again asks again.
  ActivateItem(g_presentation.returnIndex);
  PumpUntil([] { return g_app.stackDepth == 1 && g_app.presentationWindow != nullptr; });
  ActivateItem(g_presentation.returnIndex);
  PumpUntil([] { return g_app.stackDepth == 0 && g_app.presentationWindow != nullptr; });
  ASSERT_EQ(0, g_app.stackDepth);
  PickAndSettle(DIGIT, 1, 0, 0);
  EXPECT_EQ(2, dialogs.Prompts());
  EXPECT_EQ(0, g_app.stackDepth) << "no answer queued: Escape";
}

TEST_F(EntryPassword, TheIdleReturnHomeLeavesTheProtectedScreen)
{
  AddDepot();
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"IdleHomeSeconds", 10);
  Start();
  Answer(RIGHT);
  PickAndSettle(DIGIT, 1, 0, 1);
  ASSERT_EQ(1, g_app.stackDepth);

  g_app.clockOffset += 11 * 1000;
  EXPECT_TRUE(PumpUntil([] { return g_app.stackDepth == 0 && g_app.presentationWindow != nullptr; }));
  PickAndSettle(DIGIT, 1, 0, 0);
  EXPECT_EQ(2, dialogs.Prompts()) << "entering again asks again";
}

TEST_F(EntryPassword, FiveWrongAnswersLockEveryEntryButNotTheWayOut)
{
  StartDepotWithLog();
  for (int i = 0; i < 5; ++i) {
    Answer(WRONG);
    PickAndSettle(DIGIT, i % 2, static_cast<size_t>(2 * i + 1), 0);
  }
  EXPECT_EQ(5, dialogs.Prompts());
  dialogs.Clear();

  // Both entries refuse without asking; the exit password keeps its own count.
  PickAndSettle(DIGIT, 0, 1, 0);
  PickAndSettle(HOT_KEY, 1, 2, 0);
  EXPECT_EQ(0, dialogs.Prompts());
  ASSERT_EQ(2u, dialogs.Messages().size());
  EXPECT_EQ(L"Too many attempts, try again later", dialogs.Messages()[1]);
  SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_QUIT, 0);  // Escape: cancelled
  Pump();
  EXPECT_EQ(1, dialogs.Prompts());

  // A minute later the right password opens again.
  g_app.clockOffset += 61 * 1000;
  dialogs.Clear();
  Answer(RIGHT);
  PickAndSettle(DIGIT, 1, 0, 1);
  EXPECT_EQ(1, dialogs.Prompts());
  EXPECT_EQ(1, g_app.stackDepth);

  // The event log holds each outcome with the entry's label, never what was typed.
  const std::string log = test::ReadFileBytes(L"C:\\Application\\Ferrolt\\Ferrolt.log");
  for (const char *line :
       {"PASSWORD prompt=\"entry\" entry=\"Scanner\" result=\"wrong\" tries=1\r\n",
        "PASSWORD prompt=\"entry\" entry=\"Scanner\" result=\"wrong\" tries=5 locked=60\r\n",
        "PASSWORD prompt=\"entry\" entry=\"Service\" result=\"locked out\"\r\n",
        "PASSWORD prompt=\"exit\" result=\"cancelled\"\r\n",
        "PASSWORD prompt=\"entry\" entry=\"Service\" result=\"right\"\r\n"})
    EXPECT_NE(std::string::npos, log.find(line)) << line << log;
  for (const std::wstring &secret : {std::wstring(kPassword), std::wstring(L"guess"), Hash()})
    EXPECT_EQ(std::string::npos, log.find(std::string(secret.begin(), secret.end())));
}

// A device whose cryptography fails cannot check any answer: the user is told so, the
// right password typed again and again counts no try and locks nothing, and the log
// keeps it apart from a wrong answer; once the platform answers, the password opens.
TEST_F(EntryPassword, APlatformFailureIsNeitherAWrongAnswerNorALockOut)
{
  const std::wstring notChecked = L"The password could not be checked: this device's "
                                  L"cryptography failed. Try again; if it keeps failing, "
                                  L"the device needs service.";
  StartDepotWithLog();
  {
    FailingProvider broken;
    ASSERT_TRUE(broken.active());
    for (int i = 0; i < PASSWORD_TRIES + 1; ++i) {
      Answer(RIGHT);
      PickAndSettle(DIGIT, 1, static_cast<size_t>(i + 1), 0);
    }
    Answer(RIGHT);
    SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_QUIT, 0);
    Pump();
    EXPECT_EQ(PASSWORD_TRIES + 2, dialogs.Prompts());
    ASSERT_EQ(static_cast<size_t>(PASSWORD_TRIES + 2), dialogs.Messages().size());
    for (const std::wstring &shown : dialogs.Messages())
      EXPECT_EQ(notChecked, shown);
    EXPECT_EQ(0, g_entryGuard.tries.wrongInARow);
    EXPECT_EQ(0, g_exitGuard.tries.wrongInARow);
    ASSERT_TRUE(Running());
  }
  dialogs.Clear();
  Answer(RIGHT);
  PickAndSettle(DIGIT, 1, 0, 1);
  EXPECT_EQ(1, g_app.stackDepth);
  EXPECT_TRUE(dialogs.Messages().empty());

  const std::string log = test::ReadFileBytes(L"C:\\Application\\Ferrolt\\Ferrolt.log");
  for (const char *line : {"PASSWORD prompt=\"entry\" entry=\"Service\" result=\"not checked\"\r\n",
                           "PASSWORD prompt=\"exit\" result=\"not checked\"\r\n"})
    EXPECT_NE(std::string::npos, log.find(line)) << line << log;
  EXPECT_EQ(std::string::npos, log.find("result=\"wrong\"")) << log;
}

TEST_F(EntryPassword, AValueThatIsNotAHashIsReportedAtStartUpAndRefusesTheEntry)
{
  AddDepot();
  Protect(L"Default", 1, L"tech-4711");
  Protect(L"Default", 2, Hash().substr(0, Hash().size() - 2));
  test::SetDword(HKEY_CURRENT_USER, Entry(L"Default", 1), L"AutoStart", 1);
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"AutoStartDelay", 0);
  Start();
  Pump(600);  // an auto-start would have run by now
  ASSERT_EQ(2u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Program Key  1 - Password is not valid", boxes.Boxes()[0].text);
  EXPECT_EQ(L"Program Key  2 - Password is not valid", boxes.Boxes()[1].text);
  EXPECT_FALSE(Shown(kCannotExecute)) << "the refused entry was auto-started";

  PickAndSettle(DIGIT, 0, 1, 0);
  PickAndSettle(ENTER, 1, 2, 0);
  EXPECT_EQ(0, dialogs.Prompts());
  EXPECT_EQ(0, g_app.stackDepth);
  ASSERT_EQ(2u, dialogs.Messages().size());
  EXPECT_EQ(L"Program Key  2 - Password is not valid", dialogs.Messages()[1]);
}

TEST_F(EntryPassword, AutoStartNeedsNoPasswordAndAMessageFromOutsideCannotEnter)
{
  AddDepot();
  test::SetDword(HKEY_CURRENT_USER, Entry(L"Default", 1), L"AutoStart", 1);
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"AutoStartDelay", 0);
  Start();
  EXPECT_TRUE(PumpUntil([this] { return Shown(kCannotExecute); }));
  EXPECT_EQ(0, dialogs.Prompts());

  // The Call text of the protected entry, posted as the launcher itself would post it.
  PostMessageW(g_app.mainWindow, MSG_ENTER_CONFIGURATION, 0,
               reinterpret_cast<LPARAM>(g_entries.entries[1].call));
  Pump();
  EXPECT_EQ(0, g_app.stackDepth);
}

}  // namespace
