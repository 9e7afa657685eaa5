#pragma once
// FerroltCheck /hash-password: makes the ExitPassword (or an entry's Password) value for a
// password read from standard input, with the launcher's own hash.

// Reads the password (without echo on a console, else one line of UTF-8 text) and prints
// the value and a REGEDIT4 line for each of the two settings. Returns the exit code: 0 printed, 2 refused.
int RunHashPassword();

// Reads a password or passphrase as /hash-password does, asking with prompt on a console;
// false for a line longer than the buffer or one that is not UTF-8 text.
bool ReadSecretLine(const char *prompt, wchar_t *secret, unsigned long capacity);
