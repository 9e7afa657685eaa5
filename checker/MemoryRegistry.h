#pragma once
// A registry held in the checker's own memory. Under Wine every registry call is a round
// trip to the Wine server, and a check makes thousands of them; served from memory, the
// same calls of the launcher's loader and checks cost next to nothing. The keys answer as
// the platform's registry does (names without regard to case, enumerated in its order,
// the same results for missing values, short buffers and keys opened without the right
// access), which the tests compare call by call.
#include <windows.h>

namespace check {

// Routes the registry calls of the module holding the checker's code to an empty memory
// registry: the four root keys and every key opened below them. Calls on any other key go
// on to the platform. False, with nothing changed, when the calls cannot be routed; the
// check then runs on the platform's registry as it is.
bool UseMemoryRegistry();
// Routes the calls back to the platform and forgets every key held in memory.
void LeaveMemoryRegistry();

// The registry calls a check makes, as a table of entry points.
struct RegistryCalls {
  decltype(&RegOpenKeyExW) openKeyEx;
  decltype(&RegCreateKeyExW) createKeyEx;
  decltype(&RegQueryValueExW) queryValueEx;
  decltype(&RegSetValueExW) setValueEx;
  decltype(&RegEnumKeyExW) enumKeyEx;
  decltype(&RegCloseKey) closeKey;
  decltype(&RegEnumValueW) enumValue;
};

// The memory registry's own entry points, with the platform's signatures.
namespace memory {
LONG WINAPI OpenKeyEx(HKEY parent, LPCWSTR path, DWORD options, REGSAM access, PHKEY key);
LONG WINAPI CreateKeyEx(HKEY parent, LPCWSTR path, DWORD reserved, LPWSTR keyClass,
                        DWORD options, REGSAM access, const LPSECURITY_ATTRIBUTES security,
                        PHKEY key, LPDWORD disposition);
LONG WINAPI QueryValueEx(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD size);
LONG WINAPI SetValueEx(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE *data,
                       DWORD size);
LONG WINAPI EnumKeyEx(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPWSTR keyClass, LPDWORD classLength, PFILETIME written);
LONG WINAPI CloseKey(HKEY key);
LONG WINAPI EnumValue(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD size);
// Forgets every key, as at the start.
void Clear();
}  // namespace memory

}  // namespace check
