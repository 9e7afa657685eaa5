// Times a check of a 16-configuration profile with 16 entries each by FerroltCheck, beside
// the floor: the same program started to do nothing but print its usage and end. Under Wine
// every registry or file call is a round trip to the Wine server, which machine load does
// not move; the same check run in this process counts them (the write calls of this
// process, syscw in its /proc entry), beside the round trips of reading that counter.
#include <windows.h>

#include "bench/support/BenchSupport.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "checker/ConfigurationWalk.h"

enum { ROUNDS = 7, CONFIGURATIONS = 16, ENTRIES = 16 };

static std::string Script()
{
  const std::string profile = "HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Bench";
  std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt]\n"
                     "\"ActiveProfile\"=\"Bench\"\n";
  for (int c = 0; c < CONFIGURATIONS; ++c) {
    std::string name = c == 0 ? "Default" : "Screen" + std::to_string(c);
    text += "\n[" + profile + "\\" + name + "\\Settings]\n\"Mode\"=\"Menu Bars\"\n"
            "\"TitleBar\"=\"Bench\"\n\"MenuItemHeight\"=dword:00000028\n";
    for (int e = 1; e <= ENTRIES; ++e) {
      text += "[" + profile + "\\" + name + "\\Programs\\Prog" + std::to_string(e) + "]\n";
      text += "\"Description\"=\"Entry " + std::to_string(e) + "\"\n";
      // The home screen calls every other one; the others start programs.
      if (c == 0 && e < CONFIGURATIONS)
        text += "\"Call\"=\"Screen" + std::to_string(e) + "\"\n";
      else
        text += "\"Name\"=\"\\\\Windows\\\\notepad.exe\"\n";
    }
  }
  return text;
}

static double RunMilliseconds(const std::wstring &commandLine)
{
  std::wstring line = commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    CloseHandle(nul);
    return -1;
  }
  WaitForSingleObject(process.hProcess, 120000);
  QueryPerformanceCounter(&end);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(nul);
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

static double Median(const std::wstring &commandLine)
{
  std::vector<double> times;
  for (int i = 0; i < ROUNDS; ++i)
    times.push_back(RunMilliseconds(commandLine));
  std::sort(times.begin(), times.end());
  return times[ROUNDS / 2];
}

// Round trips of one check of the script, run in this process, less those of reading the
// counter; -1 when they cannot be counted.
static double CheckRoundTrips(const std::wstring &script, size_t *findings)
{
  check::CheckOptions options;
  options.script = script;
  ULONGLONG first = 0, second = 0, before = 0, after = 0;
  if (!ReadServerRoundTrips(&first) || !ReadServerRoundTrips(&second))
    return -1;
  ReadServerRoundTrips(&before);
  check::CheckReport report;
  check::CheckScript(options, &report);
  ReadServerRoundTrips(&after);
  *findings = report.findings.size();
  for (const check::CheckedProfile &profile : report.profiles)
    for (const check::CheckedConfiguration &configuration : profile.configurations)
      *findings += configuration.findings.size();
  return static_cast<double>(after - before) - static_cast<double>(second - first);
}

int wmain()
{
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring folder(module);
  folder.erase(folder.find_last_of(L'\\'));
  std::wstring checker = L"\"" + folder + L"\\..\\FerroltCheck.exe\"";

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring script = std::wstring(temp) + L"bench_checker.reg";
  std::string text = Script();
  HANDLE file = CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);

  size_t findings = 0;
  double trips = CheckRoundTrips(script, &findings);
  double floor = Median(checker + L" /?");
  double check = Median(checker + L" \"" + script + L"\"");
  printf("checker: %d configurations x %d entries, median of %d runs\n", CONFIGURATIONS, ENTRIES,
         ROUNDS);
  printf("  start and exit only      %8.1f ms\n", floor);
  printf("  check of the profile     %8.1f ms\n", check);
  printf("  above the floor          %8.1f ms (target: under 50 ms)\n", check - floor);
  printf("  one check in this process %7.0f round trips to the Wine server (%u findings)\n",
         trips, static_cast<unsigned>(findings));
  DeleteFileW(script.c_str());
  return 0;
}
