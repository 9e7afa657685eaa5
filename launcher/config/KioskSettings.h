#pragma once
// The two settings that keep a device user inside the launcher: the exit password of the
// product key and the profile's idle time before the launcher goes back home.
#include <windows.h>

#include "Common/StdFuncs.h"
#include "launcher/config/PasswordHash.h"

// What a stored password value amounts to: the exit password's and an entry's alike.
enum { PASSWORD_NONE = 0, PASSWORD_SET = 1, PASSWORD_INVALID = 2 };
enum {
  EXIT_PASSWORD_NONE = PASSWORD_NONE,
  EXIT_PASSWORD_SET = PASSWORD_SET,
  EXIT_PASSWORD_INVALID = PASSWORD_INVALID,
};
enum { IDLE_HOME_MIN_SECONDS = 10, IDLE_HOME_MAX_SECONDS = 86400 };

// What a stored ExitPassword value amounts to. A value of another type, one too long for
// any hash, or one that does not parse is EXIT_PASSWORD_INVALID; hash is filled only for
// EXIT_PASSWORD_SET. Shows nothing.
int ClassifyExitPassword(DWORD type, const wchar_t *text, DWORD bytes, PasswordHash *hash);

// Reads a password value of an open key (held values included) and classifies it as
// ClassifyExitPassword does: PASSWORD_NONE only when the value is missing. Shows nothing.
int ReadPasswordValue(HKEY key, const wchar_t *name, PasswordHash *hash);

// Reads ExitPassword from the product key; shows "ExitPassword is not valid" when it is
// not a well-formed hash.
int ReadExitPassword(PasswordHash *hash);

// 0 (off) and 10 to 86,400 are allowed.
bool IsAllowedIdleHomeSeconds(DWORD seconds);

// A faulty setting's message, from a text with up to two numbers, as "Ferrolt Error ".
void ShowSettingError(TextOrId format, ULONG_PTR first, ULONG_PTR second);

enum { DWORD_MISSING, DWORD_GOOD, DWORD_BAD };
// A value of an open key that should be a REG_DWORD: missing, a REG_DWORD that allowed
// accepts (in *value), or anything else.
int ClassifyDword(HKEY key, const wchar_t *name, bool (*allowed)(DWORD), DWORD *value);

// A REG_DWORD of the profile's own key: the fallback when it is missing; the value when it
// is a REG_DWORD that allowed accepts; otherwise the message (with its two numbers) is
// shown and the fallback counts.
DWORD ReadProfileDword(const wchar_t *name, bool (*allowed)(DWORD), DWORD fallback,
                       TextOrId message, ULONG_PTR first, ULONG_PTR second);

// Reads IdleHomeSeconds from the profile key: 0 when missing or off; a value that is not
// allowed is reported as the other setting checks do and read as 0.
DWORD ReadIdleHomeSeconds();

enum { STATUS_STRIP_OFF = 0, STATUS_STRIP_TOP = 1, STATUS_STRIP_BOTTOM = 2 };

// Reads StatusStrip from the profile key: 0 off (also when missing), 1 top, 2 bottom; any
// other value is reported as the other setting checks do and read as off.
DWORD ReadStatusStripSetting();
