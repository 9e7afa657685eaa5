// FerroltCheck run as a process on scripts that exercise each finding: its exact output
// and exit code, what the launcher itself shows for the same script, and the real
// registry left untouched.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "checker/ThrowawayRegistry.h"
#include "tests/ScriptTesting.h"
#include "tests/support/CheckerRun.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kShop = "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop";
const std::vector<std::string> kHead = {
    "REGEDIT4", "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt]", "\"ActiveProfile\"=\"Shop\""};

std::vector<std::string> Plus(std::vector<std::string> lines, const std::vector<std::string> &more)
{
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

// Five lines: a configuration's Settings with a mode, and its Prog1 starting notepad.
std::vector<std::string> Screen(const std::string &name, const std::string &mode = "List")
{
  return {kShop + "\\" + name + "\\Settings]", "\"Mode\"=\"" + mode + "\"",
          kShop + "\\" + name + "\\Programs\\Prog1]", "\"Description\"=\"Notes\"",
          "\"Name\"=\"\\\\Windows\\\\notepad.exe\""};
}

// Three lines: entry key n of a configuration, with a description and one more value.
std::vector<std::string> Entry(const std::string &configuration, int n, const std::string &value)
{
  return {kShop + "\\" + configuration + "\\Programs\\Prog" + std::to_string(n) + "]",
          "\"Description\"=\"Entry " + std::to_string(n) + "\"", value};
}

std::string Call(const std::string &name) { return "\"Call\"=\"" + name + "\""; }
const std::string kNotepad = "\"Name\"=\"\\\\Windows\\\\notepad.exe\"";

// C1 to C11, each calling the next; lines 9 to 63.
std::vector<std::string> DeepChain()
{
  std::vector<std::string> lines;
  for (int n = 1; n <= 11; ++n) {
    std::string name = "C" + std::to_string(n);
    lines = Plus(lines, {kShop + "\\" + name + "\\Settings]", "\"Mode\"=\"List\""});
    lines = Plus(lines, Entry(name, 1, n < 11 ? Call("C" + std::to_string(n + 1)) : kNotepad));
  }
  return lines;
}

std::vector<std::string> NineEntries()
{
  std::vector<std::string> lines;
  for (int n = 1; n <= 9; ++n)
    lines = Plus(lines, Entry("Default", n, kNotepad));
  return lines;
}

std::string Joined(const std::vector<std::string> &lines)
{
  std::string text;
  for (const std::string &line : lines)
    text += line + "\n";
  return text;
}

std::string Narrow(const std::wstring &text) { return std::string(text.begin(), text.end()); }

std::vector<std::string> WithPath(const std::vector<std::string> &lines, const std::string &path)
{
  std::vector<std::string> replaced;
  for (std::string line : lines) {
    size_t at = line.find("{S}");
    if (at != std::string::npos)
      line.replace(at, 3, path);
    replaced.push_back(line);
  }
  return replaced;
}

const std::string kUnsigned = std::string("{S}") + test::kUnsignedWarning;

// A key made by /hash-password: the fleet signs its updates.
const std::string kUpdateKey =
    "\"UpdateKey\"=\"pbkdf2-sha1$10000$f4e6f3166a64311192b46a41e2572d16$"
    "fe94b37c31652ff6d65572ef4abba8a608c35b98\"";

struct Case {
  const char *name;
  std::string script;                 // the whole file
  std::wstring options;
  std::vector<std::string> expected;  // "{S}" stands for the script's path
  DWORD exitCode;
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

const Case kCases[] = {
    {"clean", Joined(Plus(Plus(kHead, {kUpdateKey}), Screen("Default"))), L"",
     {"{S}: 0 errors, 0 warnings, 1 configuration checked"}, 0},
    {"update folders without a key",
     Joined(Plus(Plus(kHead, {"\"UpdateFolders\"=\"\\\\Storage Card\\\\Updates\""}), Screen("Default"))),
     L"",
     {kUnsigned,
      "{S}:4: warning: (profile): UpdateFolders is set without an UpdateKey: the device does not "
      "watch these folders, only \\Application\\Ferrolt\\Update: \\Storage Card\\Updates",
      "{S}: 0 errors, 2 warnings, 1 configuration checked"},
     1},
    {"an update key not made by /hash-password",
     Joined(Plus(Plus(kHead, {"\"UpdateKey\"=\"fleet passphrase\""}), Screen("Default"))), L"",
     {"{S}:4: warning: (profile): UpdateKey is not a key made by /hash-password: the device takes "
      "no update at all",
      "{S}: 0 errors, 1 warning, 1 configuration checked"},
     1},
    {"setting checks",
     Joined(Plus(kHead, {kShop + "\\Default\\Settings]", "\"Mode\"=\"Menu Bars\"",
                         "\"MenuItemHeight\"=dword:00000005", "\"MenuItemFontSize\"=dword:0000001e",
                         kShop + "\\Default\\Programs\\Prog1]", "\"Description\"=\"Notes\"",
                         kNotepad})),
     L"",
     {kUnsigned,
      "{S}:6: error: Default: MenuItemHeight must be between 10 and 120  (the device uses 50)",
      "{S}:7: error: Default: Font size must be between 5 and 20 (the device uses 12)",
      "{S}: 2 errors, 1 warning, 1 configuration checked"},
     2},
    {"entry warnings",
     Joined(Plus(kHead, {kShop + "\\Default\\Settings]", "\"Mode\"=\"List\"",
                         kShop + "\\Default\\Programs\\Prog1]", "\"Description\"=\"Notes\"", kNotepad,
                         "\"HotKey\"=dword:00000041", "\"HotKeyModifier\"=\"Ctrl\"",
                         kShop + "\\Default\\Programs\\Prog3]", "\"Name\"=\"\\\\Windows\\\\pword.exe\"",
                         "\"HotKey\"=dword:00000041", "\"HotKeyModifier\"=\"Ctrl\"",
                         kShop + "\\Default\\Programs\\Prog4]", "\"Icon\"=dword:000001ba"})),
     L"",
     {kUnsigned,
      "{S}:11: warning: Default: Program Key  2 - Either Description key is empty or exceeds limit ",
      "{S}:15: warning: Default: Program Key  3 - No Description and Name or Call found ",
      "{S}:6: warning: Default: Sequence is missing in Prog keys in Registry",
      "{S}:13: warning: Default: Hotkey registration is unsuccessful. You may have used same key "
      "pair for more than one program",
      "{S}: 0 errors, 5 warnings, 1 configuration checked"},
     1},
    {"numbered list limit",
     Joined(Plus(Plus(kHead, {kShop + "\\Default\\Settings]", "\"Mode\"=\"List\"",
                              "\"Number\"=dword:00000001", "\"Exit\"=\"Exit\""}),
                 NineEntries())),
     L"",
     {kUnsigned,
      "{S}:6: error: Default: Too many items for numbered list ",
      "{S}: 1 error, 1 warning, 1 configuration checked"},
     2},
    {"calls: missing target, missing settings, a cycle",
     Joined(Plus(Plus(Plus(Plus(kHead, {kShop + "\\Default\\Settings]", "\"Mode\"=\"List\""}),
                           Entry("Default", 1, Call("Tools"))),
                      Entry("Default", 2, Call("Gone"))),
                 Entry("Tools", 1, Call("Default")))),
     L"",
     {kUnsigned,
      "{S}:11: error: Default: Unable to find registry key Gone",
      "{S}:12: error: Tools: Unable to find registry key "
      "Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop\\Tools\\Settings",
      "{S}:14: error: Tools: Repeating configuration",
      "{S}: 3 errors, 1 warning, 2 configurations checked"},
     2},
    {"deeper than ten",
     Joined(Plus(Plus(Plus(kHead, {kShop + "\\Default\\Settings]", "\"Mode\"=\"List\""}),
                      Entry("Default", 1, Call("C1"))),
                 DeepChain())),
     L"",
     {kUnsigned,
      "{S}:58: error: C10: \"C11\" cannot be entered: the path to it is deeper than the 10 "
      "configurations the launcher keeps, and the device goes back one level instead",
      "{S}:59: warning: C11: Never reachable: no entry calls this configuration",
      "{S}: 1 error, 2 warnings, 12 configurations checked"},
     2},
    {"configuration nothing calls", Joined(Plus(Plus(kHead, Screen("Default")), Screen("Spare"))),
     L"",
     {kUnsigned,
      "{S}:9: warning: Spare: Never reachable: no entry calls this configuration",
      "{S}: 0 errors, 2 warnings, 2 configurations checked"},
     1},
    {"forced rectangle wider than the screen",
     Joined(Plus(Plus(kHead, {kShop + "]", "\"ForceScreenLeft\"=dword:00000000",
                              "\"ForceScreenTop\"=dword:00000000", "\"ForceScreenRight\"=dword:000000f0",
                              "\"ForceScreenBottom\"=dword:00000140"}),
                 Screen("Default"))),
     L"/screen 200x300",
     {kUnsigned,
      "{S}:5: warning: (profile): Force Screen coordinates having wrong values",
      "{S}: 0 errors, 2 warnings, 1 configuration checked"},
     1},
    {"menus taller than a Windows Mobile screen", Joined(Plus(kHead, Screen("Default"))),
     L"/screen 240x180 /platform wm",
     {kUnsigned,
      "{S}:4: warning: (profile): A menu needs 170 pixels of height and the 240x180 screen has "
      "154: its bars will scroll",
      "{S}: 0 errors, 2 warnings, 1 configuration checked"},
     1},
    {"an event log bound out of range",
     Joined(Plus(Plus(kHead, {"\"LogSize\"=dword:00000401"}), Screen("Default"))), L"",
     {kUnsigned,
      "{S}:4: error: (profile): LogSize must be between 0 and 1024",
      "{S}: 1 error, 1 warning, 1 configuration checked"},
     2},
    {"menus that fit until the status strip takes its band",
     Joined(Plus(Plus(kHead, {kShop + "]", "\"StatusStrip\"=dword:00000001"}), Screen("Default"))),
     L"/screen 240x200 /platform wm",
     {kUnsigned,
      "{S}:4: warning: (profile): A menu needs 170 pixels of height and the 240x200 screen has "
      "153: its bars will scroll",
      "{S}: 0 errors, 2 warnings, 1 configuration checked"},
     1},
    {"menus that fit a 96 dpi screen's strip but not a 192 dpi screen's",
     Joined(Plus(Plus(kHead, {kShop + "]", "\"StatusStrip\"=dword:00000001"}), Screen("Default"))),
     L"/screen 240x220 /platform wm /dpi 192",
     {kUnsigned,
      "{S}:4: warning: (profile): A menu needs 170 pixels of height and the 240x220 screen has "
      "156: its bars will scroll",
      "{S}: 0 errors, 2 warnings, 1 configuration checked"},
     1},
    {"targets and files the device must have",
     Joined(Plus(Plus(Plus(kHead, {kShop + "\\Default\\Settings]", "\"Mode\"=\"Menu Bars\"",
                                   "\"BitmapFilePath\"=\"\\\\Application\\\\logo.bmp\""}),
                      Entry("Default", 1, "\"Name\"=\"\\\\Windows\\\\scanner\"")),
                 Entry("Default", 2, "\"Name\"=\"\\\\Windows\\\\Mail.lnk\""))),
     L"",
     {kUnsigned,
      "{S}:9: error: Default: File has no extension: \\Windows\\scanner",
      "{S}:12: warning: Default: \"\\Windows\\Mail.lnk\" is not among the script's own files: it "
      "must already be on the device",
      "{S}:6: warning: Default: \"\\Application\\logo.bmp\" is not among the script's own files: "
      "it must already be on the device",
      "{S}: 1 error, 3 warnings, 1 configuration checked"},
     2},
    {"programs started with the launcher and kept running",
     Joined(Plus(Plus(Plus(Plus(Plus(kHead, {kShop + "]", "\"AutoStartDelay\"=dword:0000ea61",
                                             kShop + "\\Default\\Settings]", "\"Mode\"=\"List\"",
                                             "\"QuitAfterLaunch\"=dword:00000001"}),
                                Plus(Entry("Default", 1, kNotepad), {"\"KeepRunning\"=dword:00000001"})),
                           Plus(Entry("Default", 2, Call("Tools")), {"\"AutoStart\"=dword:00000001"})),
                      Plus(Entry("Default", 3, kNotepad), {"\"AutoStart\"=dword:00000002"})),
                 Plus(Screen("Tools"), {"\"AutoStart\"=dword:00000001"}))),
     L"",
     {kUnsigned,
      "{S}:5: error: (profile): AutoStartDelay must be between 0 and 60000",
      "{S}:20: error: Default: Program Key  3 - AutoStart must be 1 or 0",
      "{S}:12: warning: Default: Program Key  1 - KeepRunning and QuitAfterLaunch contradict each "
      "other: the launcher stays open (QuitAfterLaunch applies only to entries picked by hand "
      "without KeepRunning)",
      "{S}:16: warning: Default: Program Key  2 - AutoStart has no effect on an entry that calls a "
      "configuration",
      "{S}:26: warning: Tools: Program Key  1 - AutoStart is ignored here: only the entries of "
      "Default start with the launcher",
      "{S}: 2 errors, 4 warnings, 2 configurations checked"},
     2},
    {"when programs start and what follows their end",
     Joined(Plus(Plus(kHead, {kShop + "]", "\"NetworkWait\"=dword:00000259",
                              kShop + "\\Default\\Settings]", "\"Mode\"=\"List\""}),
                 Plus(Entry("Default", 1, kNotepad),
                      {"\"AutoStart\"=dword:00000001",
                       "\"ExitActions\"=\"0=none;1=reboot;x=home\"",
                       "\"StartDelay\"=dword:000003e8", "\"NeedsNetwork\"=dword:00000001"}))),
     L"",
     {kUnsigned,
      "{S}:5: error: (profile): NetworkWait must be between 0 and 600",
      "{S}:13: error: Default: Program Key  1 - StartDelay must be between 0 and 999",
      "{S}:12: error: Default: Program Key  1 - ExitActions line 3 is not CODE=ACTION (restart, "
      "home, message, reboot or none) and is ignored",
      "{S}:12: warning: Default: Program Key  1 - ExitActions restarts the device for a program "
      "that starts with the launcher: a program that ends at once would restart the device at "
      "every boot (the launcher stops after 3 restarts in a row)",
      "{S}: 3 errors, 2 warnings, 1 configuration checked"},
     2},
    {"loader error", Joined(Plus(Plus(kHead, Screen("Default")), {"\"Title\" = \"x\""})), L"",
     {"{S}:9: error: (script): Line 9: No close quote",
      kUnsigned,
      "{S}: 1 error, 1 warning, 1 configuration checked"},
     2},
    {"named profile missing", Joined(Plus(kHead, Screen("Default"))), L"/profile Other",
     {kUnsigned,
      "{S}: error: (profile): Unable to find Profile",
      "{S}: 1 error, 1 warning, 0 configurations checked"},
     2},
    {"every profile",
     Joined(Plus(Plus(kHead, Screen("Default")),
                 {"[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Van\\Default\\Settings]",
                  "\"Mode\"=\"List\"", "\"Number\"=dword:00000002",
                  "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Van\\Default\\Programs\\Prog1]",
                  "\"Description\"=\"Notes\"", kNotepad})),
     L"/all",
     {kUnsigned,
      "{S}:11: error: Van\\Default: Number must be 1 or 0 (the device uses 0)",
      "{S}: 1 error, 1 warning, 2 configurations checked"},
     2},
    {"no profile at all", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Other]\n\"A\"=\"B\"\n", L"",
     {kUnsigned,
      "{S}: error: (profile): no default configuration to load",
      "{S}: 1 error, 1 warning, 0 configurations checked"},
     2},
    {"profile without Default", Joined(Plus(kHead, Screen("Menu"))), L"",
     {kUnsigned,
      "{S}:4: error: Default: The profile has no \"Default\" configuration: the launcher cannot start",
      "{S}:4: error: Default: Unable to find registry key "
      "Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop\\Default\\Programs",
      "{S}: 2 errors, 1 warning, 1 configuration checked"},
     2},
    {"UTF-16 script", std::string("\xFF\xFER\0E\0G\0\n\0", 10), L"",
     {"{S}:1: error: (script): The script is UTF-16 text; the loader reads 8-bit text, one byte "
      "per character: save it as ANSI",
      "{S}:1: error: (script): Line 1: No section",
      "{S}: 2 errors, 0 warnings, 0 configurations checked"},
     2},
    {"UTF-8 byte order mark", "\xEF\xBB\xBF" + Joined(Plus(kHead, Screen("Default"))), L"",
     {"{S}:1: error: (script): The script starts with a UTF-8 byte order mark, which the loader "
      "reads as text: save it without the mark (as ANSI, or UTF-8 without BOM)",
      "{S}:1: error: (script): Line 1: No section",
      kUnsigned,
      "{S}: error: (profile): no default configuration to load",
      "{S}: 3 errors, 1 warning, 0 configurations checked"},
     2},
    {"line of 32,768 characters", Joined(Plus(kHead, {"; " + std::string(40000, 'x')})), L"",
     {"{S}:4: error: (script): Line 4 is longer than 32,768 characters: the loader stops there "
      "without a message",
      kUnsigned,
      "{S}:3: error: (profile): Unable to find Profile",
      "{S}: 2 errors, 1 warning, 0 configurations checked"},
     2},
    {"JSON", Joined(Plus(kHead, {kShop + "\\Default\\Settings]", "\"Mode\"=\"Report\"",
                                 "\"Headings\"=dword:00000007",
                                 kShop + "\\Default\\Programs\\Prog1]", kNotepad})),
     L"/json",
     {"[",
      "  {\"file\": \"{S}\", \"line\": 0, \"severity\": \"warning\", \"profile\": \"\", "
      "\"configuration\": \"(profile)\", \"message\": \"Updates are unsigned: without an UpdateKey "
      "the device takes any script put into \\\\Application\\\\Ferrolt\\\\Update\"},",
      "  {\"file\": \"{S}\", \"line\": 6, \"severity\": \"error\", \"profile\": \"Shop\", "
      "\"configuration\": \"Default\", \"message\": \"Headings must be 0 and 1\", "
      "\"correction\": \"0\"},",
      "  {\"file\": \"{S}\", \"line\": 7, \"severity\": \"warning\", \"profile\": \"Shop\", "
      "\"configuration\": \"Default\", \"message\": \"Program Key  1 - Either Description key is "
      "empty or exceeds limit \"}",
      "]"},
     2},
};

class Checker : public ::testing::TestWithParam<Case> {};

TEST_P(Checker, PrintsItsFindingsAndExitCode)
{
  const Case &c = GetParam();
  std::wstring path = test::WriteScript(L"case.reg", c.script);
  test::CheckerRun run = test::RunChecker(c.options + L" \"" + path + L"\"");
  ASSERT_TRUE(run.finished);
  std::string shown = Narrow(path);
  if (c.options == L"/json") {
    std::string escaped;
    for (char ch : shown)
      escaped += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
    shown = escaped;
  }
  EXPECT_EQ(WithPath(c.expected, shown), test::Lines(run.output));
  EXPECT_EQ(c.exitCode, run.exitCode);
}

INSTANTIATE_TEST_SUITE_P(Scripts, Checker, ::testing::ValuesIn(kCases));

TEST(CheckerInput, MissingScriptCannotBeRead)
{
  std::wstring path = test::WriteScript(L"gone.reg", "");
  DeleteFileW(path.c_str());
  test::CheckerRun run = test::RunChecker(L"\"" + path + L"\"");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(3u, run.exitCode);
  EXPECT_EQ(WithPath({"{S}: error: (script): Cannot open the script: File not found",
                      "{S}: 1 error, 0 warnings, 0 configurations checked"},
                     Narrow(path)),
            test::Lines(run.output));
}

// The samples set no UpdateKey (a fleet's own): that is all the check has to say.
TEST(CheckerSamples, ShippedScriptsCheckClean)
{
  for (const wchar_t *name : {L"CE_Ferrolt.reg", L"WM_Ferrolt.reg"}) {
    std::wstring path = test::SourceDir() + L"setup\\package\\" + name;
    test::CheckerRun run = test::RunChecker(L"\"" + path + L"\" /platform wm");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find(": 0 errors, 1 warning, ")) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("warning: (profile): Updates are unsigned")) << run.output;
  }
}

}  // namespace

