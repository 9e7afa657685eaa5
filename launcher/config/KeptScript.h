#pragma once
// The registry script kept in \Application, which a device that loses its registry at a
// cold boot merges again: after a good update it is written anew with the whole
// configuration as it stands, so a cold boot brings back the latest configuration.
#include <windows.h>

#define KEPT_SCRIPT_PLAIN_CE L"\\Application\\CE_Ferrolt.reg"
#define KEPT_SCRIPT_WINDOWS_MOBILE L"\\Application\\WM_Ferrolt.reg"

// Writes every key and value under HKEY_CURRENT_USER\productKey as a REGEDIT4 script the
// loader reads back to the same values, beside path, and then puts it in path's place in
// one step. A value the loader could not read back the same (a type it cannot write, a
// character beyond 0xFF, a line break, a backslash the loader would fold) leaves the kept
// script as it was: false, and *reason says why.
bool RewriteKeptScript(const wchar_t *path, const wchar_t *productKey, const wchar_t **reason);
