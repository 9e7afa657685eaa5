// The entry table of the current configuration: finding the numbered program keys,
// reading their values, and warning about faulty entries.
#include "launcher/config/ProgramEntries.h"

#include <wchar.h>

#include "Common/StdInit.h"
#include "launcher/config/DisplaySettings.h"
#include "launcher/config/KioskSettings.h"
#include "launcher/config/KeyValueSnapshot.h"
#include "launcher/config/Profile.h"
#include "launcher/config/SettingReader.h"
#include "launcher/config/WatchSettings.h"
#include "launcher/presentation/IconCache.h"
#include "launcher/presentation/ListPresentation.h"
#include "resources/resource.h"

EntryTable g_entries;

static int UsedSlots()
{
  LONG used = g_entries.count > g_entries.programCount ? g_entries.count : g_entries.programCount;
  if (used < 0)
    return 0;
  return used > ENTRY_TABLE_SLOTS ? ENTRY_TABLE_SLOTS : static_cast<int>(used);
}

// The added items show the settings record's own icons; those are released with it.
static bool OwnedBySettings(HICON icon)
{
  return icon == g_settings.exitSmallIcon || icon == g_settings.exitLargeIcon ||
         icon == g_settings.aboutSmallIcon || icon == g_settings.aboutLargeIcon ||
         icon == g_settings.returnSmallIcon || icon == g_settings.returnLargeIcon;
}

void ReleaseEntryIcon(HICON *icon)
{
  // Shared launcher icons and kept file icons have owners of their own.
  if (*icon != nullptr && !OwnedBySettings(*icon) && !IsKeptIcon(*icon))
    DestroyIcon(*icon);
  *icon = nullptr;
}

void ClearProgramEntries()
{
  int used = UsedSlots();
  for (int i = 0; i < used; ++i) {
    ReleaseEntryIcon(&g_entries.entries[i].smallIcon);
    ReleaseEntryIcon(&g_entries.entries[i].largeIcon);
  }
  ReleaseHeaderBitmap(&g_settings);
  ZeroMemory(&g_entries, sizeof(g_entries));
}

static void ShowKeyNotFound(const wchar_t *path)
{
  wchar_t message[TEXT_CAPACITY];
  FormatStringById(message, TEXT_CAPACITY, TEXT_ID(IDS_KEY_NOT_FOUND),
                   reinterpret_cast<ULONG_PTR>(path));
  ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Error ", MB_OK);
}

// The number N of a sub-key named ProgN (1 to 16, no leading zero, any case), else 0.
static int ProgramKeyNumber(const wchar_t *name)
{
  if (_wcsnicmp(name, L"Prog", 4) != 0)
    return 0;
  const wchar_t *digits = name + 4;
  if (digits[0] < L'1' || digits[0] > L'9')
    return 0;
  int n = digits[0] - L'0';
  if (digits[1] != 0) {
    if (digits[1] < L'0' || digits[1] > L'9' || digits[2] != 0)
      return 0;
    n = n * 10 + (digits[1] - L'0');
  }
  return n <= MAX_PROGRAM_ENTRIES ? n : 0;
}

// Marks which of Prog1 to Prog16 the Programs key holds, in one pass over its sub-keys
// instead of sixteen opens. False when one pass cannot tell (a failure, or more sub-keys
// than a configuration has use for): the caller then opens each name as before.
static bool ListProgramKeys(HKEY programs, bool present[MAX_PROGRAM_ENTRIES + 1])
{
  for (int n = 0; n <= MAX_PROGRAM_ENTRIES; ++n)
    present[n] = false;
  for (DWORD index = 0; index < PROGRAM_KEY_SCAN_LIMIT; ++index) {
    wchar_t name[KEY_NAME_CAPACITY];
    DWORD length = KEY_NAME_CAPACITY;
    LONG result =
        RegEnumKeyExW(programs, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS)
      return true;
    if (result == ERROR_MORE_DATA)
      continue;  // longer than any ProgN
    if (result != ERROR_SUCCESS)
      return false;
    name[KEY_NAME_CAPACITY - 1] = 0;
    present[ProgramKeyNumber(name)] = true;
  }
  return false;
}

void ProgramKeyName(int n, wchar_t name[KEY_NAME_CAPACITY])
{
  _snwprintf(name, KEY_NAME_CAPACITY, L"Prog%d", n);
  name[KEY_NAME_CAPACITY - 1] = 0;
}

// Marks which of Prog1 to Prog16 an open Programs key holds: present[n] for ProgN.
static void FindNumberedKeys(HKEY programs, bool present[MAX_PROGRAM_ENTRIES + 1])
{
  if (ListProgramKeys(programs, present))
    return;
  for (int n = 1; n <= MAX_PROGRAM_ENTRIES; ++n) {
    wchar_t keyName[KEY_NAME_CAPACITY];
    ProgramKeyName(n, keyName);
    HKEY entry;
    present[n] = RegOpenKeyExW(programs, keyName, 0, KEY_READ, &entry) == ERROR_SUCCESS;
    if (present[n])
      RegCloseKey(entry);
  }
}

