// FerroltCheck /hash-password.
#include "checker/HashPassword.h"

#include <windows.h>

#include <cstdio>

#include "launcher/config/PasswordHash.h"

namespace {

enum {
  EXIT_HASHED = 0,
  EXIT_REFUSED = 2,
  // Room for the longest password the launcher's prompt takes, in UTF-8, and its line end.
  INPUT_BYTES = 4 * PASSWORD_MAX_CHARACTERS + 4,
  INPUT_CHARACTERS = PASSWORD_MAX_CHARACTERS + 4,
};

// Ends the text at its first line end; false when it has none and filled its buffer (a
// line longer than any password).
bool CutLine(wchar_t *text, DWORD length, DWORD capacity)
{
  for (DWORD i = 0; i < length; ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      text[i] = L'\0';
      return true;
    }
  }
  text[length < capacity ? length : capacity - 1] = L'\0';
  return length < capacity - 1;
}

bool ReadFromConsole(HANDLE input, DWORD mode, const char *prompt, wchar_t *password,
                     DWORD capacity)
{
  fputs(prompt, stderr);
  fflush(stderr);
  SetConsoleMode(input, (mode | ENABLE_LINE_INPUT) & ~ENABLE_ECHO_INPUT);
  DWORD got = 0;
  BOOL read = ReadConsoleW(input, password, capacity - 1, &got, nullptr);
  SetConsoleMode(input, mode);
  fputs("\n", stderr);
  return read && CutLine(password, got, capacity);
}

// Piped input: the bytes up to the first line end (or the end of the input), as UTF-8.
bool ReadFromPipe(HANDLE input, wchar_t *password, DWORD capacity)
{
  char bytes[INPUT_BYTES];
  DWORD used = 0;
  bool ended = false;
  while (used < sizeof(bytes) && !ended) {
    DWORD got = 0;
    if (!ReadFile(input, bytes + used, 1, &got, nullptr) || got == 0)
      break;
    ended = bytes[used] == '\n';
    ++used;
  }
  bool fits = ended || used < sizeof(bytes);
  while (used > 0 && (bytes[used - 1] == '\n' || bytes[used - 1] == '\r'))
    --used;
  int length = used == 0 ? 0
                         : MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes,
                                               static_cast<int>(used), password,
                                               static_cast<int>(capacity) - 1);
  SecureZeroMemory(bytes, sizeof(bytes));
  if (!fits || (used > 0 && length <= 0))
    return false;
  password[length] = L'\0';
  return true;
}

}  // namespace

bool ReadSecretLine(const char *prompt, wchar_t *secret, unsigned long capacity)
{
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  return GetConsoleMode(input, &mode) ? ReadFromConsole(input, mode, prompt, secret, capacity)
                                      : ReadFromPipe(input, secret, capacity);
}

int RunHashPassword()
{
  wchar_t password[INPUT_CHARACTERS] = {0};
  bool read = ReadSecretLine("Password: ", password, INPUT_CHARACTERS);
  int length = lstrlenW(password);
  const char *refusal = nullptr;
  if (!read || length > PASSWORD_MAX_CHARACTERS)
    refusal = "FerroltCheck: the password is longer than 64 characters or not UTF-8 text\n";
  else if (length == 0)
    refusal = "FerroltCheck: the password is empty\n";

  PasswordHash hash;
  wchar_t value[PASSWORD_HASH_TEXT_CAPACITY] = {0};
  if (refusal == nullptr && (!CreatePasswordHash(password, PASSWORD_MIN_ITERATIONS, &hash) ||
                             !FormatPasswordHash(&hash, value, PASSWORD_HASH_TEXT_CAPACITY)))
    refusal = "FerroltCheck: the platform's cryptography made no hash\n";
  SecureZeroMemory(password, sizeof(password));
  if (refusal != nullptr) {
    fputs(refusal, stderr);
    return EXIT_REFUSED;
  }
  // The value holds only ASCII: the prefix, digits, '$' and hex.
  char narrow[PASSWORD_HASH_TEXT_CAPACITY];
  for (int i = 0; i < PASSWORD_HASH_TEXT_CAPACITY; ++i)
    narrow[i] = static_cast<char>(value[i]);
  // The same value serves the exit and an entry: a line ready for either.
  printf("%s\n\"ExitPassword\"=\"%s\"\n\"Password\"=\"%s\"\n", narrow, narrow, narrow);
  fflush(stdout);
  return EXIT_HASHED;
}
