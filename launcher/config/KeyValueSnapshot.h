#pragma once
// The values of one open key read in a single pass. A reader that asks for many names of
// which few are set (a Settings key, a program entry) then asks the registry once per
// value that is there instead of once per name it knows.
#include <windows.h>

#include "Common/NullPtr.h"

// Reads the values of key, up to a bound, and answers the queries on key that follow from
// what was read until ForgetKeyValues(key). Holds one key at a time: returns false, and
// reads nothing, when key is null or another key's values are held (a reader running
// inside another); the queries on key then go to the registry as before.
bool HoldKeyValues(HKEY key);
void ForgetKeyValues(HKEY key);

// RegQueryValueExW into a data buffer of *size bytes. Answered from the held values only
// where they give exactly what the registry would (a value held in full that fits the
// buffer, or a name surely not there); asked of the registry otherwise, so a value that
// does not fit, or one the pass could not hold, reads as it always did.
LONG QueryKeyValue(HKEY key, const wchar_t *name, DWORD *type, BYTE *data, DWORD *size);
