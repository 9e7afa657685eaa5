// FerroltCheck and the kiosk settings: /hash-password makes a value the launcher accepts,
// and the checker reports the values the launcher refuses, at the lines that wrote them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/config/PasswordHash.h"
#include "tests/support/CheckerRun.h"

namespace {

std::wstring Wide(const std::string &text)
{
  wchar_t buffer[512] = {0};
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, buffer, 511);
  return buffer;
}

TEST(HashPasswordCommand, PrintsAValueTheLauncherAcceptsAndARegeditLine)
{
  static const struct {
    std::string input;
    const wchar_t *password;
  } rows[] = {{"4711\r\n", L"4711"}, {"p\xc3\xa4ss word\n", L"p\u00e4ss word"}, {"last", L"last"}};
  for (const auto &row : rows) {
    SCOPED_TRACE(row.input);
    test::CheckerRun run = test::RunChecker(L"/hash-password", 60000, row.input);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    std::vector<std::string> lines = test::Lines(run.output);
    ASSERT_EQ(3u, lines.size()) << run.output;
    PasswordHash hash;
    ASSERT_TRUE(ParsePasswordHash(Wide(lines[0]).c_str(), &hash)) << lines[0];
    EXPECT_EQ(16u, hash.saltLength);
    EXPECT_GE(hash.iterations, 10000u);
    EXPECT_TRUE(VerifyPassword(row.password, &hash));
    EXPECT_FALSE(VerifyPassword(L"4712", &hash));
    EXPECT_EQ("\"ExitPassword\"=\"" + lines[0] + "\"", lines[1]);
    EXPECT_EQ("\"Password\"=\"" + lines[0] + "\"", lines[2]);
  }
}

TEST(HashPasswordCommand, RefusesAnEmptyOrOverlongPassword)
{
  for (const std::string &input : {std::string("\r\n"), std::string(65, 'x') + "\n",
                                   std::string(300, 'x'), std::string("\xff\xfe\n")}) {
    SCOPED_TRACE(input.size());
    test::CheckerRun run = test::RunChecker(L"/hash-password", 60000, input);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_EQ(std::string::npos, run.output.find("pbkdf2")) << run.output;
  }
}

TEST(KioskSettingChecks, ValuesTheLauncherRefusesAreReportedAtTheirLines)
{
  const std::string head =
      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt]\n\"ActiveProfile\"=\"Shop\"\n";
  const std::string profile = "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop]\n";
  const std::string home =
      "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop\\Default\\Settings]\n"
      "\"Mode\"=\"List\"\n"
      "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop\\Default\\Programs\\Prog1]\n"
      "\"Description\"=\"Notes\"\n\"Name\"=\"\\\\Windows\\\\notepad.exe\"\n";
  const std::string good = "pbkdf2-sha1$10000$00112233445566778899aabbccddeeff$"
                           "0c60c80f961f0e71f3a9b524af6012062fe037a6";
  static const struct {
    const char *name;
    std::string product, profile;
    std::vector<std::string> findings;  // before the summary line
    DWORD exitCode;
  } rows[] = {
      {"both well set", "\"ExitPassword\"=\"" + good + "\"\n", "\"IdleHomeSeconds\"=dword:0000003c\n",
       {}, 1},
      {"a password that is not a hash", "\"ExitPassword\"=\"4711\"\n", "",
       {":4: error: (profile): ExitPassword is not valid"}, 2},
      {"a hash of too few rounds",
       "\"ExitPassword\"=\"pbkdf2-sha1$9999$00112233445566778899aabbccddeeff$"
       "0c60c80f961f0e71f3a9b524af6012062fe037a6\"\n",
       "", {":4: error: (profile): ExitPassword is not valid"}, 2},
      {"an idle time below ten seconds", "", "\"IdleHomeSeconds\"=dword:00000009\n",
       {":5: error: (profile): IdleHomeSeconds must be 0 or between 10 and 86400"}, 2},
      {"a status strip at the bottom", "", "\"StatusStrip\"=dword:00000002\n", {}, 1},
      {"a status strip in no known place", "", "\"StatusStrip\"=dword:00000003\n",
       {":5: error: (profile): StatusStrip must be 0, 1 or 2"}, 2},
      {"a status strip as text", "", "\"StatusStrip\"=\"1\"\n",
       {":5: error: (profile): StatusStrip must be 0, 1 or 2"}, 2},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    std::wstring path = test::WriteScript(L"kiosk.reg", head + row.product + profile + row.profile + home);
    test::CheckerRun run = test::RunChecker(L"\"" + path + L"\"");
    ASSERT_TRUE(run.finished);
    std::vector<std::string> lines = test::Lines(run.output);
    ASSERT_EQ(row.findings.size() + 2, lines.size()) << run.output;
    std::string shown(path.begin(), path.end());
    EXPECT_EQ(shown + test::kUnsignedWarning, lines[0]);
    for (size_t i = 0; i < row.findings.size(); ++i)
      EXPECT_EQ(shown + row.findings[i], lines[i + 1]);
    EXPECT_EQ(row.exitCode, run.exitCode) << run.output;
  }
}

