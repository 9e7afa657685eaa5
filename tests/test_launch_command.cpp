// Starting programs from an entry's program and argument texts: run files, shortcuts,
// associations and real processes in the prefix. The started test program writes the
// command line it received to a file, so each case checks exactly what arrived.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "Common/StdInit.h"
#include "launcher/launch/LaunchCommand.h"
#include "tests/support/TestSupport.h"

namespace {

const wchar_t RECORD[] = L"C:\\Temp\\ferrolt_launch_record.txt";
const wchar_t TEST_EXTENSION[] = L".ftst";
const wchar_t TEST_CLASS[] = L"FerroltTest.Document";

std::wstring Widen(const std::string &text)
{
  std::wstring wide(text.size() + 1, L'\0');
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   &wide[0], static_cast<int>(wide.size()));
  wide.resize(length > 0 ? length : 0);
  return wide;
}

std::string Narrow(const std::wstring &text)
{
  std::string bytes;
  for (wchar_t c : text)
    bytes += static_cast<char>(c);
  return bytes;
}

// A CE text shortcut: the count of characters after '#', then the target.
std::string Shortcut(const std::string &target)
{
  return std::to_string(target.size()) + "#" + target;
}

struct Received {
  bool started = false;
  std::wstring commandLine;
  std::wstring module;
  DWORD processId = 0;
};

// Waits for the test program to report what it received.
Received WaitForRecord(DWORD timeoutMs = 15000)
{
  Received received;
  DWORD start = GetTickCount();
  std::wstring text;
  size_t first = std::wstring::npos, second = std::wstring::npos;
  for (;;) {
    if (GetFileAttributesW(RECORD) != INVALID_FILE_ATTRIBUTES) {
      text = Widen(test::ReadFileBytes(RECORD));
      first = text.find(L'\n');
      second = first == std::wstring::npos ? first : text.find(L'\n', first + 1);
      if (second != std::wstring::npos)
        break;
    }
    if (GetTickCount() - start > timeoutMs)
      return received;
    Sleep(20);
  }
  DeleteFileW(RECORD);
  received.started = true;
  received.commandLine = text.substr(0, first);
  received.module = text.substr(first + 1, second - first - 1);
  received.processId = wcstoul(text.c_str() + second + 1, nullptr, 10);
  // Wine hands a process its quoted own name when the command line it was given is
  // empty; the device hands it nothing. Both mean no arguments.
  const std::wstring &line = received.commandLine;
  if (line.size() > 2 && line.front() == L'"' && line.back() == L'"' &&
      line.find(L'"', 1) == line.size() - 1) {
    wchar_t full[MAX_PATH] = {0};
    GetFullPathNameW(line.substr(1, line.size() - 2).c_str(), MAX_PATH, full, nullptr);
    if (lstrcmpiW(full, received.module.c_str()) == 0)
      received.commandLine.clear();
  }
  return received;
}

// True when no test program reported within a while.
bool NothingStarted()
{
  Sleep(800);
  return GetFileAttributesW(RECORD) == INVALID_FILE_ATTRIBUTES;
}

struct HandleCensus {
  int processes = 0;
  int threads = 0;
  int toProcess = 0;  // handles on the given process or on one of its threads
};

// Walks this process's handle table; a leaked process or thread handle shows up here even
// after the process it belongs to has ended.
HandleCensus TakeHandleCensus(DWORD processId)
{
  HandleCensus census;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    HANDLE handle = reinterpret_cast<HANDLE>(value);
    DWORD flags = 0;
    if (!GetHandleInformation(handle, &flags))
      continue;
    DWORD owner = GetProcessId(handle);
    if (owner != 0) {
      ++census.processes;
    } else {
      owner = GetProcessIdOfThread(handle);
      if (owner == 0)
        continue;
      ++census.threads;
    }
    if (owner == processId)
      ++census.toProcess;
  }
  return census;
}

void ExpectBoxes(const test::BoxAnswerer &boxes, const std::vector<test::Box> &expected,
                 const char *context)
{
  ASSERT_EQ(expected.size(), boxes.Count()) << context << "\n" << Narrow(boxes.Captions());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].caption, boxes.Boxes()[i].caption) << context;
    EXPECT_EQ(expected[i].text, boxes.Boxes()[i].text) << context;
  }
}

class LaunchTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    g_app.mainWindow = nullptr;
    CreateDirectoryW(L"C:\\Temp", nullptr);
    DeleteFileW(RECORD);
    recorder_ = test::BuildDir() + L"tests\\record_args.exe";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(recorder_.c_str())) << Narrow(recorder_);
    InstallRecorder(L"C:\\windows\\x.exe");
    InstallRecorder(L"C:\\windows\\notes.exe");
    // A fresh prefix has the class "exefile" but may lack the extension that names it.
    if (!test::KeyPresent(HKEY_CLASSES_ROOT, L".exe")) {
      test::SetString(HKEY_CLASSES_ROOT, L".exe", L"", L"exefile");
      keys_.push_back(L".exe");
    }
    Associate(TEST_EXTENSION, TEST_CLASS, L"notes.exe %1");
  }

  void TearDown() override
  {
    for (const std::wstring &key : keys_)
      test::DeleteTree(HKEY_CLASSES_ROOT, key);
    for (auto file = files_.rbegin(); file != files_.rend(); ++file) {
      if (!DeleteFileW(file->c_str()))
        RemoveDirectoryW(file->c_str());
    }
    DeleteFileW(RECORD);
    g_app.mainWindow = nullptr;
  }

  void InstallRecorder(const std::wstring &path)
  {
    ASSERT_TRUE(CopyFileW(recorder_.c_str(), path.c_str(), FALSE)) << Narrow(path);
    files_.push_back(path);
  }

  void Associate(const std::wstring &extension, const std::wstring &className,
                 const std::wstring &command)
  {
    test::SetString(HKEY_CLASSES_ROOT, extension, L"", className);
    test::SetString(HKEY_CLASSES_ROOT, className + L"\\Shell\\Open\\Command", L"", command);
    keys_.push_back(extension);
    keys_.push_back(className);
  }

  void WriteFile(const std::wstring &path, const std::string &bytes)
  {
    test::WriteFileBytes(path, bytes);
    files_.push_back(path);
  }

  void MakeDirectory(const std::wstring &path)
  {
    CreateDirectoryW(path.c_str(), nullptr);
    files_.push_back(path);
  }

  // Launches and expects the test program to start with exactly the given command line.
  void ExpectStart(const wchar_t *program, const wchar_t *arguments, const std::wstring &commandLine,
                   const std::wstring &module, const char *context)
  {
    test::BoxAnswerer boxes;
    EXPECT_TRUE(LaunchCommand(program, arguments)) << context;
    Received received = WaitForRecord();
    ASSERT_TRUE(received.started) << context;
    EXPECT_EQ(commandLine, received.commandLine) << context;
    EXPECT_EQ(0, lstrcmpiW(module.c_str(), received.module.c_str()))
        << context << ": " << Narrow(received.module);
    ExpectBoxes(boxes, {}, context);
  }

  // Launches and expects exactly one message and no process.
  void ExpectFailure(const wchar_t *program, const wchar_t *arguments, const std::wstring &caption,
                     const std::wstring &detail, const char *context)
  {
    test::BoxAnswerer boxes;
    EXPECT_FALSE(LaunchCommand(program, arguments)) << context;
    ExpectBoxes(boxes, {{caption, detail}}, context);
    EXPECT_TRUE(NothingStarted()) << context;
    DeleteFileW(RECORD);
  }

  std::wstring recorder_;
  std::vector<std::wstring> keys_;
  std::vector<std::wstring> files_;
  test::ScopedEnv recordTo_{L"FERROLT_RECORD_ARGS", RECORD};
};

