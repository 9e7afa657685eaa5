// FerroltCheck /log on event logs collected from a device: the summary of a known pair of
// rotated files given in either order, the same as JSON, and files a reset damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/CheckerRun.h"
#include "tests/support/TestSupport.h"

namespace {

const char *const kOlder[] = {
    "2026-12-07 07:59:58 LAUNCH entry=\"Scanner\" key=\"Prog1\" configuration=\"Default\" "
    "by=\"restart\" target=\"\\Program Files\\scan.exe\" arguments=\"/depot\"",
    "2026-12-07 08:00:00 END how=\"exit by the user\"",
    "2026-12-08 08:00:01 START version=\"1.70.00\" platform=\"Windows CE\" screen=\"240x320\" "
    "command=\"\"",
    "2026-12-08 08:00:01 PROFILE profile=\"Depot\" key=\"Software\\OrvantLLC\\Ferrolt\\Profiles\\Depot\"",
    "2026-12-08 08:00:03 LAUNCH entry=\"Scanner\" key=\"Prog1\" configuration=\"Default\" "
    "by=\"auto-start\" target=\"\\Program Files\\scan.exe\" arguments=\"/depot\"",
};

const char *const kNewer[] = {
    "2026-12-08 08:10:00 PROGRAM-END entry=\"Scanner\" key=\"Prog1\" configuration=\"Default\" "
    "exit=C0000005",
    "2026-12-08 08:10:02 LAUNCH entry=\"Scanner\" key=\"Prog1\" configuration=\"Default\" "
    "by=\"restart\" target=\"\\Program Files\\scan.exe\" arguments=\"/depot\"",
    "2026-12-08 08:10:05 PROGRAM-END entry=\"Scanner\" key=\"Prog1\" configuration=\"Default\" "
    "exit=C0000005",
    "2026-12-08 08:10:07 LAUNCH entry=\"Scanner\" key=\"Prog1\" configuration=\"Default\" "
    "by=\"restart\" target=\"\\Program Files\\scan.exe\" arguments=\"/depot\"",
    "2026-12-08 08:10:09 CRASH-LOOP entry=\"Scanner\" key=\"Prog1\" configuration=\"Default\" "
    "exit=C0000005 ends=3 seconds=60",
    "2026-12-08 08:10:09 MESSAGE caption=\"Ferrolt Warning\" text=\"Scanner ended 3 times "
    "within 60 seconds and is not started again (last exit code C0000005). Start it from the "
    "launcher to try again.\"",
    "2026-12-08 09:00:00 LAUNCH entry=\"Stock \"\"A\"\"\" key=\"Prog2\" configuration=\"Default\" "
    "by=\"user\" target=\"\\Windows\\nothere.exe\" arguments=\"\"",
    "2026-12-08 09:00:00 MESSAGE caption=\"Error\" text=\"Cannot execute application\" "
    "detail=\"err: 00000002, nothere.exe Not Found!!!\"",
    "2026-12-08 09:00:00 LAUNCH-FAILED entry=\"Stock \"\"A\"\"\" key=\"Prog2\" "
    "configuration=\"Default\" by=\"user\" reason=\"Cannot execute application\" code=00000002",
    "2026-12-08 09:05:00 PASSWORD prompt=\"exit\" result=\"wrong\" tries=1",
    "2026-12-08 09:05:00 MESSAGE caption=\"Error\" text=\"Wrong password\"",
    "2026-12-08 09:05:10 PASSWORD prompt=\"exit\" result=\"wrong\" tries=5 locked=60",
    "2026-12-08 09:05:10 MESSAGE caption=\"Error\" text=\"Wrong password\"",
    "2026-12-08 09:05:20 PASSWORD prompt=\"exit\" result=\"locked out\"",
    "2026-12-08 10:00:00 IDLE-HOME from=\"Service\" levels=1 seconds=300",
    "2026-12-08 10:00:00 BACK from=\"Service\" to=\"Default\" reason=\"idle\"",
    "2026-12-08 11:00:00 START version=\"1.70.00\" platform=\"Windows Mobile\" "
    "screen=\"480x640\" command=\"Depot\"",
    "2026-12-08 11:00:00 PROFILE profile=\"Depot\" key=\"Software\\OrvantLLC\\Ferrolt\\Profiles\\Depot\"",
    "2026-12-08 11:30:00 BACK from=\"Tools\" to=\"Default\" reason=\"failure\"",
    "2026-12-08 11:40:00 PASSWORD prompt=\"entry\" entry=\"Service\" result=\"wrong\" tries=1",
    "2026-12-08 11:41:00 PASSWORD prompt=\"entry\" entry=\"Service\" result=\"not checked\"",
    "2026-12-08 11:50:00 UPDATE-REJECTED file=\"bad.reg\" digest=\"00ff\" reason=\"The "
    "script is cut: its last line has no line end\" errors=1",
    "2026-12-08 11:51:00 UPDATE-APPLIED file=\"good.reg\" digest=\"11ee\"",
    "2026-12-08 12:00:00 PASSWORD prompt=\"exit\" result=\"right\"",
    "2026-12-08 12:00:00 END how=\"exit by the user\"",
};

template <size_t N>
std::string LogBytes(const char *const (&lines)[N])
{
  std::string bytes;
  for (const char *line : lines)
    bytes += std::string(line) + "\r\n";
  return bytes;
}

bool HasLine(const std::vector<std::string> &lines, const std::string &line)
{
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Joined(const std::vector<std::string> &lines)
{
  std::string all;
  for (const std::string &line : lines)
    all += line + "\n";
  return all;
}

TEST(EventLogReader, SummarisesAKnownLogFromBothFilesInEitherOrder)
{
  std::wstring older = test::WriteScript(L"Ferrolt.log.1", LogBytes(kOlder));
  std::wstring newer = test::WriteScript(L"Ferrolt.log", LogBytes(kNewer));
  for (bool olderFirst : {true, false}) {
    SCOPED_TRACE(olderFirst);
    test::CheckerRun run = test::RunChecker(
        L"/log \"" + (olderFirst ? older : newer) + L"\" \"" + (olderFirst ? newer : older) + L"\"");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    std::vector<std::string> lines = test::Lines(run.output);
    // The events in the order they happened, as written.
    ASSERT_GE(lines.size(), 29u) << run.output;
    for (size_t i = 0; i < 5; ++i)
      EXPECT_EQ(kOlder[i], lines[i]);
    for (size_t i = 0; i < 24; ++i)
      EXPECT_EQ(kNewer[i], lines[5 + i]);
    const char *const summary[] = {
        "3 runs:",
        "  (began before the log) to 2026-12-07 08:00:00: exit by the user",
        "  2026-12-08 08:00:01 to 2026-12-08 10:00:00: profile \"Depot\", version 1.70.00, "
        "Windows CE, screen 240x320: no end: the launcher started again (reset, power loss or "
        "crash)",
        "  2026-12-08 11:00:00 to 2026-12-08 12:00:00: profile \"Depot\", version 1.70.00, "
        "Windows Mobile, screen 480x640: exit by the user",
        "  Default\\Prog1 \"Scanner\": 4 starts (0 by the user, 1 auto-start, 3 restarts); 3 ends "
        "of the kept program (exit codes C0000005, C0000005, C0000005); 1 crash-loop stop (last "
        "exit code C0000005)",
        "  Default\\Prog2 \"Stock \"A\"\": 1 start (1 by the user, 0 auto-start, 0 restarts); 1 "
        "failure: Cannot execute application (code 00000002)",
        "  exit: 1 right, 2 wrong, 0 cancelled, 1 lock-out, 1 refused while locked out",
        "  entry Service: 0 right, 1 wrong, 0 cancelled, 0 lock-outs, 0 refused while locked out, 1 "
        "not checked (the device's cryptography failed)",
        "Idle returns home: 1 (from Service 1)",
        "Configurations left after a failure: Tools 1",
        "Configuration updates: 1 applied, 1 rejected (The script is cut: its last line has no "
        "line end 1)",
        "  2  \"Wrong password\" (Error)",
        "  1  \"Cannot execute application\" (Error)",
    };
    for (const char *line : summary)
      EXPECT_TRUE(HasLine(lines, line)) << line << "\n" << run.output;
    std::string all = Joined(lines);
    EXPECT_LT(all.find("  2  \"Wrong password\""), all.find("  1  \"Cannot execute"));
    EXPECT_NE(std::string::npos, all.find("Ferrolt.log.1: 5 events, read to the end"));
    EXPECT_NE(std::string::npos, all.find("Ferrolt.log: 25 events, read to the end"));
  }

  test::CheckerRun json = test::RunChecker(L"/log /json \"" + older + L"\" \"" + newer + L"\"");
  EXPECT_EQ(0u, json.exitCode);
  for (const char *part :
       {"\"kind\": \"CRASH-LOOP\"", "\"crashLoopExitCodes\": [\"C0000005\"]",
        "\"label\": \"Stock \\\"A\\\"\"", "{\"reason\": \"Cannot execute application\", \"code\": "
                                          "\"00000002\"}",
        "\"how\": \"exit by the user\", \"endLogged\": true",
        "{\"prompt\": \"exit\", \"right\": 1, \"wrong\": 2, \"cancelled\": 0, \"lockOuts\": 1, "
        "\"refusedWhileLockedOut\": 1, \"noValidPassword\": 0, \"notChecked\": 0}",
        "\"idleReturns\": {\"count\": 1", "\"stopped\": null",
        "\"updates\": {\"applied\": 1, \"rejected\": 1, \"reasons\": [{\"reason\": \"The script is cut"})
    EXPECT_NE(std::string::npos, json.output.find(part)) << part << "\n" << json.output;
}

TEST(EventLogReader, CountsTheNetworkWaitsAndExitActionsOfAnEntry)
{
  const char *const log[] = {
      "2026-12-08 08:00:01 START version=\"1.70.00\" platform=\"Windows CE\" screen=\"240x320\" "
      "command=\"\"",
      "2026-12-08 08:01:01 WAIT entry=\"Term\" key=\"Prog1\" configuration=\"Default\" "
      "by=\"auto-start\" for=\"network\" seconds=60 ended=\"timed out\"",
      "2026-12-08 08:01:01 LAUNCH entry=\"Term\" key=\"Prog1\" configuration=\"Default\" "
      "by=\"auto-start\" target=\"\\term.exe\" arguments=\"\"",
      "2026-12-08 08:30:00 PROGRAM-END entry=\"Term\" key=\"Prog1\" configuration=\"Default\" "
      "exit=00000BC2",
      "2026-12-08 08:30:12 EXIT-ACTION entry=\"Term\" key=\"Prog1\" configuration=\"Default\" "
      "exit=00000BC2 action=\"reboot\" result=\"cancelled\"",
      "2026-12-08 08:40:00 WAIT entry=\"Term\" key=\"Prog1\" configuration=\"Default\" "
      "by=\"user\" for=\"network\" seconds=4 ended=\"network\"",
      "2026-12-08 08:50:00 EXIT-ACTION entry=\"Term\" key=\"Prog1\" configuration=\"Default\" "
      "exit=00000000 action=\"home\"",
  };
  std::wstring path = test::WriteScript(L"Ferrolt.log", LogBytes(log));
  test::CheckerRun run = test::RunChecker(L"/log \"" + path + L"\"");
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(HasLine(test::Lines(run.output),
                      "  Default\\Prog1 \"Term\": 1 start (0 by the user, 1 auto-start, 0 "
                      "restarts); 1 end of the kept program (exit codes 00000BC2); 2 waits for the "
                      "network (1 timed out); exit actions: reboot after 00000BC2 (cancelled), "
                      "home after 00000000"))
      << run.output;
  test::CheckerRun json = test::RunChecker(L"/log /json \"" + path + L"\"");
  EXPECT_NE(std::string::npos,
            json.output.find("\"networkWaits\": 2, \"networkTimeouts\": 1, \"exitActions\": "
                             "[\"reboot after 00000BC2 (cancelled)\", \"home after 00000000\"]"))
      << json.output;
}

// A reset while a line was written: the file is read up to the damage, which is named with
// its line and byte, and the run that was going on has no end.
TEST(EventLogReader, ReadsADamagedFileUpToTheDamageAndSaysWhere)
{
  std::string whole = LogBytes(kOlder);
  size_t fourth = 0;
  for (int line = 0; line < 3; ++line)
    fourth = whole.find('\n', fourth) + 1;
  struct Row {
    const char *what;
    std::string bytes;
    std::string stop;
  };
  const Row rows[] = {
      {"cut in the middle of a line", whole.substr(0, fourth + 30),
       "stopped at line 4 (byte " + std::to_string(fourth) +
           "): the last line is cut: it has no line end"},
      {"zero bytes instead of a line",
       whole.substr(0, fourth) + std::string(40, '\0') + "\r\n" + whole.substr(fourth),
       "stopped at line 4 (byte " + std::to_string(fourth) +
           "): zero bytes instead of text (the device was reset while writing)"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    std::wstring file = test::WriteScript(L"damaged.log", row.bytes);
    test::CheckerRun run = test::RunChecker(L"/log \"" + file + L"\"");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(1u, run.exitCode) << run.output;
    std::vector<std::string> lines = test::Lines(run.output);
    ASSERT_GE(lines.size(), 3u) << run.output;
    for (size_t i = 0; i < 3; ++i)
      EXPECT_EQ(kOlder[i], lines[i]);
    EXPECT_TRUE(HasLine(lines, "  2026-12-08 08:00:01 to 2026-12-08 08:00:01: version 1.70.00, "
                               "Windows CE, screen 240x320: no end in the log (still running, "
                               "or the log stops)"))
        << run.output;
    EXPECT_NE(std::string::npos, run.output.find("damaged.log: 3 events, " + row.stop))
        << run.output;
  }
}

}  // namespace
