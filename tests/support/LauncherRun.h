#pragma once
// Runs the whole launcher in the test's own thread, from its start-up to WM_CLOSE, and
// records what a user would have seen: every message, the title and every item text.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace test {

struct LauncherRun {
  int exitCode = -1;
  bool shown = false;           // a configuration was on screen at least once
  bool watchdogClosed = false;  // the launcher had to be closed because it never settled
  std::vector<Box> boxes;       // platform message boxes and framework dialogs, in order
  // Each time the launcher settled: the window title, then every item text.
  std::vector<std::vector<std::wstring>> screens;
  std::wstring Describe() const;  // the boxes and screens, for failure messages
  // True when some text of the screen (the last one for -1) contains the part.
  bool ScreenShows(int screen, const std::wstring &part) const;
  bool BoxSaid(const std::wstring &text) const;  // a box's caption or text equals text
};

// Writes a value of any type and size under HKEY_CURRENT_USER.
void SetRawValue(const std::wstring &path, const std::wstring &name, DWORD type,
                 const std::string &bytes);

// Starts the launcher with the command line and waits until it settles (a configuration
// shown, no dialog open). Then each step runs in turn, each after the launcher settled
// again; finally WM_CLOSE is sent. Every message is answered with OK. A launcher that does
// not settle within limitMs is closed and marked watchdogClosed.
LauncherRun RunLauncherHere(const std::wstring &commandLine,
                            const std::vector<std::function<void()>> &steps = {},
                            DWORD limitMs = 8000);

// True when every character is one a screen shows (no control characters).
bool IsPrintableText(const std::wstring &text);
// The first recorded text or message that is not printable; empty when all are.
std::wstring FirstUnprintable(const LauncherRun &run);

}  // namespace test
