#pragma once
// The exit password as the registry stores it: a salted, iterated PBKDF2-HMAC-SHA1 hash
// in the text form "pbkdf2-sha1$<iterations>$<salt hex>$<hash hex>". Derivation asks the
// platform's CryptoAPI for plain SHA-1 hashing only (CALG_SHA1 with the default provider),
// which every device provider has; the password itself is never kept.
#include <windows.h>

enum {
  PASSWORD_HASH_BYTES = 20,          // one SHA-1 block of derived key
  PASSWORD_SALT_BYTES = 16,          // what a new hash gets
  PASSWORD_SALT_MAX_BYTES = 64,      // the longest salt a stored value may carry
  PASSWORD_MIN_ITERATIONS = 10000,
  PASSWORD_MAX_ITERATIONS = 1000000, // beyond this a device would hang for minutes per try
  PASSWORD_MAX_CHARACTERS = 64,      // the longest password the prompt accepts
  // The longest stored text: prefix, 7 digits, the salt and the hash in hex, separators.
  PASSWORD_HASH_TEXT_CAPACITY = 12 + 7 + 2 * PASSWORD_SALT_MAX_BYTES + 2 * PASSWORD_HASH_BYTES + 4,
};

#define PASSWORD_HASH_PREFIX L"pbkdf2-sha1$"

struct PasswordHash {
  DWORD iterations;
  BYTE salt[PASSWORD_SALT_MAX_BYTES];
  DWORD saltLength;
  BYTE hash[PASSWORD_HASH_BYTES];
};

// HMAC-SHA1 (RFC 2104) of data under key into digest; a key longer than 64 bytes is
// hashed first. False when the platform's cryptography fails.
bool HmacSha1(const BYTE *key, DWORD keyLength, const BYTE *data, DWORD dataLength,
              BYTE digest[20]);

// PBKDF2 with HMAC-SHA1 (RFC 2898) into output; false when the platform's cryptography
// fails. The password and salt are raw bytes; any output length is allowed.
bool DerivePbkdf2Sha1(const BYTE *password, DWORD passwordLength, const BYTE *salt,
                      DWORD saltLength, DWORD iterations, BYTE *output, DWORD outputLength);

// Reads the stored text form; false for anything that is not a well-formed hash (wrong
// prefix, iterations outside the allowed range, a salt shorter than 16 bytes or longer
// than the maximum, a hash that is not 20 bytes, a stray character).
bool ParsePasswordHash(const wchar_t *text, PasswordHash *hash);

// Writes the text form of hash (lower-case hex); false when it does not fit capacity.
bool FormatPasswordHash(const PasswordHash *hash, wchar_t *text, size_t capacity);

// Makes a new hash of password (UTF-16, converted to UTF-8 as the prompt does) with a
// random 16-byte salt and the given iterations.
bool CreatePasswordHash(const wchar_t *password, DWORD iterations, PasswordHash *hash);

// What checking a password against a hash found.
enum PasswordCheck {
  PASSWORD_CHECK_DIFFERS = 0,  // not the password of hash (or not a password at all)
  PASSWORD_CHECK_MATCHES = 1,
  PASSWORD_CHECK_FAILED = 2,   // the platform's cryptography failed: nothing is known
};

// Checks password against hash (a PasswordCheck); the comparison takes the same time
// whatever matches.
int CheckPassword(const wchar_t *password, const PasswordHash *hash);
// Whether password matches hash.
bool VerifyPassword(const wchar_t *password, const PasswordHash *hash);
