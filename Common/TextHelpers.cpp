// Path and text helpers on terminated UTF-16 texts in caller-owned buffers.
#include "Common/StdFuncs.h"

#include <string.h>
#include <wchar.h>

bool CopyText(wchar_t *buffer, size_t capacity, const wchar_t *text)
{
  if (buffer == nullptr || capacity == 0)
    return false;
  if (text == nullptr)
    text = L"";
  size_t i = 0;
  for (; text[i] != 0 && i + 1 < capacity; ++i)
    buffer[i] = text[i];
  buffer[i] = 0;
  return text[i] == 0;
}

bool AppendText(wchar_t *buffer, size_t capacity, const wchar_t *text)
{
  if (buffer == nullptr || capacity == 0)
    return false;
  size_t used = 0;
  while (used < capacity && buffer[used] != 0)
    ++used;
  if (used >= capacity) {
    buffer[capacity - 1] = 0;
    return false;
  }
  return CopyText(buffer + used, capacity - used, text);
}

bool ReplaceFirst(wchar_t *text, size_t capacity, const wchar_t *sought,
                  const wchar_t *replacement, bool *tooLong)
{
  if (tooLong != nullptr)
    *tooLong = false;
  if (text == nullptr || sought == nullptr || sought[0] == 0)
    return false;
  if (replacement == nullptr)
    replacement = L"";
  wchar_t *found = wcsstr(text, sought);
  if (found == nullptr)
    return false;

  size_t head = static_cast<size_t>(found - text);
  size_t soughtLength = wcslen(sought);
  size_t replacementLength = wcslen(replacement);
  size_t tailLength = wcslen(found + soughtLength);
  if (head + replacementLength + tailLength + 1 > capacity) {
    if (tooLong != nullptr)
      *tooLong = true;
    return false;
  }
  // The tail moves to its new place first; memmove copes with the overlap either way.
  memmove(found + replacementLength, found + soughtLength, (tailLength + 1) * sizeof(wchar_t));
  memcpy(found, replacement, replacementLength * sizeof(wchar_t));
  return true;
}

bool GetExtension(const wchar_t *path, wchar_t *extension, size_t capacity)
{
  if (extension == nullptr || capacity == 0)
    return false;
  extension[0] = 0;
  if (path == nullptr)
    return false;
  const wchar_t *dot = wcsrchr(path, L'.');
  if (dot == nullptr)
    return false;
  CopyText(extension, capacity, dot);
  return extension[0] != 0;
}

static const wchar_t *SkipBlanks(const wchar_t *text)
{
  while (*text == L' ')
    ++text;
  return text;
}

bool GetBaseName(const wchar_t *path, wchar_t *name, size_t capacity)
{
  if (path == nullptr || name == nullptr || capacity == 0)
    return false;
  const wchar_t *rest = SkipBlanks(path);
  const wchar_t *slash = wcsrchr(rest, L'\\');
  if (slash != nullptr)
    rest = slash + 1;
  if (rest[0] == 0)
    return false;
  const wchar_t *dot = wcsrchr(rest, L'.');
  size_t length = dot != nullptr ? static_cast<size_t>(dot - rest) : wcslen(rest);
  if (length >= capacity)
    length = capacity - 1;
  memcpy(name, rest, length * sizeof(wchar_t));
  name[length] = 0;
  return length > 0;
}

bool GetDirectory(const wchar_t *path, wchar_t *directory, size_t capacity)
{
  if (path == nullptr || directory == nullptr || capacity == 0)
    return false;
  const wchar_t *rest = SkipBlanks(path);
  const wchar_t *slash = wcsrchr(rest, L'\\');
  if (slash == nullptr) {
    directory[0] = 0;
    return false;
  }
  size_t length = static_cast<size_t>(slash - rest) + 1;
  if (length >= capacity)
    length = capacity - 1;
  memcpy(directory, rest, length * sizeof(wchar_t));
  directory[length] = 0;
  return true;
}

int HexDigitValue(wchar_t c)
{
  if (c >= L'0' && c <= L'9')
    return c - L'0';
  if (c >= L'a' && c <= L'f')
    return c - L'a' + 10;
  if (c >= L'A' && c <= L'F')
    return c - L'A' + 10;
  return -1;
}

void ReplaceControlCharacters(wchar_t *text)
{
  if (text == nullptr)
    return;
  for (; *text != 0; ++text) {
    wchar_t c = *text;
    bool control = (c < 0x20 && c != L'\n' && c != L'\r' && c != L'\t') || c == 0x7F ||
                   (c >= 0x80 && c < 0xA0);
    if (control)
      *text = L'?';
  }
}
