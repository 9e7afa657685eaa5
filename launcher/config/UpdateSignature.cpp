// Signing update scripts with the fleet's key, and checking their signatures.
#include "launcher/config/UpdateSignature.h"

#include "Common/StdFuncs.h"
#include "launcher/config/UpdateShelf.h"

enum { SIGNATURE_BYTES = 20 };

bool SignUpdateBytes(const BYTE *bytes, DWORD size, const PasswordHash *key, wchar_t text[41])
{
  BYTE digest[SIGNATURE_BYTES];
  text[0] = 0;
  if (!HmacSha1(key->hash, PASSWORD_HASH_BYTES, bytes, size, digest))
    return false;
  FormatHexDigits(digest, SIGNATURE_BYTES, text);
  return true;
}

void FormatHexDigits(const BYTE *bytes, DWORD count, wchar_t *text)
{
  static const wchar_t digits[] = L"0123456789abcdef";
  for (DWORD i = 0; i < count; ++i) {
    text[2 * i] = digits[bytes[i] >> 4];
    text[2 * i + 1] = digits[bytes[i] & 15];
  }
  text[2 * count] = 0;
}

// The signature file's bytes; false when there is none or it is too long to be one.
static bool ReadSignatureFile(const wchar_t *scriptPath, char *bytes, DWORD *size)
{
  wchar_t path[TEXT_CAPACITY];
  if (!CopyText(path, TEXT_CAPACITY, scriptPath) ||
      !AppendText(path, TEXT_CAPACITY, UPDATE_SIGNATURE_SUFFIX))
    return false;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  *size = 0;
  bool read = ReadFile(file, bytes, UPDATE_SIGNATURE_FILE_LIMIT, size, nullptr) &&
              *size < UPDATE_SIGNATURE_FILE_LIMIT;
  CloseHandle(file);
  return read;
}

const wchar_t *CheckUpdateSignature(const wchar_t *scriptPath, const BYTE *bytes, DWORD size,
                                    const PasswordHash *key)
{
  char stored[UPDATE_SIGNATURE_FILE_LIMIT];
  DWORD length = 0;
  if (!ReadSignatureFile(scriptPath, stored, &length))
    return L"The update is not signed: UpdateKey asks for its signature file (.sig) beside it";
  while (length > 0 && (stored[length - 1] == '\r' || stored[length - 1] == '\n'))
    --length;
  wchar_t expected[2 * SIGNATURE_BYTES + 1];
  if (!SignUpdateBytes(bytes, size, key, expected))
    return L"The update's signature could not be checked: the platform's cryptography failed";
  // Every digit is compared, whatever the first difference, and case does not matter.
  int differences = length == 2 * SIGNATURE_BYTES ? 0 : 1;
  for (DWORD i = 0; i < 2 * SIGNATURE_BYTES; ++i) {
    char c = i < length ? stored[i] : 0;
    if (c >= 'A' && c <= 'F')
      c = static_cast<char>(c - 'A' + 'a');
    differences |= c ^ static_cast<char>(expected[i]);
  }
  if (differences != 0)
    return L"The update's signature does not match: it was changed or signed with another key";
  return nullptr;
}
