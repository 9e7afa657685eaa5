// Bounded copies and comparisons: the extension links nothing of the launcher.
#include "setup/Ostrel.h"

bool CopyBounded(wchar_t *buffer, size_t capacity, const wchar_t *text)
{
  if (capacity == 0)
    return false;
  buffer[0] = 0;
  return AppendBounded(buffer, capacity, text);
}

// Appends text, or leaves the buffer as it was when the result would not fit.
bool AppendBounded(wchar_t *buffer, size_t capacity, const wchar_t *text)
{
  size_t used = 0;
  while (used < capacity && buffer[used] != 0)
    ++used;
  size_t length = 0;
  while (text[length] != 0)
    ++length;
  if (used + length >= capacity)
    return false;
  for (size_t i = 0; i <= length; ++i)
    buffer[used + i] = text[i];
  return true;
}

bool TextEquals(const wchar_t *left, const wchar_t *right)
{
  while (*left != 0 && *left == *right) {
    ++left;
    ++right;
  }
  return *left == *right;
}

static wchar_t UpperAscii(wchar_t c)
{
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool StartsWithNoCase(const wchar_t *text, const wchar_t *prefix)
{
  for (; *prefix != 0; ++text, ++prefix) {
    if (UpperAscii(*text) != UpperAscii(*prefix))
      return false;
  }
  return true;
}
