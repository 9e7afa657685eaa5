#pragma once
// Turns an entry's program and argument texts into a running process.
#include <windows.h>

#include "Common/StdFuncs.h"

enum { MAX_LINK_CHAIN = 16 };  // run files and shortcuts followed before giving up

// What a launch that failed reported: its message and, when the platform refused a step,
// the error code.
struct LaunchFailure {
  wchar_t message[TEXT_CAPACITY];
  DWORD code;
  bool hasCode;
};

// With process given, the process handle is handed to the caller, who then owns it;
// otherwise it is closed at once. With failure given, a failure is described there.
bool LaunchCommand(const wchar_t *program, const wchar_t *arguments, HANDLE *process = nullptr,
                   LaunchFailure *failure = nullptr);
// The first step of a launch: the program copied into path (TEXT_CAPACITY characters),
// its path macros expanded and its extension taken; false with the message shown.
bool PrepareProgramPath(const wchar_t *program, wchar_t *path, wchar_t *extension);
// In place, within TEXT_CAPACITY characters; false when a result would not fit.
bool ExpandPathMacros(wchar_t *path);
bool ReadTextLine(HANDLE file, wchar_t *buffer);
// In place, within TEXT_CAPACITY characters; false when the result would not fit.
bool QualifyWindowsExe(wchar_t *path);
