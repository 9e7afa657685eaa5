// FerroltCheck run as a process on scripts that exercise each finding: its exact output
// and exit code, and that the real registry stays untouched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/CheckerRun.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kShop = "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Shop";

// Lines 1-3 of every script: the product key naming the profile "Shop".
std::vector<std::string> WithHead(const std::vector<std::string> &lines)
{
  std::vector<std::string> script = {"REGEDIT4", "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt]",
                                     "\"ActiveProfile\"=\"Shop\""};
  script.insert(script.end(), lines.begin(), lines.end());
  return script;
}

std::string Joined(const std::vector<std::string> &lines)
{
  std::string text;
  for (const std::string &line : lines)
    text += line + "\n";
  return text;
}

std::string Replaced(std::string text, const std::string &path)
{
  for (size_t at = text.find("{S}"); at != std::string::npos; at = text.find("{S}", at + 1))
    text.replace(at, 3, path);
  return text;
}

std::string Narrow(const std::wstring &text)
{
  return std::string(text.begin(), text.end());
}

struct Case {
  const char *name;
  std::vector<std::string> script;  // after the three head lines
  std::wstring options;
  std::vector<std::string> expected;  // "{S}" stands for the script's path
  DWORD exitCode;
};

// A home configuration in List mode with one program: lines 4-7.
const std::vector<std::string> kPlainHome = {
    kShop + "\\Default\\Settings]", "\"Mode\"=\"List\"", kShop + "\\Default\\Programs\\Prog1]",
    "\"Description\"=\"Notes\"", "\"Name\"=\"\\\\Windows\\\\notepad.exe\""};

std::vector<std::string> Plus(std::vector<std::string> lines, const std::vector<std::string> &more)
{
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

const Case kCases[] = {
    {"a clean configuration", kPlainHome, L"",
     {"{S}: 0 errors, 0 warnings, 1 configuration checked"}, 0},
};

class Checker : public ::testing::TestWithParam<Case> {};

TEST_P(Checker, PrintsItsFindingsAndExitCode)
{
  const Case &c = GetParam();
  std::wstring path = test::WriteScript(L"case.reg", Joined(WithHead(c.script)));
  test::CheckerRun run = test::RunChecker(c.options + L" \"" + path + L"\"");
  ASSERT_TRUE(run.finished);
  std::vector<std::string> expected;
  for (const std::string &line : c.expected)
    expected.push_back(Replaced(line, Narrow(path)));
  EXPECT_EQ(expected, test::Lines(run.output)) << c.name;
  EXPECT_EQ(c.exitCode, run.exitCode) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Scripts, Checker, ::testing::ValuesIn(kCases));

TEST(CheckerSamples, ShippedScriptsCheckClean)
{
  for (const wchar_t *name : {L"CE_Ferrolt.reg", L"WM_Ferrolt.reg"}) {
    std::wstring path = test::SourceDir() + L"setup\\package\\" + name;
    test::CheckerRun run = test::RunChecker(L"\"" + path + L"\"");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << run.output;
  }
}

}  // namespace