namespace {

// "path:LINE: severity: Configuration: message" -> {Configuration, message}
std::pair<std::string, std::string> SplitFinding(const std::string &line)
{
  for (const char *severity : {": error: ", ": warning: "}) {
    size_t at = line.find(severity);
    if (at == std::string::npos)
      continue;
    std::string rest = line.substr(at + strlen(severity));
    size_t colon = rest.find(": ");
    return {rest.substr(0, colon), rest.substr(colon + 2)};
  }
  return {"", ""};
}

std::vector<std::string> CheckerMessages(const std::string &output, const std::string &configuration)
{
  std::vector<std::string> messages;
  for (const std::string &line : test::Lines(output)) {
    std::pair<std::string, std::string> finding = SplitFinding(line);
    std::string message = finding.second;
    size_t correction = message.find(" (the device uses ");
    if (correction != std::string::npos)
      message.erase(correction);
    if (finding.first == configuration)
      messages.push_back(message);
  }
  return messages;
}

// The boxes the launcher shows until it has been quiet for a while, each text once. Where
// boxes are sure to come, the first may take longer (a launcher starting on a busy machine).
void CollectBoxes(DWORD processId, std::vector<std::string> *texts, DWORD firstWaitMs = 1500)
{
  test::Box box;
  for (DWORD wait = firstWaitMs; test::AnswerBoxOf(processId, wait, &box); wait = 1500) {
    std::string text = Narrow(box.text);
    if (text.empty())
      continue;  // a box already answered, found again while it closes
    bool known = false;
    for (const std::string &seen : *texts)
      known = known || seen == text;
    if (!known)
      texts->push_back(text);
  }
}

TEST(CheckerAgainstLauncher, ReportsWhatTheLauncherShowsInTheSameOrder)
{
  std::string script = Joined(Plus(
      Plus(Plus(Plus(Plus(kHead, {kShop + "\\Default\\Settings]", "\"Mode\"=\"Menu Bars\"",
                                  "\"TitleBar\"=\"Shop\"", "\"Number\"=dword:00000001",
                                  "\"MenuItemFontSize\"=dword:0000001e"}),
                     Entry("Default", 1, Call("Tools"))),
                {kShop + "\\Default\\Programs\\Prog3]", kNotepad}),
           {kShop + "\\Tools\\Settings]", "\"Mode\"=\"Report\"", "\"DetailColumns\"=dword:00000005",
            "\"Headings\"=dword:00000003"}),
      Plus(Entry("Tools", 1, kNotepad), Entry("Tools", 2, Call("Default")))));
  std::wstring path = test::WriteScript(L"compare.reg", script);
  test::CheckerRun run = test::RunChecker(L"\"" + path + L"\"");
  ASSERT_TRUE(run.finished);

  test::ClearLauncherRegistry();
  g_script.quiet = true;
  ASSERT_TRUE(LoadRegistryScript(path.c_str()));
  ASSERT_FALSE(g_script.failed);
  test::ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(L"\"" + test::BuildDir() + L"Ferrolt.exe\""));
  std::vector<std::string> home, tools;
  CollectBoxes(launcher.Id(), &home, 30000);
  HWND window = test::WaitForWindow(L"FerroltClass", launcher.Id(), 10000);
  ASSERT_NE(nullptr, window);
  PostMessageW(window, WM_CHAR, L'1', 1);  // enters Tools
  CollectBoxes(launcher.Id(), &tools, 30000);
  PostMessageW(window, WM_CHAR, L'2', 1);  // calls Default again from Tools
  CollectBoxes(launcher.Id(), &tools);
  PostMessageW(window, WM_CLOSE, 0, 0);
  launcher.Wait(10000);
  test::ClearLauncherRegistry();

