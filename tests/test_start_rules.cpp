// When programs start (StartDelay, the network they need) and what follows their end
// (ExitActions): real processes of the test program under the real main window, the
// network and the device restart answered by the platform stand-ins.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Common/StdInit.h"
#include "checker/EventLogReader.h"
#include "launcher/config/ConfigCheck.h"
#include "launcher/launch/ExitActions.h"
#include "launcher/launch/NetworkProbe.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/MenuBars.h"
#include "launcher/shell/MainWindow.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/WatchTest.h"

namespace {

const wchar_t kEventLog[] = L"C:\\Application\\Ferrolt\\Ferrolt.log";
const wchar_t kRestarts[] = L"C:\\Temp\\restarts.txt";

class StartRules : public test::WatchTest {
protected:
  void SetUp() override
  {
    WatchTest::SetUp();
    CreateDirectoryW(L"C:\\Application", nullptr);
    CreateDirectoryW(L"C:\\Application\\Ferrolt", nullptr);
    DeleteFileW(kEventLog);
    DeleteFileW(kRestarts);
    g_exitActions.confirmMs = 1500;
  }
  void TearDown() override
  {
    WatchTest::TearDown();
    g_exitActions.confirmMs = RESTART_CONFIRM_MS;
    DeleteFileW(kEventLog);
  }
  std::wstring Entry(int number) const
  {
    return kProfile + L"\\Default\\Programs\\Prog" + std::to_wstring(number);
  }
  // The events of a kind, as the checker reads them, each as its line's text.
  static std::vector<std::string> Events(const std::string &kind)
  {
    std::vector<std::string> found;
    for (const eventlog::Event &event : eventlog::ReadLogs({kEventLog}).events)
      if (event.kind == kind)
        found.push_back(event.text);
    return found;
  }
  static std::string Restarts()
  {
    std::string text;
    HANDLE file = CreateFileW(kRestarts, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      return text;
    char buffer[512];
    DWORD read = 0;
    if (ReadFile(file, buffer, sizeof(buffer), &read, nullptr))
      text.assign(buffer, read);
    CloseHandle(file);
    return text;
  }
  // The first entry's label as the list or the menu bars show it.
  static std::wstring ShownLabel()
  {
    if (IsMenuBarsMode())
      return g_menuBars.labels[0];
    wchar_t text[TEXT_CAPACITY] = {0};
    LVITEMW item = {};
    item.pszText = text;
    item.cchTextMax = TEXT_CAPACITY;
    SendMessageW(GetListView(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  test::ScopedEnv network_{CE_NETWORK_VARIABLE, L"none"};
  test::ScopedEnv restartRecord_{CE_RESTART_RECORD_VARIABLE, kRestarts};
};

TEST_F(StartRules, ThreeAutoStartsGoInOrderEachAfterItsOwnDelay)
{
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"AutoStartDelay", 300);
  AddWatched(L"Default", 1, L"first", L"3000", 1, 0);
  AddWatched(L"Default", 2, L"second", L"3000", 1, 0);
  AddWatched(L"Default", 3, L"third", L"3000", 1, 0);
  test::SetDword(HKEY_CURRENT_USER, Entry(1), L"StartDelay", 1);
  test::SetDword(HKEY_CURRENT_USER, Entry(3), L"StartDelay", 2);
  DWORD shown = GetTickCount();
  Start();
  ASSERT_TRUE(PumpUntilStarts(3, 8000));
  std::vector<test::LoggedStart> starts = Starts();
  EXPECT_EQ("first", starts[0].label);
  EXPECT_EQ("second", starts[1].label);
  EXPECT_EQ("third", starts[2].label);
  EXPECT_GE(starts[0].tick - shown, 900u) << "its StartDelay holds the first one back";
  EXPECT_GE(starts[1].tick - starts[0].tick, 250u) << "AutoStartDelay without a StartDelay";
  EXPECT_GE(starts[2].tick - starts[1].tick, 1900u) << "the third one's StartDelay";
  EXPECT_EQ(2u, Events("WAIT").size());
}

TEST_F(StartRules, AnAutoStartWaitsForTheNetworkThatAppearsAfterThreeSeconds)
{
  AddWatched(L"Default", 1, L"scanner", L"3000", 1, 0);
  test::SetDword(HKEY_CURRENT_USER, Entry(1), L"NeedsNetwork", 1);
  Start();
  DWORD shown = GetTickCount();
  test::RunLater(3000, [] { SetEnvironmentVariableW(CE_NETWORK_VARIABLE, L"127.0.0.1,10.1.2.3"); });
  ASSERT_TRUE(PumpUntilStarts(1, 8000));
  EXPECT_GE(Starts()[0].tick - shown, 2900u);
  std::vector<std::string> waits = Events("WAIT");
  ASSERT_EQ(1u, waits.size());
  EXPECT_NE(std::string::npos, waits[0].find("for=\"network\"")) << waits[0];
  EXPECT_NE(std::string::npos, waits[0].find("ended=\"network\"")) << waits[0];
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

// A device without a usable address, or one that cannot tell: a pick starts nothing and
// says why, in either family; an auto-start waits NetworkWait out and starts all the same.
TEST_F(StartRules, WithoutANetworkAPickIsRefusedAndAnAutoStartStartsAfterTheWait)
{
  const wchar_t *networks[] = {L"none", L"169.254.7.1,127.0.0.1", L"unknown"};
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    for (const wchar_t *answer : networks) {
      SCOPED_TRACE(testing::Message() << (family ? "PocketPC, " : "plain CE, ") << answer);
      test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
      test::ScopedEnv network(CE_NETWORK_VARIABLE, answer);
      SetUp();
      test::SetDword(HKEY_CURRENT_USER, kProfile, L"NetworkWait", 1);
      AddWatched(L"Default", 1, L"Scanner", L"3000", 0, 0);
      AddWatched(L"Default", 2, L"client", L"3000", 1, 0);
      test::SetDword(HKEY_CURRENT_USER, Entry(1), L"NeedsNetwork", 1);
      test::SetDword(HKEY_CURRENT_USER, Entry(2), L"NeedsNetwork", 1);
      Start();
      ActivateItem(0);
      ASSERT_TRUE(PumpUntilStarts(1, 5000));
      EXPECT_EQ("client", Starts()[0].label);
      ASSERT_EQ(1u, boxes.Count());
      EXPECT_EQ(L"Scanner needs the network. Connect and try again.", boxes.Boxes()[0].text);
      std::vector<std::string> waits = Events("WAIT");
      ASSERT_EQ(1u, waits.size());
      EXPECT_NE(std::string::npos, waits[0].find("ended=\"timed out\"")) << waits[0];
      TearDown();
    }
  }
}

// With an address, an entry that names a wireless network needs that network joined, its
// name's bytes exactly (case counts), where the device can tell; where it cannot (no
// driver, no wireless adapter) the address alone counts, and the event log says so once.
TEST_F(StartRules, ANamedWirelessNetworkMustBeJoinedWhereTheDeviceCanTell)
{
  const struct {
    const char *name;
    const wchar_t *networkName;
    const wchar_t *wireless;  // what the device's network driver says
    bool met;
    bool untold;
  } cases[] = {
      {"joined the named network", L"Lager S\u00fcd", L"Lager S\u00fcd", true, false},
      {"another network, differing in case", L"Warehouse", L"warehouse", false, false},
      {"another network, beginning with the name", L"Warehouse", L"Warehouse-2", false, false},
      {"joined none, answering the last name asked for", L"Warehouse", L"none:Warehouse", false,
       false},
      {"no driver", L"Warehouse", nullptr, true, true},
      {"no wireless adapter", L"Warehouse", L"wired", true, true},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.name);
    test::ScopedEnv network(CE_NETWORK_VARIABLE, L"10.1.2.3");
    test::ScopedEnv wireless(CE_WIRELESS_VARIABLE, row.wireless);
    SetUp();
    test::SetDword(HKEY_CURRENT_USER, kProfile, L"NetworkWait", 1);
    AddWatched(L"Default", 1, L"Scanner", L"3000", 0, 0);
    AddWatched(L"Default", 2, L"client", L"3000", 1, 0);
    for (int number : {1, 2}) {
      test::SetDword(HKEY_CURRENT_USER, Entry(number), L"NeedsNetwork", 1);
      test::SetString(HKEY_CURRENT_USER, Entry(number), L"NetworkName", row.networkName);
    }
    Start();
    EXPECT_EQ(row.met ? L"Scanner" : L"Scanner (no network)", ShownLabel());
    ActivateItem(0);
    ASSERT_TRUE(PumpUntilStarts(row.met ? 2 : 1, 5000));
    EXPECT_EQ(row.met ? 0u : 1u, boxes.Count()) << boxes.Captions();
    std::vector<std::string> waits = Events("WAIT");
    EXPECT_EQ(row.met ? 0u : 1u, waits.size());
    if (!row.met && !waits.empty())
      EXPECT_NE(std::string::npos, waits[0].find("ended=\"timed out\"")) << waits[0];
    EXPECT_EQ(row.untold ? 1u : 0u, Events("NETWORK-NAME").size());
    TearDown();
  }
}

TEST_F(StartRules, TheLabelMarkFollowsTheNetworkInTheListAndTheMenuBars)
{
  for (const wchar_t *mode : {L"Details", L"Menu Bars"}) {
    SCOPED_TRACE(testing::Message() << mode);
    test::ScopedEnv network(CE_NETWORK_VARIABLE, L"none");
    SetUp();
    test::SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"Mode", mode);
    test::SetDword(HKEY_CURRENT_USER, Entry(1), L"NeedsNetwork", 1);
    Start();
    EXPECT_EQ(L"Notes (no network)", ShownLabel());
    SetEnvironmentVariableW(CE_NETWORK_VARIABLE, L"192.168.5.20");
    EXPECT_TRUE(PumpUntil([] { return ShownLabel() == L"Notes"; }, 4000)) << ShownLabel();
    TearDown();
  }
}

struct ExitCase {
  const char *name;
  std::vector<std::wstring> lines;
  const wchar_t *ends;
  size_t starts;            // of the program, after its end is acted on
  const wchar_t *message;   // the box shown, or null
  int depth;                // configurations above home afterwards
  const char *action;       // the EXIT-ACTION logged, or null
};

TEST_F(StartRules, EachExitActionByCodeTheFirstMatchingLineWins)
{
  const ExitCase cases[] = {
      {"message", {L"7=message"}, L"exit7", 1, L"picked ended with exit code 00000007.", 1,
       "message"},
      {"home by range", {L"1-5 = home"}, L"exit3", 1, nullptr, 0, "home"},
      {"first match", {L"7=none", L"7=message"}, L"exit7", 1, nullptr, 1, "none"},
      {"star restarts, counted by the crash-loop guard", {L"0=none", L"*=restart"}, L"exit9", 3,
       L"picked ended 3 times within 60 seconds and is not started again (last exit code "
       L"00000009). Start it from the launcher to try again.",
       1, "restart"},
      {"no match: KeepRunning off", {L"1=message"}, L"exit2", 1, nullptr, 1, nullptr},
  };
  for (const ExitCase &row : cases) {
    SCOPED_TRACE(row.name);
    SetUp();
    AddLevels(1);
    AddWatched(L"Level1", 1, L"picked", row.ends, 0, 0);
    test::SetMultiString(HKEY_CURRENT_USER, kProfile + L"\\Level1\\Programs\\Prog1",
                         L"ExitActions", row.lines);
    Start();
    Descend(1);
    ActivateItem(0);
    ASSERT_TRUE(PumpUntilStarts(row.starts));
    Pump(1200);
    EXPECT_EQ(row.starts, Starts().size());
    ASSERT_EQ(row.message != nullptr ? 1u : 0u, boxes.Count()) << boxes.Captions();
    if (row.message != nullptr)
      EXPECT_EQ(row.message, boxes.Boxes()[0].text);
    EXPECT_EQ(row.depth, g_app.stackDepth);
    std::vector<std::string> actions = Events("EXIT-ACTION");
    ASSERT_EQ(row.action != nullptr, !actions.empty());
    if (row.action != nullptr)
      EXPECT_NE(std::string::npos,
                actions[0].find(std::string("action=\"") + row.action + "\""))
          << actions[0];
    TearDown();
  }
}

// The confirmation restarts the device when OK is pressed or nobody answers in time, and
// Cancel keeps it running; each restart is counted in the registry.
TEST_F(StartRules, TheRestartConfirmationCanBeCancelledAndOtherwiseRestarts)
{
  const struct {
    int button;  // 0: nobody answers
    bool restarts;
  } cases[] = {{IDCANCEL, false}, {IDOK, true}, {0, true}};
  for (const auto &row : cases) {
    SCOPED_TRACE(row.button);
    SetUp();
    AddWatched(L"Default", 2, L"updater", L"exit1", 0, 0);
    test::SetMultiString(HKEY_CURRENT_USER, Entry(2), L"ExitActions", {L"1=reboot"});
    Start();
    boxes.Answer(row.button);
    ActivateItem(1);
    ASSERT_TRUE(PumpUntil([this] { return boxes.Count() == 1; }));
    Pump(row.button == 0 ? 3500 : 500);
    EXPECT_EQ(L"updater ended with exit code 00000001 and asks for a restart of the device. "
              L"The device restarts in 2 seconds; Cancel keeps it running.",
              boxes.Boxes()[0].text);
    EXPECT_EQ(row.restarts ? "SetSystemPowerState flags 00800000 00001000\r\n" : "",
              Restarts());
    DWORD count = 0;
    EXPECT_EQ(row.restarts, test::GetDword(HKEY_CURRENT_USER, kProduct, RESTARTS_IN_A_ROW_VALUE,
                                           &count) && count == 1);
    TearDown();
  }
}

TEST_F(StartRules, ABootLoopOfRestartsIsStoppedAndTheCountGoesAfterAMinute)
{
  test::SetDword(HKEY_CURRENT_USER, kProduct, RESTARTS_IN_A_ROW_VALUE, 2);
  AddWatched(L"Default", 2, L"updater", L"exit1", 1, 0);
  test::SetMultiString(HKEY_CURRENT_USER, Entry(2), L"ExitActions", {L"*=reboot"});
  AddWatched(L"Default", 3, L"kept", L"5000", 0, 1);
  Start();
  ASSERT_TRUE(PumpUntil([this] { return boxes.Count() == 1; }));
  EXPECT_EQ(L"updater asked for a restart of the device 3 times in a row without running for "
            L"a minute, and the device is not restarted again (last exit code 00000001). Start "
            L"it from the launcher to try again.",
            boxes.Boxes()[0].text);
  EXPECT_EQ("", Restarts());
  // A minute of running afterwards, with a program watched, clears the count.
  ActivateItem(2);
  g_app.clockOffset += NORMAL_RUNNING_MS;
  Pump(600);
  DWORD count = 0;
  EXPECT_FALSE(test::GetDword(HKEY_CURRENT_USER, kProduct, RESTARTS_IN_A_ROW_VALUE, &count));
}

TEST_F(StartRules, FaultyValuesAreReportedWithTheEntryAndTheSettingName)
{
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"NetworkWait", 601);
  test::SetDword(HKEY_CURRENT_USER, Entry(1), L"StartDelay", 1000);
  test::SetString(HKEY_CURRENT_USER, Entry(1), L"NeedsNetwork", L"1");
  test::SetString(HKEY_CURRENT_USER, Entry(1), L"NetworkName", std::wstring(33, L'n'));
  test::SetMultiString(HKEY_CURRENT_USER, Entry(1), L"ExitActions",
                       {L"7=message", L"seven=home", L"3-1=none", L"*=fly"});
  AddProgram(L"Default", 2, L"Other", L"\\Windows\\notepad.exe");
  test::SetDword(HKEY_CURRENT_USER, Entry(2), L"ExitActions", 0);
  Start();
  EXPECT_EQ(NETWORK_WAIT_DEFAULT_SECONDS * 1000, g_watch.networkWaitMs);
  std::vector<std::wstring> texts;
  for (const test::Box &box : boxes.Boxes())
    texts.push_back(box.text);
  const std::wstring tail = L" is not CODE=ACTION (restart, home, message, reboot or none) and is ignored";
  EXPECT_EQ((std::vector<std::wstring>{
                L"Program Key  1 - StartDelay must be between 0 and 999",
                L"Program Key  1 - NeedsNetwork must be 1 or 0",
                L"Program Key  1 - NetworkName must be a text of at most 32 characters",
                L"Program Key  1 - ExitActions line 2" + tail,
                L"Program Key  1 - ExitActions line 3" + tail,
                L"Program Key  1 - ExitActions line 4" + tail,
                L"Program Key  2 - ExitActions must be lines CODE=ACTION (a multi-string, or "
                L"one text with ; between the lines)",
                L"NetworkWait must be between 0 and 600"}),
            texts);
  EXPECT_EQ(1, g_entries.entries[0].rules.exitRules.count) << "the line that parses is kept";
  EXPECT_EQ(START_DELAY_NONE, g_entries.entries[0].rules.startDelay);
}

TEST(ExitActionLines, ParseAsCodeOrRangeOrStarAndAnAction)
{
  const struct {
    const wchar_t *line;
    bool parses;
    DWORD low, high;
    int action;
  } rows[] = {
      {L"7=message", true, 7, 7, EXIT_MESSAGE},
      {L" 1 - 5 = Home ", true, 1, 5, EXIT_HOME},
      {L"0x0BC2=reboot", true, 3010, 3010, EXIT_REBOOT},
      {L"*=none", true, 0, 0xFFFFFFFF, EXIT_NONE},
      {L"4294967295=RESTART", true, 0xFFFFFFFF, 0xFFFFFFFF, EXIT_RESTART},
      {L"", false, 0, 0, 0},
      {L"=home", false, 0, 0, 0},
      {L"7", false, 0, 0, 0},
      {L"7=", false, 0, 0, 0},
      {L"7=fly", false, 0, 0, 0},
      {L"5-1=none", false, 0, 0, 0},
      {L"4294967296=none", false, 0, 0, 0},
      {L"7=home now", false, 0, 0, 0},
      {L"-1=none", false, 0, 0, 0},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(testing::Message() << '"' << std::string(row.line, row.line + wcslen(row.line)) << '"');
    ExitRule rule = {};
    ASSERT_EQ(row.parses, ParseExitRule(row.line, &rule));
    if (!row.parses)
      continue;
    EXPECT_EQ(row.low, rule.low);
    EXPECT_EQ(row.high, rule.high);
    EXPECT_EQ(row.action, rule.action);
  }
}

}  // namespace
