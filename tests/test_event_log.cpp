// The event log on the device: what a run writes, read back with the checker's reader;
// the bound and the rotation over thousands of events; a log that cannot be written;
// LogSize; and the lines themselves at their limits.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Common/EventLog.h"
#include "Common/StdInit.h"
#include "checker/EventLogReader.h"
#include "launcher/config/PasswordHash.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/launch/ProgramWatch.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "tests/support/LauncherHarness.h"
#include "tests/support/LauncherRun.h"

namespace {

const wchar_t kLogPath[] = L"C:\\Application\\Ferrolt\\Ferrolt.log";
const wchar_t kOlderPath[] = L"C:\\Application\\Ferrolt\\Ferrolt.log.1";
const wchar_t kProgram[] = L"C:\\Temp\\watched.exe";
const wchar_t kPassword[] = L"4711-secret";
const wchar_t kWrongPassword[] = L"guess-9876";

DWORD FileSize(const wchar_t *path)
{
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
    return 0;
  return data.nFileSizeLow;
}

bool Exists(const wchar_t *path)
{
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// The log files that exist, older first, as the checker reads them.
eventlog::Reading ReadBack()
{
  std::vector<std::wstring> files;
  for (const wchar_t *path : {kOlderPath, kLogPath})
    if (Exists(path))
      files.push_back(path);
  return eventlog::ReadLogs(files);
}

std::string Describe(const eventlog::Reading &reading)
{
  std::string all;
  for (const eventlog::Event &event : reading.events)
    all += event.text + "\n";
  for (const eventlog::Stop &stop : reading.stops)
    all += "stopped at line " + std::to_string(stop.line) + ": " + stop.reason + "\n";
  return all;
}

// The events of a kind whose fields hold every given name and value.
int CountEvents(const eventlog::Reading &reading, const std::string &kind,
                const std::vector<std::pair<std::string, std::wstring>> &fields = {})
{
  int count = 0;
  for (const eventlog::Event &event : reading.events) {
    bool match = event.kind == kind;
    for (const auto &field : fields)
      match = match && event.Has(field.first) && event.Field(field.first) == field.second;
    count += match ? 1 : 0;
  }
  return count;
}

std::string Narrow(const std::wstring &text)
{
  return std::string(text.begin(), text.end());
}

void ClearLogFolder()
{
  for (const wchar_t *path : {kLogPath, kOlderPath}) {
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path);
    RemoveDirectoryW(path);
  }
  CreateDirectoryW(L"C:\\Application", nullptr);
  CreateDirectoryW(L"C:\\Application\\Ferrolt", nullptr);
}

// The launcher's main window in the test's thread, driven step by step.
class EventLog : public test::LauncherTest {
protected:
  void SetUp() override
  {
    LauncherTest::SetUp();
    ClearLogFolder();
  }
  void TearDown() override
  {
    LauncherTest::TearDown();
    g_watch.restartPauseMs = RESTART_PAUSE_MS;
    ClearLogFolder();
  }
  std::wstring Program(const std::wstring &configuration, int number) const
  {
    return kProfile + L"\\" + configuration + L"\\Programs\\Prog" + std::to_wstring(number);
  }
};

// The whole launcher from its start-up to WM_CLOSE, over the profile "Kiosk": a home
// screen with Notes and a program that cannot be started.
class EventLogRun : public ::testing::Test {
protected:
  const std::wstring kProduct = L"Software\\OrvantLLC\\Ferrolt";
  const std::wstring kProfile = kProduct + L"\\Profiles\\Kiosk";

