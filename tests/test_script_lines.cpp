// One logical line at a time: what each kind of line writes and which message it raises.
#include <gtest/gtest.h>

#include "tests/ScriptTesting.h"

using namespace scripttest;

namespace {

class ScriptLine : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
    test::DeleteTree(HKEY_LOCAL_MACHINE, kTestKey);
    ResetScriptState(1);
  }
  void TearDown() override
  {
    test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
    test::DeleteTree(HKEY_LOCAL_MACHINE, kTestKey);
    ResetScriptState(0);
  }

  // Applies the line as given (narrow text widened byte for byte) in a writable buffer.
  bool Apply(const std::string &line) { return ApplyWide(Widen(line)); }
  bool ApplyWide(const std::wstring &line)
  {
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    return ApplyScriptLine(&buffer[0]);
  }
  void EnterSection(const std::string &sub)
  {
    ASSERT_TRUE(Apply(SectionLine(sub)));
    ASSERT_TRUE(g_script.sectionSeen);
  }
};

TEST_F(ScriptLine, StringValuesAreUnescapedAndTrimmed)
{
  const struct {
    const char *line;
    const wchar_t *name, *stored;
  } cases[] = {
      {"\"A\"=\"B\"", L"A", L"B"},
      {"\"Path\"=\"\\\\Windows\\\\x.exe\"", L"Path", L"\\Windows\\x.exe"},
      {"\"Four\"=\"a\\\\\\\\b\"", L"Four", L"a\\b"},
      {"\"Seven\"=\"a\\\\\\\\\\\\\\b\"", L"Seven", L"a\\b"},
      {"\"Quote\"=\"say \\\"hi\\\"\"", L"Quote", L"say \"hi\""},
      {"\"Inner\"=\"a\"b\"", L"Inner", L"a\"b"},
      {"\"Trail\"=\"x \" \t \t", L"Trail", L"x "},
      {"\"Empty\"=\"\"", L"Empty", L""},
      {"@=\"text\"", L"", L"text"},
      {"  \t\"Lead\"=\"blanks before the name\"", L"Lead", L"blanks before the name"},
      {"\"Name with = no; [x]\\\\\"=\"v\"", L"Name with = no; [x]\\\\", nullptr},
      {"\"\"=\"empty name\"", L"", L"empty name"},
      {"\"Wide\"=\"\xE9\xFF\x80\"", L"Wide", L"\u00E9\u00FF\u0080"},
  };
  test::BoxAnswerer boxes;
  for (const auto &c : cases) {
    EnterSection("Str");
    bool applied = Apply(c.line);
    std::wstring stored = L"<missing>";
    test::GetString(HKEY_CURRENT_USER, Key(L"Str"), c.name, &stored);
    if (c.stored == nullptr) {
      // A quoted name that contains '=' is split at that '='.
      EXPECT_FALSE(applied) << c.line;
    } else {
      EXPECT_TRUE(applied) << c.line;
      EXPECT_EQ(c.stored, stored) << c.line;
    }
  }
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Line 1: No close quote", boxes.Boxes()[0].caption);
}

