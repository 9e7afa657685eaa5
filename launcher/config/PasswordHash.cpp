// PBKDF2-HMAC-SHA1 through the platform's CryptoAPI, and the stored text form of the
// exit password's hash.
#include "launcher/config/PasswordHash.h"

#include <wchar.h>
#include <wincrypt.h>

#include "Common/StdFuncs.h"

enum {
  SHA1_BLOCK_BYTES = 64,
  PASSWORD_UTF8_CAPACITY = 4 * PASSWORD_MAX_CHARACTERS + 1,
  ITERATION_DIGITS_MAX = 7,
};

// A password given to CryptImportKey as the key of an HMAC.
struct HmacKeyBlob {
  BLOBHEADER header;
  DWORD length;
  BYTE key[SHA1_BLOCK_BYTES];
};

struct HmacContext {
  HCRYPTPROV provider;
  HCRYPTKEY key;
  HCRYPTHASH keyed;  // an HMAC with the key set and no data yet; copied for every use
};

static void ReleaseHmac(HmacContext *context)
{
  if (context->keyed != 0)
    CryptDestroyHash(context->keyed);
  if (context->key != 0)
    CryptDestroyKey(context->key);
  if (context->provider != 0)
    CryptReleaseContext(context->provider, 0);
  context->keyed = 0;
  context->key = 0;
  context->provider = 0;
}

// HMAC keys longer than a block are replaced by their SHA-1, as HMAC defines.
static bool HashLongKey(HCRYPTPROV provider, const BYTE *key, DWORD length, BYTE *digest)
{
  HCRYPTHASH hash = 0;
  DWORD size = PASSWORD_HASH_BYTES;
  bool done = CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) &&
              CryptHashData(hash, key, length, 0) &&
              CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) &&
              size == PASSWORD_HASH_BYTES;
  if (hash != 0)
    CryptDestroyHash(hash);
  return done;
}

static bool OpenHmac(const BYTE *password, DWORD length, HmacContext *context)
{
  context->provider = 0;
  context->key = 0;
  context->keyed = 0;
  if (!CryptAcquireContextW(&context->provider, nullptr, nullptr, PROV_RSA_FULL,
                            CRYPT_VERIFYCONTEXT)) {
    context->provider = 0;
    return false;
  }

  HmacKeyBlob blob = {};
  blob.header.bType = PLAINTEXTKEYBLOB;
  blob.header.bVersion = CUR_BLOB_VERSION;
  blob.header.aiKeyAlg = CALG_RC2;
  if (length > SHA1_BLOCK_BYTES) {
    if (!HashLongKey(context->provider, password, length, blob.key)) {
      ReleaseHmac(context);
      return false;
    }
    blob.length = PASSWORD_HASH_BYTES;
  } else if (length == 0) {
    // HMAC pads its key with zero bytes, so an empty key and a single zero byte are the
    // same key; the platform refuses a key of no bytes.
    blob.length = 1;
  } else {
    CopyMemory(blob.key, password, length);
    blob.length = length;
  }

  HMAC_INFO info = {};
  info.HashAlgid = CALG_SHA1;
  DWORD blobSize = static_cast<DWORD>(sizeof(blob.header) + sizeof(blob.length)) + blob.length;
  bool opened =
      CryptImportKey(context->provider, reinterpret_cast<BYTE *>(&blob), blobSize, 0,
                     CRYPT_IPSEC_HMAC_KEY, &context->key) &&
      CryptCreateHash(context->provider, CALG_HMAC, context->key, 0, &context->keyed) &&
      CryptSetHashParam(context->keyed, HP_HMAC_INFO, reinterpret_cast<BYTE *>(&info), 0);
  SecureZeroMemory(&blob, sizeof(blob));
  if (!opened)
    ReleaseHmac(context);
  return opened;
}

// One HMAC of first followed by second (which may be empty) into digest.
static bool Hmac(const HmacContext *context, const BYTE *first, DWORD firstLength,
                 const BYTE *second, DWORD secondLength, BYTE *digest)
{
  HCRYPTHASH hash = 0;
  if (!CryptDuplicateHash(context->keyed, nullptr, 0, &hash))
    return false;
  DWORD size = PASSWORD_HASH_BYTES;
  bool done = CryptHashData(hash, first, firstLength, 0) &&
              (secondLength == 0 || CryptHashData(hash, second, secondLength, 0)) &&
              CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) &&
              size == PASSWORD_HASH_BYTES;
  CryptDestroyHash(hash);
  return done;
}

bool DerivePbkdf2Sha1(const BYTE *password, DWORD passwordLength, const BYTE *salt,
                      DWORD saltLength, DWORD iterations, BYTE *output, DWORD outputLength)
{
  if (iterations == 0 || output == nullptr || (passwordLength != 0 && password == nullptr) ||
      (saltLength != 0 && salt == nullptr))
    return false;
  HmacContext context;
  if (!OpenHmac(password, passwordLength, &context))
    return false;

  bool done = true;
  BYTE block[PASSWORD_HASH_BYTES];
  BYTE round[PASSWORD_HASH_BYTES];
  for (DWORD index = 1, written = 0; done && written < outputLength; ++index) {
    const BYTE count[4] = {static_cast<BYTE>(index >> 24), static_cast<BYTE>(index >> 16),
                           static_cast<BYTE>(index >> 8), static_cast<BYTE>(index)};
    done = Hmac(&context, salt, saltLength, count, sizeof(count), round);
    CopyMemory(block, round, sizeof(block));
    for (DWORD i = 1; done && i < iterations; ++i) {
      done = Hmac(&context, round, sizeof(round), nullptr, 0, round);
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
  ReleaseHmac(&context);
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
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
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

bool VerifyPassword(const wchar_t *password, const PasswordHash *hash)
{
  if (hash == nullptr || hash->saltLength > PASSWORD_SALT_MAX_BYTES)
    return false;
  char bytes[PASSWORD_UTF8_CAPACITY];
  DWORD length = 0;
  BYTE derived[PASSWORD_HASH_BYTES];
  bool derivedOk = PasswordBytes(password, bytes, sizeof(bytes), &length) &&
                   DerivePbkdf2Sha1(reinterpret_cast<BYTE *>(bytes), length, hash->salt,
                                    hash->saltLength, hash->iterations, derived,
                                    PASSWORD_HASH_BYTES);
  SecureZeroMemory(bytes, sizeof(bytes));
  if (!derivedOk)
    return false;
  // Every byte is looked at whatever differs, so the time says nothing about the hash.
  BYTE difference = 0;
  for (int i = 0; i < PASSWORD_HASH_BYTES; ++i)
    difference |= static_cast<BYTE>(derived[i] ^ hash->hash[i]);
  SecureZeroMemory(derived, sizeof(derived));
  return difference == 0;
}
