#pragma once
// What the benchmarks share: counting the Wine server's round trips of this process,
// timing, and printing a figure beside its floor.
#include <windows.h>

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
