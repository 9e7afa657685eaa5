// HMAC-SHA1 and PBKDF2-HMAC-SHA1 built on the platform's plain SHA-1 hashing, and the
// stored text form of the exit password's hash.
#include "launcher/config/PasswordHash.h"

#include <wchar.h>
#include <wincrypt.h>

#include "Common/StdFuncs.h"

enum {
  SHA1_BLOCK_BYTES = 64,
  PASSWORD_UTF8_CAPACITY = 4 * PASSWORD_MAX_CHARACTERS + 1,
  ITERATION_DIGITS_MAX = 7,
};

// An HMAC key as the two padded blocks that start the inner and the outer hash.
struct HmacPads {
  BYTE inner[SHA1_BLOCK_BYTES];
  BYTE outer[SHA1_BLOCK_BYTES];
};

// SHA-1 of first, second and third (each may be empty) into digest, with a fresh plain
// hash object: no keyed hash, no key import and no hash copy, which some providers lack.
static bool Sha1Parts(HCRYPTPROV provider, const BYTE *first, DWORD firstLength,
                      const BYTE *second, DWORD secondLength, const BYTE *third,
                      DWORD thirdLength, BYTE *digest)
{
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash))
    return false;
  DWORD size = PASSWORD_HASH_BYTES;
  bool done = (firstLength == 0 || CryptHashData(hash, first, firstLength, 0)) &&
              (secondLength == 0 || CryptHashData(hash, second, secondLength, 0)) &&
              (thirdLength == 0 || CryptHashData(hash, third, thirdLength, 0)) &&
              CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) &&
              size == PASSWORD_HASH_BYTES;
  CryptDestroyHash(hash);
  return done;
}

// The key padded to a block and xored with 0x36 and 0x5C; a key longer than a block is
// replaced by its SHA-1 first, as HMAC defines.
static bool MakePads(HCRYPTPROV provider, const BYTE *key, DWORD length, HmacPads *pads)
{
  BYTE block[SHA1_BLOCK_BYTES];
  ZeroMemory(block, sizeof(block));
  bool made = true;
  if (length > SHA1_BLOCK_BYTES)
    made = Sha1Parts(provider, key, length, nullptr, 0, nullptr, 0, block);
  else if (length != 0)
    CopyMemory(block, key, length);
  for (int i = 0; i < SHA1_BLOCK_BYTES; ++i) {
    pads->inner[i] = static_cast<BYTE>(block[i] ^ 0x36);
    pads->outer[i] = static_cast<BYTE>(block[i] ^ 0x5C);
  }
  SecureZeroMemory(block, sizeof(block));
  return made;
}

// H((K xor opad) || H((K xor ipad) || first || second)) into digest.
static bool HmacParts(HCRYPTPROV provider, const HmacPads *pads, const BYTE *first,
                      DWORD firstLength, const BYTE *second, DWORD secondLength, BYTE *digest)
{
  BYTE inner[PASSWORD_HASH_BYTES];
  bool done = Sha1Parts(provider, pads->inner, SHA1_BLOCK_BYTES, first, firstLength, second,
                        secondLength, inner) &&
              Sha1Parts(provider, pads->outer, SHA1_BLOCK_BYTES, inner, sizeof(inner), nullptr,
                        0, digest);
  SecureZeroMemory(inner, sizeof(inner));
  return done;
}

