#pragma once
// The setup extension's four hooks as the installer stand-in calls them: loaded from the
// library here, or those of the device's ARM image, run in the emulator ce-run (ce-run
// --setup), which answers each call on a pipe, one request and one answer a line.
#include <windows.h>

#include "cecompat/CeSetup.h"

struct Hooks {
  HMODULE module;
  pfnINSTALL_INIT installInit;
  pfnINSTALL_EXIT installExit;
  pfnUNINSTALL_INIT uninstallInit;
  pfnUNINSTALL_EXIT uninstallExit;
};

// The hooks of the library: loaded here, or, with an emulator, run in it. False (with the
// reason on standard error) when the library or one of its hooks is missing, or the emulator
// cannot be started.
bool OpenHooks(const wchar_t *emulator, const wchar_t *library, Hooks *hooks);
void CloseHooks(const Hooks &hooks);
// Ends the emulator's run of the hooks; false when it did not end cleanly. True at once
// without an emulator.
bool StopEmulator();