  void SetUp() override
  {
    test::ClearLauncherRegistry();
    ClearLogFolder();
    test::SetDword(HKEY_CURRENT_USER, kProfile, L"FullScreen", 0);
    test::SetString(HKEY_CURRENT_USER, kProfile + L"\\Default\\Settings", L"Mode", L"Details");
    AddProgram(1, L"Notes", L"\\Windows\\notepad.exe");
    AddProgram(2, L"Broken", L"\\Windows\\nothere.exe");
  }
  void TearDown() override
  {
    test::ClearLauncherRegistry();
    ClearLogFolder();
  }
  void AddProgram(int number, const wchar_t *description, const wchar_t *name)
  {
    std::wstring key = kProfile + L"\\Default\\Programs\\Prog" + std::to_wstring(number);
    test::SetString(HKEY_CURRENT_USER, key, L"Description", description);
    test::SetString(HKEY_CURRENT_USER, key, L"Name", name);
  }
  test::LauncherRun Run(const std::vector<std::function<void()>> &steps = {})
  {
    ClearProgramEntries();  // as a process starts
    return test::RunLauncherHere(L"Kiosk", steps);
  }
};

// One run: an auto-started kept program that crashes until its restarts stop, a start
// that fails, a configuration that fails to be entered, a wrong and a right exit password
// and an idle return home. Every kind of event is in the file, and nothing of a password.
TEST_F(EventLog, ARunWritesEveryKindOfEventAndNothingOfThePassword)
{
  CreateDirectoryW(L"C:\\Temp", nullptr);
  ASSERT_TRUE(CopyFileW((test::BuildDir() + L"tests\\watched_program.exe").c_str(), kProgram,
                        FALSE));
  g_watch.restartPauseMs = 100;
  const std::wstring hash = test::PasswordValue(kPassword);
  test::SetString(HKEY_CURRENT_USER, kProduct, L"ExitPassword", hash);
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"IdleHomeSeconds", 10);
  test::SetDword(HKEY_CURRENT_USER, kProfile, L"AutoStartDelay", 0);
  test::DeleteTree(HKEY_CURRENT_USER, kProfile + L"\\Default\\Programs");
  AddProgram(L"Default", 1, L"Crasher", kProgram);
  test::SetString(HKEY_CURRENT_USER, Program(L"Default", 1), L"Command", L"crasher crash");
  test::SetDword(HKEY_CURRENT_USER, Program(L"Default", 1), L"AutoStart", 1);
  test::SetDword(HKEY_CURRENT_USER, Program(L"Default", 1), L"KeepRunning", 1);
  AddProgram(L"Default", 2, L"Broken", L"\\Windows\\nothere.exe");
  AddProgram(L"Default", 3, L"Tools", L"", L"Tools");
  AddConfiguration(L"Tools");
  AddProgram(L"Tools", 1, L"Home again", L"", L"Default");

