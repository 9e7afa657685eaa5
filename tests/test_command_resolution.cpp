// The pieces a launch is resolved with: folder macros, run-file lines, bare ".exe" names
// and CE text shortcuts, each against the prefix's real folders and files.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "launcher/launch/LaunchCommand.h"
#include "tests/support/TestSupport.h"

namespace {

std::wstring Folder(int csidl)
{
  wchar_t path[MAX_PATH] = {0};
  EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) << csidl;
  return path;
}

std::wstring Expanded(const std::wstring &path, bool *fits = nullptr)
{
  wchar_t buffer[TEXT_CAPACITY];
  CopyText(buffer, TEXT_CAPACITY, path.c_str());
  bool result = ExpandPathMacros(buffer);
  if (fits != nullptr)
    *fits = result;
  return buffer;
}

TEST(PathMacros, EachMacroBecomesItsFolder)
{
  const struct {
    const wchar_t *macro;
    int folder;
  } cases[] = {
      {L"\\%WSM%", CSIDL_STARTMENU}, {L"\\%WSU%", CSIDL_STARTUP},  {L"\\%CE4%", CSIDL_STARTUP},
      {L"\\%CE5%", CSIDL_PERSONAL},  {L"\\%CE11%", CSIDL_PROGRAMS}, {L"\\%CE15%", CSIDL_FONTS},
      {L"\\%CE17%", CSIDL_STARTMENU},
  };
  for (const auto &c : cases) {
    std::wstring path = std::wstring(c.macro) + L"\\Tools\\x.exe";
    bool fits = false;
    EXPECT_EQ(Folder(c.folder) + L"\\Tools\\x.exe", Expanded(path, &fits)) << c.macro;
    EXPECT_TRUE(fits) << c.macro;
    // Found anywhere in the path, not only at its start.
    EXPECT_EQ(L"\\Temp" + Folder(c.folder) + L"\\x.exe", Expanded(L"\\Temp" + path.substr(0, wcslen(c.macro)) + L"\\x.exe"))
        << c.macro;
  }
}