  ASSERT_FALSE(home.empty());
  ASSERT_FALSE(tools.empty());
  EXPECT_EQ(home, CheckerMessages(run.output, "Default"));
  EXPECT_EQ(tools, CheckerMessages(run.output, "Tools"));
}

// A script of lines drawn from valid and broken pieces, with bytes of any value between.
std::string FuzzedScript(unsigned *state)
{
  const char *pieces[] = {
      "REGEDIT4", "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt]", "\"ActiveProfile\"=\"Shop\"",
      "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop\\Default\\Settings]",
      "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop\\Default\\Programs\\Prog1]",
      "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop\\Loop\\Programs\\Prog2]",
      "[HKEY_LOCAL_MACHINE\\Software\\FerroltFuzz]", "[HKEY_CLASSES_ROOT\\FerroltFuzz]",
      "[HKEY_USERS\\.Default\\Software\\FerroltFuzz]", "\"Mode\"=\"Menu Bars\"", "\"Mode\"=\"menu\"",
      "\"Call\"=\"Loop\"", "\"Call\"=\"Default\"", "\"Name\"=\"\\\\x\"", "\"Number\"=dword:7",
      "\"MenuItemHeight\"=dword:ffffffff", "\"Description\"=\"\"", "\"HotKey\"=dword:41",
      "\"HotKeyModifier\"=\"Shift\"", "\"A\"=hex:01,02,zz", "\"B\"=hex:", "@=\"x", "[", "]", "\\",
      "\"ForceScreenRight\"=dword:1"};
  std::string text;
  int lines = 5 + static_cast<int>(*state % 40);
  for (int i = 0; i < lines; ++i) {
    *state = *state * 1103515245u + 12345u;
    unsigned pick = (*state >> 8) % (sizeof(pieces) / sizeof(pieces[0]) + 2);
    if (pick < sizeof(pieces) / sizeof(pieces[0])) {
      text += pieces[pick];
    } else {
      for (int b = 0; b < 20; ++b) {
        *state = *state * 1103515245u + 12345u;
        text += static_cast<char>((*state >> 16) & 0xFF);
      }
    }
    text += (*state & 1) ? "\r\n" : "\n";
  }
  return text;
}