  Start();
  ASSERT_TRUE(PumpUntil([this] { return boxes.Count() >= 1; }, 30000)) << "no crash-loop stop";
  ActivateItem(1);
  ASSERT_TRUE(PumpUntil([this] { return dialogs.Messages().size() >= 1; }));
  ActivateItem(2);
  ASSERT_TRUE(PumpUntil([] { return g_app.stackDepth == 1 && g_app.presentationWindow; }));
  ActivateItem(0);  // Default is on the way already: refused, back to Tools
  ASSERT_TRUE(PumpUntil([this] { return boxes.Count() >= 2 && g_app.presentationWindow; }));
  Pump(200);
  dialogs.Type(kWrongPassword);
  SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_QUIT, 0);
  Pump(200);
  ASSERT_EQ(1, g_app.stackDepth);
  g_app.clockOffset += 11 * 1000;
  ASSERT_TRUE(PumpUntil([] { return g_app.stackDepth == 0 && g_app.presentationWindow; }));
  dialogs.Type(kPassword);
  SendMessageW(g_app.mainWindow, WM_COMMAND, CMD_QUIT, 0);
  ASSERT_TRUE(PumpUntil([this] { return !Running(); }));

  eventlog::Reading log = ReadBack();
  std::string all = Describe(log);
  EXPECT_TRUE(log.stops.empty()) << all;
  EXPECT_EQ(1, CountEvents(log, "START", {{"version", L"1.70.00"}, {"platform", L"Windows CE"}}))
      << all;
  EXPECT_EQ(1, CountEvents(log, "PROFILE", {{"profile", L"Kiosk"}})) << all;
  EXPECT_EQ(1, CountEvents(log, "LAUNCH", {{"entry", L"Crasher"}, {"key", L"Prog1"},
                                           {"configuration", L"Default"},
                                           {"by", L"auto-start"}, {"target", kProgram},
                                           {"arguments", L"crasher crash"}}))
      << all;
  EXPECT_EQ(2, CountEvents(log, "LAUNCH", {{"entry", L"Crasher"}, {"by", L"restart"}})) << all;
  EXPECT_EQ(2, CountEvents(log, "PROGRAM-END", {{"entry", L"Crasher"}, {"exit", L"C0000005"}}))
      << all;
  EXPECT_EQ(1, CountEvents(log, "CRASH-LOOP", {{"entry", L"Crasher"}, {"exit", L"C0000005"}}))
      << all;
  EXPECT_EQ(1, CountEvents(log, "LAUNCH", {{"entry", L"Broken"}, {"by", L"user"}})) << all;
  EXPECT_EQ(1, CountEvents(log, "LAUNCH-FAILED",
                           {{"entry", L"Broken"}, {"reason", L"Cannot execute application"},
                            {"code", L"00000002"}}))
      << all;
  EXPECT_EQ(1, CountEvents(log, "MESSAGE", {{"caption", L"Error"},
                                            {"text", L"Cannot execute application"},
                                            {"detail", L"err: 00000002, nothere.exe Not Found!!!"}}))
      << all;
  EXPECT_EQ(1, CountEvents(log, "MESSAGE", {{"caption", L"Ferrolt Warning"}})) << all;
  EXPECT_EQ(1, CountEvents(log, "MESSAGE", {{"text", L"Repeating configuration"}})) << all;
  EXPECT_EQ(1, CountEvents(log, "BACK", {{"from", L"Default"}, {"to", L"Tools"},
                                         {"reason", L"failure"}}))
      << all;
  EXPECT_EQ(1, CountEvents(log, "PASSWORD", {{"prompt", L"exit"}, {"result", L"wrong"},
                                             {"tries", L"1"}}))
      << all;
  EXPECT_EQ(1, CountEvents(log, "MESSAGE", {{"text", L"Wrong password"}})) << all;
  EXPECT_EQ(1, CountEvents(log, "IDLE-HOME", {{"from", L"Tools"}, {"levels", L"1"}})) << all;
  EXPECT_EQ(1, CountEvents(log, "BACK", {{"from", L"Tools"}, {"to", L"Default"},
                                         {"reason", L"idle"}}))
      << all;
  EXPECT_EQ(1, CountEvents(log, "PASSWORD", {{"result", L"right"}})) << all;
  EXPECT_EQ(1, CountEvents(log, "END", {{"how", L"exit by the user"}})) << all;
  ASSERT_FALSE(log.events.empty());
  EXPECT_EQ("END", log.events.back().kind) << all;

  // Nothing the user typed, and nothing of the stored hash.
  std::string bytes = test::ReadFileBytes(kLogPath);
  for (const std::wstring &secret :
       {std::wstring(kPassword), std::wstring(kWrongPassword), hash,
        hash.substr(hash.find(L'$', hash.find(L'$') + 1) + 1, 32)})
    EXPECT_EQ(std::string::npos, bytes.find(Narrow(secret))) << Narrow(secret);
}

// Thousands of events, some longer than a small bound's line: neither file ever passes
// the bound, every line stays whole, and the two files hold the latest events in order.
TEST(EventLogBound, HeldOverThousandsOfEventsWithRotation)
{
  ClearLogFolder();
  for (DWORD bound : {1024u, 8192u}) {
    SCOPED_TRACE(bound);
    DeleteFileW(kLogPath);
    DeleteFileW(kOlderPath);
    ASSERT_TRUE(OpenEventLog(kLogPath, bound));
    const int events = 3000;
    for (int n = 0; n < events; ++n) {
      std::wstring text(static_cast<size_t>(n % 700), n % 2 ? L'\x00E9' : L'"');
      LogField fields[] = {LogDecimal("n", static_cast<DWORD>(n)), LogText("text", text.c_str())};
      LogEvent("TEST", fields);
      if (n % 250 == 0) {
        ASSERT_LE(FileSize(kLogPath), bound) << n;
        ASSERT_LE(FileSize(kOlderPath), bound) << n;
      }
    }
    EXPECT_TRUE(g_eventLog.on);
    CloseEventLog();
    EXPECT_LE(FileSize(kLogPath), bound);
    EXPECT_LE(FileSize(kOlderPath), bound);
    eventlog::Reading log = ReadBack();
    ASSERT_TRUE(log.stops.empty()) << Describe(log);
    ASSERT_GE(log.events.size(), 2u);
    EXPECT_EQ(L"2999", log.events.back().Field("n"));
    for (size_t i = 1; i < log.events.size(); ++i)
      ASSERT_EQ(std::stoi(log.events[i - 1].Field("n")) + 1, std::stoi(log.events[i].Field("n")))
          << "a gap at " << i;
  }
}

