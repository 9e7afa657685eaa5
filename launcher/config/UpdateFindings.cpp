// The findings of a configuration update and the text file that lists them.
#include "launcher/config/UpdateFindings.h"

#include <string.h>

void ClearUpdateFindings(UpdateFindings *findings)
{
  findings->count = 0;
  findings->errors = 0;
}

void AddUpdateFinding(UpdateFindings *findings, long line, bool error,
                      const wchar_t *configuration, const wchar_t *message)
{
  if (error)
    ++findings->errors;
  if (findings->count >= UPDATE_FINDING_LIMIT)
    return;
  UpdateFinding &finding = findings->items[findings->count++];
  finding.line = line;
  finding.error = error;
  CopyText(finding.configuration, TEXT_CAPACITY, configuration);
  CopyText(finding.message, TEXT_CAPACITY, message);
}

void AddUpdateFindingLine(UpdateFindings *findings, long line, const wchar_t *pattern)
{
  wchar_t message[TEXT_CAPACITY];
  FormatStringById(message, TEXT_CAPACITY, pattern, static_cast<ULONG_PTR>(line));
  AddUpdateFinding(findings, line, true, UPDATE_SCOPE_SCRIPT, message);
}

const wchar_t *FirstUpdateError(const UpdateFindings *findings)
{
  for (int i = 0; i < findings->count && i < UPDATE_FINDING_LIMIT; ++i)
    if (findings->items[i].error)
      return findings->items[i].message;
  return L"";
}

enum { FINDING_LINE_BYTES = 4 * 3 * TEXT_CAPACITY };

// Appends text as UTF-8 with line breaks as blanks; false when it does not fit.
static bool AppendUtf8(char *bytes, int capacity, int *used, const wchar_t *text)
{
  wchar_t flat[TEXT_CAPACITY];
  CopyText(flat, TEXT_CAPACITY, text);
  for (wchar_t *c = flat; *c != 0; ++c)
    if (*c == L'\r' || *c == L'\n')
      *c = L' ';
  if (flat[0] == 0)
    return true;
  int room = capacity - *used;
  int made = WideCharToMultiByte(CP_UTF8, 0, flat, -1, bytes + *used, room, nullptr, nullptr);
  if (made <= 0)
    return false;
  *used += made - 1;  // the terminator is written over next
  return true;
}

bool WriteUpdateFindings(const wchar_t *path, const wchar_t *scriptName,
                         const UpdateFindings *findings)
{
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  bool written = true;
  for (int i = 0; i < findings->count && i < UPDATE_FINDING_LIMIT && written; ++i) {
    const UpdateFinding &finding = findings->items[i];
    static char bytes[FINDING_LINE_BYTES];
    int used = 0;
    wchar_t number[16] = {0};
    if (finding.line > 0)
      wsprintfW(number, L":%ld", finding.line);
    bool fits = AppendUtf8(bytes, FINDING_LINE_BYTES, &used, scriptName) &&
                AppendUtf8(bytes, FINDING_LINE_BYTES, &used, number) &&
                AppendUtf8(bytes, FINDING_LINE_BYTES, &used,
                           finding.error ? L": error: " : L": warning: ") &&
                AppendUtf8(bytes, FINDING_LINE_BYTES, &used, finding.configuration) &&
                AppendUtf8(bytes, FINDING_LINE_BYTES, &used, L": ") &&
                AppendUtf8(bytes, FINDING_LINE_BYTES, &used, finding.message) &&
                used + 2 <= FINDING_LINE_BYTES;
    if (!fits)
      continue;
    bytes[used++] = '\r';
    bytes[used++] = '\n';
    DWORD done = 0;
    written = WriteFile(file, bytes, static_cast<DWORD>(used), &done, nullptr) &&
              done == static_cast<DWORD>(used);
  }
  written = FlushFileBuffers(file) && written;
  CloseHandle(file);
  return written;
}
