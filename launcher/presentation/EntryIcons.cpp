// Icons and hot keys of the program entries.
#include "launcher/presentation/EntryIcons.h"

bool g_hotKeysRegistered = true;

int LoadEntryIcons() { return 1; }
int RegisterEntryHotKeys() { return 1; }
int UnregisterEntryHotKeys() { return 1; }
