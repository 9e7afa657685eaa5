#pragma once
// The fixture of the tests of programs the launcher starts and watches: real processes of
// the small test program watched_program.exe, started by the real main window through its
// timer, each logging its label, process and tick count.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Common/StdInit.h"
#include "launcher/launch/ProgramWatch.h"
#include "tests/support/LauncherHarness.h"

namespace test {

inline const wchar_t kLog[] = L"C:\\Temp\\watch.log";
inline const wchar_t kProgram[] = L"C:\\Temp\\watched.exe";

struct LoggedStart {
  std::string label;
  DWORD process;
  DWORD tick;
};

class WatchTest : public test::LauncherTest {
protected:
  void SetUp() override
  {
    LauncherTest::SetUp();
    CreateDirectoryW(L"C:\\Temp", nullptr);
    DeleteFileW(kLog);
    ASSERT_TRUE(CopyFileW((test::BuildDir() + L"tests\\watched_program.exe").c_str(), kProgram,
                          FALSE));
    g_watch.restartPauseMs = 100;
  }
  void TearDown() override
  {
    LauncherTest::TearDown();
    g_watch.restartPauseMs = RESTART_PAUSE_MS;
    // Every copy still running, logged yet or not.
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
      HANDLE process = _wcsicmp(entry.szExeFile, L"watched.exe") == 0
                           ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)
                           : nullptr;
      if (process != nullptr) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 2000);
        CloseHandle(process);
      }
    }
    CloseHandle(snapshot);
    DeleteFileW(kProgram);
  }
  // Entry number of a configuration that starts the test program, which logs the label
  // and ends as `ends` says (milliseconds, or "crash").
  void AddWatched(const std::wstring &configuration, int number, const std::wstring &label,
                  const std::wstring &ends, DWORD autoStart, DWORD keepRunning)
  {
    AddProgram(configuration, number, label, kProgram);
    std::wstring key = kProfile + L"\\" + configuration + L"\\Programs\\Prog" +
                       std::to_wstring(number);
    test::SetString(HKEY_CURRENT_USER, key, L"Command", label + L" " + ends);
    test::SetDword(HKEY_CURRENT_USER, key, L"AutoStart", autoStart);
    test::SetDword(HKEY_CURRENT_USER, key, L"KeepRunning", keepRunning);
  }
  static std::vector<LoggedStart> Starts()
  {
    std::vector<LoggedStart> starts;
    std::ifstream log("C:\\Temp\\watch.log");
    LoggedStart start;
    while (log >> start.label >> start.process >> start.tick)
      starts.push_back(start);
    return starts;
  }
  bool PumpUntilStarts(size_t count, DWORD timeoutMs = 6000)
  {
    return PumpUntil([count] { return Starts().size() >= count; }, timeoutMs);
  }
  // The process's open handles, counted by asking about every small handle value (the
  // platform's own count is not kept everywhere).
  static int OpenHandles()
  {
    int count = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
      DWORD flags = 0;
      if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
        ++count;
    }
    return count;
  }
  static bool StillRuns(DWORD id)
  {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    bool runs = process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    if (process != nullptr)
      CloseHandle(process);
    return runs;
  }
  test::ScopedEnv logName_{L"FERROLT_WATCH_LOG", kLog};
};

}  // namespace test