static bool AcquireProvider(HCRYPTPROV *provider)
{
  if (CryptAcquireContextW(provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
    return true;
  *provider = 0;
  return false;
}

bool HmacSha1(const BYTE *key, DWORD keyLength, const BYTE *data, DWORD dataLength,
              BYTE digest[PASSWORD_HASH_BYTES])
{
  if (digest == nullptr || (keyLength != 0 && key == nullptr) ||
      (dataLength != 0 && data == nullptr))
    return false;
  HCRYPTPROV provider = 0;
  if (!AcquireProvider(&provider))
    return false;
  HmacPads pads;
  bool done = MakePads(provider, key, keyLength, &pads) &&
              HmacParts(provider, &pads, data, dataLength, nullptr, 0, digest);
  SecureZeroMemory(&pads, sizeof(pads));
  CryptReleaseContext(provider, 0);
  return done;
}

bool DerivePbkdf2Sha1(const BYTE *password, DWORD passwordLength, const BYTE *salt,
                      DWORD saltLength, DWORD iterations, BYTE *output, DWORD outputLength)
{
  if (iterations == 0 || output == nullptr || (passwordLength != 0 && password == nullptr) ||
      (saltLength != 0 && salt == nullptr))
    return false;
  HCRYPTPROV provider = 0;
  if (!AcquireProvider(&provider))
    return false;
  HmacPads pads;
  bool done = MakePads(provider, password, passwordLength, &pads);
  BYTE block[PASSWORD_HASH_BYTES];
  BYTE round[PASSWORD_HASH_BYTES];
  for (DWORD index = 1, written = 0; done && written < outputLength; ++index) {
    const BYTE count[4] = {static_cast<BYTE>(index >> 24), static_cast<BYTE>(index >> 16),
                           static_cast<BYTE>(index >> 8), static_cast<BYTE>(index)};
    done = HmacParts(provider, &pads, salt, saltLength, count, sizeof(count), round);
    CopyMemory(block, round, sizeof(block));
    for (DWORD i = 1; done && i < iterations; ++i) {
      done = HmacParts(provider, &pads, round, sizeof(round), nullptr, 0, round);
      for (int b = 0; b < PASSWORD_HASH_BYTES; ++b)
        block[b] ^= round[b];
    }
    DWORD take = outputLength - written;
    if (take > PASSWORD_HASH_BYTES)
      take = PASSWORD_HASH_BYTES;
    CopyMemory(output + written, block, take);
    written += take;
  }
  SecureZeroMemory(block, sizeof(block));
  SecureZeroMemory(round, sizeof(round));
  SecureZeroMemory(&pads, sizeof(pads));
  CryptReleaseContext(provider, 0);
  if (!done)
    SecureZeroMemory(output, outputLength);
  return done;
}

// Reads hex digits up to the next '$' or the end; false for an odd count, a stray
// character or more than capacity bytes.
static bool ParseHexField(const wchar_t **cursor, BYTE *bytes, DWORD capacity, DWORD *length)
{
  const wchar_t *p = *cursor;
  DWORD count = 0;
  while (*p != L'\0' && *p != L'$') {
    int high = HexDigitValue(p[0]);
    int low = high < 0 ? -1 : HexDigitValue(p[1]);
    if (low < 0 || count >= capacity)
      return false;
    bytes[count++] = static_cast<BYTE>(high * 16 + low);
    p += 2;
  }
  *cursor = p;
  *length = count;
  return true;
}

static bool ParseIterations(const wchar_t **cursor, DWORD *iterations)
{
  const wchar_t *p = *cursor;
  DWORD value = 0;
  int digits = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    if (++digits > ITERATION_DIGITS_MAX)
      return false;
    value = value * 10 + static_cast<DWORD>(*p - L'0');
  }
  *cursor = p;
  *iterations = value;
  return digits > 0 && value >= PASSWORD_MIN_ITERATIONS && value <= PASSWORD_MAX_ITERATIONS;
}

bool ParsePasswordHash(const wchar_t *text, PasswordHash *hash)
{
  if (text == nullptr || hash == nullptr)
    return false;
  ZeroMemory(hash, sizeof(*hash));
  const wchar_t *prefix = PASSWORD_HASH_PREFIX;
  const wchar_t *p = text;
  for (; *prefix != L'\0'; ++prefix, ++p) {
    if (*p != *prefix)
      return false;
  }
  DWORD hashLength = 0;
  bool parsed = ParseIterations(&p, &hash->iterations) && *p++ == L'$' &&
                ParseHexField(&p, hash->salt, PASSWORD_SALT_MAX_BYTES, &hash->saltLength) &&
                *p++ == L'$' && ParseHexField(&p, hash->hash, PASSWORD_HASH_BYTES, &hashLength) &&
                *p == L'\0' && hash->saltLength >= PASSWORD_SALT_BYTES &&
                hashLength == PASSWORD_HASH_BYTES;
  if (!parsed)
    ZeroMemory(hash, sizeof(*hash));
  return parsed;
}

static bool AppendHex(wchar_t *text, size_t capacity, const BYTE *bytes, DWORD length)
{
  static const wchar_t digits[] = L"0123456789abcdef";
  for (DWORD i = 0; i < length; ++i) {
    wchar_t pair[3] = {digits[bytes[i] >> 4], digits[bytes[i] & 15], L'\0'};
    if (!AppendText(text, capacity, pair))
      return false;
  }
  return true;
}

bool FormatPasswordHash(const PasswordHash *hash, wchar_t *text, size_t capacity)
{
  if (hash == nullptr || text == nullptr || capacity == 0 ||
      hash->saltLength > PASSWORD_SALT_MAX_BYTES)
    return false;
  wchar_t iterations[16];
  wsprintfW(iterations, L"%lu$", static_cast<unsigned long>(hash->iterations));
  bool fits = CopyText(text, capacity, PASSWORD_HASH_PREFIX) &&
              AppendText(text, capacity, iterations) &&
              AppendHex(text, capacity, hash->salt, hash->saltLength) &&
              AppendText(text, capacity, L"$") &&
              AppendHex(text, capacity, hash->hash, PASSWORD_HASH_BYTES);
  if (!fits)
    text[0] = L'\0';
  return fits;
}

// The password as the bytes that are hashed: UTF-8, without a terminator.
static bool PasswordBytes(const wchar_t *password, char *bytes, int capacity, DWORD *length)
{
  *length = 0;
  if (password == nullptr || wcslen(password) > PASSWORD_MAX_CHARACTERS)
    return false;
  if (password[0] == L'\0')
    return true;
  int written = WideCharToMultiByte(CP_UTF8, 0, password, -1, bytes, capacity, nullptr, nullptr);
  if (written <= 0)
    return false;
  *length = static_cast<DWORD>(written - 1);
  return true;
}

bool CreatePasswordHash(const wchar_t *password, DWORD iterations, PasswordHash *hash)
{
  if (hash == nullptr || iterations < PASSWORD_MIN_ITERATIONS ||
      iterations > PASSWORD_MAX_ITERATIONS)
    return false;
  ZeroMemory(hash, sizeof(*hash));
  HCRYPTPROV provider = 0;
  if (!AcquireProvider(&provider))
    return false;
  bool salted = CryptGenRandom(provider, PASSWORD_SALT_BYTES, hash->salt);
  CryptReleaseContext(provider, 0);

  char bytes[PASSWORD_UTF8_CAPACITY];
  DWORD length = 0;
  bool made = salted && PasswordBytes(password, bytes, sizeof(bytes), &length) &&
              DerivePbkdf2Sha1(reinterpret_cast<BYTE *>(bytes), length, hash->salt,
                               PASSWORD_SALT_BYTES, iterations, hash->hash, PASSWORD_HASH_BYTES);
  SecureZeroMemory(bytes, sizeof(bytes));
  if (!made) {
    ZeroMemory(hash, sizeof(*hash));
    return false;
  }
  hash->iterations = iterations;
  hash->saltLength = PASSWORD_SALT_BYTES;
  return true;
}

int CheckPassword(const wchar_t *password, const PasswordHash *hash)
{
  if (hash == nullptr || hash->saltLength > PASSWORD_SALT_MAX_BYTES)
    return PASSWORD_CHECK_DIFFERS;
  char bytes[PASSWORD_UTF8_CAPACITY];
  DWORD length = 0;
  if (!PasswordBytes(password, bytes, sizeof(bytes), &length))
    return PASSWORD_CHECK_DIFFERS;
  BYTE derived[PASSWORD_HASH_BYTES];
  bool derivedOk = DerivePbkdf2Sha1(reinterpret_cast<BYTE *>(bytes), length, hash->salt,
                                    hash->saltLength, hash->iterations, derived,
                                    PASSWORD_HASH_BYTES);
  SecureZeroMemory(bytes, sizeof(bytes));
  if (!derivedOk)
    return PASSWORD_CHECK_FAILED;
  // Every byte is looked at whatever differs, so the time says nothing about the hash.
  BYTE difference = 0;
  for (int i = 0; i < PASSWORD_HASH_BYTES; ++i)
    difference |= static_cast<BYTE>(derived[i] ^ hash->hash[i]);
  SecureZeroMemory(derived, sizeof(derived));
  return difference == 0 ? PASSWORD_CHECK_MATCHES : PASSWORD_CHECK_DIFFERS;
}

bool VerifyPassword(const wchar_t *password, const PasswordHash *hash)
{
  return CheckPassword(password, hash) == PASSWORD_CHECK_MATCHES;
}