bool ScratchIsEmpty()
{
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\FerroltCheck\\Scratch", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return true;
  DWORD children = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &children, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return children == 0;
}

// Starts a check of a script whose import takes a good second and returns, once the
// check's temporary key is there, that key's path.
std::wstring StartLongCheck(test::ChildProcess *check)
{
  std::string big = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop]\n";
  for (int i = 0; i < 100000; ++i)
    big += "\"V" + std::to_string(i) + "\"=\"x\"\n";
  std::wstring path = test::WriteScript(L"big.reg", big);
  EXPECT_TRUE(check->Start(L"\"" + test::BuildDir() + L"FerroltCheck.exe\" \"" + path + L"\""));
  std::wstring own = L"Software\\FerroltCheck\\Scratch\\" + std::to_wstring(check->Id());
  DWORD start = GetTickCount();
  while (!test::KeyPresent(HKEY_CURRENT_USER, own) && GetTickCount() - start < 20000 &&
         WaitForSingleObject(check->Handle(), 0) == WAIT_TIMEOUT)
    Sleep(1);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(check->Handle(), 0))
      << "the check ended before it could be interrupted";
  return own;
}

TEST(CheckerRegistry, FuzzedScriptsAndAKilledCheckLeaveTheRealRegistryAsItWas)
{
  test::ClearLauncherRegistry();
  test::RunChecker(L"\"" + test::WriteScript(L"warm.reg", "REGEDIT4\n") + L"\"");
  scripttest::TreeSnapshot before = scripttest::Snapshot(HKEY_CURRENT_USER, L"Software");

  unsigned state = 20261207u;
  for (int round = 0; round < 12; ++round) {
    std::wstring path = test::WriteScript(L"fuzz.reg", FuzzedScript(&state));
    test::CheckerRun run = test::RunChecker(L"/all \"" + path + L"\"", 30000);
    ASSERT_TRUE(run.finished) << "round " << round;
    EXPECT_GE(3u, run.exitCode) << "round " << round;
    EXPECT_NE(std::string::npos, run.output.find("checked\n")) << "round " << round;
  }

  // A check killed in the middle of a long import leaves its key to the next run, which
  // also sweeps a leftover whose name is longer than any process id.
  {
    test::ChildProcess killed;
    std::wstring own = StartLongCheck(&killed);
    TerminateProcess(killed.Handle(), 9);
    killed.Wait(5000);
    EXPECT_TRUE(test::KeyPresent(HKEY_CURRENT_USER, own));
    test::SetDword(HKEY_CURRENT_USER, L"Software\\FerroltCheck\\Scratch\\" + std::wstring(70, L'0'),
                   L"Left", 1);
  }
  test::RunChecker(L"\"" + test::WriteScript(L"warm.reg", "REGEDIT4\n") + L"\"");

  EXPECT_TRUE(ScratchIsEmpty());
  EXPECT_TRUE(before == scripttest::Snapshot(HKEY_CURRENT_USER, L"Software"));
  EXPECT_FALSE(test::KeyPresent(HKEY_LOCAL_MACHINE, L"Software\\FerroltFuzz"));
  EXPECT_FALSE(test::KeyPresent(HKEY_CLASSES_ROOT, L"FerroltFuzz"));
  EXPECT_FALSE(test::KeyPresent(HKEY_USERS, L".Default\\Software\\FerroltFuzz"));
}

