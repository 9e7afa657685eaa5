#pragma once
// The launcher's start-up sequence, from the command line to the running message loop.
#include <windows.h>

int RunLauncher(HINSTANCE instance, const wchar_t *commandLine);
