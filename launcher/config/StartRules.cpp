// Reading and checking StartDelay, NeedsNetwork, NetworkName and ExitActions of an entry,
// and NetworkWait of the profile.
#include "launcher/config/StartRules.h"

#include <wchar.h>

#include "launcher/config/KeyValueSnapshot.h"
#include "launcher/config/KioskSettings.h"
#include "resources/resource.h"

static const struct {
  const wchar_t *name;
  int action;
} kExitActionNames[] = {
    {L"restart", EXIT_RESTART}, {L"home", EXIT_HOME},     {L"message", EXIT_MESSAGE},
    {L"reboot", EXIT_REBOOT},   {L"none", EXIT_NONE},
};
enum { EXIT_ACTION_NAME_COUNT = sizeof(kExitActionNames) / sizeof(kExitActionNames[0]) };

const wchar_t *ExitActionName(int action)
{
  for (int i = 0; i < EXIT_ACTION_NAME_COUNT; ++i)
    if (kExitActionNames[i].action == action)
      return kExitActionNames[i].name;
  return L"";
}

static const wchar_t *SkipBlanks(const wchar_t *text)
{
  while (*text == L' ' || *text == L'\t')
    ++text;
  return text;
}

// A decimal number, or a hexadecimal one after "0x" (as exit codes are shown), that fits
// 32 bits; *text moves past it.
static bool ParseCode(const wchar_t **text, DWORD *code)
{
  const wchar_t *p = SkipBlanks(*text);
  DWORD base = 10;
  if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) {
    base = 16;
    p += 2;
  }
  ULONGLONG value = 0;
  int digits = 0;
  for (;; ++p, ++digits) {
    int digit = base == 16 ? HexDigitValue(*p) : (*p >= L'0' && *p <= L'9' ? *p - L'0' : -1);
    if (digit < 0)
      break;
    value = value * base + static_cast<DWORD>(digit);
    if (value > 0xFFFFFFFFu)
      return false;
  }
  if (digits == 0)
    return false;
  *code = static_cast<DWORD>(value);
  *text = SkipBlanks(p);
  return true;
}

bool ParseExitRule(const wchar_t *line, ExitRule *rule)
{
  const wchar_t *p = SkipBlanks(line);
  if (*p == L'*') {
    rule->low = 0;
    rule->high = 0xFFFFFFFFu;
    p = SkipBlanks(p + 1);
  } else {
    if (!ParseCode(&p, &rule->low))
      return false;
    rule->high = rule->low;
    if (*p == L'-') {
      ++p;
      if (!ParseCode(&p, &rule->high) || rule->high < rule->low)
        return false;
    }
  }
  if (*p != L'=')
    return false;
  p = SkipBlanks(p + 1);
  size_t length = 0;
  while (p[length] != 0 && p[length] != L' ' && p[length] != L'\t')
    ++length;
  if (*SkipBlanks(p + length) != 0)
    return false;
  for (int i = 0; i < EXIT_ACTION_NAME_COUNT; ++i) {
    const wchar_t *name = kExitActionNames[i].name;
    if (wcslen(name) == length && _wcsnicmp(name, p, length) == 0) {
      rule->action = kExitActionNames[i].action;
      return true;
    }
  }
  return false;
}

int FindExitAction(const ExitRules &rules, DWORD exitCode)
{
  for (int i = 0; i < rules.count && i < EXIT_RULE_CAPACITY; ++i)
    if (exitCode >= rules.rules[i].low && exitCode <= rules.rules[i].high)
      return rules.rules[i].action;
  return EXIT_NO_RULE;
}

bool HasExitAction(const ExitRules &rules, int action)
{
  for (int i = 0; i < rules.count && i < EXIT_RULE_CAPACITY; ++i)
    if (rules.rules[i].action == action)
      return true;
  return false;
}

static bool IsStartDelay(DWORD seconds)
{
  return seconds <= START_DELAY_MAX_SECONDS;
}

static bool IsFlag(DWORD value)
{
  return value <= 1;
}

static bool IsNetworkWait(DWORD seconds)
{
  return seconds <= NETWORK_WAIT_MAX_SECONDS;
}

// NetworkName as a REG_SZ that fits; false (name empty) for anything else but a missing one.
static bool ReadNetworkName(HKEY key, wchar_t name[NETWORK_NAME_CAPACITY])
{
  wchar_t text[NETWORK_NAME_CAPACITY + 1] = {0};
  DWORD type = 0;
  DWORD bytes = sizeof(text) - sizeof(wchar_t);
  LONG result = QueryKeyValue(key, L"NetworkName", &type, reinterpret_cast<BYTE *>(text), &bytes);
  name[0] = 0;
  if (result == ERROR_FILE_NOT_FOUND)
    return true;
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  text[bytes / sizeof(wchar_t) < NETWORK_NAME_CAPACITY ? bytes / sizeof(wchar_t)
                                                         : NETWORK_NAME_CAPACITY] = 0;
  if (wcslen(text) >= NETWORK_NAME_CAPACITY)
    return false;
  CopyText(name, NETWORK_NAME_CAPACITY, text);
  return true;
}