TEST_F(ScriptLine, DwordValuesReadHexDigitsUpToTheFirstOther)
{
  const struct {
    const char *value;
    DWORD stored;
  } cases[] = {
      {"dword:1A", 26},
      {"DWORD:ffffffff", 0xFFFFFFFF},
      {"Dword:0000FfFf", 0xFFFF},
      {"dword: 12", 0},
      {"dword:", 0},
      {"dword:123456789", 0x23456789},
      {"dword:fedcba9876543210", 0x76543210},
      {"dword:10g5", 16},
      {"dword:7 ; comment", 7},
  };
  test::BoxAnswerer boxes;
  EnterSection("Dw");
  for (const auto &c : cases) {
    test::SetDword(HKEY_CURRENT_USER, Key(L"Dw"), L"N", 0x5A5A5A5A);
    EXPECT_TRUE(Apply(std::string("\"N\"=") + c.value)) << c.value;
    DWORD stored = 0x5A5A5A5A;
    EXPECT_TRUE(test::GetDword(HKEY_CURRENT_USER, Key(L"Dw"), L"N", &stored)) << c.value;
    EXPECT_EQ(c.stored, stored) << c.value;
  }
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(ScriptLine, HexValuesStoreTheirBytes)
{
  const struct {
    const char *value;
    std::vector<BYTE> stored;
  } cases[] = {
      {"hex:01,02,03", {1, 2, 3}},
      {"hex: 0a , 0B ,", {0x0A, 0x0B}},
      {"HEX:\tff,\t00", {0xFF, 0x00}},
      {"Hex:7f", {0x7F}},
      {"hex:de,ad,be,ef,", {0xDE, 0xAD, 0xBE, 0xEF}},
  };
  test::BoxAnswerer boxes;
  EnterSection("Hx");
  for (const auto &c : cases) {
    EXPECT_TRUE(Apply(std::string("\"B\"=") + c.value)) << c.value;
    DWORD type = 0;
    std::vector<BYTE> stored;
    EXPECT_TRUE(GetValue(HKEY_CURRENT_USER, Key(L"Hx"), L"B", &type, &stored)) << c.value;
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type) << c.value;
    EXPECT_TRUE(c.stored == stored) << c.value;
  }
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

// Every rejected line: its one message box, and nothing written for it.
TEST_F(ScriptLine, RejectedLinesShowTheirMessageAndWriteNothing)
{
  const struct {
    const char *line;
    const wchar_t *caption;
  } cases[] = {
      {"\"A\" = \"B\"", L"Line 7: No close quote"},
      {"\"A\"= \"B\"", L"Line 7: Unknown value type"},
      {"\"A=B\"=\"C\"", L"Line 7: No close quote"},
      {"\"A\"=\"B", L"Line 7: No close quote"},
      {"\"A\"=\"B\" x", L"Line 7: No close quote"},
      {"\"A\"=\"", L"Line 7: No close quote"},
      {"\"A\"=\"  ", L"Line 7: No close quote"},
      {"\"=\"B\"", L"Line 7: No close quote"},
      {"\"A\"", L"Line 7: No equals"},
      {"=\"B\"", L"Line 7: No equals"},
      {"A=\"B\"", L"Line 7: Unknown name type"},
      {"@x=\"B\"", L"Line 7: Unknown name type"},
      {"@ =\"B\"", L"Line 7: Unknown name type"},
      {"\"A\"=", L"Line 7: Unknown value type"},
      {"\"A\"=1", L"Line 7: Unknown value type"},
      {"\"A\"=word:1", L"Line 7: Unknown value type"},
      {"\"A\"=dw:1", L"Line 7: Bad DWORD"},
      {"\"A\"=dword 1", L"Line 7: Bad DWORD"},
      {"\"A\"=D", L"Line 7: Bad DWORD"},
      {"\"A\"=hex(7):00", L"Line 7: Bad HEX"},
      {"\"A\"=hexa:00", L"Line 7: Bad HEX"},
      {"\"A\"=hex:0102", L"Line 7: Bad delimeter"},
      {"\"A\"=hex:01 02", L"Line 7: Bad delimeter"},
      {"\"A\"=hex:01;", L"Line 7: Bad delimeter"},
      {"\"A\"=hex:1,2", L"Line 7 Extra text"},
      {"\"A\"=hex:01,,02", L"Line 7 Extra text"},
      {"\"A\"=hex:01,0g", L"Line 7 Extra text"},
      {"\"A\"=hex:", L"Line 7: Empty hex"},
      {"\"A\"=hex:  ", L"Line 7: Empty hex"},
      {"[HKEY_CURRENT_USER\\Software\\FerroltScriptTest\\Bad] ", L"Line 7: Bad section"},
      {"[HKEY_CURRENT_USER\\Software\\FerroltScriptTest\\Bad] ; note", L"Line 7: Bad section"},
      {"[HKEY_CURRENT_USER\\Software\\FerroltScriptTest\\Bad", L"Line 7: Bad section"},
      {"[]", L"Line 7: Bad section"},
      {"[", L"Line 7: Bad section"},
  };
  test::BoxAnswerer boxes;
  for (const auto &c : cases) {
    EnterSection("Rej");
    boxes.Clear();
    g_script.lineNumber = 7;
    g_script.failed = false;
    EXPECT_FALSE(Apply(c.line)) << c.line;
    EXPECT_TRUE(g_script.failed) << c.line;
    ASSERT_EQ(1u, boxes.Count()) << c.line << "\n" << boxes.Captions();
    EXPECT_EQ(c.caption, boxes.Boxes()[0].caption) << c.line;
    EXPECT_EQ(L"Error", boxes.Boxes()[0].text) << c.line;
    // The failed section line left the earlier section in force.
    EXPECT_STREQ(L"HKEY_CURRENT_USER\\Software\\FerroltScriptTest\\Rej", g_script.section);
  }
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, Key(L"Rej")));
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, Key(L"Bad")));
}

