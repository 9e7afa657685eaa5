// Times a check of a 16-configuration profile with 16 entries each by FerroltCheck, beside
// the floor: the same program started to do nothing but print its usage and end.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

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

  double floor = Median(checker + L" /?");
  double check = Median(checker + L" \"" + script + L"\"");
  printf("checker: %d configurations x %d entries, median of %d runs\n", CONFIGURATIONS, ENTRIES,
         ROUNDS);
  printf("  start and exit only      %8.1f ms\n", floor);
  printf("  check of the profile     %8.1f ms\n", check);
  printf("  above the floor          %8.1f ms (target: under 50 ms)\n", check - floor);
  DeleteFileW(script.c_str());
  return 0;
}
