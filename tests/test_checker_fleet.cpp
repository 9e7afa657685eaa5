// FerroltCheck over a fleet: many scripts in one run, each in a registry of its own, and
// /diff, what a change of a script changes for the device user; the real registry is left
// exactly as it was, a concurrent run's key spared.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ScriptTesting.h"
#include "tests/support/CheckerRun.h"
#include "tests/support/LauncherHarness.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kProduct = "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt]";
const std::string kShop = "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop";
const std::string kHash1 = "\"ExitPassword\"=\"pbkdf2-sha1$10000$00112233445566778899aabbccddeeff$"
                           "0123456789abcdef0123456789abcdef01234567\"";
const std::string kHash2 = "\"ExitPassword\"=\"pbkdf2-sha1$10000$ffeeddccbbaa99887766554433221100$"
                           "0123456789abcdef0123456789abcdef01234567\"";

// A script of lines; "[C]" opens a key of the profile Shop: "[C\Default\Settings]".
std::string Script(const std::vector<std::string> &lines)
{
  std::string text;
  for (std::string line : lines) {
    if (line.compare(0, 3, "[C\\") == 0 || line == "[C]")
      line = kShop + line.substr(2);
    text += line + "\n";
  }
  return text;
}

// Lines 1-8: the profile Shop, its Default in List mode with one entry, Notes.
const std::vector<std::string> kBase = {
    "REGEDIT4", kProduct, "\"ActiveProfile\"=\"Shop\"", "[C\\Default\\Settings]",
    "\"Mode\"=\"List\"", "[C\\Default\\Programs\\Prog1]", "\"Description\"=\"Notes\"",
    "\"Name\"=\"\\\\Windows\\\\notepad.exe\""};

