#pragma once
// Icons and hot keys of the program entries.
#include <windows.h>

extern bool g_hotKeysRegistered;  // cleared when any registration failed
// Cleared by a tool that reads configurations without showing them (the checker):
// LoadEntryIcons then loads no icon at all.
extern bool g_entryIconsWanted;

int LoadEntryIcons();
int RegisterEntryHotKeys();
int UnregisterEntryHotKeys();
