// Undoes the escapes of a quoted string value of a registry script.
#include "launcher/regscript/RegistryScript.h"

#include <wchar.h>

// Replaces pair by single until no pair is left. Searching on from the last replacement
// finds the same pairs as searching from the start: nothing before it can form a new one.
static void ReplaceEveryPair(wchar_t *text, const wchar_t *pair, const wchar_t *single)
{
  size_t capacity = wcslen(text) + 1;  // the text only shrinks
  wchar_t *cursor = text;
  while ((cursor = wcsstr(cursor, pair)) != nullptr) {
    if (!ReplaceFirst(cursor, capacity - static_cast<size_t>(cursor - text), pair, single))
      return;
  }
}

void UnescapeRegString(wchar_t *text)
{
  if (text == nullptr)
    return;
  ReplaceEveryPair(text, L"\\\\", L"\\");
  ReplaceEveryPair(text, L"\\\"", L"\"");
}
