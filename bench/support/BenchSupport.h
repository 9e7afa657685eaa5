#pragma once
// What the benchmarks share: counting the Wine server's round trips of this process,
// timing, and printing a figure beside its floor.
#include <windows.h>

#include <string>
#include <vector>

// The Linux process id of this program, which bench/run.sh passes in FERROLT_BENCH_PID
// (Wine runs a program in the process it was started as). 0 when unknown.
DWORD BenchUnixPid();

// Write system calls of this process so far (syscw of /proc/<pid>/io): each request to the
// Wine server is one. Returns false when the figure cannot be read.
bool ReadServerRoundTrips(ULONGLONG *count);

struct Figure {
  double roundTrips;  // per round, the cost of reading the counter taken off
  double milliseconds;
};

// Runs work the given number of rounds and returns its cost per round.
Figure MeasureRounds(void (*work)(void *), void *context, int rounds);

// Runs the phases one after the other, the given number of rounds, and returns in
// figures[i] the cost per round of phase i alone.
void MeasurePhases(void (*const *phases)(void *), int count, void *context, int rounds,
                   Figure *figures);

// Prints "what: figure | floor | ratio" in one line.
void PrintFigure(const char *what, const Figure &figure, const Figure &floor);
void PrintHeader(const char *title);

// Dispatches waiting messages, as a message loop would between two user actions.
void PumpPending();

// The shell's icon of a file (SHGFI_SMALLICON for the small one, 0 for the large one).
HICON BenchShellIcon(const wchar_t *path, UINT sizeFlag);

// Writes a text or number value below HKEY_CURRENT_USER, creating the key.
void BenchSetText(const wchar_t *path, const wchar_t *name, const wchar_t *text);
void BenchSetNumber(const wchar_t *path, const wchar_t *name, DWORD value);

// A script that makes the profile "Bench" active, with configurations "Default",
// "Screen1", "Screen2" …: the value lines of each one's Settings key come from settings,
// its number of entries from entries. Entry e of "Default" calls "Screen<e>" while there
// is one; every other entry starts \Windows\notepad.exe. Lines end with lineEnd.
std::string BenchProfileScript(int configurations, std::vector<std::string> (*settings)(int),
                               int (*entries)(int), const char *lineEnd);
// Writes bytes to a new file; false when it cannot.
bool WriteBenchFile(const std::wstring &path, const std::string &bytes);
// The median time, in milliseconds, of runs of a command line started as a process
// without a window and with its output thrown away, until it ends.
double MedianRunMilliseconds(const std::wstring &commandLine, int runs);
