// Loading whole registry script files into the prefix's real registry.
#include <gtest/gtest.h>

#include <process.h>

#include "tests/ScriptTesting.h"

using namespace scripttest;

namespace {

class RegistryScriptFile : public ::testing::Test {
protected:
  void SetUp() override
  {
    test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
    ResetScriptState(0);
  }
  void TearDown() override
  {
    test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
    ResetScriptState(0);
  }

  std::wstring String(const std::wstring &sub, const std::wstring &name)
  {
    std::wstring value = L"<missing>";
    test::GetString(HKEY_CURRENT_USER, Key(sub), name, &value);
    return value;
  }
};

TEST_F(RegistryScriptFile, ImportsHeaderSectionAndValues)
{
  test::BoxAnswerer boxes;
  std::string script = JoinLines({
      "REGEDIT4",
      "",
      "; a comment line",
      SectionLine("App"),
      "\"A\"=\"B\"",
      "@=\"default text\"",
      "\"Count\"=dword:1A",
      "\"Bytes\"=hex:01,02,03",
      "   \t",
      "REGEDIT4 may stand anywhere",
      "  " + SectionLine("App\\Sub"),
      "\"Path\"=\"\\\\Windows\\\\x.exe\"",
  });
  ASSERT_TRUE(LoadScriptBytes(script));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  EXPECT_FALSE(g_script.failed);
  EXPECT_EQ(12, g_script.lineNumber);
  EXPECT_EQ(L"B", String(L"App", L"A"));
  EXPECT_EQ(L"default text", String(L"App", L""));
  DWORD count = 0;
  EXPECT_TRUE(test::GetDword(HKEY_CURRENT_USER, Key(L"App"), L"Count", &count));
  EXPECT_EQ(26u, count);
  DWORD type = 0;
  std::vector<BYTE> bytes;
  ASSERT_TRUE(GetValue(HKEY_CURRENT_USER, Key(L"App"), L"Bytes", &type, &bytes));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  EXPECT_EQ((std::vector<BYTE>{1, 2, 3}), bytes);
  EXPECT_EQ(L"\\Windows\\x.exe", String(L"App\\Sub", L"Path"));
}

TEST_F(RegistryScriptFile, SameResultWhateverTheLineEnds)
{
  // A few hundred lines over several sections, with every kind of value.
  std::vector<std::string> lines = {"REGEDIT4", ""};
  for (int section = 0; section < 10; ++section) {
    lines.push_back(SectionLine("Ends\\S" + std::to_string(section)));
    for (int i = 0; i < 30; ++i) {
      std::string n = std::to_string(i);
      if (i % 3 == 0)
        lines.push_back("\"V" + n + "\"=\"text " + n + "\"");
      else if (i % 3 == 1)
        lines.push_back("\"V" + n + "\"=dword:" + n);
      else
        lines.push_back("\"V" + n + "\"=hex:" + (i < 10 ? "0" : "") + n + ",ff");
    }
  }
  std::string lf = JoinLines(lines, "\n"), crlf = JoinLines(lines, "\r\n");
  std::string mixed;
  for (size_t i = 0; i < lines.size(); ++i)
    mixed += lines[i] + (i % 2 == 0 ? "\r\n" : "\n");
  // CRs anywhere in a line are dropped, even inside a quoted string.
  std::string scatteredCr;
  for (const std::string &line : lines)
    scatteredCr += "\r" + line.substr(0, line.size() / 2) + "\r" + line.substr(line.size() / 2) + "\r\r\n";

  test::BoxAnswerer boxes;
  TreeSnapshot expected;
  for (const std::string *text : {&lf, &crlf, &mixed, &scatteredCr}) {
    test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
    ASSERT_TRUE(LoadScriptBytes(*text));
    EXPECT_FALSE(g_script.failed);
    EXPECT_EQ(static_cast<long>(lines.size()), g_script.lineNumber);
    TreeSnapshot result = Snapshot(HKEY_CURRENT_USER, Key(L"Ends"));
    EXPECT_EQ(11u, result.size());
    if (text == &lf)
      expected = result;
    else
      EXPECT_TRUE(expected == result) << "differs for line-end variant " << (text - &lf);
  }
  EXPECT_EQ(L"text 27", String(L"Ends\\S9", L"V27"));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(RegistryScriptFile, ContinuationLinesCountAsOneLine)
{
  test::BoxAnswerer boxes;
  std::string script = JoinLines({
      SectionLine("Cont"),        // 1
      "\"Long\"=\"first \\",      // 2, continued
      "second \\",                //    continued
      "third\"",                  //    end of line 2
      "\"Next\"=dword:5",         // 3
      "\"Bad\"=word:5",           // 4 (physical line 6)
      "\"After\"=dword:6",
  });
  ASSERT_TRUE(LoadScriptBytes(script));
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Line 4: Unknown value type", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"Error", boxes.Boxes()[0].text);
  EXPECT_EQ(L"first second third", String(L"Cont", L"Long"));
  EXPECT_TRUE(ValuePresent(Key(L"Cont"), L"Next"));
  EXPECT_FALSE(ValuePresent(Key(L"Cont"), L"After"));
  EXPECT_TRUE(g_script.failed);
}

TEST_F(RegistryScriptFile, LastLineWithoutLineFeedIsNotApplied)
{
  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadScriptBytes(SectionLine("Tail") + "\r\n\"First\"=\"1\"\r\n\"Last\"=\"2\""));
  EXPECT_TRUE(ValuePresent(Key(L"Tail"), L"First"));
  EXPECT_FALSE(ValuePresent(Key(L"Tail"), L"Last"));
  EXPECT_EQ(2, g_script.lineNumber);
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(RegistryScriptFile, FilesOfOtherFormatsStopAtLineOne)
{
  std::string version5 = JoinLines({"Windows Registry Editor Version 5.00", "",
                                    SectionLine("Other"), "\"A\"=\"B\""}, "\r\n");
  // The same text as UTF-16 with its byte-order mark.
  std::string utf16 = "\xFF\xFE";
  for (char c : version5) {
    utf16 += c;
    utf16 += '\0';
  }
  for (const std::string *text : {&version5, &utf16}) {
    test::BoxAnswerer boxes;
    ASSERT_TRUE(LoadScriptBytes(*text));
    ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
    EXPECT_EQ(L"Line 1: No section", boxes.Boxes()[0].caption);
    EXPECT_EQ(L"Error", boxes.Boxes()[0].text);
    EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, Key(L"Other")));
  }
}