std::vector<std::string> Base(const std::vector<std::string> &more)
{
  std::vector<std::string> lines = kBase;
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

std::vector<std::string> Program(int n, const std::string &label, const std::string &value)
{
  return {"[C\\Default\\Programs\\Prog" + std::to_string(n) + "]",
          "\"Description\"=\"" + label + "\"", value};
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts)
{
  std::vector<std::string> lines;
  for (const std::vector<std::string> &part : parts)
    lines.insert(lines.end(), part.begin(), part.end());
  return lines;
}

const std::string kPassword1 = "\"Password\"=\"pbkdf2-sha1$10000$00112233445566778899aabbccddeeff$"
                               "0123456789abcdef0123456789abcdef01234567\"";
const std::string kPassword2 = "\"Password\"=\"pbkdf2-sha1$10000$ffeeddccbbaa99887766554433221100$"
                               "0123456789abcdef0123456789abcdef01234567\"";
const std::string kMail = "\"Name\"=\"\\\\Windows\\\\mail.exe\"";
const std::string kCalc = "\"Name\"=\"\\\\Windows\\\\calc.exe\"";

struct DiffCase {
  const char *name;
  std::vector<std::string> before, after;
  std::vector<std::string> changes;  // "{B}" and "{A}" stand for the two scripts' paths
  DWORD exitCode;
};

void PrintTo(const DiffCase &c, std::ostream *out) { *out << c.name; }

const DiffCase kDiffCases[] = {
    {"comments, order and a value written twice change nothing",
     Base(Program(2, "Mail", kMail)),
     Join({{"REGEDIT4", "; reviewed", kProduct, "\"ActiveProfile\"=\"Shop\""},
           Program(2, "Mail", kMail),
           {"[C\\Default\\Programs\\Prog1]", "\"Name\"=\"\\\\Windows\\\\notepad.exe\"",
            "\"Description\"=\"Old\"", "\"Description\"=\"Notes\"", "[C\\Default\\Settings]",
            "\"Mode\"=\"List\""}}),
     {},
     0},
    {"out-of-range values the launcher corrects to the same",
     Base({"[C\\Default\\Settings]", "\"Number\"=dword:00000007"}),
     Base({"[C\\Default\\Settings]", "\"Number\"=dword:00000009"}), {}, 2},
    {"items added, removed and moved",
     Join({kBase, Program(2, "Mail", kMail), Program(3, "Calc", kCalc)}),
     Join({{"REGEDIT4", kProduct, "\"ActiveProfile\"=\"Shop\"", "[C\\Default\\Settings]",
            "\"Mode\"=\"List\""},
           Program(1, "Mail", kMail), Program(2, "Calc", kCalc),
           Program(3, "Scan", "\"Name\"=\"\\\\Windows\\\\scan.exe\"")}),
     {"{B}:6: removed: Default: item 1 \"Notes\"", "{A}:6: moved: Default: item 1 \"Mail\" from 2 to 1",
      "{A}:9: moved: Default: item 2 \"Calc\" from 3 to 2", "{A}:12: added: Default: item 3 \"Scan\""},
     1},
    {"what changes in an item",
     Join({kBase, {"\"Command\"=\"a.txt\"", "\"Icon\"=dword:00000001"}, Program(2, "Mail", kMail),
           {"\"HotKey\"=dword:00000041", "\"HotKeyModifier\"=\"Ctrl\""},
           Program(3, "More", "\"Call\"=\"Tools\""), {"[C\\Tools\\Settings]", "\"Mode\"=\"List\""},
           {"[C\\Tools\\Programs\\Prog1]", "\"Description\"=\"Calc\"", kCalc},
           {"[C\\Spare\\Settings]", "\"Mode\"=\"List\""},
           {"[C\\Spare\\Programs\\Prog1]", "\"Description\"=\"Calc\"", kCalc}}),
     Join({Base({"\"Command\"=\"b.txt\"", "\"Icon\"=dword:00000002"}), Program(2, "Post", kMail),
           {"\"HotKey\"=dword:00000042", "\"HotKeyModifier\"=\"Ctrl\""},
           Program(3, "More", "\"Call\"=\"Spare\""), {"[C\\Tools\\Settings]", "\"Mode\"=\"List\""},
           {"[C\\Tools\\Programs\\Prog1]", "\"Description\"=\"Calc\"", kCalc},
           {"[C\\Spare\\Settings]", "\"Mode\"=\"List\""},
           {"[C\\Spare\\Programs\\Prog1]", "\"Description\"=\"Calc\"", kCalc}}),
     {"{A}:9: changed: Default: item 1 \"Notes\": arguments \"a.txt\" -> \"b.txt\"",
      "{A}:10: changed: Default: item 1 \"Notes\": icon \"1\" -> \"2\"",
      "{A}:12: changed: Default: item 2 \"Post\": label \"Mail\" -> \"Post\"",
      "{A}:14: changed: Default: item 2 \"Post\": hot key \"Ctrl+A\" -> \"Ctrl+B\"",
      "{A}:18: changed: Default: item 3 \"More\": enters \"Tools\" -> \"Spare\"",
      "{A}:24: reachable: Spare: entered from Default item 3",
      "{A}:19: unreachable: Tools: no entry enters it any more"},
     1},
    {"an item starts with the launcher and is kept running",
     Base({"\"AutoStart\"=dword:00000001"}), Base({"\"KeepRunning\"=dword:00000001"}),
     {"{A}:6: changed: Default: item 1 \"Notes\": starts with the launcher \"on\" -> \"off\"",
      "{A}:9: changed: Default: item 1 \"Notes\": kept running \"off\" -> \"on\""},
     1},
    {"an item's start and end rules",
     Base({"\"StartDelay\"=dword:00000005", "\"ExitActions\"=\"0=home;1-9=message\""}),
     Base({"\"NeedsNetwork\"=dword:00000001", "\"ExitActions\"=\"*=restart\""}),
     {"{A}:6: changed: Default: item 1 \"Notes\": start delay \"5 seconds\" -> \"not set\"",
      "{A}:9: changed: Default: item 1 \"Notes\": needs the network \"off\" -> \"on\"",
      "{A}:10: changed: Default: item 1 \"Notes\": exit actions \"0=home; 1-9=message\" -> "
      "\"*=restart\""},
     1},
    {"an item's password set, changed and removed, never its hash",
     Join({Base({kPassword1}), Program(2, "Mail", kMail), {kPassword1}, Program(3, "Calc", kCalc)}),
     Join({Base({kPassword2}), Program(2, "Mail", kMail), Program(3, "Calc", kCalc), {kPassword1}}),
     {"{A}:9: changed: Default: item 1 \"Notes\": password changed",
      "{B}:13: changed: Default: item 2 \"Mail\": password removed",
      "{A}:16: changed: Default: item 3 \"Calc\": password set"},
     1},
    {"configurations appear and disappear", Base(Join({Program(2, "Old", "\"Call\"=\"Old\""),
                                                       {"[C\\Old\\Settings]", "\"Mode\"=\"List\""},
                                                       {"[C\\Old\\Programs\\Prog1]",
                                                        "\"Description\"=\"Calc\"", kCalc}})),
     Base(Join({Program(2, "New", "\"Call\"=\"New\""), {"[C\\New\\Settings]", "\"Mode\"=\"List\""},
                {"[C\\New\\Programs\\Prog1]", "\"Description\"=\"Calc\"", kCalc}})),
     {"{B}:9: removed: Default: item 2 \"Old\"", "{A}:9: added: Default: item 2 \"New\"",
      "{A}:12: added: New: configuration \"New\", entered from Default item 2",
      "{A}:14: added: New: item 1 \"Calc\"", "{B}:12: removed: Old: configuration \"Old\""},
     1},
    {"settings and profile-wide values as the device uses them",
     Base({kProduct, "\"ExitOnESC\"=dword:00000001", kHash1, "[C]",
           "\"IdleHomeSeconds\"=dword:0000003c"}),
     Join({{"REGEDIT4", kProduct, "\"ActiveProfile\"=\"Shop\"", "[C\\Default\\Settings]",
            "\"Mode\"=\"Report\"", "[C\\Default\\Programs\\Prog1]", "\"Description\"=\"Notes\"",
            "\"Name\"=\"\\\\Windows\\\\notepad.exe\"", kProduct, "\"ExitOnESC\"=dword:00000002", kHash2,
            "[C]", "\"FullScreen\"=dword:00000001"}}),
     {"{A}:13: changed: (profile): FullScreen 0 -> 1",
      "{A}:10: changed: (profile): ExitOnESC 1 -> 2",
      "{A}:11: changed: (profile): exit password changed",
      "{B}:13: changed: (profile): IdleHomeSeconds 60 -> 0",
      "{A}:5: changed: Default: Mode \"List\" -> \"Details\""},
     1},
    {"findings the change introduces and removes",
     Base({"[C\\Default\\Settings]", "\"Number\"=dword:00000003"}),
     Base({"[C\\Default\\Programs\\Prog2]", kMail}),
     {"{A}:9: added: Default: item 2 \"\"",
      "{A}:9: new warning: Default: Program Key  2 - Either Description key is empty or exceeds limit ",
      "{B}:10: resolved error: Default: Number must be 1 or 0"},
     1},
};

class CheckerDiff : public ::testing::TestWithParam<DiffCase> {};

TEST_P(CheckerDiff, ReportsWhatTheDeviceUserSeesDifferently)
{
  const DiffCase &c = GetParam();
  std::wstring before = test::WriteScript(L"before.reg", Script(c.before));
  std::wstring after = test::WriteScript(L"after.reg", Script(c.after));
  test::CheckerRun run = test::RunChecker(L"/diff \"" + before + L"\" \"" + after + L"\"");
  ASSERT_TRUE(run.finished);
  std::vector<std::string> expected;
  for (std::string line : c.changes) {
    std::wstring path = line[1] == 'B' ? before : after;
    expected.push_back(std::string(path.begin(), path.end()) + line.substr(3));
  }
  std::vector<std::string> lines = test::Lines(run.output);
  ASSERT_FALSE(lines.empty());
  std::string summary = lines.back();
  lines.pop_back();
  EXPECT_EQ(expected, lines);
  EXPECT_NE(std::string::npos,
            summary.find(": " + std::to_string(c.changes.size()) + " change"))
      << summary;
  EXPECT_EQ(c.exitCode, run.exitCode);
}

INSTANTIATE_TEST_SUITE_P(Pairs, CheckerDiff, ::testing::ValuesIn(kDiffCases));

TEST(CheckerDiffInput, AScriptThatCannotBeReadEndsWithThree)
{
  std::wstring before = test::WriteScript(L"before.reg", Script(kBase));
  std::wstring gone = test::WriteScript(L"gone.reg", "");
  DeleteFileW(gone.c_str());
  test::CheckerRun run = test::RunChecker(L"/diff \"" + before + L"\" \"" + gone + L"\" /json");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(3u, run.exitCode);
  EXPECT_NE(std::string::npos, run.output.find("\"exitCode\": 3")) << run.output;
}

// A folder of scripts, one of them broken, a file beside them that is no script; two
// scripts write the same keys differently and each sees only its own.
TEST(CheckerFleet, ChecksEveryScriptOfAFolderEachOnItsOwn)
{
  std::wstring folder = test::WriteScript(L"marker.reg", "");
  folder.replace(folder.size() - 10, 10, L"fleet\\");
  CreateDirectoryW(folder.c_str(), nullptr);
  test::WriteScript(L"fleet\\b-van.reg",
                    Script(Join({kBase, {"[C\\Default\\Settings]", "\"Number\"=dword:00000002"},
                                 {"[C\\Spare\\Settings]", "\"Mode\"=\"List\""},
                                 {"[C\\Spare\\Programs\\Prog1]", "\"Description\"=\"Calc\"", kCalc}})));
  test::WriteScript(L"fleet\\A-shop.reg", Script(kBase));
  test::WriteScript(L"fleet\\c-broken.reg", Script(Base({"\"Title\" = \"x\""})));
  test::WriteScript(L"fleet\\notes.txt", "not a script");
  std::string path(folder.begin(), folder.end());
  test::CheckerRun run = test::RunChecker(L"\"" + folder + L"\"");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(2u, run.exitCode);
  EXPECT_EQ(std::vector<std::string>(
                {path + "A-shop.reg" + test::kUnsignedWarning,
                 path + "b-van.reg" + test::kUnsignedWarning,
                 path + "b-van.reg:10: error: Default: Number must be 1 or 0 (the device uses 0)",
                 path + "b-van.reg:11: warning: Spare: Never reachable: no entry calls this "
                        "configuration",
                 path + "b-van.reg:10: error: Spare: Number must be 1 or 0 (the device uses 0)",
                 path + "c-broken.reg:9: error: (script): Line 9: No close quote",
                 path + "c-broken.reg" + test::kUnsignedWarning,
                 path + "A-shop.reg: 0 errors, 1 warning, 1 configuration checked",
                 path + "b-van.reg: 2 errors, 2 warnings, 2 configurations checked",
                 path + "c-broken.reg: 1 error, 1 warning, 1 configuration checked",
                 "3 scripts: 3 errors, 4 warnings, 4 configurations checked"}),
            test::Lines(run.output));

  // The same scripts the other way round, as JSON: one record per script.
  run = test::RunChecker(L"/json \"" + folder + L"c-broken.reg\" \"" + folder + L"A-shop.reg\"");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(2u, run.exitCode);
  EXPECT_NE(std::string::npos, run.output.find("\"errors\": 1, \"warnings\": 1, "
                                               "\"configurations\": 1, \"exitCode\": 2"));
  EXPECT_NE(std::string::npos, run.output.find("\"errors\": 0, \"warnings\": 1, "
                                               "\"configurations\": 1, \"exitCode\": 1,\n"
                                               "   \"findings\": [\n"));
}

// Starts a check whose import takes a good second; returns once its key is there.
bool StartLongCheck(test::ChildProcess *check, const std::wstring &own)
{
  std::string big = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop]\n";
  for (int i = 0; i < 100000; ++i)
    big += "\"V" + std::to_string(i) + "\"=\"x\"\n";
  std::wstring path = test::WriteScript(L"big-fleet.reg", big);
  if (!check->Start(L"\"" + test::BuildDir() + L"FerroltCheck.exe\" \"" + path + L"\""))
    return false;
  DWORD start = GetTickCount();
  while (!test::KeyPresent(HKEY_CURRENT_USER, own + std::to_wstring(check->Id())) &&
         GetTickCount() - start < 20000 && WaitForSingleObject(check->Handle(), 0) == WAIT_TIMEOUT)
    Sleep(1);
  return WaitForSingleObject(check->Handle(), 0) == WAIT_TIMEOUT;
}