TEST(PathMacros, OnlyTheFirstExactOccurrenceIsReplaced)
{
  const std::wstring programs = Folder(CSIDL_PROGRAMS);
  const std::wstring fonts = Folder(CSIDL_FONTS);
  const struct {
    std::wstring path, expected;
  } cases[] = {
      {L"\\%CE11%\\Tools\\x.exe", programs + L"\\Tools\\x.exe"},
      {L"\\%CE11%\\a\\%CE11%\\x.exe", programs + L"\\a\\%CE11%\\x.exe"},
      {L"\\%ce11%\\x.exe", L"\\%ce11%\\x.exe"},
      {L"%CE11%\\x.exe", L"%CE11%\\x.exe"},  // no leading backslash: not a macro
      {L"\\%CE1%\\x.exe", L"\\%CE1%\\x.exe"},
      {L"\\%CE15%\\%CE11%", fonts + programs},
      {L"\\Windows\\notes.exe", L"\\Windows\\notes.exe"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.expected, Expanded(c.path)) << c.path;
}

TEST(PathMacros, AResultThatDoesNotFitIsRefused)
{
  std::wstring path = std::wstring(250, L'a') + L"\\%CE15%.exe";
  bool fits = true;
  std::wstring result = Expanded(path, &fits);
  EXPECT_FALSE(fits);
  EXPECT_LT(result.size(), static_cast<size_t>(TEXT_CAPACITY));
  EXPECT_EQ(std::wstring::npos, result.find(Folder(CSIDL_FONTS)));
}

// Moves the Startup folder away for the life of the object, so that the platform cannot
// supply it.
class StartupFolderAway {
public:
  StartupFolderAway() : folder_(Folder(CSIDL_STARTUP)), parked_(folder_ + L".away")
  {
    moved_ = MoveFileW(folder_.c_str(), parked_.c_str()) != FALSE;
  }
  ~StartupFolderAway()
  {
    if (moved_)
      MoveFileW(parked_.c_str(), folder_.c_str());
  }
  bool Moved() const { return moved_; }

private:
  std::wstring folder_, parked_;
  bool moved_;
};

TEST(PathMacros, AFolderThePlatformCannotSupplyLeavesTheMacro)
{
  const std::wstring fonts = Folder(CSIDL_FONTS);
  StartupFolderAway away;
  ASSERT_TRUE(away.Moved());
  wchar_t probe[MAX_PATH];
  ASSERT_FALSE(SHGetSpecialFolderPathW(nullptr, probe, CSIDL_STARTUP, FALSE));
  bool fits = false;
  EXPECT_EQ(L"\\%CE4%\\x.exe", Expanded(L"\\%CE4%\\x.exe", &fits));
  EXPECT_TRUE(fits);
  EXPECT_EQ(L"\\%WSU%" + fonts, Expanded(L"\\%WSU%\\%CE15%"));
}

TEST(QualifyWindowsExe, OnlyBareExeNamesMoveIntoWindows)
{
  const struct {
    const wchar_t *path, *expected;
  } cases[] = {
      {L"notes.exe", L"\\Windows\\notes.exe"},
      {L"NOTES.EXE", L"\\Windows\\NOTES.EXE"},
      {L"notes.com", L"notes.com"},
      {L"notes", L"notes"},
      {L"\\Temp\\notes.exe", L"\\Temp\\notes.exe"},
      {L"Temp\\notes.exe", L"Temp\\notes.exe"},
      {L"notes.exe.txt", L"notes.exe.txt"},
  };
  for (const auto &c : cases) {
    wchar_t path[TEXT_CAPACITY];
    CopyText(path, TEXT_CAPACITY, c.path);
    EXPECT_TRUE(QualifyWindowsExe(path)) << c.path;
    EXPECT_STREQ(c.expected, path) << c.path;
  }
}

TEST(QualifyWindowsExe, ANameTooLongForTheWindowsPrefixIsRefusedUnchanged)
{
  std::wstring name = std::wstring(246, L'n') + L".exe";  // 250 characters; 259 still fit
  wchar_t path[TEXT_CAPACITY];
  CopyText(path, TEXT_CAPACITY, name.c_str());
  EXPECT_TRUE(QualifyWindowsExe(path));
  EXPECT_EQ(L"\\Windows\\" + name, path);

  name = std::wstring(247, L'n') + L".exe";
  CopyText(path, TEXT_CAPACITY, name.c_str());
  EXPECT_FALSE(QualifyWindowsExe(path));
  EXPECT_EQ(name, path);
}

const wchar_t LINE_FILE[] = L"C:\\Temp\\ferrolt_lines.txt";

struct Line {
  std::wstring text;
  bool ended;
};

std::vector<Line> ReadLines(const std::string &bytes, int count)
{
  CreateDirectoryW(L"C:\\Temp", nullptr);
  test::WriteFileBytes(LINE_FILE, bytes);
  std::vector<Line> lines;
  HANDLE file = CreateFileW(LINE_FILE, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, file);
  if (file == INVALID_HANDLE_VALUE)
    return lines;
  for (int i = 0; i < count; ++i) {
    wchar_t buffer[TEXT_CAPACITY];
    for (wchar_t &c : buffer)
      c = L'#';
    Line line;
    line.ended = ReadTextLine(file, buffer);
    line.text = buffer;
    // Everything after the line is zeroed, not only its terminator.
    for (size_t j = line.text.size(); j < TEXT_CAPACITY; ++j)
      EXPECT_EQ(0, buffer[j]) << "position " << j;
    lines.push_back(line);
  }
  CloseHandle(file);
  DeleteFileW(LINE_FILE);
  return lines;
}

TEST(ReadTextLine, LinesEndAtCrOrLfAndTheFileEndCountsAsFailure)
{
  const struct {
    const char *name;
    std::string bytes;
    std::vector<Line> expected;
  } cases[] = {
      {"crlf then unterminated", "\\Windows\\x.exe\r\n-b c", {{L"\\Windows\\x.exe", true}, {L"-b c", false}}},
      {"one line without end", "\\Windows\\x.exe", {{L"\\Windows\\x.exe", false}, {L"", false}}},
      {"blank second line", "a.exe\r\n\r\n", {{L"a.exe", true}, {L"", true}, {L"", false}}},
      {"lf only", "a.exe\nargs\n", {{L"a.exe", true}, {L"args", true}, {L"", false}}},
      {"cr only", "a.exe\rargs\r", {{L"a.exe", true}, {L"args", true}, {L"", false}}},
      {"leading lfs skipped", "\n\nx\n", {{L"x", true}, {L"", false}}},
      {"empty file", "", {{L"", false}}},
      {"line 3 left in the file", "a\r\nb\r\nc\r\n", {{L"a", true}, {L"b", true}, {L"c", true}}},
  };
  for (const auto &c : cases) {
    std::vector<Line> lines = ReadLines(c.bytes, static_cast<int>(c.expected.size()));
    ASSERT_EQ(c.expected.size(), lines.size()) << c.name;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(c.expected[i].text, lines[i].text) << c.name << " line " << i;
      EXPECT_EQ(c.expected[i].ended, lines[i].ended) << c.name << " line " << i;
    }
  }
}

