#pragma once
// The shipped sample configuration as a device user walks it from outside the launcher's
// process: merged by the merge tool, with a recorder program on the Tools screen.
#include <windows.h>

#include <string>

namespace test {

std::wstring WindowTitle(HWND window);
bool WaitForTitle(HWND window, const std::wstring &title, DWORD timeoutMs);

// Merges the sample and puts a recorder at Tools' third entry, which writes how it was
// started into `marker`.
void PrepareSample(const wchar_t *marker);
// From the home screen: "2" enters Tools, "3" there starts the recorder with "-scan 42",
// "0" goes back home. Failures are the test's.
void WalkSampleToolsAndBack(HWND window, DWORD launcherId, const wchar_t *marker);
void CleanUpSample(const wchar_t *marker);

}  // namespace test
