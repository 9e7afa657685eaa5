#pragma once
// Where the ARM images and ce-run are for the tests that run them: FERROLT_DEVICE_IMAGES
// names the folder of the images (default: the build's "device" folder), FERROLT_CE_RUN the
// ce-run program (default: the build's "ce-run\ce-run.exe.so").
#include <windows.h>

#include <string>

namespace device {

// A folder named by an environment variable, else the fallback.
std::wstring FromVariable(const wchar_t *name, const std::wstring &fallback);
std::wstring Images();  // ends with a backslash
std::wstring CeRun();
// ce-run running the image's launcher, with its command line.
std::wstring LauncherCommand(const std::wstring &arguments = L"");
// ce-run running a program of the folder, with its command line; its exit code, or -1
// when it did not end in time.
int RunImage(const std::wstring &image, const std::wstring &arguments, DWORD timeoutMs);

}  // namespace device
