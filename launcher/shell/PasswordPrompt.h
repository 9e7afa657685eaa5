#pragma once
// The password panel that the exit and the protected entries share: a masked field, OK
// and Cancel. What is typed is checked against a stored hash and wiped at once; wrong
// answers in a row lock further tries out for a while.
#include <windows.h>

#include "Common/StdFuncs.h"
#include "launcher/config/PasswordHash.h"

enum {
  PASSWORD_TRIES = 5,            // wrong answers in a row before further tries wait
  PASSWORD_LOCK_MS = 60 * 1000,  // how long they wait
};

// How one request for a password ended.
enum PasswordOutcome {
  PASSWORD_CANCELLED = 0,  // Cancel, Escape, the panel closed by the launcher, or another open
  PASSWORD_RIGHT = 1,
  PASSWORD_WRONG = 2,      // "Wrong password" was shown
  PASSWORD_LOCKED = 3,     // refused without asking: "Too many attempts, try again later"
  PASSWORD_NOT_VALID = 4,  // refused without asking: no valid password is set
  PASSWORD_UNCHECKED = 5,  // the platform could not check what was typed: said so, not counted
};

// Wrong answers counted against one lock-out.
struct PasswordTries {
  int wrongInARow;
  DWORD lastWrongTime;  // LauncherTime() of the last wrong answer
};

struct PasswordPromptState {
  bool prompting;             // the panel is open
  bool dismissed;             // the launcher is closing it: whatever was typed counts as Cancel
  int answer;                 // PASSWORD_CANCELLED, _RIGHT, _WRONG or _UNCHECKED
  const PasswordHash *hash;   // what the typed text is checked against while it is open
  wchar_t prompt[TEXT_CAPACITY];
};
extern PasswordPromptState g_passwordPrompt;

// Asks for the password of hash with the prompt text, counting the answer in tries; shows
// the wrong-password and lock-out messages itself. A panel already open is not stacked.
int ConfirmPassword(const wchar_t *prompt, const PasswordHash *hash, PasswordTries *tries);
// The open panel, if any, is ending because the launcher closes.
void DismissPasswordPrompt();
