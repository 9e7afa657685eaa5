#include "cecompat/CePlatform.h"

#undef RegDeleteKeyW

LONG CeRegDeleteKeyW(HKEY root, LPCWSTR path)
{
  if (path == nullptr || path[0] == 0)
    return ERROR_INVALID_PARAMETER;
  return RegDeleteTreeW(root, path);
}
