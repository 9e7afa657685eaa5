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