// What a reset left at the end of the file (a cut line, zeros) is dropped before the first
// event of the next run, so the file reads whole; a file that is no log at all is set aside.
TEST(EventLogTail, ALineCutByAResetIsDroppedAndAForeignFileSetAside)
{
  const std::string good = "2026-12-08 08:00:00 END how=\"exit by the user\"\r\n";
  const std::string cut = "2026-12-08 08:00:01 LAUNCH entry=\"Sc";
  struct Row {
    const char *what;
    std::string before;
    std::string kept;   // what the file holds before the new event
    std::string older;  // what is set aside
  };
  const Row rows[] = {
      {"a cut line", good + cut, good, ""},
      {"zeros after the last line", good + std::string(700, '\0'), good, ""},
      {"a cut line alone", cut, "", ""},
      {"no line end at all", std::string(3000, 'x'), "", std::string(3000, 'x')},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    ClearLogFolder();
    test::WriteFileBytes(kLogPath, row.before);
    ASSERT_TRUE(OpenEventLog(kLogPath, 64 * 1024));
    LogEvent("TEST");
    CloseEventLog();
    std::string after = test::ReadFileBytes(kLogPath);
    ASSERT_GT(after.size(), row.kept.size());
    EXPECT_EQ(row.kept, after.substr(0, row.kept.size()));
    EXPECT_EQ(" TEST\r\n", after.substr(after.size() - 7));
    EXPECT_EQ(row.kept.size() + 26, after.size());
    EXPECT_EQ(row.older, Exists(kOlderPath) ? test::ReadFileBytes(kOlderPath) : "");
  }
}

// A log that cannot be written (no folder, a folder in the file's place, a full file that
// cannot be set aside) goes quiet: the launcher starts, shows its messages and ends as
// without a log, and the file stays as it was.
TEST_F(EventLogRun, ALogThatCannotBeWrittenLeavesTheLauncherWorkingAndSilent)
{
  struct Obstacle {
    const char *what;
    void (*make)();
  };
  const Obstacle obstacles[] = {
      {"no folder", [] { RemoveDirectoryW(L"C:\\Application\\Ferrolt"); }},
      {"folder in its place", [] { CreateDirectoryW(kLogPath, nullptr); }},
      {"full, and its older name taken by a folder",
       [] {
         std::string line = "2026-12-08 08:00:00 END how=\"exit by the user\"\r\n";
         std::string full;
         while (full.size() + line.size() <= 1000)
           full += line;
         test::WriteFileBytes(kLogPath, full);
         CreateDirectoryW(kOlderPath, nullptr);
         test::WriteFileBytes(std::wstring(kOlderPath) + L"\\kept", "x");
         test::SetDword(HKEY_CURRENT_USER, L"Software\\OrvantLLC\\Ferrolt", L"LogSize", 1);
       }},
  };
  for (const Obstacle &obstacle : obstacles) {
    SCOPED_TRACE(obstacle.what);
    SetUp();
    obstacle.make();
    DWORD sizeBefore = FileSize(kLogPath);
    test::LauncherRun run = Run({[] { ActivateItem(1); }});
    EXPECT_EQ(0, run.exitCode);
    EXPECT_FALSE(run.watchdogClosed) << run.Describe().c_str();
    EXPECT_EQ(2u, run.screens.size()) << run.Describe().c_str();
    ASSERT_EQ(1u, run.boxes.size()) << run.Describe().c_str();
    EXPECT_EQ(L"Cannot execute application", run.boxes[0].caption);
    EXPECT_FALSE(g_eventLog.on);
    EXPECT_EQ(sizeBefore, FileSize(kLogPath));
    DeleteFileW((std::wstring(kOlderPath) + L"\\kept").c_str());
    TearDown();
  }
}

