#pragma once
// The entry table: program and call entries of the current configuration, followed by
// the items the presentation adds (About, Exit, Return).
#include <windows.h>

#include "Common/StdFuncs.h"
#include "launcher/config/PasswordHash.h"
#include "launcher/config/StartRules.h"

enum {
  MAX_PROGRAM_ENTRIES = 16,
  ENTRY_TABLE_SLOTS = MAX_PROGRAM_ENTRIES + 3,  // room for the three added items
  KEY_NAME_CAPACITY = 30,
  PROGRAM_KEY_SCAN_LIMIT = 64,  // sub-keys of Programs read in one pass before opening by name
};

// Icon resources used for entries and added items.
enum {
  ICON_PROGRAM = 417, ICON_ABOUT = 423, ICON_RETURN = 424, ICON_CALL = 425,
  ICON_EXIT = 427, ICON_ARROW_UP = 428, ICON_ARROW_DOWN = 429, ICON_DEFAULT_ENTRY = 442,
};

struct ProgramEntry {
  wchar_t name[TEXT_CAPACITY];
  wchar_t description[TEXT_CAPACITY];
  wchar_t command[COMMAND_CAPACITY];
  wchar_t call[TEXT_CAPACITY];
  LONG isCall;
  LONG hotKey;
  LONG hotKeyModifiers;
  LONG icon;
  LONG autoStart;    // AutoStart: 1 starts it with the launcher (home configuration only)
  LONG keepRunning;  // KeepRunning: 1 starts it again when its program ends
  LONG passwordState;     // Password: PASSWORD_NONE, _SET or _INVALID (KioskSettings.h)
  PasswordHash password;  // the stored hash when set
  StartRules rules;       // StartDelay, NeedsNetwork, NetworkName, ExitActions
  HICON smallIcon;
  HICON largeIcon;
};

struct EntryTable {
  ProgramEntry entries[ENTRY_TABLE_SLOTS];
  LONG count;           // program entries, and the added items once appended
  LONG programCount;    // program entries alone
  wchar_t keyNames[MAX_PROGRAM_ENTRIES][KEY_NAME_CAPACITY];
  int gapFlag;
};
extern EntryTable g_entries;

void ClearProgramEntries();
// Destroys an entry's icon when the entry owns it, and forgets it.
void ReleaseEntryIcon(HICON *icon);
bool FindProgramKeys(const wchar_t *configurationKeyPath);
// The name of numbered key n ("Prog3").
void ProgramKeyName(int n, wchar_t name[KEY_NAME_CAPACITY]);
bool LoadProgramEntries(const wchar_t *configurationKeyPath);
// Reads the values of one numbered key, opened once (null when it could not be opened:
// every value is then reported with keyPath and reads as empty).
void ReadProgramEntry(HKEY key, const wchar_t *keyPath, ProgramEntry *entry);
void CheckProgramEntries();
void WarnSequenceGap();
