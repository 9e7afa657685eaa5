#pragma once
// The signature of an update script: a file beside it, the script's path and ".sig",
// holding the HMAC-SHA1 of the script's bytes under the fleet's update key as 40
// hexadecimal digits (a line end after them is allowed). The key is the one UpdateKey
// holds: derived from the administrator's passphrase by PBKDF2, never the passphrase.
#include <windows.h>

#include "launcher/config/PasswordHash.h"

enum { UPDATE_SIGNATURE_FILE_LIMIT = 128 };  // bytes a signature file may have

// The signature's text for the bytes under key: 40 lower-case hexadecimal digits and
// the terminator in text. False when the platform's cryptography fails.
bool SignUpdateBytes(const BYTE *bytes, DWORD size, const PasswordHash *key, wchar_t text[41]);

// count bytes as lower-case hexadecimal digits into text (2 * count + 1 characters).
void FormatHexDigits(const BYTE *bytes, DWORD count, wchar_t *text);

// Null when the signature file beside scriptPath is the signature of these bytes under
// key; otherwise the reason the update is refused.
const wchar_t *CheckUpdateSignature(const wchar_t *scriptPath, const BYTE *bytes, DWORD size,
                                    const PasswordHash *key);