TEST(KioskSettingChecks, EntryPasswordsAreCheckedAndTheirHashesNeverShown)
{
  const std::string good = "pbkdf2-sha1$10000$00112233445566778899aabbccddeeff$"
                           "0c60c80f961f0e71f3a9b524af6012062fe037a6";
  const std::string key = "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop\\";
  const std::string script =
      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt]\n\"ActiveProfile\"=\"Shop\"\n" +
      key + "Default\\Settings]\n\"Mode\"=\"List\"\n" +                               // 4-5
      key + "Default\\Programs\\Prog1]\n\"Description\"=\"Scanner\"\n"                // 6-7
            "\"Name\"=\"\\\\Windows\\\\scan.exe\"\n\"Password\"=\"" + good + "\"\n"     // 8-9
            "\"AutoStart\"=dword:00000001\n" +                                          // 10
      key + "Default\\Programs\\Prog2]\n\"Description\"=\"Service\"\n"                // 11-12
            "\"Call\"=\"Service\"\n\"Password\"=\"" + good + "\"\n" +                       // 13-14
      key + "Default\\Programs\\Prog3]\n\"Description\"=\"Calc\"\n"                   // 15-16
            "\"Name\"=\"\\\\Windows\\\\calc.exe\"\n\"Password\"=\"4711\"\n" +            // 17-18
      key + "Service\\Settings]\n\"Mode\"=\"List\"\n" +                               // 19-20
      key + "Service\\Programs\\Prog1]\n\"Description\"=\"Shell\"\n"                  // 21-22
            "\"Name\"=\"\\\\Windows\\\\cmd.exe\"\n\"Password\"=\"" + good + "\"\n";     // 23-24
  std::wstring path = test::WriteScript(L"service.reg", script);
  std::string shown(path.begin(), path.end());
  test::CheckerRun run = test::RunChecker(L"\"" + path + L"\"");
  ASSERT_TRUE(run.finished);
  std::vector<std::string> lines = test::Lines(run.output);
  const std::vector<std::string> expected = {
      shown + test::kUnsignedWarning,
      shown + ":18: error: Default: Program Key  3 - Password is not valid",
      shown + ":10: warning: Default: Program Key  1 - AutoStart starts this entry with the "
              "launcher without asking for its Password",
      shown + ":24: warning: Service: Program Key  1 - Password is redundant: only entries with "
              "a password lead to this screen, and the device asks again here",
      shown + ": 1 error, 3 warnings, 2 configurations checked"};
  EXPECT_EQ(expected, lines);
  EXPECT_EQ(2u, run.exitCode);

  test::CheckerRun json = test::RunChecker(L"/json \"" + path + L"\"");
  ASSERT_TRUE(json.finished);
  EXPECT_NE(std::string::npos, json.output.find("Password is not valid")) << json.output;
  for (const std::string &output : {run.output, json.output}) {
    EXPECT_EQ(std::string::npos, output.find("0c60c80f")) << output;
    EXPECT_EQ(std::string::npos, output.find("4711")) << output;
  }
}

}  // namespace