TEST_F(LaunchTest, ProgramsStartThroughTheirAssociation)
{
  std::wstring command;
  ASSERT_TRUE(test::GetString(HKEY_CLASSES_ROOT, L"exefile\\Shell\\Open\\Command", L"", &command));
  ASSERT_EQ(L"\"%1\" %*", command);

  ExpectStart(L"\\Windows\\x.exe", L"-a", L"-a", L"C:\\windows\\x.exe", "exe with arguments");
  ExpectStart(L"\\Windows\\x.exe", nullptr, L"", L"C:\\windows\\x.exe", "absent arguments");
  ExpectStart(L"\\Windows\\x.exe", L"two  blanks \"q\"", L"two  blanks \"q\"",
              L"C:\\windows\\x.exe", "arguments passed as written");
  ExpectStart(L"\\Temp\\doc.ftst", L"-ignored", L"\\Temp\\doc.ftst", L"C:\\windows\\notes.exe",
              "notes.exe %1");
  ExpectStart(L"\\Temp\\DOC.FTST", nullptr, L"\\Temp\\DOC.FTST", L"C:\\windows\\notes.exe",
              "extension in other case");

  Associate(L".ftfix", L"FerroltTest.Fixed", L"notes.exe fixed %* tail");
  ExpectStart(L"\\Temp\\doc.ftfix", L"-x", L"fixed -x tail", L"C:\\windows\\notes.exe",
              "template without %1 drops the path");
  Associate(L".ftrep", L"FerroltTest.Repeat", L"notes.exe %1 %1 %* %*");
  ExpectStart(L"\\Temp\\d.ftrep", L"-r", L"\\Temp\\d.ftrep %1 -r %*", L"C:\\windows\\notes.exe",
              "only the first occurrence of each");
}

TEST_F(LaunchTest, NoProcessOrThreadHandleStaysOpen)
{
  // The census must see a handle that is left open.
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  wchar_t line[] = L"-census";
  ASSERT_TRUE(CreateProcessW(L"C:\\windows\\x.exe", line, nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process));
  Received control = WaitForRecord();
  ASSERT_TRUE(control.started);
  WaitForSingleObject(process.hProcess, 10000);
  HandleCensus open = TakeHandleCensus(control.processId);
  EXPECT_EQ(2, open.toProcess);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  HandleCensus before = TakeHandleCensus(0);
  DWORD countBefore = 0;
  GetProcessHandleCount(GetCurrentProcess(), &countBefore);
  for (int i = 0; i < 3; ++i) {
    test::BoxAnswerer boxes;
    ASSERT_TRUE(LaunchCommand(L"\\Windows\\x.exe", L"-h"))
        << (boxes.Count() > 0 ? boxes.Boxes()[0].text : std::wstring(L"no message"));
    Received received = WaitForRecord();
    ASSERT_TRUE(received.started);
    HandleCensus after = TakeHandleCensus(received.processId);
    EXPECT_EQ(0, after.toProcess) << "launch " << i;
    EXPECT_EQ(before.processes, after.processes) << "launch " << i;
    EXPECT_EQ(before.threads, after.threads) << "launch " << i;
    EXPECT_EQ(0u, boxes.Count());
  }
  DWORD countAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &countAfter);
  EXPECT_EQ(countBefore, countAfter);
}

TEST_F(LaunchTest, RunFilesNameTheProgramAndItsArguments)
{
  WriteFile(L"C:\\Temp\\crlf.run", "\\Windows\\x.exe\r\n-b c");
  ExpectStart(L"\\Temp\\crlf.run", L"-caller", L"-b c", L"C:\\windows\\x.exe",
              "second line up to the end of the file");

  WriteFile(L"C:\\Temp\\blank.run", "\\Windows\\x.exe\r\n\r\n");
  ExpectStart(L"\\Temp\\blank.run", L"-caller", L"", L"C:\\windows\\x.exe",
              "blank second line replaces the caller's arguments");

  WriteFile(L"C:\\Temp\\single.run", "\\Windows\\x.exe\r\n");
  ExpectStart(L"\\Temp\\single.run", L"-caller", L"", L"C:\\windows\\x.exe",
              "missing second line");

  WriteFile(L"C:\\Temp\\lf.run", "\\Temp\\doc.ftst\nnot used\nthird line\n");
  ExpectStart(L"\\Temp\\LF.RUN", nullptr, L"\\Temp\\doc.ftst", L"C:\\windows\\notes.exe",
              "run file naming a document, extension in upper case");

  WriteFile(L"C:\\Temp\\outer.run", "\\Temp\\inner.run\r\n-outer\r\n");
  WriteFile(L"C:\\Temp\\inner.run", "\\Windows\\x.exe\r\n\\%CE5%\\x -inner\r\n");
  ExpectStart(L"\\Temp\\outer.run", L"-caller", L"\\%CE5%\\x -inner", L"C:\\windows\\x.exe",
              "run file naming a run file; no macros in line 2");

  WriteFile(L"C:\\Temp\\macro.run", "\\%CE15%\\..\\x.exe\r\n-m\r\n");
  ExpectStart(L"\\Temp\\macro.run", nullptr, L"-m", L"C:\\windows\\x.exe",
              "macros expanded in line 1");

  // The run file is closed again: opened without sharing, it could not be deleted.
  EXPECT_TRUE(DeleteFileW(L"C:\\Temp\\crlf.run"));
}