TEST(CheckerFleetRegistry, ARunLeavesTheRegistryAsItWasAndSparesAConcurrentRun)
{
  const std::wstring scratch = L"Software\\FerroltCheck\\Scratch\\";
  test::ClearLauncherRegistry();
  scripttest::TreeSnapshot before = scripttest::Snapshot(HKEY_CURRENT_USER, L"");
  std::wstring script = test::WriteScript(L"plain.reg", Script(kBase));
  ASSERT_TRUE(test::RunChecker(L"\"" + script + L"\" \"" + script + L"\"").finished);
  EXPECT_TRUE(before == scripttest::Snapshot(HKEY_CURRENT_USER, L""));
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, L"Software\\FerroltCheck"));

  test::ChildProcess running;
  ASSERT_TRUE(StartLongCheck(&running, scratch)) << "the check ended before a second one ran";
  ASSERT_TRUE(test::RunChecker(L"\"" + script + L"\"").finished);
  EXPECT_TRUE(test::KeyPresent(HKEY_CURRENT_USER, scratch + std::to_wstring(running.Id())));
  EXPECT_TRUE(running.Wait(30000));
  EXPECT_TRUE(before == scripttest::Snapshot(HKEY_CURRENT_USER, L""));
}

}  // namespace

namespace {

// /update says what a device configured by one script does with an update, and /sign
// makes the signature a fleet with an UpdateKey asks for.
TEST(CheckerUpdate, SaysWhetherTheDeviceTakesAnUpdateAndWhatItsUserThenSees)
{
  std::wstring before = test::WriteScript(L"before.reg", Script(kBase));
  std::wstring good = test::WriteScript(L"good.reg", Script({"REGEDIT4", "[C\\Default\\Settings]",
                                                            "\"Mode\"=\"Details\""}));
  std::wstring bad = test::WriteScript(
      L"bad.reg", Script({"REGEDIT4", "[HKEY_CURRENT_USER\\Software\\Other]", "\"A\"=\"B\""}));
  test::CheckerRun run = test::RunChecker(L"/update \"" + before + L"\" \"" + good + L"\"");
  EXPECT_EQ(0u, run.exitCode) << run.output;
  std::string path(good.begin(), good.end());
  for (const std::string &part :
       {std::string("good.reg: accepted by a device configured by before.reg"),
        std::string("good.reg: warning: Updates are unsigned"),
        path + ":3: changed: Default: Mode \"List\" -> \"Details\""})
    EXPECT_NE(std::string::npos, run.output.find(part)) << part << "\n" << run.output;

  run = test::RunChecker(L"/update \"" + before + L"\" \"" + bad + L"\"");
  EXPECT_EQ(2u, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos,
            run.output.find("bad.reg:2: error: (script): Line 2 writes outside the launcher's key"))
      << run.output;
  EXPECT_NE(std::string::npos, run.output.find("Nothing changes on the device."));
}

TEST(CheckerUpdate, SignsWithThePassphraseOfTheFleetsKeyAndTheDeviceChecksIt)
{
  std::wstring key = test::PasswordValue(L"fleet passphrase");
  std::wstring fleet = test::WriteScript(
      L"fleet.reg", Script(Base({kProduct, "\"UpdateKey\"=\"" + std::string(key.begin(), key.end()) +
                                               "\""})));
  std::wstring update = test::WriteScript(
      L"signed.reg", Script({"REGEDIT4", "[C\\Default\\Settings]", "\"Mode\"=\"Details\""}));
  DeleteFileW((update + L".sig").c_str());
  test::CheckerRun run = test::RunChecker(L"/update \"" + fleet + L"\" \"" + update + L"\"");
  EXPECT_EQ(2u, run.exitCode);
  EXPECT_NE(std::string::npos, run.output.find("The update is not signed")) << run.output;

  run = test::RunChecker(L"/sign \"" + update + L"\" \"" + fleet + L"\"", 60000, "not it\n");
  EXPECT_EQ(2u, run.exitCode) << "a wrong passphrase signs nothing";
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((update + L".sig").c_str()));
  run = test::RunChecker(L"/sign \"" + update + L"\" \"" + fleet + L"\"", 60000,
                         "fleet passphrase\n");
  EXPECT_EQ(0u, run.exitCode) << run.output;
  std::string signature = test::ReadFileBytes(update + L".sig");
  EXPECT_EQ(42u, signature.size()) << signature;

  run = test::RunChecker(L"/update \"" + fleet + L"\" \"" + update + L"\"");
  EXPECT_EQ(0u, run.exitCode) << run.output;
  EXPECT_EQ(std::string::npos, run.output.find("unsigned")) << run.output;
  test::WriteFileBytes(update, test::ReadFileBytes(update) + "; changed after signing\n");
  run = test::RunChecker(L"/update \"" + fleet + L"\" \"" + update + L"\"");
  EXPECT_EQ(2u, run.exitCode);
  EXPECT_NE(std::string::npos, run.output.find("signature does not match")) << run.output;
}

}  // namespace