TEST_F(RegistryScriptFile, StopsAtTheFirstBadLineKeepingWhatCameBefore)
{
  test::BoxAnswerer boxes;
  std::string script = JoinLines({
      "REGEDIT4",
      SectionLine("Stop"),
      "\"Before1\"=\"kept\"",
      "\"Before2\"=dword:2",
      "\"Broken\"=\"no close quote",
      "\"After1\"=\"never\"",
      SectionLine("Stop\\Later"),
      "\"After2\"=dword:3",
  });
  EXPECT_TRUE(LoadScriptBytes(script));
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Line 5: No close quote", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"kept", String(L"Stop", L"Before1"));
  EXPECT_TRUE(ValuePresent(Key(L"Stop"), L"Before2"));
  EXPECT_FALSE(ValuePresent(Key(L"Stop"), L"Broken"));
  EXPECT_FALSE(ValuePresent(Key(L"Stop"), L"After1"));
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, Key(L"Stop\\Later")));
  EXPECT_EQ(5, g_script.lineNumber);
  EXPECT_TRUE(g_script.failed);
}

TEST_F(RegistryScriptFile, SectionLinesAloneCreateNoKey)
{
  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadScriptBytes(JoinLines({SectionLine("Empty"), "; nothing here", "",
                                         "  " + SectionLine("Indented"), "\"V\"=dword:1"})));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  EXPECT_FALSE(test::KeyPresent(HKEY_CURRENT_USER, Key(L"Empty")));
  EXPECT_TRUE(ValuePresent(Key(L"Indented"), L"V"));
}