TEST(ReadTextLine, ALongLineIsDeliveredIn259ByteParts)
{
  std::vector<Line> lines = ReadLines(std::string(300, 'a') + "\r\n", 2);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(std::wstring(259, L'a'), lines[0].text);
  EXPECT_TRUE(lines[0].ended);
  EXPECT_EQ(std::wstring(41, L'a'), lines[1].text);
  EXPECT_TRUE(lines[1].ended);
}

TEST(ReadTextLine, BytesAreWidenedFromTheDefaultCodePage)
{
  if (GetACP() != 1252)
    GTEST_SKIP() << "code page " << GetACP();
  std::vector<Line> lines = ReadLines("\\Temp\\caf\xe9.exe\r\n", 1);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(L"\\Temp\\caf\u00e9.exe", lines[0].text);
}

const wchar_t SHORTCUT_FILE[] = L"C:\\Temp\\ferrolt_target.lnk";

TEST(ShortcutTarget, CountedTargetsComeBackAsWritten)
{
  const struct {
    const char *bytes;
    const wchar_t *target;  // null: refused
    DWORD error;
  } cases[] = {
      {"23#\"\\Windows\\iexplore.exe\"", L"\"\\Windows\\iexplore.exe\"", 0},
      {"29#\"\\Program Files\\a b\\x.exe\" -y", L"\"\\Program Files\\a b\\x.exe\" -y", 0},
      {"14#\\Windows\\x.exe\r\n", L"\\Windows\\x.exe", 0},
      {"8#x.exe -a\n", L"x.exe -a", 0},
      {"13#\\Windows\\x.exe", nullptr, ERROR_BAD_FORMAT},    // count too small
      {"15#\\Windows\\x.exe", nullptr, ERROR_BAD_FORMAT},    // count too large
      {"\\Windows\\x.exe", nullptr, ERROR_BAD_FORMAT},       // no count
      {"14\\Windows\\x.exe", nullptr, ERROR_BAD_FORMAT},     // no '#'
      {"#\\Windows\\x.exe", nullptr, ERROR_BAD_FORMAT},
      {"0#", nullptr, ERROR_BAD_FORMAT},
      {"", nullptr, ERROR_BAD_FORMAT},
      {"99999999999999999999#x", nullptr, ERROR_BAD_FORMAT},
  };
  CreateDirectoryW(L"C:\\Temp", nullptr);
  for (const auto &c : cases) {
    test::WriteFileBytes(SHORTCUT_FILE, c.bytes);
    wchar_t target[TEXT_CAPACITY] = L"junk";
    SetLastError(0);
    BOOL read = SHGetShortcutTarget(SHORTCUT_FILE, target, TEXT_CAPACITY);
    if (c.target != nullptr) {
      EXPECT_TRUE(read) << c.bytes;
      EXPECT_STREQ(c.target, target) << c.bytes;
    } else {
      EXPECT_FALSE(read) << c.bytes;
      EXPECT_EQ(c.error, GetLastError()) << c.bytes;
    }
  }
  DeleteFileW(SHORTCUT_FILE);
}

TEST(ShortcutTarget, TargetsThatDoNotFitAndMissingFilesAreRefused)
{
  CreateDirectoryW(L"C:\\Temp", nullptr);
  std::string target(260, 'a');
  test::WriteFileBytes(SHORTCUT_FILE, "260#" + target);
  wchar_t buffer[TEXT_CAPACITY];
  EXPECT_FALSE(SHGetShortcutTarget(SHORTCUT_FILE, buffer, TEXT_CAPACITY));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

  target.resize(259);
  test::WriteFileBytes(SHORTCUT_FILE, "259#" + target);
  EXPECT_TRUE(SHGetShortcutTarget(SHORTCUT_FILE, buffer, TEXT_CAPACITY));
  EXPECT_EQ(259u, wcslen(buffer));
  wchar_t small[8];
  EXPECT_FALSE(SHGetShortcutTarget(SHORTCUT_FILE, small, 8));

  test::WriteFileBytes(SHORTCUT_FILE, std::string(5000, '1'));
  EXPECT_FALSE(SHGetShortcutTarget(SHORTCUT_FILE, buffer, TEXT_CAPACITY));

  DeleteFileW(SHORTCUT_FILE);
  EXPECT_FALSE(SHGetShortcutTarget(SHORTCUT_FILE, buffer, TEXT_CAPACITY));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

}  // namespace
