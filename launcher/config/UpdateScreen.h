#pragma once
// The checks a configuration update must pass before anything of it is imported: its
// size, its form and the keys it may touch.
#include <windows.h>

#include "launcher/config/UpdateFindings.h"

enum { UPDATE_SIZE_LIMIT = 256 * 1024 };  // bytes of one update script
#define UPDATE_TOO_LARGE_TEXT L"The script is larger than 256 KB"

// Screens the script's bytes: a REGEDIT4 script, whole (its last line ended), within the
// size limit, without zero bytes, whose every section lies under
// HKEY_CURRENT_USER\productKey and that deletes no key and no value (the active profile's
// key path is named in that finding). Adds a finding per fault; true when there is none.
bool ScreenUpdateScript(const BYTE *bytes, DWORD size, const wchar_t *productKey,
                        const wchar_t *profileKey, UpdateFindings *findings);
