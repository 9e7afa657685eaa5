// Asking for an entry's password, and the grant that lets its configuration be entered.
#include "launcher/shell/EntryGuard.h"

#include "Common/StdInit.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/config/ProgramEntries.h"
#include "resources/resource.h"

EntryGuardState g_entryGuard;

static bool IsProgramEntry(int index)
{
  return index >= 0 && index < g_entries.programCount && index < MAX_PROGRAM_ENTRIES;
}

int AskEntryPassword(int index)
{
  if (!IsProgramEntry(index))
    return ENTRY_OPEN;
  const ProgramEntry &entry = g_entries.entries[index];
  if (entry.passwordState == PASSWORD_NONE)
    return ENTRY_OPEN;
  if (entry.passwordState != PASSWORD_SET) {
    wchar_t message[TEXT_CAPACITY];
    FormatStringById(message, TEXT_CAPACITY, TEXT_ID(IDS_BAD_ENTRY_PASSWORD),
                     static_cast<ULONG_PTR>(index + 1));
    ShowErrorMessage(message, 0);
    return ENTRY_REFUSED;
  }
  // The prompt names the entry as the user sees it.
  const wchar_t *label = entry.description;
  if (label[0] == 0)
    label = entry.isCall ? entry.call : entry.name;
  wchar_t prompt[TEXT_CAPACITY];
  FormatStringById(prompt, TEXT_CAPACITY, TEXT_ID(IDS_ENTRY_PASSWORD_PROMPT),
                   reinterpret_cast<ULONG_PTR>(label));
  // The table may be loaded again while the panel is open (a rotation): the hash is
  // asked against a copy of its own.
  PasswordHash hash = entry.password;
  int depth = g_app.stackDepth;
  int answer = ConfirmPassword(prompt, &hash, &g_entryGuard.tries);
  SecureZeroMemory(&hash, sizeof(hash));
  // A configuration left or entered meanwhile holds other entries at that place.
  if (answer == PASSWORD_RIGHT && depth != g_app.stackDepth)
    return ENTRY_CANCELLED;
  switch (answer) {
  case PASSWORD_RIGHT: return ENTRY_RIGHT;
  case PASSWORD_WRONG: return ENTRY_WRONG;
  case PASSWORD_LOCKED: return ENTRY_LOCKED;
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
