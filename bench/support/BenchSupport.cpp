#include "bench/support/BenchSupport.h"

#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <algorithm>

DWORD BenchUnixPid()
{
  wchar_t text[32];
  DWORD length = GetEnvironmentVariableW(L"FERROLT_BENCH_PID", text, 32);
  if (length == 0 || length >= 32)
    return 0;
  return static_cast<DWORD>(wcstoul(text, nullptr, 10));
}

bool ReadServerRoundTrips(ULONGLONG *count)
{
  // Wine opens the file in this process, so /proc/self is this program when run.sh
  // passes no process id.
  static wchar_t path[64];
  if (path[0] == 0) {
    DWORD pid = BenchUnixPid();
    if (pid == 0)
      wcscpy(path, L"Z:\\proc\\self\\io");
    else
      swprintf(path, 64, L"Z:\\proc\\%lu\\io", static_cast<unsigned long>(pid));
  }
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  char text[512];
  DWORD got = 0;
  BOOL read = ReadFile(file, text, sizeof text - 1, &got, nullptr);
  CloseHandle(file);
  if (!read)
    return false;
  text[got] = 0;
  const char *line = strstr(text, "syscw:");
  if (line == nullptr)
    return false;
  *count = strtoull(line + 6, nullptr, 10);
  return true;
}

static double Now()
{
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// What one reading of the counter costs in round trips.
static double ReadingCost()
{
  static double cost = -1;
  if (cost >= 0)
    return cost;
  ULONGLONG first = 0, second = 0;
  cost = 0;
  if (ReadServerRoundTrips(&first) && ReadServerRoundTrips(&second))
    cost = static_cast<double>(second - first);
  return cost;
}

Figure MeasureRounds(void (*work)(void *), void *context, int rounds)
{
  double cost = ReadingCost();
  ULONGLONG before = 0, after = 0;
  bool counted = ReadServerRoundTrips(&before);
  double start = Now();
  for (int i = 0; i < rounds; ++i)
    work(context);
  double end = Now();
  counted = ReadServerRoundTrips(&after) && counted;
  Figure figure;
  figure.milliseconds = (end - start) / rounds;
  figure.roundTrips = counted ? (static_cast<double>(after - before) - cost) / rounds : -1;
  return figure;
}

void MeasurePhases(void (*const *phases)(void *), int count, void *context, int rounds,
                   Figure *figures)
{
  double cost = ReadingCost();
  std::vector<double> trips(count, 0.0), times(count, 0.0);
  bool counted = true;
  for (int r = 0; r < rounds; ++r)
    for (int i = 0; i < count; ++i) {
      ULONGLONG before = 0, after = 0;
      counted = ReadServerRoundTrips(&before) && counted;
      double start = Now();
      phases[i](context);
      times[i] += Now() - start;
      counted = ReadServerRoundTrips(&after) && counted;
      trips[i] += static_cast<double>(after - before) - cost;
    }
  for (int i = 0; i < count; ++i) {
    figures[i].milliseconds = rounds > 0 ? times[i] / rounds : 0;
    figures[i].roundTrips = counted && rounds > 0 ? trips[i] / rounds : -1;
  }
}

void PrintHeader(const char *title)
{
  printf("%s\n", title);
  printf("  %-34s %12s %10s | %12s %10s | %6s %6s\n", "", "round trips", "ms", "floor trips",
         "floor ms", "x trips", "x ms");
}

void PrintFigure(const char *what, const Figure &figure, const Figure &floor)
{
  double tripRatio = floor.roundTrips > 0 ? figure.roundTrips / floor.roundTrips : 0;
  double timeRatio = floor.milliseconds > 0 ? figure.milliseconds / floor.milliseconds : 0;
  printf("  %-34s %12.0f %10.2f | %12.0f %10.2f | %6.2f %6.2f\n", what, figure.roundTrips,
         figure.milliseconds, floor.roundTrips, floor.milliseconds, tripRatio, timeRatio);
  fflush(stdout);
}

void PumpPending()
{
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

static HKEY CreateKey(const wchar_t *path)
{
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

void BenchSetText(const wchar_t *path, const wchar_t *name, const wchar_t *text)
{
  HKEY key = CreateKey(path);
  if (key == nullptr)
    return;
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                 static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void BenchSetNumber(const wchar_t *path, const wchar_t *name, DWORD value)
{
  HKEY key = CreateKey(path);
  if (key == nullptr)
    return;
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
  RegCloseKey(key);
}

HICON BenchShellIcon(const wchar_t *path, UINT sizeFlag)
{
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(path, 0, &info, sizeof info, SHGFI_ICON | sizeFlag))
    return nullptr;
  return info.hIcon;
}

std::string BenchProfileScript(int configurations, std::vector<std::string> (*settings)(int),
                               int (*entries)(int), const char *lineEnd)
{
  const std::string profile = "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt\\Profiles\\Bench\\";
  std::string script = std::string("REGEDIT4") + lineEnd +
                       "[HKEY_CURRENT_USER\\Software\\OrvantLLC\\Ferrolt]" + lineEnd +
                       "\"ActiveProfile\"=\"Bench\"" + lineEnd;
  for (int c = 0; c < configurations; ++c) {
    std::string name = c == 0 ? "Default" : "Screen" + std::to_string(c);
    script += profile + name + "\\Settings]" + lineEnd;
    for (const std::string &line : settings(c))
      script += line + lineEnd;
    for (int e = 1; e <= entries(c); ++e) {
      script += profile + name + "\\Programs\\Prog" + std::to_string(e) + "]" + lineEnd;
      script += "\"Description\"=\"Entry " + std::to_string(e) + "\"" + lineEnd;
      if (c == 0 && e < configurations)
        script += "\"Call\"=\"Screen" + std::to_string(e) + "\"" + lineEnd;
      else
        script += std::string("\"Name\"=\"\\\\Windows\\\\notepad.exe\"") + lineEnd;
    }
  }
  return script;
}

bool WriteBenchFile(const std::wstring &path, const std::string &bytes)
{
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return wrote && written == bytes.size();
}

static double RunMilliseconds(const std::wstring &commandLine)
{
  std::wstring line = commandLine;
  SECURITY_ATTRIBUTES inherited = {sizeof(inherited), nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0,
                           nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                nullptr, nullptr, &startup, &process);
  if (nul != INVALID_HANDLE_VALUE)
    CloseHandle(nul);
  if (!started)
    return -1.0;
  WaitForSingleObject(process.hProcess, 120000);
  QueryPerformanceCounter(&end);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

double MedianRunMilliseconds(const std::wstring &commandLine, int runs)
{
  std::vector<double> times;
  for (int i = 0; i < runs; ++i)
    times.push_back(RunMilliseconds(commandLine));
  std::sort(times.begin(), times.end());
  return times.empty() ? 0.0 : times[times.size() / 2];
}
