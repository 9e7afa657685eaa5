// The values of one open key read in a single pass, and queries answered from them.
#include "launcher/config/KeyValueSnapshot.h"

#include <wchar.h>

enum {
  HELD_VALUE_SLOTS = 40,   // more than any reader asks for: a Settings key has 30 names
  HELD_NAME_CAPACITY = 40, // the longest name a reader asks for has 31 characters
  HELD_DATA_BYTES = 8192,  // room for every text of a Settings key at a usual length
};

struct HeldValue {
  wchar_t name[HELD_NAME_CAPACITY];
  DWORD type;
  DWORD size;
  DWORD offset;
};

struct HeldValues {
  HKEY key;       // null when nothing is held
  bool complete;  // every value of the key is held: a name not held is not there
  int count;
  HeldValue values[HELD_VALUE_SLOTS];
  BYTE data[HELD_DATA_BYTES];
};

static HeldValues s_held;

static bool IsAscii(const wchar_t *text)
{
  for (; *text != 0; ++text)
    if (*text > 0x7F)
      return false;
  return true;
}

bool HoldKeyValues(HKEY key)
{
  if (key == nullptr || s_held.key != nullptr)
    return false;
  s_held.key = key;
  s_held.complete = false;
  s_held.count = 0;
  DWORD used = 0;
  for (DWORD index = 0; s_held.count < HELD_VALUE_SLOTS; ++index) {
    HeldValue &value = s_held.values[s_held.count];
    DWORD nameLength = HELD_NAME_CAPACITY;
    DWORD size = HELD_DATA_BYTES - used;
    value.type = REG_NONE;
    LONG result = RegEnumValueW(key, index, value.name, &nameLength, nullptr, &value.type,
                                s_held.data + used, &size);
    if (result == ERROR_NO_MORE_ITEMS) {
      s_held.complete = true;
      break;
    }
    // A long name, data past the room left or a failure ends the pass: what was read is
    // held, every other name is asked of the registry.
    if (result != ERROR_SUCCESS || size > HELD_DATA_BYTES - used)
      break;
    value.name[HELD_NAME_CAPACITY - 1] = 0;
    // The registry may fold a name with other characters onto one a reader asks for.
    if (!IsAscii(value.name))
      break;
    value.size = size;
    value.offset = used;
    used += size;
    ++s_held.count;
  }
  return true;
}

void ForgetKeyValues(HKEY key)
{
  if (key != nullptr && s_held.key == key) {
    s_held.key = nullptr;
    s_held.count = 0;
  }
}

LONG QueryKeyValue(HKEY key, const wchar_t *name, DWORD *type, BYTE *data, DWORD *size)
{
  if (key != nullptr && key == s_held.key && name != nullptr && data != nullptr && IsAscii(name)) {
    for (int i = 0; i < s_held.count; ++i) {
      const HeldValue &value = s_held.values[i];
      // Between two plain ASCII names the registry's comparison is ASCII case.
      if (_wcsicmp(value.name, name) != 0)
        continue;
      if (value.size <= *size) {
        CopyMemory(data, s_held.data + value.offset, value.size);
        *type = value.type;
        *size = value.size;
        return ERROR_SUCCESS;
      }
      // Too long for the buffer: the registry answers, with what it leaves there.
      return RegQueryValueExW(key, name, nullptr, type, data, size);
    }
    if (s_held.complete)
      return ERROR_FILE_NOT_FOUND;
  }
  return RegQueryValueExW(key, name, nullptr, type, data, size);
}
