// Applies one logical line of a registry script: header, comment, section or value.
#include "launcher/regscript/RegistryScript.h"

#include <wchar.h>

// The name and the bytes of the value line being applied.
static wchar_t s_valueName[TEXT_CAPACITY];
static BYTE s_hexBytes[SCRIPT_HEX_CAPACITY];

static bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

static wchar_t *SkipBlanks(wchar_t *text)
{
  while (IsBlank(*text))
    ++text;
  return text;
}

// Case-insensitive for ASCII letters only, so no locale can make "dword:" match oddly.
static bool StartsWithAnyCase(const wchar_t *text, const wchar_t *prefix)
{
  for (; *prefix != 0; ++text, ++prefix) {
    wchar_t a = *text, b = *prefix;
    if (a >= L'a' && a <= L'z')
      a = static_cast<wchar_t>(a - L'a' + L'A');
    if (b >= L'a' && b <= L'z')
      b = static_cast<wchar_t>(b - L'a' + L'A');
    if (a != b)
      return false;
  }
  return true;
}

// Every line error ends here: its caption carries the line number.
static bool RejectLine(const wchar_t *format)
{
  // The formats are short and a long has at most 11 characters: the caption always fits.
  wchar_t caption[TEXT_CAPACITY];
  wsprintfW(caption, format, g_script.lineNumber);
  ShowScriptError(caption);
  return false;
}

static void ObserveLine(const wchar_t *valueName)
{
  if (g_script.observer != nullptr)
    g_script.observer(g_script.lineNumber, g_script.section, valueName);
}

static bool IsIgnoredLine(const wchar_t *rest)
{
  return rest[0] == 0 || rest[0] == L';' || wcsncmp(rest, L"REGEDIT", 7) == 0;
}

// The whole line, leading blanks included, is measured against the section limits.
static bool TakeSectionLine(const wchar_t *line, const wchar_t *bracket)
{
  size_t length = wcslen(line);
  if (length < 3 || length >= TEXT_CAPACITY || line[length - 1] != L']')
    return RejectLine(L"Line %ld: Bad section");
  size_t sectionLength = static_cast<size_t>(line + length - 1 - (bracket + 1));
  wcsncpy(g_script.section, bracket + 1, sectionLength);
  g_script.section[sectionLength] = 0;
  g_script.sectionSeen = true;
  ObserveLine(nullptr);
  return true;
}

static bool StoreValueName(const wchar_t *start, const wchar_t *end)
{
  size_t length = static_cast<size_t>(end - start);
  if (length >= TEXT_CAPACITY)
    return RejectLine(L"Line %ld: Name too long");
  wcsncpy(s_valueName, start, length);
  s_valueName[length] = 0;
  return true;
}

// A quoted name must close directly before the '='; the opening quote cannot close it.
static bool TakeValueName(const wchar_t *rest, const wchar_t *equals)
{
  if (rest[0] == L'"') {
    if (equals - 1 == rest || equals[-1] != L'"')
      return RejectLine(L"Line %ld: No close quote");
    return StoreValueName(rest + 1, equals - 1);
  }
  if (rest[0] == L'@' && equals == rest + 1) {
    s_valueName[0] = 0;
    return true;
  }
  return RejectLine(L"Line %ld: Unknown name type");
}

static bool ApplyStringValue(wchar_t *value)
{
  wchar_t *end = value + wcslen(value);
  while (end > value && IsBlank(end[-1]))
    --end;
  if (end - value < 2 || end[-1] != L'"')
    return RejectLine(L"Line %ld: No close quote");
  end[-1] = 0;
  wchar_t *text = value + 1;
  UnescapeRegString(text);
  if (!WriteStringValue(g_script.section, s_valueName, text))
    return RejectLine(L"Line %ld: Add String");
  return true;
}

// More than eight digits keep the low 32 bits; no digits give 0.
static bool ApplyDwordValue(const wchar_t *value)
{
  if (!StartsWithAnyCase(value, L"DWORD:"))
    return RejectLine(L"Line %ld: Bad DWORD");
  DWORD number = 0;
  for (const wchar_t *digit = value + 6; HexDigitValue(*digit) >= 0; ++digit)
    number = (number << 4) | static_cast<DWORD>(HexDigitValue(*digit));
  if (!WriteDwordValue(g_script.section, s_valueName, number))
    return RejectLine(L"Line %ld: Add DWORD");
  return true;
}

static bool ApplyHexValue(wchar_t *value)
{
  if (!StartsWithAnyCase(value, L"HEX:"))
    return RejectLine(L"Line %ld: Bad HEX");
  wchar_t *next = SkipBlanks(value + 4);
  DWORD count = 0;
  while (HexDigitValue(next[0]) >= 0 && HexDigitValue(next[1]) >= 0) {
    if (count == SCRIPT_HEX_CAPACITY)
      return RejectLine(L"Line %ld: Hex data too long");
    s_hexBytes[count++] = static_cast<BYTE>(HexDigitValue(next[0]) * 16 + HexDigitValue(next[1]));
    next = SkipBlanks(next + 2);
    if (*next != 0 && *next != L',')
      return RejectLine(L"Line %ld: Bad delimeter");
    if (*next == L',')
      next = SkipBlanks(next + 1);
  }
  if (*next != 0)
    return RejectLine(L"Line %ld Extra text");
  if (count == 0)
    return RejectLine(L"Line %ld: Empty hex");
  if (!WriteBinaryValue(g_script.section, s_valueName, s_hexBytes, count))
    return RejectLine(L"Line %ld: Add hex");
  return true;
}

bool ApplyScriptLine(wchar_t *line)
{
  if (line == nullptr)
    return true;
  wchar_t *rest = SkipBlanks(line);
  if (IsIgnoredLine(rest))
    return true;
  if (rest[0] == L'[')
    return TakeSectionLine(line, rest);
  if (!g_script.sectionSeen)
    return RejectLine(L"Line %ld: No section");
  wchar_t *equals = wcschr(rest + 1, L'=');
  if (equals == nullptr)
    return RejectLine(L"Line %ld: No equals");
  if (!TakeValueName(rest, equals))
    return false;
  wchar_t *value = equals + 1;
  bool applied;
  switch (value[0]) {
  case L'"':
    applied = ApplyStringValue(value);
    break;
  case L'D':
  case L'd':
    applied = ApplyDwordValue(value);
    break;
  case L'H':
  case L'h':
    applied = ApplyHexValue(value);
    break;
  default:
    return RejectLine(L"Line %ld: Unknown value type");
  }
  if (applied)
    ObserveLine(s_valueName);
  return applied;
}
