// Pollex.exe, the stand-in registry-merge tool, run as a real process.
#include <gtest/gtest.h>

#include "tests/ScriptTesting.h"

using namespace scripttest;

namespace {

class PollexProcess : public ::testing::Test {
protected:
  void SetUp() override { test::DeleteTree(HKEY_CURRENT_USER, kTestKey); }
  void TearDown() override
  {
    test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
    for (const std::wstring &path : files_)
      DeleteFileW(path.c_str());
  }

  std::wstring WriteScript(const std::wstring &name, const std::string &bytes)
  {
    std::wstring path = ScriptPath(name);
    test::WriteFileBytes(path, bytes);
    files_.push_back(path);
    return path;
  }

  // Runs Pollex with the arguments; false when it did not start or did not end in time.
  bool RunPollex(const std::wstring &arguments, DWORD *exitCode)
  {
    std::wstring program = test::BuildDir() + L"Pollex.exe";
    return test::RunProcess(L"\"" + program + L"\" " + arguments, 30000, exitCode);
  }

  std::vector<std::wstring> files_;
};

TEST_F(PollexProcess, QuietImportOfAGoodFileExitsZeroAndWrites)
{
  std::wstring path = WriteScript(L"pollex good.reg",
                                  JoinLines({"REGEDIT4", "", SectionLine("Pollex"),
                                             "\"Name\"=\"\\\\Windows\\\\notepad.exe\"",
                                             "\"Count\"=dword:00000003", "@=hex:01,02"},
                                            "\r\n"));
  test::BoxAnswerer boxes;
  DWORD exitCode = 99;
  ASSERT_TRUE(RunPollex(L"/q \"" + path + L"\"", &exitCode));
  EXPECT_EQ(0u, exitCode);
  std::wstring name;
  EXPECT_TRUE(test::GetString(HKEY_CURRENT_USER, Key(L"Pollex"), L"Name", &name));
  EXPECT_EQ(L"\\Windows\\notepad.exe", name);
  DWORD count = 0;
  EXPECT_TRUE(test::GetDword(HKEY_CURRENT_USER, Key(L"Pollex"), L"Count", &count));
  EXPECT_EQ(3u, count);
  EXPECT_TRUE(ValuePresent(Key(L"Pollex"), L""));

  // Imported again, it changes nothing and still succeeds.
  ASSERT_TRUE(RunPollex(L"/q \"" + path + L"\"", &exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(PollexProcess, QuietImportFailuresExitNonZeroWithoutABox)
{
  std::wstring bad = WriteScript(L"pollex-bad.reg",
                                 JoinLines({SectionLine("Pollex"), "\"Before\"=dword:1",
                                            "\"A\" = \"B\"", "\"After\"=dword:1"}));
  std::wstring tooLong = WriteScript(
      L"pollex-long.reg", JoinLines({SectionLine("Pollex"), "\"L\"=\"" + std::string(33000, 'x') + "\""}));
  test::BoxAnswerer boxes;
  const struct {
    std::wstring arguments;
    const char *what;
  } cases[] = {
      {L"/q \"" + ScriptPath(L"no-such-pollex.reg") + L"\"", "missing file"},
      {L"/q \"" + bad + L"\"", "rejected line"},
      {L"/q \"" + tooLong + L"\"", "line too long"},
      {L"/q", "no file named"},
  };
  for (const auto &c : cases) {
    DWORD exitCode = 0;
    ASSERT_TRUE(RunPollex(c.arguments, &exitCode)) << c.what;
    EXPECT_NE(0u, exitCode) << c.what;
  }
  // The lines before the bad one were imported; the ones after it were not.
  EXPECT_TRUE(ValuePresent(Key(L"Pollex"), L"Before"));
  EXPECT_FALSE(ValuePresent(Key(L"Pollex"), L"After"));
  EXPECT_FALSE(ValuePresent(Key(L"Pollex"), L"L"));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

// Without /q the loader's message box appears; it belongs to the child process, so the
// test finds it by its caption and answers it.
TEST_F(PollexProcess, WithoutQuietTheLoaderShowsItsBox)
{
  std::wstring bad = WriteScript(L"pollex-loud.reg",
                                 JoinLines({SectionLine("Pollex"), "\"A\"=dword:1", "\"B\"=hex:1,2"}));
  std::wstring program = test::BuildDir() + L"Pollex.exe";
  std::wstring line = L"\"" + program + L"\" \"" + bad + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  CloseHandle(process.hThread);
  HWND box = nullptr;
  for (int i = 0; i < 300 && box == nullptr; ++i) {
    box = FindWindowW(L"#32770", L"Line 3 Extra text");
    if (box == nullptr)
      Sleep(50);
  }
  if (box == nullptr) {
    TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hProcess);
    FAIL() << "no box from Pollex";
  }
  wchar_t text[64] = {0};
  GetDlgItemTextW(box, 0xFFFF, text, 64);
  EXPECT_STREQ(L"Error", text);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 20000));
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  EXPECT_NE(0u, exitCode);
  EXPECT_TRUE(ValuePresent(Key(L"Pollex"), L"A"));
}

}  // namespace
