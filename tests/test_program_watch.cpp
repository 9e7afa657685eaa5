// Programs that start with the launcher and come back when they end: real processes of a
// small test program, started by the real main window through its timer.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Common/StdInit.h"
#include "launcher/launch/ProgramWatch.h"
#include "launcher/shell/MainWindow.h"
#include "tests/support/FrameworkHarness.h"
#include "tests/support/LauncherHarness.h"
#include "tests/support/LauncherRun.h"
#include "tests/support/WatchTest.h"

namespace {

using ProgramWatch = test::WatchTest;
using test::kLog;
using test::kProgram;
using test::LoggedStart;

TEST_F(ProgramWatch, AutoStartsGoInEntryOrderSpacedByTheDelay)
{
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"AutoStartDelay", 500);
  AddWatched(L"Default", 1, L"first", L"3000", 1, 0);
  AddWatched(L"Default", 2, L"picked", L"3000", 0, 1);
  AddWatched(L"Default", 3, L"third", L"3000", 1, 0);
  AddConfiguration(L"Other");
  AddWatched(L"Other", 1, L"elsewhere", L"3000", 1, 0);
  AddProgram(L"Default", 4, L"Other", L"", L"Other");
  Start();
  ASSERT_TRUE(PumpUntilStarts(2));
  Pump(700);
  std::vector<LoggedStart> starts = Starts();
  ASSERT_EQ(2u, starts.size());
  EXPECT_EQ("first", starts[0].label);
  EXPECT_EQ("third", starts[1].label);
  EXPECT_GE(starts[1].tick - starts[0].tick, 350u) << "AutoStartDelay spaces them out";
  EXPECT_EQ(0, WatchedProgramCount()) << "auto-starts without KeepRunning are not watched";
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(ProgramWatch, AKeptProgramComesBackAfterItEndsInAnyConfiguration)
{
  for (const wchar_t *family : {static_cast<const wchar_t *>(nullptr), L"PocketPC"}) {
    for (bool below : {false, true}) {
      SCOPED_TRACE(testing::Message() << (family ? "PocketPC" : "plain CE") << ", below " << below);
      test::ScopedEnv platform(L"FERROLT_PLATFORM_TYPE", family);
      SetUp();
      if (below) {
        AddLevels(1);
        AddWatched(L"Level1", 1, L"kept", L"300", 0, 1);
      } else {
        AddWatched(L"Default", 1, L"kept", L"300", 0, 1);
      }
      Start();
      Descend(below ? 1 : 0);
      ActivateItem(0);
      if (below)
        PostMessageW(g_app.mainWindow, MSG_BACK, 0, 0);
      EXPECT_TRUE(PumpUntilStarts(2)) << Starts().size();
      EXPECT_EQ(1, WatchedProgramCount());
      EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
      TearDown();
    }
  }
}

TEST_F(ProgramWatch, ThreeQuickEndsStopTheRestartsWithAMessageUntilPickedAgain)
{
  AddWatched(L"Default", 1, L"crasher", L"crash", 0, 1);
  Start();
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    ActivateItem(0);
    ASSERT_TRUE(PumpUntil([this, round] { return boxes.Count() == static_cast<size_t>(round); }))
        << Starts().size();
    Pump(500);
    EXPECT_EQ(3u * round, Starts().size());
    const test::Box &box = boxes.Boxes().back();
    EXPECT_EQ(L"Ferrolt Warning", box.caption);
    EXPECT_EQ(L"crasher ended 3 times within 60 seconds and is not started again (last exit "
              L"code C0000005). Start it from the launcher to try again.",
              box.text);
    EXPECT_EQ(0, WatchedProgramCount());
  }
}

