// CE text shortcuts.
#include "cecompat/CePlatform.h"

BOOL SHGetShortcutTarget(LPCWSTR shortcut, LPWSTR target, int capacity)
{
  return FALSE;
}