TEST_F(LaunchTest, BrokenRunFilesAreReported)
{
  ExpectFailure(L"\\Temp\\missing.run", nullptr, L"Cannot open .RUN file", L"00000002",
                "missing run file");

  WriteFile(L"C:\\Temp\\oneline.run", "\\Windows\\x.exe");
  ExpectFailure(L"\\Temp\\oneline.run", nullptr, L"Cannot read .RUN file", L"00000026",
                "one line without end");
  EXPECT_TRUE(DeleteFileW(L"C:\\Temp\\oneline.run")) << "closed after a failed read";

  WriteFile(L"C:\\Temp\\empty.run", "");
  ExpectFailure(L"\\Temp\\empty.run", nullptr, L"Cannot read .RUN file", L"00000026",
                "empty run file");

  WriteFile(L"C:\\Temp\\noext.run", "\\Windows\\prog\r\n-a\r\n");
  ExpectFailure(L"\\Temp\\noext.run", nullptr, L"File has no extension", L"\\Windows\\prog",
                "run file naming a path without extension");

  // Held open elsewhere without sharing: the launcher cannot open it.
  WriteFile(L"C:\\Temp\\locked.run", "\\Windows\\x.exe\r\n");
  HANDLE lock = CreateFileW(L"C:\\Temp\\locked.run", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  ExpectFailure(L"\\Temp\\locked.run", nullptr, L"Cannot open .RUN file", L"00000020",
                "run file in use");
  CloseHandle(lock);
}

TEST_F(LaunchTest, ShortcutsGiveTheProgramAndTheirArguments)
{
  MakeDirectory(L"C:\\Temp\\a b");
  InstallRecorder(L"C:\\Temp\\a b\\x.exe");

  WriteFile(L"C:\\Temp\\quoted.lnk", Shortcut("\"\\Temp\\a b\\x.exe\" -y"));
  // The argument text keeps the blank after the quote; the template adds one more and
  // the command line loses one.
  ExpectStart(L"\\Temp\\quoted.lnk", L"-caller", L" -y", L"C:\\Temp\\a b\\x.exe",
              "quoted path with arguments");

  WriteFile(L"C:\\Temp\\plain.lnk", Shortcut("\\Windows\\x.exe"));
  ExpectStart(L"\\Temp\\plain.lnk", L"-caller", L"-caller", L"C:\\windows\\x.exe",
              "no quotes or blanks: the caller's arguments stay");

  WriteFile(L"C:\\Temp\\blank.lnk", Shortcut("\\Windows\\x.exe -z 1") + "\r\n");
  ExpectStart(L"\\Temp\\blank.lnk", L"-caller", L"-z 1", L"C:\\windows\\x.exe",
              "unquoted path with arguments");

  WriteFile(L"C:\\Temp\\onlyquoted.lnk", Shortcut("\"\\Windows\\x.exe\""));
  ExpectStart(L"\\Temp\\onlyquoted.lnk", L"-caller", L"", L"C:\\windows\\x.exe",
              "quoted path alone gives an empty argument text");

  WriteFile(L"C:\\Temp\\outer.lnk", Shortcut("\\Temp\\plain.lnk -outer"));
  ExpectStart(L"\\Temp\\OUTER.LNK", L"-caller", L"-outer", L"C:\\windows\\x.exe",
              "shortcut naming a shortcut");

  WriteFile(L"C:\\Temp\\fromrun.lnk", Shortcut("\\Temp\\plain.lnk"));
  WriteFile(L"C:\\Temp\\viarun.run", "\\Temp\\fromrun.lnk\r\n-fromrun\r\n");
  ExpectStart(L"\\Temp\\viarun.run", L"-caller", L"-fromrun", L"C:\\windows\\x.exe",
              "run file naming a shortcut");
}

TEST_F(LaunchTest, AShortcutToARunFileIsADocumentOfItsAssociation)
{
  WriteFile(L"C:\\Temp\\target.run", "\\Windows\\x.exe\r\n-never\r\n");
  WriteFile(L"C:\\Temp\\torun.lnk", Shortcut("\\Temp\\target.run"));
  ASSERT_FALSE(test::KeyPresent(HKEY_CLASSES_ROOT, L".run"));
  ExpectFailure(L"\\Temp\\torun.lnk", nullptr, L"Extension not registered", L".run",
                "no .run association");

  Associate(L".run", L"FerroltTest.RunFile", L"notes.exe %1");
  ExpectStart(L"\\Temp\\torun.lnk", nullptr, L"\\Temp\\target.run", L"C:\\windows\\notes.exe",
              "run file handed to its association, not opened");
}

TEST_F(LaunchTest, BrokenShortcutsAreReported)
{
  ExpectFailure(L"\\Temp\\missing.lnk", nullptr, L"Cannot resolve shortcut", L"00000002",
                "missing shortcut");

  WriteFile(L"C:\\Temp\\bad.lnk", "40#\\Windows\\x.exe");
  ExpectFailure(L"\\Temp\\bad.lnk", nullptr, L"Cannot resolve shortcut", L"0000000B",
                "count does not match");

  WriteFile(L"C:\\Temp\\long.lnk", Shortcut(std::string(300, 'a') + ".exe"));
  ExpectFailure(L"\\Temp\\long.lnk", nullptr, L"Cannot resolve shortcut", L"0000007A",
                "target longer than a path");

  WriteFile(L"C:\\Temp\\noext.lnk", Shortcut("\"\\Windows\\prog\" -a"));
  ExpectFailure(L"\\Temp\\noext.lnk", nullptr, L"File has no extension", L"\\Windows\\prog",
                "target without extension");
}

TEST_F(LaunchTest, LinkChainsStopAfterSixteenLinks)
{
  // A chain of sixteen run files is followed to its end.
  for (int i = 1; i <= 17; ++i) {
    std::string next = i < 16 ? "\\Temp\\chain" + std::to_string(i + 1) + ".run"
                              : "\\Windows\\x.exe";
    WriteFile(L"C:\\Temp\\chain" + std::to_wstring(i) + L".run", next + "\r\n-" + std::to_string(i) + "\r\n");
  }
  ExpectStart(L"\\Temp\\chain1.run", nullptr, L"-16", L"C:\\windows\\x.exe", "sixteen links");

  // One more is refused, naming the file it did not open.
  WriteFile(L"C:\\Temp\\chain16.run", "\\Temp\\chain17.run\r\n-16\r\n");
  WriteFile(L"C:\\Temp\\chain17.run", "\\Windows\\x.exe\r\n-17\r\n");
  ExpectFailure(L"\\Temp\\chain1.run", nullptr, L"Too many .RUN or shortcut links",
                L"\\Temp\\chain17.run", "seventeen links");

  WriteFile(L"C:\\Temp\\self.run", "\\Temp\\self.run\r\n");
  ExpectFailure(L"\\Temp\\self.run", nullptr, L"Too many .RUN or shortcut links",
                L"\\Temp\\self.run", "run file naming itself");

  WriteFile(L"C:\\Temp\\ping.lnk", Shortcut("\\Temp\\pong.lnk"));
  WriteFile(L"C:\\Temp\\pong.lnk", Shortcut("\\Temp\\ping.lnk"));
  ExpectFailure(L"\\Temp\\ping.lnk", nullptr, L"Too many .RUN or shortcut links",
                L"\\Temp\\ping.lnk", "shortcuts naming each other");

  // Run files and shortcuts count together.
  WriteFile(L"C:\\Temp\\toloop.run", "\\Temp\\pong.lnk\r\n");
  ExpectFailure(L"\\Temp\\toloop.run", nullptr, L"Too many .RUN or shortcut links",
                L"\\Temp\\ping.lnk", "run file into a shortcut loop");
}

TEST_F(LaunchTest, PathsWithoutExtensionOrAssociationAreReported)
{
  // Nothing is opened: a folder of that name would not be mistaken for a program.
  ExpectFailure(L"\\Windows\\prog", nullptr, L"File has no extension", L"\\Windows\\prog",
                "no dot");
  ExpectFailure(L"\\My.Dir\\prog", nullptr, L"Extension not registered", L".Dir\\prog",
                "dot in a directory name");
  ExpectFailure(L"\\Temp\\doc.ftnone", nullptr, L"Extension not registered", L".ftnone",
                "unknown extension");

  test::SetString(HKEY_CLASSES_ROOT, L".ftnoclass", L"Other", L"value");
  keys_.push_back(L".ftnoclass");
  ExpectFailure(L"\\Temp\\doc.ftnoclass", nullptr, L"Association not found", L".ftnoclass",
                "extension without class name");

  test::SetString(HKEY_CLASSES_ROOT, L".ftnocmd", L"", L"FerroltTest.NoCommand");
  test::SetString(HKEY_CLASSES_ROOT, L"FerroltTest.NoCommand\\Shell\\Open", L"", L"x");
  keys_.push_back(L".ftnocmd");
  keys_.push_back(L"FerroltTest.NoCommand");
  ExpectFailure(L"\\Temp\\doc.ftnocmd", nullptr, L"Association not found",
                L"FerroltTest.NoCommand\\Shell\\Open\\Command", "class without open command");

  test::SetString(HKEY_CLASSES_ROOT, L"FerroltTest.NoCommand\\Shell\\Open\\Command", L"Named",
                  L"notes.exe %1");
  ExpectFailure(L"\\Temp\\doc.ftnocmd", nullptr, L"Association not found",
                L"FerroltTest.NoCommand\\Shell\\Open\\Command", "command key without default value");

  test::SetDword(HKEY_CLASSES_ROOT, L"FerroltTest.NoCommand\\Shell\\Open\\Command", L"", 7);
  ExpectFailure(L"\\Temp\\doc.ftnocmd", nullptr, L"Association not found",
                L"FerroltTest.NoCommand\\Shell\\Open\\Command", "default value not a text");
}

TEST_F(LaunchTest, TheExecutableEndsAtItsQuoteOrBlank)
{
  // The document itself is the program: a template of "%1" alone.
  InstallRecorder(L"C:\\Temp\\self.ftone");
  Associate(L".ftone", L"FerroltTest.Alone", L"%1");
  ExpectStart(L"\\Temp\\self.ftone", L"-dropped", L"", L"C:\\Temp\\self.ftone",
              "no blank after the executable");

  Associate(L".ftquote", L"FerroltTest.Quote", L"\"%1 %*");
  ExpectFailure(L"\\Temp\\dir\\doc.ftquote", L"-a", L"Cannot execute application",
                L"err: 0000007B, doc.ftquote -a Not Found!!!", "opening quote without its closing quote");

  Associate(L".ftqexe", L"FerroltTest.QuotedExe", L"\"notes.exe\" %1");
  ExpectStart(L"\\Temp\\doc.ftqexe", nullptr, L"\\Temp\\doc.ftqexe", L"C:\\windows\\notes.exe",
              "quoted bare name lives in \\Windows");
}

TEST_F(LaunchTest, AMissingExecutableIsReportedWithItsName)
{
  ExpectFailure(L"\\Windows\\nothere.exe", L"-a", L"Cannot execute application",
                L"err: 00000002, nothere.exe Not Found!!!", "missing program");

  Associate(L".ftgone", L"FerroltTest.Gone", L"gone.exe %1");
  ExpectFailure(L"\\Temp\\doc.ftgone", nullptr, L"Cannot execute application",
                L"err: 00000002, gone.exe Not Found!!!", "template naming a missing program");
}

TEST_F(LaunchTest, ResultsThatDoNotFitAreRefused)
{
  std::wstring longArguments(300, L'a');
  ExpectFailure(L"\\Windows\\x.exe", longArguments.c_str(), L"Command too long",
                L"\\Windows\\x.exe", "arguments too long for the command line");
  std::wstring fullCommand(519, L'b');
  ExpectFailure(L"\\Windows\\x.exe", fullCommand.c_str(), L"Command too long",
                L"\\Windows\\x.exe", "a full Command value");
  // Just fits: "\"\Windows\x.exe\" " is 17 characters.
  std::wstring fitting(242, L'c');
  ExpectStart(L"\\Windows\\x.exe", fitting.c_str(), fitting, L"C:\\windows\\x.exe",
              "longest arguments that fit");

  std::wstring macroPath = L"\\Temp\\" + std::wstring(240, L'd') + L"\\%CE15%\\x.exe";
  ExpectFailure(macroPath.c_str(), nullptr, L"Command too long", macroPath,
                "folder too long for the path");

  std::wstring longName = std::wstring(247, L'e') + L".exe";
  Associate(L".ftlong", L"FerroltTest.LongName", longName);
  ExpectFailure(L"\\Temp\\doc.ftlong", nullptr, L"Command too long", longName,
                "no room for the \\Windows prefix");

  std::wstring longProgram = L"\\Temp\\" + std::wstring(260, L'f') + L".exe";
  ExpectFailure(longProgram.c_str(), nullptr, L"Command too long",
                longProgram.substr(0, TEXT_CAPACITY - 1), "program text too long");

  WriteFile(L"C:\\Temp\\macro.run", "\\Temp\\" + std::string(240, 'g') + "\\%CE15%\\x.exe\r\n");
  ExpectFailure(L"\\Temp\\macro.run", nullptr, L"Command too long",
                L"\\Temp\\" + std::wstring(240, L'g') + L"\\%CE15%\\x.exe", "run file line too long");
}

TEST_F(LaunchTest, CommandTemplatesFillTheWholeBuffer)
{
  for (size_t length : {258u, 259u}) {
    std::wstring arguments(length - 10, L'h');
    Associate(L".ftfull", L"FerroltTest.Full", L"notes.exe " + arguments);
    ExpectStart(L"\\Temp\\doc.ftfull", nullptr, arguments, L"C:\\windows\\notes.exe",
                ("template of " + std::to_string(length) + " characters").c_str());
  }
  test::SetUnterminatedString(HKEY_CLASSES_ROOT, L"FerroltTest.Full\\Shell\\Open\\Command", L"",
                              std::wstring(260, L'h'));
  ExpectFailure(L"\\Temp\\doc.ftfull", nullptr, L"Association not found",
                L"FerroltTest.Full\\Shell\\Open\\Command", "260 characters without terminator");
}

TEST_F(LaunchTest, MacrosInTheProgramPathAreExpanded)
{
  ExpectStart(L"\\%CE15%\\..\\x.exe", L"-f", L"-f", L"C:\\windows\\x.exe", "fonts folder");

  wchar_t startup[MAX_PATH] = {0};
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, startup, CSIDL_STARTUP, FALSE));
  std::wstring parked = std::wstring(startup) + L".away";
  ASSERT_TRUE(MoveFileW(startup, parked.c_str()));
  // The macro stays, visibly, in what is started.
  test::BoxAnswerer boxes;
  bool started = LaunchCommand(L"\\%CE4%\\doc.ftst", nullptr);
  Received received = WaitForRecord();
  MoveFileW(parked.c_str(), startup);
  EXPECT_TRUE(started);
  ASSERT_TRUE(received.started);
  EXPECT_EQ(L"\\%CE4%\\doc.ftst", received.commandLine);
  EXPECT_EQ(0u, boxes.Count());
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(LaunchTest, AFailureBringsTheHiddenMainWindowBack)
{
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = PlainWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"FerroltLaunchTestMain";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowW(L"FerroltLaunchTestMain", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                              200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, window);
  ASSERT_FALSE(IsWindowVisible(window));
  g_app.mainWindow = window;
  int platformBox = g_dialogs.platformMessageBox;
  UsePlatformMessageBox();

  {
    test::BoxAnswerer boxes;
    EXPECT_TRUE(LaunchCommand(L"\\Windows\\x.exe", nullptr));
    EXPECT_TRUE(WaitForRecord().started);
    EXPECT_FALSE(IsWindowVisible(window)) << "a launch leaves the window alone";
  }
  {
    test::BoxAnswerer boxes;
    EXPECT_FALSE(LaunchCommand(L"\\Windows\\prog", nullptr));
    EXPECT_EQ(1u, boxes.Count()) << Narrow(boxes.Captions());
    EXPECT_TRUE(IsWindowVisible(window));
  }

  g_dialogs.platformMessageBox = platformBox;
  g_app.mainWindow = nullptr;
  DestroyWindow(window);
  UnregisterClassW(L"FerroltLaunchTestMain", GetModuleHandleW(nullptr));
}

}  // namespace