TEST_F(ProgramWatch, ARestartThatFailsIsReportedOnceAndNotRetried)
{
  g_watch.restartPauseMs = 1000;
  AddWatched(L"Default", 1, L"vanishing", L"0", 0, 1);
  Start();
  ActivateItem(0);
  ASSERT_TRUE(PumpUntilStarts(1));
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, Starts()[0].process);
  if (process != nullptr) {
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }
  Sleep(100);
  ASSERT_TRUE(DeleteFileW(kProgram));
  ASSERT_TRUE(PumpUntil([this] { return !dialogs.Messages().empty(); }));
  Pump(1500);
  ASSERT_EQ(1u, dialogs.Messages().size());
  EXPECT_EQ(L"Cannot execute application", dialogs.Messages()[0]);
  EXPECT_EQ(1u, Starts().size());
  EXPECT_EQ(0, WatchedProgramCount());
}

TEST_F(ProgramWatch, ClosingTheLauncherLeavesTheProgramsRunning)
{
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"AutoStartDelay", 0);
  AddWatched(L"Default", 1, L"auto", L"20000", 1, 1);
  AddWatched(L"Default", 2, L"later", L"20000", 1, 0);
  Start();
  ASSERT_TRUE(PumpUntilStarts(2));
  Stop();
  Pump(500);
  EXPECT_EQ(0, WatchedProgramCount());
  ASSERT_EQ(2u, Starts().size());
  for (const LoggedStart &start : Starts())
    EXPECT_TRUE(StillRuns(start.process)) << start.label;
}

TEST_F(ProgramWatch, ARestartHappensWhileAMessageIsOpen)
{
  AddWatched(L"Default", 1, L"kept", L"200", 0, 1);
  Start();
  ActivateItem(0);
  ASSERT_TRUE(PumpUntilStarts(1));
  // The About box runs a loop of its own; it is closed once the program is back.
  bool openAtRestart = false;
  DWORD began = GetTickCount();
  std::function<void()> look = [&] {
    if (Starts().size() < 2 && GetTickCount() - began < 5000) {
      test::RunLater(50, look);
      return;
    }
    openAtRestart = g_app.openDialog != nullptr;
    if (g_app.openDialog != nullptr)
      PostMessageW(g_app.openDialog, WM_COMMAND, IDOK, 0);
  };
  test::RunLater(50, look);
  HandleCommand(g_app.mainWindow, CMD_ABOUT);
  EXPECT_TRUE(openAtRestart);
}

TEST_F(ProgramWatch, FiftyRestartsLeaveNoHandleBehind)
{
  AddWatched(L"Default", 1, L"brief", L"0", 0, 1);
  Start();
  ActivateItem(0);
  int before = 0;
  for (size_t count = 1; count <= 52; ++count) {
    ASSERT_TRUE(PumpUntilStarts(count)) << count;
    // Far apart on the launcher's clock, so that the guard never steps in.
    g_app.clockOffset += 61 * 1000;
    if (count == 2)
      before = OpenHandles();
  }
  EXPECT_LE(OpenHandles(), before + 3);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(ProgramWatch, QuitAfterLaunchLeavesTheLauncherOpenForAKeptProgram)
{
  for (DWORD keep : {0u, 1u}) {
    SCOPED_TRACE(keep);
    SetUp();
    test::SetDword(HKEY_CURRENT_USER, Settings(L"Default"), L"QuitAfterLaunch", 1);
    AddWatched(L"Default", 1, L"kept", L"3000", 0, keep);
    Start();
    ActivateItem(0);
    Pump(100);
    EXPECT_EQ(keep == 1, Running());
    EXPECT_EQ(static_cast<int>(keep), WatchedProgramCount());
    TearDown();
  }
}

TEST_F(ProgramWatch, ValuesOfAnotherTypeOrRangeAreReportedAndCountAsOff)
{
  static const struct {
    const wchar_t *value;
    DWORD type;
    DWORD number;
    const wchar_t *message;
    size_t bytes;
  } rows[] = {
      {L"AutoStart", REG_DWORD, 2, L"Program Key  1 - AutoStart must be 1 or 0", 4},
      {L"AutoStart", REG_DWORD, 1, L"Program Key  1 - AutoStart must be 1 or 0", 3},
      {L"AutoStart", REG_SZ, 0, L"Program Key  1 - AutoStart must be 1 or 0", 4},
      {L"KeepRunning", REG_BINARY, 1, L"Program Key  1 - KeepRunning must be 1 or 0", 4},
      {L"AutoStartDelay", REG_DWORD, 60001, L"AutoStartDelay must be between 0 and 60000", 4},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.message);
    SetUp();
    AddWatched(L"Default", 1, L"flagged", L"0", 0, 0);
    std::wstring key = row.value == std::wstring(L"AutoStartDelay")
                           ? kProfile
                           : kProfile + L"\\Default\\Programs\\Prog1";
    std::string bytes = row.type == REG_SZ
                            ? std::string("1\0\0\0", 4)
                            : std::string(reinterpret_cast<const char *>(&row.number), row.bytes);
    test::SetRawValue(key, row.value, row.type, bytes);
    Start();
    Pump(300);
    ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
    EXPECT_EQ(L"Ferrolt Error ", boxes.Boxes()[0].caption);
    EXPECT_EQ(row.message, boxes.Boxes()[0].text);
    EXPECT_EQ(0u, Starts().size());
    TearDown();
  }
}

