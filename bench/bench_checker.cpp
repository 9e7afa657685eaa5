// Times a check of a 16-configuration profile with 16 entries each by FerroltCheck, beside
// the floor: the same program started to do nothing but print its usage and end. Under Wine
// every registry or file call is a round trip to the Wine server, which machine load does
// not move; the same check run in this process counts them (the write calls of this
// process, syscw in its /proc entry), beside the round trips of reading that counter.
// It also times one run over a folder of 100 such scripts beside 100 runs of one script,
// and counts the round trips per script of those checks one after the other.
#include <windows.h>

#include "bench/support/BenchSupport.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "checker/ConfigurationWalk.h"

enum { ROUNDS = 7, CONFIGURATIONS = 16, ENTRIES = 16, FLEET = 100, FLEET_ROUNDS = 3 };

// Every configuration in Menu Bars mode with 16 entries; the home one calls the others.
static std::vector<std::string> Settings(int)
{
  return {"\"Mode\"=\"Menu Bars\"", "\"TitleBar\"=\"Bench\"", "\"MenuItemHeight\"=dword:00000028"};
}

static int Entries(int) { return ENTRIES; }

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

// Round trips per script of checks of the scripts one after the other in this process,
// as one run over many scripts makes them.
static double FleetRoundTripsPerScript(const std::vector<std::wstring> &scripts)
{
  ULONGLONG first = 0, second = 0, before = 0, after = 0;
  if (!ReadServerRoundTrips(&first) || !ReadServerRoundTrips(&second))
    return -1;
  ReadServerRoundTrips(&before);
  for (const std::wstring &script : scripts) {
    check::CheckOptions options;
    options.script = script;
    check::CheckReport report;
    check::CheckScript(options, &report);
  }
  ReadServerRoundTrips(&after);
  return (static_cast<double>(after - before) - static_cast<double>(second - first)) /
         static_cast<double>(scripts.size());
}

// A folder of 100 scripts of the profile, and how long one run over all of them takes
// beside 100 runs of one script each.
static void BenchFleet(const std::wstring &checker, const std::wstring &temp,
                       const std::string &profile)
{
  std::wstring folder = temp + L"bench_checker_fleet";
  CreateDirectoryW(folder.c_str(), nullptr);
  std::vector<std::wstring> scripts;
  for (int i = 0; i < FLEET; ++i) {
    wchar_t name[32];
    swprintf(name, 32, L"\\site%03d.reg", i);
    scripts.push_back(folder + name);
    WriteBenchFile(scripts.back(), profile);
  }
  double trips = FleetRoundTripsPerScript(scripts);
  double one = MedianRunMilliseconds(checker + L" \"" + folder + L"\"", FLEET_ROUNDS);
  double separate = 0;
  for (const std::wstring &script : scripts)
    separate += MedianRunMilliseconds(checker + L" \"" + script + L"\"", 1);
  printf("checker: %d scripts of %d configurations x %d entries\n", FLEET, CONFIGURATIONS,
         ENTRIES);
  printf("  %d separate runs           %8.1f ms\n", FLEET, separate);
  printf("  one run over the folder     %8.1f ms (median of %d; %.2f of the separate runs)\n",
         one, FLEET_ROUNDS, separate > 0 ? one / separate : 0.0);
  printf("  in this process            %8.0f round trips per script (target: at most 100)\n",
         trips);
  for (const std::wstring &script : scripts)
    DeleteFileW(script.c_str());
  RemoveDirectoryW(folder.c_str());
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
  WriteBenchFile(script, BenchProfileScript(CONFIGURATIONS, Settings, Entries, "\n"));

  size_t findings = 0;
  double trips = CheckRoundTrips(script, &findings);
  double floor = MedianRunMilliseconds(checker + L" /?", ROUNDS);
  double check = MedianRunMilliseconds(checker + L" \"" + script + L"\"", ROUNDS);
  printf("checker: %d configurations x %d entries, median of %d runs\n", CONFIGURATIONS, ENTRIES,
         ROUNDS);
  printf("  start and exit only      %8.1f ms\n", floor);
  printf("  check of the profile     %8.1f ms\n", check);
  printf("  above the floor          %8.1f ms (target: under 50 ms)\n", check - floor);
  printf("  one check in this process %7.0f round trips to the Wine server (%u findings)\n",
         trips, static_cast<unsigned>(findings));
  DeleteFileW(script.c_str());
  BenchFleet(checker, temp, BenchProfileScript(CONFIGURATIONS, Settings, Entries, "\n"));
  return 0;
}
