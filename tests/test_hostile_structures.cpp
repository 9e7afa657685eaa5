// Odd structures of a profile: numbered keys out of range or with gaps, sixteen calls,
// calls of the configuration itself and cycles deeper than the stack, and configuration
// and profile names too long for the key paths or full of path characters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/StdInit.h"
#include "launcher/config/Profile.h"
#include "launcher/shell/MainWindow.h"
#include "tests/support/LauncherRun.h"

namespace {

const std::wstring kProfiles = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\";
const std::wstring kProfile = kProfiles + L"Hostile";

std::wstring Program(const std::wstring &configuration, const std::wstring &key)
{
  return kProfile + L"\\" + configuration + L"\\Programs\\" + key;
}

void AddProgram(const std::wstring &configuration, const std::wstring &key)
{
  test::SetString(HKEY_CURRENT_USER, Program(configuration, key), L"Description", key);
  test::SetString(HKEY_CURRENT_USER, Program(configuration, key), L"Name", L"\\Windows\\notepad.exe");
}

void AddCall(const std::wstring &configuration, int number, const std::wstring &call)
{
  std::wstring key = Program(configuration, L"Prog" + std::to_wstring(number));
  test::SetString(HKEY_CURRENT_USER, key, L"Description", L"Call " + std::to_wstring(number));
  test::SetString(HKEY_CURRENT_USER, key, L"Call", call);
}

void AddConfiguration(const std::wstring &name)
{
  test::SetString(HKEY_CURRENT_USER, kProfile + L"\\" + name + L"\\Settings", L"Mode", L"Details");
}

class HostileStructures : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::ClearLauncherRegistry();
    test::SetDword(HKEY_CURRENT_USER, kProfile, L"FullScreen", 0);
    AddConfiguration(L"Default");
    test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"TitleBar", L"Hostile");
  }
  void TearDown() override { test::ClearLauncherRegistry(); }

  static void Expect(const test::LauncherRun &run, bool shown)
  {
    EXPECT_FALSE(run.watchdogClosed) << run.Describe().c_str();
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(L"", test::FirstUnprintable(run)) << run.Describe().c_str();
    EXPECT_EQ(shown, run.shown) << run.Describe().c_str();
    if (!shown)
      EXPECT_FALSE(run.boxes.empty()) << "refused without a word";
  }
};

// Which numbered keys count: Prog0 and Prog17 never, gaps are closed up, and sixteen
// entries with the added items do not overrun the table.
TEST_F(HostileStructures, NumberedKeysOutOfRangeAndWithGaps)
{
  struct Row {
    const char *what;
    std::vector<std::wstring> keys;
    bool shown;
    const wchar_t *box;
  };
  std::vector<std::wstring> all;
  for (int n = 0; n <= 17; ++n)
    all.push_back(L"Prog" + std::to_wstring(n));
  const Row rows[] = {
      {"Prog0 only", {L"Prog0"}, false, L"No program keys found"},
      {"Prog17 only", {L"Prog17"}, false, L"No program keys found"},
      {"Prog0 to Prog17", all, true, nullptr},
      {"gaps", {L"Prog2", L"Prog9", L"Prog16"}, true, L"Sequence is missing in Prog keys in Registry"},
      {"other names", {L"prog1", L"Prog01", L"Prog 2", L"Prog3"}, true, L"Sequence is missing in Prog keys in Registry"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    SetUp();
    test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"About", L"About");
    test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"Exit", L"Exit");
    for (const std::wstring &key : row.keys)
      AddProgram(L"Default", key);
    test::LauncherRun run = test::RunLauncherHere(L"Hostile");
    Expect(run, row.shown);
    if (row.box != nullptr)
      EXPECT_TRUE(run.BoxSaid(row.box)) << run.Describe().c_str();
  }
}

