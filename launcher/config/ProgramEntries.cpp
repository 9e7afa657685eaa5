// The entry table of the current configuration.
#include "launcher/config/ProgramEntries.h"

EntryTable g_entries;

void ClearProgramEntries()
{
  ZeroMemory(&g_entries, sizeof(g_entries));
}

bool FindProgramKeys(const wchar_t *configurationKeyPath)
{
  return true;
}

bool LoadProgramEntries(const wchar_t *configurationKeyPath)
{
  return true;
}

void CheckProgramEntries() {}
void WarnSequenceGap() {}