TEST_F(RegistryScriptFile, UnopenableFileReturnsFalseWithoutABox)
{
  test::BoxAnswerer boxes;
  EXPECT_FALSE(LoadRegistryScript(ScriptPath(L"no-such-script.reg").c_str()));
  EXPECT_FALSE(LoadRegistryScript(L"\\No\\Such\\Folder\\Default.reg"));
  // A folder cannot be opened as a file either.
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  EXPECT_FALSE(LoadRegistryScript(folder));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

// Line lengths: the count covers every character of a logical line, continuation
// backslashes included; 32,768 fit and the 32,769th stops the load without a message.
TEST_F(RegistryScriptFile, LogicalLinesUpTo32768CharactersFit)
{
  const std::string prefix = "\"Big\"=\"";
  std::string fits = prefix + std::string(32768 - prefix.size() - 1, 'x') + "\"";
  ASSERT_EQ(32768u, fits.size());
  std::string tooLong = prefix + std::string(32769 - prefix.size() - 1, 'y') + "\"";
  ASSERT_EQ(32769u, tooLong.size());
  // The same 32,769 characters spread over two physical lines by a continuation.
  std::string tooLongJoined = tooLong.substr(0, 20000) + "\\\n" + tooLong.substr(20000 + 1);
  std::string fitsJoined = fits.substr(0, 20000) + "\\\n" + fits.substr(20000 + 1);

  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadScriptBytes(JoinLines({SectionLine("Len"), fits, "\"After\"=dword:1"})));
  EXPECT_FALSE(g_script.failed);
  EXPECT_EQ(std::wstring(32768 - prefix.size() - 1, L'x'), String(L"Len", L"Big"));
  EXPECT_TRUE(ValuePresent(Key(L"Len"), L"After"));

  test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
  ASSERT_TRUE(LoadScriptBytes(JoinLines({SectionLine("Len"), "\"Before\"=dword:1", tooLong,
                                         "\"After\"=dword:1"})));
  EXPECT_TRUE(g_script.failed);
  EXPECT_TRUE(ValuePresent(Key(L"Len"), L"Before"));
  EXPECT_FALSE(ValuePresent(Key(L"Len"), L"Big"));
  EXPECT_FALSE(ValuePresent(Key(L"Len"), L"After"));

  test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
  ASSERT_TRUE(LoadScriptBytes(JoinLines({SectionLine("Len"), tooLongJoined, "\"After\"=dword:1"})));
  EXPECT_TRUE(g_script.failed);
  EXPECT_FALSE(ValuePresent(Key(L"Len"), L"Big"));

  // With its backslash counted the joined line is 32,768 characters: it still fits.
  test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
  ASSERT_TRUE(LoadScriptBytes(JoinLines({SectionLine("Len"), fitsJoined})));
  EXPECT_FALSE(g_script.failed);
  std::wstring joinedValue = String(L"Len", L"Big");
  EXPECT_EQ(32768 - prefix.size() - 2, joinedValue.size());
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
}

TEST_F(RegistryScriptFile, LongestHexListALineHoldsIsWrittenWhole)
{
  // "@=hex:" and 2 characters a byte plus a comma between: 6 + 3n - 1 <= 32,768.
  const size_t count = (32768 - 6 + 1) / 3;
  std::string line = "@=hex:";
  std::vector<BYTE> expected;
  for (size_t i = 0; i < count; ++i) {
    char pair[4];
    snprintf(pair, sizeof(pair), "%02x", static_cast<unsigned>((i * 7) & 0xFF));
    line += (i > 0 ? "," : "") + std::string(pair);
    expected.push_back(static_cast<BYTE>((i * 7) & 0xFF));
  }
  ASSERT_LE(line.size(), 32768u);
  ASSERT_GT(line.size() + 3, 32768u);  // one more byte would not fit

  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadScriptBytes(JoinLines({SectionLine("Hex"), line})));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  DWORD type = 0;
  std::vector<BYTE> stored;
  ASSERT_TRUE(GetValue(HKEY_CURRENT_USER, Key(L"Hex"), L"", &type, &stored));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  EXPECT_EQ(count, stored.size());
  EXPECT_TRUE(expected == stored);
}

