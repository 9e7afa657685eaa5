// Times FerroltCheck /preview on a profile of 16 configurations (a picture and the page
// for each), beside the check alone and a process that only starts and exits.
#include <windows.h>

#include "bench/support/BenchSupport.h"

#include <stdio.h>
#include <wchar.h>

#include <string>
#include <vector>

enum { CONFIGURATIONS = 16, RUNS = 3, PATH_CAPACITY = 1024 };

static const char *const kModes[] = {"Menu Bars", "Details", "List", "Small Icons", "Large Icons"};

static std::wstring Folder()
{
  wchar_t path[PATH_CAPACITY];
  DWORD length = GetModuleFileNameW(nullptr, path, PATH_CAPACITY);
  std::wstring folder(path, length < PATH_CAPACITY ? length : 0);
  return folder.substr(0, folder.find_last_of(L'\\'));
}

// Default calls the 15 others; each shows its own mode and 8 entries.
static std::vector<std::string> Settings(int configuration)
{
  return {std::string("\"Mode\"=\"") + kModes[configuration % 5] + "\"",
          "\"TitleBar\"=\"Bench\"", "\"TitleBarContext\"=dword:00000001"};
}

static int Entries(int configuration) { return configuration == 0 ? CONFIGURATIONS - 1 : 8; }

int wmain(int argc, wchar_t **argv)
{
  if (argc > 1 && wcscmp(argv[1], L"/nothing") == 0)
    return 0;
  std::wstring folder = Folder();
  std::wstring script = folder + L"\\bench-preview.reg";
  std::wstring pictures = folder + L"\\bench-preview";
  WriteBenchFile(script, BenchProfileScript(CONFIGURATIONS, Settings, Entries, "\r\n"));

  std::wstring self = L"\"" + folder + L"\\bench_preview.exe\" /nothing";
  std::wstring checker = L"\"" + folder + L"\\..\\FerroltCheck.exe\" ";
  std::wstring preview = checker + L"/preview \"" + pictures + L"\" \"" + script + L"\"";
  double floor = MedianRunMilliseconds(self, RUNS);
  double checkOnly = MedianRunMilliseconds(checker + L"\"" + script + L"\"", RUNS);
  double work = MedianRunMilliseconds(preview, RUNS);
  int made = 0;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((pictures + L"\\*.png").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do
      ++made;
    while (FindNextFileW(search, &found));
    FindClose(search);
  }
  printf("preview of %d configurations (%d pictures made): %.0f ms; the check alone: %.0f ms; "
         "a process that only starts and exits: %.0f ms; ratio %.1f\n",
         CONFIGURATIONS, made, work, checkOnly, floor, floor > 0 ? work / floor : 0.0);
  return made == CONFIGURATIONS ? 0 : 1;
}
