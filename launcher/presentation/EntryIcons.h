#pragma once
// Icons and hot keys of the program entries.
#include <windows.h>

extern bool g_hotKeysRegistered;  // cleared when any registration failed

int LoadEntryIcons();
int RegisterEntryHotKeys();
int UnregisterEntryHotKeys();