// Device management changes an entry while its program runs: the watch ends with the entry
// or its KeepRunning (the program stays), and follows a new command line; whether a screen
// is shown again or the program ends first.
TEST_F(ProgramWatch, TheWatchFollowsTheEntryAsTheRegistryHoldsItNow)
{
  struct Row {
    const char *name;
    void (*change)(const std::wstring &key);
    const char *restarted;  // the label started next, or none
  } rows[] = {
      {"entry deleted", [](const std::wstring &key) { test::DeleteTree(HKEY_CURRENT_USER, key); },
       nullptr},
      {"KeepRunning 0",
       [](const std::wstring &key) { test::SetDword(HKEY_CURRENT_USER, key, L"KeepRunning", 0); },
       nullptr},
      {"new arguments",
       [](const std::wstring &key) {
         test::SetString(HKEY_CURRENT_USER, key, L"Command", L"renamed 20000");
       },
       "renamed"},
  };
  for (bool shownAgain : {true, false}) {
    for (const Row &row : rows) {
      SCOPED_TRACE(testing::Message() << row.name << (shownAgain ? ", shown again" : ", ended"));
      SetUp();
      AddWatched(L"Default", 2, L"kept", shownAgain ? L"20000" : L"400", 0, 1);
      Start();
      ActivateItem(1);
      ASSERT_TRUE(PumpUntilStarts(1));
      row.change(kProfile + L"\\Default\\Programs\\Prog2");
      if (shownAgain)
        PostMessageW(g_app.mainWindow, MSG_SHOW_CONFIGURATION, 0, 0);
      if (row.restarted != nullptr) {
        ASSERT_TRUE(PumpUntilStarts(2));
        EXPECT_EQ(row.restarted, Starts()[1].label);
        EXPECT_EQ(1, WatchedProgramCount());
      } else {
        Pump(1200);
        EXPECT_EQ(1u, Starts().size());
        EXPECT_EQ(0, WatchedProgramCount());
      }
      if (shownAgain)
        EXPECT_TRUE(StillRuns(Starts()[0].process)) << "the program is never ended";
      EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
      TearDown();
    }
  }
}

TEST_F(ProgramWatch, AKeptEntryPickedWhenEveryWatchIsTakenSaysItIsNotKept)
{
  AddWatched(L"Default", 1, L"kept", L"3000", 0, 1);
  Start();
  // Every slot waits for a restart far ahead, for an entry of another configuration.
  for (WatchedProgram &slot : g_watch.slots) {
    slot.state = WATCH_PAUSED;
    slot.keepRunning = true;
    slot.restartDue = LauncherTime() + 3600 * 1000;
    wcscpy(slot.configurationKeyPath, (kProfile + L"\\Elsewhere").c_str());
    wcscpy(slot.keyName, L"Prog1");
  }
  ActivateItem(0);
  ASSERT_TRUE(PumpUntilStarts(1));
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Ferrolt Warning", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"kept is started but not kept running: the launcher already keeps 32 programs "
            L"running.",
            boxes.Boxes()[0].text);
  EXPECT_EQ(WATCH_SLOTS, WatchedProgramCount());
}

}  // namespace
