#pragma once
// The exit password: every way out that the device user can reach asks for it first.
#include <windows.h>

#include "launcher/config/PasswordHash.h"
#include "launcher/shell/PasswordPrompt.h"

struct ExitGuardState {
  int passwordState;     // EXIT_PASSWORD_NONE, _SET or _INVALID (KioskSettings.h)
  PasswordHash hash;
  PasswordTries tries;   // its own: a slip at a service entry never blocks the way out
};
extern ExitGuardState g_exitGuard;

// Reads ExitPassword once at start-up (its message, if any, shows then).
void ReadExitGuard();
// Asks for the password when one is set; true when the user's exit may go on. A value
// that is not a valid hash never lets the user out.
bool ConfirmUserExit();
