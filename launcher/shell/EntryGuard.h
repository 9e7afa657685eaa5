#pragma once
// Entries behind a password: a protected program asks before it starts, a protected call
// before its configuration is entered. Inside, the entries without a password of their
// own do not ask; Back, or the idle return home, leaves, and entering again asks again.
#include <windows.h>

#include "launcher/shell/PasswordPrompt.h"

// How asking for an entry's password ended.
enum EntryPasswordOutcome {
  ENTRY_OPEN = 0,       // the entry has no password: nothing was asked
  ENTRY_RIGHT,          // the right password was given
  ENTRY_WRONG,          // a wrong one ("Wrong password" was shown)
  ENTRY_LOCKED,         // too many wrong answers lately: refused without asking
  ENTRY_CANCELLED,      // Cancel, or the panel closed by the launcher
  ENTRY_REFUSED,        // its Password is not a valid hash, or the platform could not
                        // check what was typed: refused, and said so
};

struct EntryGuardState {
  // One count for every entry password of the run: the same password usually guards
  // several entries, and a count of each would let a guesser try five times a minute on
  // every one of them.
  PasswordTries tries;
  // The Call text of the protected call entry the user has just opened: entering a
  // protected configuration needs it, so a message posted from outside cannot.
  const wchar_t *grantedCall;
};
extern EntryGuardState g_entryGuard;

// The one place an entry's password is asked: for the entry at index of the table, if it
// has one. Programs started by AutoStart or restarted by KeepRunning never come here.
int AskEntryPassword(int index);
// Whether the pick of the entry at index may go on (asking for its password if it has one).
bool ConfirmEntryPick(int index);
// The call entry whose text this is was picked (and its password given): its
// configuration is about to be entered.
void GrantCall(const wchar_t *call);
// Whether the Call text (of an entry of the current table) may be entered now; takes the
// grant a protected call left.
bool TakeCallGrant(const wchar_t *call);
// The table is about to change: a grant left would name another entry's text.
void ForgetCallGrant();
