// The few functions of Microsoft's C library that the desktop stand-ins compiled into
// ce-run call, for 16-bit wide characters (this Linux program's own C library has 32-bit ones).
#include <windows.h>

extern "C" int _wtoi(const wchar_t *text)
{
  int sign = 1, value = 0;
  while (*text == L' ' || *text == L'\t')
    ++text;
  if (*text == L'-' || *text == L'+')
    sign = *text++ == L'-' ? -1 : 1;
  for (; *text >= L'0' && *text <= L'9'; ++text)
    value = value * 10 + (*text - L'0');
  return sign * value;
}

// Decimal only, which is all the stand-ins ask for.
extern "C" unsigned long CeRunWcstoul(const wchar_t *text, wchar_t **end, int base)
{
  unsigned long value = 0;
  while (*text == L' ' || *text == L'\t')
    ++text;
  for (; base == 10 && *text >= L'0' && *text <= L'9'; ++text)
    value = value * 10 + static_cast<unsigned long>(*text - L'0');
  if (end != nullptr)
    *end = const_cast<wchar_t *>(text);
  return value;
}
