// Times FerroltCheck /preview on a profile of 16 configurations (a picture and the page
// for each), beside the check alone and a process that only starts and exits.
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

#include <algorithm>
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
static std::string ProfileScript()
{
  const std::string profile = "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Bench\\";
  std::string script = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt]\r\n"
                       "\"ActiveProfile\"=\"Bench\"\r\n";
  for (int c = 0; c < CONFIGURATIONS; ++c) {
    std::string name = c == 0 ? "Default" : "Screen" + std::to_string(c);
    script += profile + name + "\\Settings]\r\n\"Mode\"=\"" + kModes[c % 5] +
              "\"\r\n\"TitleBar\"=\"Bench\"\r\n\"TitleBarContext\"=dword:00000001\r\n";
    int entries = c == 0 ? CONFIGURATIONS - 1 : 8;
    for (int e = 1; e <= entries; ++e) {
      script += profile + name + "\\Programs\\Prog" + std::to_string(e) + "]\r\n";
      if (c == 0)
        script += "\"Description\"=\"Screen " + std::to_string(e) + "\"\r\n\"Call\"=\"Screen" +
                  std::to_string(e) + "\"\r\n";
      else
        script += "\"Description\"=\"Program " + std::to_string(e) +
                  "\"\r\n\"Name\"=\"\\\\Windows\\\\notepad.exe\"\r\n";
    }
  }
  return script;
}

static double RunMilliseconds(std::wstring commandLine)
{
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process))
    return -1.0;
  WaitForSingleObject(process.hProcess, 120000);
  QueryPerformanceCounter(&end);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

static double Median(std::wstring commandLine)
{
  std::vector<double> times;
  for (int i = 0; i < RUNS; ++i)
    times.push_back(RunMilliseconds(commandLine));
  std::sort(times.begin(), times.end());
  return times[RUNS / 2];
}

int wmain(int argc, wchar_t **argv)
{
  if (argc > 1 && wcscmp(argv[1], L"/nothing") == 0)
    return 0;
  std::wstring folder = Folder();
  std::wstring script = folder + L"\\bench-preview.reg";
  std::wstring pictures = folder + L"\\bench-preview";
  HANDLE file = CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  std::string text = ProfileScript();
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);

  std::wstring self = L"\"" + folder + L"\\bench_preview.exe\" /nothing";
  std::wstring checker = L"\"" + folder + L"\\..\\FerroltCheck.exe\" ";
  std::wstring preview = checker + L"/preview \"" + pictures + L"\" \"" + script + L"\"";
  double floor = Median(self);
  double checkOnly = Median(checker + L"\"" + script + L"\"");
  double work = Median(preview);
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
