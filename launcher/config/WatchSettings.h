#pragma once
// The settings of the programs that start with the launcher or are kept running: the
// profile's AutoStartDelay and each entry's AutoStart and KeepRunning.
#include <windows.h>

enum { AUTO_START_DELAY_DEFAULT = 1000, AUTO_START_DELAY_MAX = 60000 };

// 0 to 60,000 milliseconds are allowed.
bool IsAllowedAutoStartDelay(DWORD milliseconds);

// Reads AutoStartDelay from the profile key: the default when missing; a value that is not
// allowed is reported as the other setting checks do and read as the default.
DWORD ReadAutoStartDelay();

// An entry's AutoStart or KeepRunning by the rule the check reports by: 1 only for a
// REG_DWORD of four bytes holding 1; anything else is off (0).
LONG ReadStartOption(HKEY entryKey, const wchar_t *keyPath, const wchar_t *valueName);

// Reports each AutoStart and KeepRunning value of the configuration's entries that is not
// a REG_DWORD 0 or 1 (such a value counts as off), each Password that is not a valid hash
// (such an entry is refused), and each faulty start or end rule (StartRules.h), numbered by
// the entry's position.
void CheckEntryStartOptions(HKEY profileKey, const wchar_t *configurationName);