// LogSize: missing is 64 KB, 0 writes nothing, 1 bounds at 1 KB, anything else is reported
// at start-up (and that message is logged) and the default counts.
TEST_F(EventLogRun, LogSizeBoundsTheLogAndAFaultyValueIsReportedAtStartUp)
{
  struct Row {
    const char *what;
    DWORD type;
    std::string bytes;  // empty with type 0: no value
    bool fileWritten;
    DWORD bound;
    bool reported;
  };
  const Row rows[] = {
      {"missing", 0, "", true, 64 * 1024, false},
      {"0", REG_DWORD, std::string(4, '\0'), false, 0, false},
      {"1", REG_DWORD, std::string("\x01\0\0\0", 4), true, 1024, false},
      {"1025", REG_DWORD, std::string("\x01\x04\0\0", 4), true, 64 * 1024, true},
      {"a text", REG_SZ, std::string("6\0004\0\0\0", 6), true, 64 * 1024, true},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    SetUp();
    if (row.type != 0)
      test::SetRawValue(kProduct, L"LogSize", row.type, row.bytes);
    test::LauncherRun run = Run();
    EXPECT_EQ(row.reported, run.BoxSaid(L"LogSize must be between 0 and 1024"))
        << run.Describe().c_str();
    EXPECT_EQ(row.fileWritten, Exists(kLogPath));
    if (!row.fileWritten)
      continue;
    EXPECT_EQ(row.bound, g_eventLog.bound);
    eventlog::Reading log = ReadBack();
    EXPECT_EQ(row.reported ? 1 : 0,
              CountEvents(log, "MESSAGE", {{"text", L"LogSize must be between 0 and 1024"}}))
        << Describe(log);
    EXPECT_EQ(1, CountEvents(log, "END", {{"how", L"closed by another program"}}))
        << Describe(log);
    TearDown();
  }
}

// A line at its limits: quotes doubled, control characters as blanks, UTF-8 of every
// width, and a text too long for the line cut at a character's end with "...". The
// checker's reader reads every line back.
TEST(EventLogLine, TextsAreQuotedEncodedAndCutWithinTheLine)
{
  SYSTEMTIME time = {2026, 12, 2, 8, 9, 5, 7, 0};
  struct Row {
    const char *what;
    std::wstring text;
    int limit;
    std::wstring readBack;
  };
  const std::wstring emoji = L"\xD83D\xDE00";
  const Row rows[] = {
      {"quotes", L"say \"hi\"", LOG_LINE_CAPACITY, L"say \"hi\""},
      {"line breaks and tabs", L"a\nb\tc\r", LOG_LINE_CAPACITY, L"a b c "},
      {"every UTF-8 width", L"\x00E9\x20AC" + emoji, LOG_LINE_CAPACITY, L"\x00E9\x20AC" + emoji},
      {"a lone surrogate", std::wstring(1, L'\xD800') + L"x", LOG_LINE_CAPACITY, L"\xFFFDx"},
      // 62 bytes before the line end: 31 up to the opening quote, then nine 3-byte
      // characters, the mark and the closing quote.
      {"cut at the limit", std::wstring(100, L'\x20AC'), 64, std::wstring(9, L'\x20AC') + L"..."},
      // 46 bytes: five doubled quotes, never half of one.
      {"cut between doubled quotes", std::wstring(100, L'"'), 48, L"\"\"\"\"\"..."},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    char line[LOG_LINE_CAPACITY];
    LogField fields[] = {LogText("text", row.text.c_str()), LogCode("code", 0x1F)};
    int length = FormatLogLine(line, row.limit, time, "TEST", fields, 2);
    ASSERT_LE(length, row.limit);
    std::string bytes(line, static_cast<size_t>(length));
    ASSERT_EQ("\r\n", bytes.substr(bytes.size() - 2));
    eventlog::Reading reading;
    eventlog::ReadLogBytes(L"line", bytes, &reading);
    ASSERT_TRUE(reading.stops.empty()) << bytes << reading.stops[0].reason;
    ASSERT_EQ(1u, reading.events.size());
    EXPECT_EQ("2026-12-08 09:05:07", reading.events[0].time);
    EXPECT_EQ(row.readBack, reading.events[0].Field("text")) << bytes;
    EXPECT_EQ(row.limit == LOG_LINE_CAPACITY ? L"0000001F" : L"", reading.events[0].Field("code"));
  }
}

}  // namespace