// Calls: sixteen of them, the configuration itself, and a ring of twelve configurations
// walked further than the stack holds.
TEST_F(HostileStructures, CallsOfItselfAndCyclesDeeperThanTheStack)
{
  for (int n = 1; n <= 16; ++n) {
    AddCall(L"Default", n, L"Target" + std::to_wstring(n));
    AddConfiguration(L"Target" + std::to_wstring(n));
    AddProgram(L"Target" + std::to_wstring(n), L"Prog1");
  }
  int depth = -1;
  test::LauncherRun sixteen =
      test::RunLauncherHere(L"Hostile", {[] { ActivateItem(15); }, [&] { depth = g_app.stackDepth; }});
  Expect(sixteen, true);
  EXPECT_EQ(1, depth);
  EXPECT_TRUE(sixteen.ScreenShows(1, L"Back")) << sixteen.Describe().c_str();

  SetUp();
  AddCall(L"Default", 1, L"Default");
  test::LauncherRun self =
      test::RunLauncherHere(L"Hostile", {[] { ActivateItem(0); }, [&] { depth = g_app.stackDepth; }});
  Expect(self, true);
  EXPECT_TRUE(self.BoxSaid(L"Repeating configuration")) << self.Describe().c_str();
  EXPECT_EQ(0, depth);

  SetUp();
  const int ring = 12;
  AddCall(L"Default", 1, L"Ring0");
  for (int i = 0; i < ring; ++i) {
    AddConfiguration(L"Ring" + std::to_wstring(i));
    AddCall(L"Ring" + std::to_wstring(i), 1, L"Ring" + std::to_wstring((i + 1) % ring));
  }
  std::vector<std::function<void()>> steps(ring + 2, [] { ActivateItem(0); });
  steps.push_back([&] { depth = g_app.stackDepth; });
  test::LauncherRun cycle = test::RunLauncherHere(L"Hostile", steps, 30000);
  Expect(cycle, true);
  EXPECT_GE(depth, 9);
  EXPECT_LE(depth, 10);
}

// Call names too long for a key path, or made of path characters: entered when they name
// a configuration that can be read, otherwise refused with a word, the user staying put.
TEST_F(HostileStructures, CallNamesTooLongOrFullOfPathCharacters)
{
  struct Row {
    std::wstring call;
    bool create;  // a configuration key of that name exists
  };
  const Row rows[] = {
      {std::wstring(255, L'c'), true},   {std::wstring(200, L'd'), true},
      {std::wstring(259, L'e'), false},  {std::wstring(260, L'f'), false},
      {std::wstring(300, L'g'), false},  {L"..\\Other", false},
      {L"..", false},                    {L"Other\\..", false},
      {L"a\\b\\Other", false},           {L"\\\\", false},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::to_string(row.call.size()) + " characters");
    SetUp();
    AddCall(L"Default", 1, row.call);
    AddConfiguration(L"Other");
    AddProgram(L"Other", L"Prog1");
    if (row.create) {
      AddConfiguration(row.call);
      AddProgram(row.call, L"Prog1");
    }
    int depth = -1;
    test::LauncherRun run =
        test::RunLauncherHere(L"Hostile", {[] { ActivateItem(0); }, [&] { depth = g_app.stackDepth; }});
    Expect(run, true);
    ASSERT_EQ(3u, run.screens.size()) << run.Describe().c_str();
    if (depth == 0)
      EXPECT_FALSE(run.boxes.empty()) << "not entered, and not a word why";
  }
  // A configuration that exists but whose keys do not fit is named as such: one whose
  // deepest key path (its Prog16) is 259 characters is entered, one of 260 is not.
  const size_t fits = TEXT_CAPACITY - 1 - kProfile.size() - 1 - wcslen(L"\\Programs\\Prog16");
  for (size_t length : {fits, fits + 1, size_t(255)}) {
    SCOPED_TRACE(std::to_string(length) + " characters");
    SetUp();
    AddCall(L"Default", 1, std::wstring(length, L'c'));
    AddConfiguration(std::wstring(length, L'c'));
    AddProgram(std::wstring(length, L'c'), L"Prog1");
    int depth = -1;
    test::LauncherRun run =
        test::RunLauncherHere(L"Hostile", {[] { ActivateItem(0); }, [&] { depth = g_app.stackDepth; }});
    EXPECT_EQ(length == fits ? 1 : 0, depth);
    EXPECT_EQ(length != fits, run.BoxSaid(L"Configuration name too long")) << run.Describe().c_str();
  }
}

// Profile names on the command line that are too long or made of path characters.
TEST_F(HostileStructures, ProfileNamesTooLongOrFullOfPathCharacters)
{
  AddProgram(L"Default", L"Prog1");
  const std::wstring rows[] = {std::wstring(259, L'p'), std::wstring(260, L'p'),
                               std::wstring(300, L'p'), L"..\\Hostile", L"a\\..\\Hostile",
                               L"Hostile\\..", L".."};
  for (const std::wstring &name : rows) {
    SCOPED_TRACE(std::to_string(name.size()) + " characters");
    test::LauncherRun run = test::RunLauncherHere(name);
    EXPECT_FALSE(run.watchdogClosed) << run.Describe().c_str();
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(L"", test::FirstUnprintable(run)) << run.Describe().c_str();
    EXPECT_TRUE(run.shown || !run.boxes.empty()) << "refused without a word";
  }
}

}  // namespace
