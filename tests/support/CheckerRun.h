#pragma once
// Running the configuration checker as a process, the way administrators and CI run it.
#include <windows.h>

#include <string>
#include <vector>

namespace test {

struct CheckerRun {
  bool finished = false;  // false: it did not start, or was killed after the time-out
  DWORD exitCode = 0;
  std::string output;     // standard output, as printed
};

// What every check of a fleet without an UpdateKey says once, after the script's name.
extern const char kUnsignedWarning[];

// Runs FerroltCheck.exe with the given arguments and collects its standard output; input,
// when given, is piped to its standard input.
CheckerRun RunChecker(const std::wstring &arguments, DWORD timeoutMs = 60000,
                      const std::string &input = std::string());
// Writes a script file of these bytes into a folder of the tests' own; returns its path.
std::wstring WriteScript(const std::wstring &fileName, const std::string &bytes);
// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string &text);

}  // namespace test