TEST_F(ScriptLine, IgnoredLinesAndValueLinesBeforeAnySection)
{
  test::BoxAnswerer boxes;
  for (const char *line : {"", "   ", " \t ", "REGEDIT4", "REGEDIT", "  REGEDIT5 extra", "; x",
                           "\t;\"A\"=\"B\"", "   ;"}) {
    EXPECT_TRUE(Apply(line)) << line;
  }
  EXPECT_FALSE(g_script.sectionSeen);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  // "regedit" in another case is no header.
  g_script.lineNumber = 3;
  EXPECT_FALSE(Apply("regedit4"));
  EXPECT_FALSE(Apply("\"A\"=\"B\""));
  ASSERT_EQ(2u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Line 3: No section", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"Line 3: No section", boxes.Boxes()[1].caption);
}

TEST_F(ScriptLine, SectionLineLimits)
{
  test::BoxAnswerer boxes;
  // 259 characters with the brackets and the leading blanks: accepted.
  std::string sub(259 - 2 - 2 - kTestSection.size() - 1, 'k');
  std::string longest = "  " + SectionLine(sub);
  ASSERT_EQ(259u, longest.size());
  EXPECT_TRUE(Apply(longest));
  EXPECT_EQ(Widen(kTestSection + "\\" + sub), g_script.section);
  EXPECT_TRUE(Apply("\"V\"=dword:1"));
  EXPECT_TRUE(ValuePresent(Key(Widen(sub)), L"V"));
  // One more leading blank makes 260: refused.
  g_script.lineNumber = 9;
  EXPECT_FALSE(Apply(" " + longest));
  // The shortest section line is three characters; its section has no root.
  EXPECT_TRUE(Apply("[x]"));
  EXPECT_STREQ(L"x", g_script.section);
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Line 9: Bad section", boxes.Boxes()[0].caption);
}

TEST_F(ScriptLine, ValueNamesUpTo259CharactersFit)
{
  test::BoxAnswerer boxes;
  EnterSection("Names");
  std::string longest(259, 'n');
  EXPECT_TRUE(Apply("\"" + longest + "\"=dword:1"));
  EXPECT_TRUE(ValuePresent(Key(L"Names"), Widen(longest)));
  // 260 characters: refused whole, neither written nor cut to fit.
  std::string tooLong(260, 'm');
  g_script.lineNumber = 4;
  EXPECT_FALSE(Apply("\"" + tooLong + "\"=dword:1"));
  EXPECT_FALSE(ValuePresent(Key(L"Names"), Widen(tooLong)));
  EXPECT_FALSE(ValuePresent(Key(L"Names"), Widen(tooLong.substr(0, 259))));
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Line 4: Name too long", boxes.Boxes()[0].caption);
}

TEST_F(ScriptLine, HexDataUpTo16384Bytes)
{
  test::BoxAnswerer boxes;
  EnterSection("HexMax");
  std::string line = "\"Max\"=hex:";
  for (int i = 0; i < SCRIPT_HEX_CAPACITY; ++i)
    line += i == 0 ? "5a" : ",5a";
  EXPECT_TRUE(Apply(line));
  DWORD type = 0;
  std::vector<BYTE> stored;
  ASSERT_TRUE(GetValue(HKEY_CURRENT_USER, Key(L"HexMax"), L"Max", &type, &stored));
  EXPECT_EQ(static_cast<size_t>(SCRIPT_HEX_CAPACITY), stored.size());
  EXPECT_EQ(std::vector<BYTE>(SCRIPT_HEX_CAPACITY, 0x5A), stored);

  g_script.lineNumber = 2;
  EXPECT_FALSE(Apply(line + ",a5"));
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Line 2: Hex data too long", boxes.Boxes()[0].caption);
  ASSERT_TRUE(GetValue(HKEY_CURRENT_USER, Key(L"HexMax"), L"Max", &type, &stored));
  EXPECT_EQ(std::vector<BYTE>(SCRIPT_HEX_CAPACITY, 0x5A), stored);
}

TEST_F(ScriptLine, RootKeysAreMatchedExactly)
{
  const struct {
    const wchar_t *section;
    HKEY root;
    const wchar_t *subkey;
  } cases[] = {
      {L"HKEY_CLASSES_ROOT\\.x", HKEY_CLASSES_ROOT, L".x"},
      {L"HKEY_CURRENT_USER\\Software\\A", HKEY_CURRENT_USER, L"Software\\A"},
      {L"HKEY_LOCAL_MACHINE\\Software", HKEY_LOCAL_MACHINE, L"Software"},
      {L"HKEY_USERS\\.Default", HKEY_USERS, L".Default"},
      {L"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER, L""},
      {L"HKEY_CURRENT_USER", nullptr, nullptr},
      {L"HKCU\\Software", nullptr, nullptr},
      {L"HKLM\\Software\\X", nullptr, nullptr},
      {L"hkey_current_user\\Software", nullptr, nullptr},
      {L"HKEY_CURRENT_USERS\\Software", nullptr, nullptr},
      {L"HKEY_CURRENT_\\Software", nullptr, nullptr},
      {L"", nullptr, nullptr},
  };
  for (const auto &c : cases) {
    const wchar_t *subkey = L"junk";
    EXPECT_EQ(c.root, SplitRootKey(c.section, &subkey)) << c.section;
    if (c.subkey == nullptr)
      EXPECT_EQ(nullptr, subkey) << c.section;
    else
      EXPECT_STREQ(c.subkey, subkey) << c.section;
  }
}

TEST_F(ScriptLine, ValuesUnderEveryRootAndUnderUnknownRoots)
{
  test::BoxAnswerer boxes;
  ASSERT_TRUE(Apply("[HKEY_LOCAL_MACHINE\\Software\\FerroltScriptTest\\Machine]"));
  EXPECT_TRUE(Apply("\"M\"=dword:3"));
  DWORD number = 0;
  EXPECT_TRUE(test::GetDword(HKEY_LOCAL_MACHINE, Key(L"Machine"), L"M", &number));
  EXPECT_EQ(3u, number);

  // Sections with an unknown or missing root are accepted; their values fail with the
  // message of their type and nothing is created.
  const struct {
    const char *section, *value;
    const wchar_t *caption;
  } cases[] = {
      {"[HKLM\\Software\\FerroltScriptTest]", "\"A\"=\"B\"", L"Line 5: Add String"},
      {"[HKCU\\Software\\FerroltScriptTest]", "\"A\"=dword:1", L"Line 5: Add DWORD"},
      {"[HKEY_CURRENT_USER]", "\"A\"=hex:01", L"Line 5: Add hex"},
      {"[hkey_current_user\\Software\\FerroltScriptTest]", "@=\"x\"", L"Line 5: Add String"},
  };
  for (const auto &c : cases) {
    boxes.Clear();
    g_script.lineNumber = 5;
    EXPECT_TRUE(Apply(c.section)) << c.section;
    EXPECT_FALSE(Apply(c.value)) << c.section;
    ASSERT_EQ(1u, boxes.Count()) << c.section << "\n" << boxes.Captions();
    EXPECT_EQ(c.caption, boxes.Boxes()[0].caption) << c.section;
  }
  EXPECT_FALSE(ValuePresent(L"", L"A"));
}

TEST_F(ScriptLine, KeyThatCannotBeCreatedShowsCreateRegKeyThenTheAddMessage)
{
  test::BoxAnswerer boxes;
  // A doubled backslash after the root makes a subkey path that cannot be created.
  const struct {
    const char *value;
    const wchar_t *caption;
  } cases[] = {
      {"\"A\"=\"B\"", L"Line 8: Add String"},
      {"\"A\"=dword:1", L"Line 8: Add DWORD"},
      {"\"A\"=hex:01", L"Line 8: Add hex"},
  };
  for (const auto &c : cases) {
    boxes.Clear();
    g_script.lineNumber = 8;
    ASSERT_TRUE(Apply("[HKEY_CURRENT_USER\\\\Software\\FerroltScriptTest\\Uncreatable]"));
    EXPECT_FALSE(Apply(c.value)) << c.value;
    ASSERT_EQ(2u, boxes.Count()) << boxes.Captions();
    EXPECT_EQ(L"Create Reg Key", boxes.Boxes()[0].caption);
    EXPECT_EQ(L"Error", boxes.Boxes()[0].text);
    EXPECT_EQ(c.caption, boxes.Boxes()[1].caption);
  }
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, Key(L"Uncreatable")));
}

TEST_F(ScriptLine, UnescapeRegStringCollapsesBackslashRuns)
{
  const struct {
    const wchar_t *text, *expected;
  } cases[] = {
      {L"\\\\Windows\\\\x.exe", L"\\Windows\\x.exe"},
      {L"a\\\\\\\\b", L"a\\b"},
      {L"a\\\\\\b", L"a\\b"},
      {L"\\\"q\\\"", L"\"q\""},
      {L"\\\\\"", L"\""},
      {L"no escapes", L"no escapes"},
      {L"single \\ stays", L"single \\ stays"},
      {L"\\", L"\\"},
      {L"", L""},
      {L"\\n\\t", L"\\n\\t"},
  };
  for (const auto &c : cases) {
    wchar_t buffer[TEXT_CAPACITY];
    CopyText(buffer, TEXT_CAPACITY, c.text);
    UnescapeRegString(buffer);
    EXPECT_STREQ(c.expected, buffer) << c.text;
  }
  // A whole line of backslashes collapses to one.
  std::vector<wchar_t> run(SCRIPT_LINE_CAPACITY, L'\\');
  run.push_back(0);
  UnescapeRegString(&run[0]);
  EXPECT_STREQ(L"\\", &run[0]);
}

}  // namespace
