// Screening an update script before the loader sees it. The loader reads whatever it is
// given; an update must also be whole and stay inside the launcher's own key.
#include "launcher/config/UpdateScreen.h"

#include <string.h>
#include <wchar.h>

#include "launcher/regscript/RegistryScript.h"

#define UPDATE_ROOT L"HKEY_CURRENT_USER\\"

static wchar_t s_line[SCRIPT_LINE_CAPACITY + 1];

// Whether path is key itself or lies below it (the registry ignores case).
static bool IsAtOrBelow(const wchar_t *path, const wchar_t *key)
{
  size_t length = wcslen(key);
  return length > 0 && _wcsnicmp(path, key, length) == 0 &&
         (path[length] == 0 || path[length] == L'\\');
}

// The section's path after the root, or null when the root is not HKEY_CURRENT_USER.
static const wchar_t *UserPath(const wchar_t *section)
{
  size_t root = wcslen(UPDATE_ROOT);
  return wcsncmp(section, UPDATE_ROOT, root) == 0 ? section + root : nullptr;
}

static void ScreenSection(const wchar_t *line, long number, const wchar_t *productKey,
                          const wchar_t *profileKey, UpdateFindings *findings)
{
  wchar_t section[TEXT_CAPACITY];
  size_t length = wcslen(line);
  if (length < 3 || length > TEXT_CAPACITY - 1 || line[length - 1] != L']') {
    AddUpdateFindingLine(findings, number, L"Line %ld: Bad section");
    return;
  }
  CopyText(section, TEXT_CAPACITY, line + 1);
  section[length - 2] = 0;
  bool deletes = section[0] == L'-';
  const wchar_t *path = UserPath(deletes ? section + 1 : section);
  if (deletes) {
    bool profile = path != nullptr && IsAtOrBelow(profileKey, path);
    AddUpdateFindingLine(findings, number,
                         profile ? L"Line %ld deletes the active profile"
                                 : L"Line %ld deletes a key: an update only adds and changes");
    return;
  }
  if (path == nullptr || !IsAtOrBelow(path, productKey))
    AddUpdateFindingLine(findings, number, L"Line %ld writes outside the launcher's key");
}

// A value line whose value is '-': the registry editor's form for deleting the value.
static bool DeletesValue(const wchar_t *line)
{
  const wchar_t *equals = wcschr(line + 1, L'=');
  return equals != nullptr && equals[1] == L'-';
}

static void ScreenLine(const wchar_t *line, long number, const wchar_t *productKey,
                       const wchar_t *profileKey, UpdateFindings *findings)
{
  while (*line == L' ' || *line == L'\t')
    ++line;
  if (*line == L'[')
    ScreenSection(line, number, productKey, profileKey, findings);
  else if ((*line == L'"' || *line == L'@') && DeletesValue(line))
    AddUpdateFindingLine(findings, number,
                         L"Line %ld deletes a value: an update only adds and changes");
}

static bool StartsWithHeader(const BYTE *bytes, DWORD size)
{
  static const char header[] = "REGEDIT4";
  DWORD length = sizeof(header) - 1;
  return size > length && memcmp(bytes, header, length) == 0 &&
         (bytes[length] == '\r' || bytes[length] == '\n');
}

bool ScreenUpdateScript(const BYTE *bytes, DWORD size, const wchar_t *productKey,
                        const wchar_t *profileKey, UpdateFindings *findings)
{
  int before = findings->errors;
  if (size > UPDATE_SIZE_LIMIT) {
    AddUpdateFinding(findings, 0, true, UPDATE_SCOPE_SCRIPT,
                     UPDATE_TOO_LARGE_TEXT);
    return false;
  }
  if (!StartsWithHeader(bytes, size)) {
    AddUpdateFinding(findings, 1, true, UPDATE_SCOPE_SCRIPT,
                     L"The script is not a REGEDIT4 script: its first line must be REGEDIT4");
    return false;
  }
  if (memchr(bytes, 0, size) != nullptr) {
    AddUpdateFinding(findings, 0, true, UPDATE_SCOPE_SCRIPT,
                     L"The script holds zero bytes: it is not a text file");
    return false;
  }
  if (bytes[size - 1] != '\n') {
    AddUpdateFinding(findings, 0, true, UPDATE_SCOPE_SCRIPT,
                     L"The script is cut: its last line has no line end");
    return false;
  }
  // Logical lines as the loader makes them: CRs dropped, a trailing backslash joins.
  long number = 0;
  size_t length = 0;
  for (DWORD i = 0; i < size; ++i) {
    BYTE byte = bytes[i];
    if (byte == '\r')
      continue;
    if (byte != '\n') {
      if (length == SCRIPT_LINE_CAPACITY) {
        AddUpdateFindingLine(findings, number + 1,
                             L"Line %ld is longer than the loader reads: the script is cut there");
        return false;
      }
      s_line[length++] = static_cast<wchar_t>(byte);
      continue;
    }
    if (length > 0 && s_line[length - 1] == L'\\') {
      --length;
      continue;
    }
    s_line[length] = 0;
    ScreenLine(s_line, ++number, productKey, profileKey, findings);
    length = 0;
  }
  return findings->errors == before;
}