// A pipe whose writer goes away makes the next read fail.
struct PipeWriter {
  HANDLE pipe;
  std::string bytes;
};

unsigned __stdcall FeedPipeThenBreakIt(void *parameter)
{
  PipeWriter *writer = static_cast<PipeWriter *>(parameter);
  ConnectNamedPipe(writer->pipe, nullptr);
  DWORD written = 0;
  WriteFile(writer->pipe, writer->bytes.data(), static_cast<DWORD>(writer->bytes.size()), &written,
            nullptr);
  FlushFileBuffers(writer->pipe);
  Sleep(300);
  CloseHandle(writer->pipe);
  return 0;
}

TEST_F(RegistryScriptFile, FailingReadShowsReadingFileAndStops)
{
  const wchar_t *name = L"\\\\.\\pipe\\FerroltScriptTestPipe";
  PipeWriter writer;
  writer.pipe = CreateNamedPipeW(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536,
                                 65536, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer.pipe);
  writer.bytes = JoinLines({SectionLine("Pipe"), "\"Read\"=dword:7"}) + "\"Partial\"=dword:8";
  HANDLE thread = reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, 0, FeedPipeThenBreakIt, &writer, 0, nullptr));
  ASSERT_NE(nullptr, thread);

  test::BoxAnswerer boxes;
  EXPECT_TRUE(LoadRegistryScript(name));
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  ASSERT_EQ(1u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Reading File", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"Error", boxes.Boxes()[0].text);
  EXPECT_TRUE(g_script.failed);
  EXPECT_TRUE(ValuePresent(Key(L"Pipe"), L"Read"));
  EXPECT_FALSE(ValuePresent(Key(L"Pipe"), L"Partial"));
}

TEST_F(RegistryScriptFile, EachLoadStartsFresh)
{
  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadScriptBytes(JoinLines({SectionLine("First"), "\"A\"=dword:1", "\"B\"=x"})));
  EXPECT_TRUE(g_script.failed);
  // The section of the earlier load is gone: a value line before any section fails.
  ASSERT_TRUE(LoadScriptBytes(JoinLines({"", "\"C\"=dword:1"})));
  ASSERT_EQ(2u, boxes.Count()) << boxes.Captions();
  EXPECT_EQ(L"Line 3: Unknown value type", boxes.Boxes()[0].caption);
  EXPECT_EQ(L"Line 2: No section", boxes.Boxes()[1].caption);
  EXPECT_FALSE(ValuePresent(Key(L"First"), L"C"));
  // And a good file after a bad one is not reported as failed.
  ASSERT_TRUE(LoadScriptBytes(JoinLines({SectionLine("First"), "\"D\"=dword:1"})));
  EXPECT_FALSE(g_script.failed);
  EXPECT_EQ(2u, boxes.Count());
}

}  // namespace

namespace {

// A script far larger than any read the loader makes, with lines of every length, so that
// line ends, CR LF pairs and continuation backslashes fall at every offset of a read.
TEST_F(RegistryScriptFile, LargeScriptGivesTheSameValuesAsLineByLine)
{
  std::string script = "REGEDIT4\r\n" + SectionLine("Large") + "\r\n";
  std::vector<std::string> expected;
  for (int i = 0; i < 700; ++i) {
    std::string text(static_cast<size_t>((i * 37) % 611), static_cast<char>('a' + i % 26));
    expected.push_back(text);
    std::string line = "\"V" + std::to_string(i) + "\"=\"" + text + "\"";
    if (i % 5 == 0 && !text.empty()) {
      size_t cut = 8 + text.size() / 2;  // inside the quoted text
      line = line.substr(0, cut) + "\\\r\n" + line.substr(cut);
    }
    script += line + (i % 3 == 0 ? "\n" : "\r\n");
  }
  test::BoxAnswerer boxes;
  ASSERT_TRUE(LoadScriptBytes(script));
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  EXPECT_FALSE(g_script.failed);
  EXPECT_EQ(702, g_script.lineNumber);
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(Widen(expected[i]), String(L"Large", L"V" + std::to_wstring(i))) << "value " << i;
}

}  // namespace