// What one pass over the ExitActions value found: the rules taken, and the first lines
// (by their number, from 1) that were ignored.
struct ExitActionsReading {
  bool typeWrong;  // not a REG_MULTI_SZ or REG_SZ, or too long to read
  int ignored[EXIT_RULE_CAPACITY];
  int ignoredCount;
};

// ExitActions is a REG_MULTI_SZ, one line per string; a REG_SZ holds the same lines
// separated by ';', as a script for the launcher's loader (which writes no multi-strings)
// gives them.
static void ReadExitActions(HKEY key, ExitRules *rules, ExitActionsReading *reading)
{
  rules->count = 0;
  reading->typeWrong = false;
  reading->ignoredCount = 0;
  wchar_t text[EXIT_ACTIONS_CAPACITY + 2];
  DWORD type = 0;
  DWORD bytes = EXIT_ACTIONS_CAPACITY * sizeof(wchar_t);
  LONG result = QueryKeyValue(key, L"ExitActions", &type, reinterpret_cast<BYTE *>(text), &bytes);
  if (result == ERROR_FILE_NOT_FOUND)
    return;
  bool oneText = type == REG_SZ || type == REG_EXPAND_SZ;
  if (result != ERROR_SUCCESS || (type != REG_MULTI_SZ && !oneText)) {
    reading->typeWrong = true;
    return;
  }
  // Two terminators after what was read, whether the value ended in them or not.
  DWORD length = bytes / sizeof(wchar_t);
  text[length] = 0;
  text[length + 1] = 0;
  if (oneText) {
    length = static_cast<DWORD>(wcslen(text));
    for (DWORD i = 0; i < length; ++i)
      if (text[i] == L';')
        text[i] = 0;
  }
  int number = 0;
  for (const wchar_t *line = text; line < text + length; line += wcslen(line) + 1) {
    // An empty string ends a multi-string; in one text it is an empty line between ';'.
    if (*line == 0 && !oneText)
      break;
    ++number;
    if (*SkipBlanks(line) == 0)
      continue;
    ExitRule rule;
    bool parsed = wcslen(line) < EXIT_LINE_CAPACITY && ParseExitRule(line, &rule);
    if (parsed && rules->count < EXIT_RULE_CAPACITY)
      rules->rules[rules->count++] = rule;
    else if (reading->ignoredCount < EXIT_RULE_CAPACITY)
      reading->ignored[reading->ignoredCount++] = number;
  }
}

void ReadStartRules(HKEY entryKey, StartRules *rules)
{
  rules->startDelay = START_DELAY_NONE;
  rules->needsNetwork = 0;
  rules->networkName[0] = 0;
  rules->exitRules.count = 0;
  if (entryKey == nullptr)
    return;
  DWORD value = 0;
  if (ClassifyDword(entryKey, L"StartDelay", IsStartDelay, &value) == DWORD_GOOD)
    rules->startDelay = static_cast<LONG>(value);
  if (ClassifyDword(entryKey, L"NeedsNetwork", IsFlag, &value) == DWORD_GOOD)
    rules->needsNetwork = static_cast<LONG>(value);
  ReadNetworkName(entryKey, rules->networkName);
  ExitActionsReading reading;
  ReadExitActions(entryKey, &rules->exitRules, &reading);
}

void CheckStartRules(HKEY entryKey, int position)
{
  ULONG_PTR entry = static_cast<ULONG_PTR>(position);
  DWORD value = 0;
  if (ClassifyDword(entryKey, L"StartDelay", IsStartDelay, &value) == DWORD_BAD)
    ShowSettingError(TEXT_ID(IDS_BAD_START_DELAY), entry, START_DELAY_MAX_SECONDS);
  if (ClassifyDword(entryKey, L"NeedsNetwork", IsFlag, &value) == DWORD_BAD)
    ShowSettingError(TEXT_ID(IDS_BAD_NEEDS_NETWORK), entry, 0);
  wchar_t name[NETWORK_NAME_CAPACITY];
  if (!ReadNetworkName(entryKey, name))
    ShowSettingError(TEXT_ID(IDS_BAD_NETWORK_NAME), entry, NETWORK_NAME_CAPACITY - 1);
  ExitRules rules;
  ExitActionsReading reading;
  ReadExitActions(entryKey, &rules, &reading);
  if (reading.typeWrong)
    ShowSettingError(TEXT_ID(IDS_BAD_EXIT_ACTIONS), entry, 0);
  for (int i = 0; i < reading.ignoredCount; ++i)
    ShowSettingError(TEXT_ID(IDS_BAD_EXIT_ACTION_LINE), entry,
                     static_cast<ULONG_PTR>(reading.ignored[i]));
}

DWORD ReadNetworkWait()
{
  return ReadProfileDword(L"NetworkWait", IsNetworkWait, NETWORK_WAIT_DEFAULT_SECONDS,
                          TEXT_ID(IDS_BAD_NETWORK_WAIT), NETWORK_WAIT_MAX_SECONDS, 0);
}