// Ctrl+C is handled in a thread of its own while the check goes on: what the check still
// writes after the temporary key is gone must not land in the real registry.
TEST(CheckerRegistry, WhatACheckWritesAfterAnInterruptStaysOutOfTheRealRegistry)
{
  const wchar_t probe[] = L"Software\\FerroltInterrupted";
  std::wstring error;
  ASSERT_TRUE(check::OpenThrowawayRegistry(&error)) << Narrow(error);
  check::AbandonThrowawayRegistry();
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, probe, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) == ERROR_SUCCESS)
    RegCloseKey(key);
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_USERS})
    RegOverridePredefKey(root, nullptr);
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, probe));
  test::DeleteTree(HKEY_CURRENT_USER, probe);
  EXPECT_TRUE(ScratchIsEmpty());
}

// The test's own process gets the Ctrl+C too, on a thread of its own and maybe after the
// check has ended: the handler stays until it has seen it, or the default one ends the test.
HANDLE g_interruptSeen = nullptr;
BOOL WINAPI IgnoreInterrupt(DWORD)
{
  SetEvent(g_interruptSeen);
  return TRUE;
}

// Ctrl+C on the console of a running check: it removes its temporary key itself and ends
// with the platform's code for Ctrl+C, not with one of a check that finished.
TEST(CheckerRegistry, AnInterruptedCheckRemovesItsKeyAndSaysSo)
{
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE), error = GetStdHandle(STD_ERROR_HANDLE);
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  g_interruptSeen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(IgnoreInterrupt, TRUE);
  test::ChildProcess check;
  std::wstring own = StartLongCheck(&check);
  EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  DWORD exitCode = 0;
  EXPECT_TRUE(check.Wait(10000, &exitCode));
  EXPECT_EQ(static_cast<DWORD>(check::EXIT_INTERRUPTED), exitCode);
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, own));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_interruptSeen, 10000));
  SetConsoleCtrlHandler(IgnoreInterrupt, FALSE);
  CloseHandle(g_interruptSeen);
  FreeConsole();
  SetStdHandle(STD_OUTPUT_HANDLE, output);
  SetStdHandle(STD_ERROR_HANDLE, error);
}

}  // namespace