bool FindProgramKeys(const wchar_t *configurationKeyPath)
{
  g_entries.gapFlag = 0;
  wchar_t path[TEXT_CAPACITY];
  bool fits = CopyText(path, TEXT_CAPACITY, configurationKeyPath) &&
              AppendText(path, TEXT_CAPACITY, L"\\Programs");
  HKEY programs;
  if (!fits || RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &programs) != ERROR_SUCCESS) {
    ShowKeyNotFound(path);
    return false;
  }

  bool present[MAX_PROGRAM_ENTRIES + 1];
  FindNumberedKeys(programs, present);
  int firstMissing = -1;
  for (int n = 1; n <= MAX_PROGRAM_ENTRIES; ++n) {
    if (present[n]) {
      if (g_entries.count >= 0 && g_entries.count < MAX_PROGRAM_ENTRIES) {
        ProgramKeyName(n, g_entries.keyNames[g_entries.count]);
        ++g_entries.count;
      }
    } else if (firstMissing < 0) {
      firstMissing = n - 1;
    }
  }
  RegCloseKey(programs);
  g_entries.programCount = g_entries.count;

  if (g_entries.count == 0) {
    ShowErrorMessage(TEXT_ID(IDS_NO_PROGRAM_KEYS), path);
    return false;
  }
  if (firstMissing >= 0 && firstMissing < g_entries.count)
    g_entries.gapFlag = 1;
  return true;
}

// Only the first character counts, and only in upper case.
static LONG ModifiersFromText(const wchar_t *text)
{
  switch (text[0]) {
  case L'A': return MOD_ALT;
  case L'C': return MOD_CONTROL;
  case L'S': return MOD_SHIFT;
  default: return 0;
  }
}

void ReadProgramEntry(HKEY key, const wchar_t *keyPath, ProgramEntry *entry)
{
  entry->isCall = 0;
  // Up to ten names, of which an entry usually sets three: one pass over what is there.
  bool held = HoldKeyValues(key);
  ReadProfileValueFrom(key, keyPath, L"Name", entry->name, sizeof(entry->name), REG_SZ);
  ReadProfileValueFrom(key, keyPath, L"Description", entry->description,
                       sizeof(entry->description), REG_SZ);
  ReadProfileValueFrom(key, keyPath, L"Icon", &entry->icon, sizeof(entry->icon), REG_DWORD);
  if (entry->name[0] == 0) {
    ReadProfileValueFrom(key, keyPath, L"Call", entry->call, sizeof(entry->call), REG_SZ);
    if (entry->call[0] != 0) {
      entry->isCall = 1;
      if (entry->icon == 0)
        entry->icon = ICON_CALL;
    }
  }
  if (entry->isCall == 0)
    ReadProfileValueFrom(key, keyPath, L"Command", entry->command, sizeof(entry->command),
                         REG_SZ);
  // Any value but 1 (another type or size included) leaves these off, as the check says.
  entry->autoStart = ReadStartOption(key, keyPath, L"AutoStart");
  entry->keepRunning = ReadStartOption(key, keyPath, L"KeepRunning");
  ReadStartRules(key, &entry->rules);
  ReadProfileValueFrom(key, keyPath, L"HotKey", &entry->hotKey, sizeof(entry->hotKey),
                       REG_DWORD);
  wchar_t modifier[TEXT_CAPACITY];
  ReadProfileValueFrom(key, keyPath, L"HotKeyModifier", modifier, sizeof(modifier), REG_SZ);
  entry->hotKeyModifiers = ModifiersFromText(modifier);
  // A key that cannot be read has no target either: nothing to guard.
  entry->passwordState =
      key != nullptr ? ReadPasswordValue(key, L"Password", &entry->password) : PASSWORD_NONE;
  if (held)
    ForgetKeyValues(key);
}

bool LoadProgramEntries(const wchar_t *configurationKeyPath)
{
  LONG count = g_entries.count;
  if (count > MAX_PROGRAM_ENTRIES)
    count = MAX_PROGRAM_ENTRIES;
  for (LONG i = 0; i < count; ++i) {
    wchar_t keyPath[TEXT_CAPACITY];
    bool fits = CopyText(keyPath, TEXT_CAPACITY, configurationKeyPath) &&
                AppendText(keyPath, TEXT_CAPACITY, L"\\Programs\\") &&
                AppendText(keyPath, TEXT_CAPACITY, g_entries.keyNames[i]);
    if (!fits) {
      // A cut path would name another key: the entry stays empty.
      ShowErrorMessage(TEXT_ID(IDS_CANNOT_OPEN_SUB_KEY), keyPath);
      continue;
    }
    HKEY key = OpenProfileKeyPath(keyPath);
    ReadProgramEntry(key, keyPath, &g_entries.entries[i]);
    if (key != nullptr)
      RegCloseKey(key);
  }
  return true;
}

static bool IsAddedItem(int index)
{
  return index == g_presentation.aboutIndex || index == g_presentation.exitIndex ||
         index == g_presentation.returnIndex;
}

void CheckProgramEntries()
{
  int used = UsedSlots();
  for (int i = 0; i < used; ++i) {
    if (IsAddedItem(i))
      continue;
    const ProgramEntry &entry = g_entries.entries[i];
    bool noDescription = entry.description[0] == 0;
    bool noNameOrCall = entry.name[0] == 0 && entry.call[0] == 0;
    const wchar_t *pattern;
    if (noDescription && noNameOrCall)
      pattern = L"Program Key  %d - No Description and Name or Call found ";
    else if (noNameOrCall)
      pattern = L"Program Key  %d - No Name or Call found ";
    else if (noDescription)
      pattern = L"Program Key  %d - Either Description key is empty or exceeds limit ";
    else
      continue;
    wchar_t message[TEXT_CAPACITY];
    _snwprintf(message, TEXT_CAPACITY, pattern, i + 1);
    message[TEXT_CAPACITY - 1] = 0;
    ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Warning", MB_ICONERROR);
  }
}

void WarnSequenceGap()
{
  if (g_entries.gapFlag == 0)
    return;
  wchar_t message[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_SEQUENCE_GAP), message, TEXT_CAPACITY);
  ShowMessageBox(g_app.mainWindow, message, L"Ferrolt Warning", MB_OK);
}
