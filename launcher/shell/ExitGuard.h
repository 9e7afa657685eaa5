#pragma once
// The exit password: every way out that the device user can reach asks for it first.
#include <windows.h>

#include "launcher/config/PasswordHash.h"

enum {
  EXIT_PASSWORD_TRIES = 5,            // wrong answers in a row before further tries wait
  EXIT_PASSWORD_LOCK_MS = 60 * 1000,  // how long they wait
};

enum { EXIT_ANSWER_CANCEL = 0, EXIT_ANSWER_RIGHT = 1, EXIT_ANSWER_WRONG = 2 };

// The outcomes of a password prompt as the event log names them.
#define PASSWORD_RIGHT L"right"
#define PASSWORD_WRONG L"wrong"
#define PASSWORD_CANCELLED L"cancelled"
#define PASSWORD_LOCKED_OUT L"locked out"
#define PASSWORD_NOT_VALID L"no valid password"

struct ExitGuardState {
  int passwordState;     // EXIT_PASSWORD_NONE, _SET or _INVALID (KioskSettings.h)
  PasswordHash hash;
  int wrongInARow;
  DWORD lastWrongTime;   // LauncherTime() of the last wrong answer
  bool prompting;        // the password dialog is open
  bool dismissed;        // the launcher is closing it: whatever was typed counts as Cancel
  int answer;
};
extern ExitGuardState g_exitGuard;

// Reads ExitPassword once at start-up (its message, if any, shows then).
void ReadExitGuard();
// Asks for the password when one is set; true when the user's exit may go on. A value
// that is not a valid hash never lets the user out.
bool ConfirmUserExit();
// The open password dialog, if any, is ending because the launcher closes.
void DismissExitPrompt();
