// Asking for an entry's password, and the grant that lets its configuration be entered.
#include "launcher/shell/EntryGuard.h"

#include "Common/StdInit.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/shell/LauncherLog.h"
#include "resources/resource.h"

EntryGuardState g_entryGuard;

static bool IsProgramEntry(int index)
{
  return index >= 0 && index < g_entries.programCount && index < MAX_PROGRAM_ENTRIES;
}

// The label the user sees for an entry.
static const wchar_t *EntryLabel(const ProgramEntry &entry)
{
  if (entry.description[0] != 0)
    return entry.description;
  return entry.isCall ? entry.call : entry.name;
}

int AskEntryPassword(int index)
{
  if (!IsProgramEntry(index))
    return ENTRY_OPEN;
  const ProgramEntry &entry = g_entries.entries[index];
  if (entry.passwordState == PASSWORD_NONE)
    return ENTRY_OPEN;
  const wchar_t *label = EntryLabel(entry);
  if (entry.passwordState != PASSWORD_SET) {
    LogPasswordOutcome(L"entry", label, PASSWORD_NOT_VALID, &g_entryGuard.tries);
    wchar_t message[TEXT_CAPACITY];
    FormatStringById(message, TEXT_CAPACITY, TEXT_ID(IDS_BAD_ENTRY_PASSWORD),
                     static_cast<ULONG_PTR>(index + 1));
    ShowErrorMessage(message, 0);
    return ENTRY_REFUSED;
  }
  // The prompt names the entry as the user sees it.
  wchar_t prompt[TEXT_CAPACITY];
  FormatStringById(prompt, TEXT_CAPACITY, TEXT_ID(IDS_ENTRY_PASSWORD_PROMPT),
                   reinterpret_cast<ULONG_PTR>(label));
  // The table may be loaded again while the panel is open (a rotation): the hash is
  // asked against a copy of its own, and the log names the entry from a copy too.
  wchar_t logged[TEXT_CAPACITY];
  CopyText(logged, TEXT_CAPACITY, label);
  PasswordHash hash = entry.password;
  int depth = g_app.stackDepth;
  int answer = ConfirmPassword(prompt, &hash, &g_entryGuard.tries);
  SecureZeroMemory(&hash, sizeof(hash));
  LogPasswordOutcome(L"entry", logged, answer, &g_entryGuard.tries);
  // A configuration left or entered meanwhile holds other entries at that place.
  if (answer == PASSWORD_RIGHT && depth != g_app.stackDepth)
    return ENTRY_CANCELLED;
  switch (answer) {
  case PASSWORD_RIGHT: return ENTRY_RIGHT;
  case PASSWORD_WRONG: return ENTRY_WRONG;
  case PASSWORD_LOCKED: return ENTRY_LOCKED;
  case PASSWORD_UNCHECKED: return ENTRY_REFUSED;
  default: return ENTRY_CANCELLED;
  }
}

bool ConfirmEntryPick(int index)
{
  int outcome = AskEntryPassword(index);
  return outcome == ENTRY_OPEN || outcome == ENTRY_RIGHT;
}

void GrantCall(const wchar_t *call)
{
  g_entryGuard.grantedCall = call;
}

void ForgetCallGrant()
{
  g_entryGuard.grantedCall = nullptr;
}

bool TakeCallGrant(const wchar_t *call)
{
  bool granted = g_entryGuard.grantedCall == call;
  g_entryGuard.grantedCall = nullptr;
  for (LONG i = 0; i < g_entries.programCount && i < MAX_PROGRAM_ENTRIES; ++i) {
    const ProgramEntry &entry = g_entries.entries[i];
    if (entry.isCall && entry.call == call)
      return entry.passwordState == PASSWORD_NONE || granted;
  }
  return false;
}
