// The exit password's hash: PBKDF2-HMAC-SHA1 against the published vectors, the stored
// text form, and checking a password against it.
#include <gtest/gtest.h>

#include <string>

#include "launcher/config/PasswordHash.h"
#include "tests/support/ImportPatch.h"

namespace {

std::string Hex(const BYTE *bytes, size_t length)
{
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

// RFC 2202's HMAC-SHA1 cases, keys longer than a block among them.
TEST(PasswordHash, HmacMatchesThePublishedVectors)
{
  static const struct {
    std::string key, data;
    const char *expected;
  } vectors[] = {
      {std::string(20, '\x0b'), "Hi There", "b617318655057264e28bc0b6fb378c8ef146be00"},
      {"Jefe", "what do ya want for nothing?", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
      {std::string(20, '\xaa'), std::string(50, '\xdd'), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
      {"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14"
       "\x15\x16\x17\x18\x19",
       std::string(50, '\xcd'), "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
      {std::string(20, '\x0c'), "Test With Truncation", "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
      {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
       "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
      {std::string(80, '\xaa'),
       "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
       "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
  };
  for (const auto &v : vectors) {
    BYTE digest[20] = {0};
    ASSERT_TRUE(HmacSha1(reinterpret_cast<const BYTE *>(v.key.data()),
                         static_cast<DWORD>(v.key.size()),
                         reinterpret_cast<const BYTE *>(v.data.data()),
                         static_cast<DWORD>(v.data.size()), digest));
    EXPECT_EQ(v.expected, Hex(digest, 20)) << v.data;
  }
}

// RFC 6070, derived by a provider as strict as a device's: no HMAC key import, no hash
// copies. The vector with 16,777,216 iterations is left out: it takes minutes.
TEST(PasswordHash, DerivationMatchesThePublishedVectors)
{
  StrictDeviceProvider device;
  static const struct {
    std::string password, salt;
    DWORD iterations;
    DWORD length;
    const char *expected;
  } vectors[] = {
      {"password", "salt", 1, 20, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
      {"password", "salt", 2, 20, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
      {"password", "salt", 4096, 20, "4b007901b765489abead49d926f721d065a429c1"},
      {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25,
       "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
      {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, 16,
       "56fa6aa75548099dcc37d7f03425e0c3"},
  };
  for (const auto &v : vectors) {
    BYTE output[32] = {0};
    ASSERT_TRUE(DerivePbkdf2Sha1(reinterpret_cast<const BYTE *>(v.password.data()),
                                 static_cast<DWORD>(v.password.size()),
                                 reinterpret_cast<const BYTE *>(v.salt.data()),
                                 static_cast<DWORD>(v.salt.size()), v.iterations, output, v.length));
    EXPECT_EQ(v.expected, Hex(output, v.length)) << v.iterations << " iterations";
  }
}

// Passwords of no bytes and longer than a SHA-1 block, as other implementations derive them.
TEST(PasswordHash, EmptyAndLongPasswordsFollowHmacKeyRules)
{
  // A 100-byte key: HMAC first reduces it to its SHA-1.
  const std::string longKey(100, 'k');
  BYTE digest[20];
  ASSERT_TRUE(DerivePbkdf2Sha1(reinterpret_cast<const BYTE *>(longKey.data()), 100,
                               reinterpret_cast<const BYTE *>("salt"), 4, 3, digest, 20));
  EXPECT_EQ("26c5aad6369b5bf0f63761a693d30e4f3654fe13", Hex(digest, 20));

  ASSERT_TRUE(DerivePbkdf2Sha1(nullptr, 0, reinterpret_cast<const BYTE *>("salt"), 4, 1, digest, 20));
  EXPECT_EQ("a33dddc30478185515311f8752895d36ea4363a2", Hex(digest, 20));
}

TEST(PasswordHash, OnlyWellFormedValuesAreAccepted)
{
  const std::wstring salt = L"00112233445566778899aabbccddeeff";
  const std::wstring hash = L"0c60c80f961f0e71f3a9b524af6012062fe037a6";
  static const struct {
    std::wstring text;
    bool valid;
  } rows[] = {
      {L"pbkdf2-sha1$10000$" + salt + L"$" + hash, true},
      {L"pbkdf2-sha1$1000000$" + salt + L"AB$" + hash, true},
      {L"pbkdf2-sha1$20000$00112233445566778899AABBCCDDEEFF$" + hash, true},
      {L"", false},
      {L"pbkdf2-sha1$9999$" + salt + L"$" + hash, false},
      {L"pbkdf2-sha1$1000001$" + salt + L"$" + hash, false},
      {L"pbkdf2-sha1$99999999999$" + salt + L"$" + hash, false},
      {L"pbkdf2-sha1$$" + salt + L"$" + hash, false},
      {L"pbkdf2-sha1$+10000$" + salt + L"$" + hash, false},
      {L"PBKDF2-SHA1$10000$" + salt + L"$" + hash, false},
      {L"pbkdf2-sha256$10000$" + salt + L"$" + hash, false},
      {L"pbkdf2-sha1$10000$00112233445566778899aabbccddee$" + hash, false},  // 15-byte salt
      {L"pbkdf2-sha1$10000$" + salt + L"0$" + hash, false},                  // odd digits
      {L"pbkdf2-sha1$10000$" + salt + L"$" + hash + L"00", false},
      {L"pbkdf2-sha1$10000$" + salt + L"$" + hash.substr(2), false},
      {L"pbkdf2-sha1$10000$" + salt + L"$" + hash + L"$", false},
      {L"pbkdf2-sha1$10000$" + salt + L"$" + hash + L" ", false},
      {L"pbkdf2-sha1$10000$" + salt + L"$" + hash.substr(0, 38) + L"zz", false},
      {L"pbkdf2-sha1$10000$" + salt, false},
      {L"pbkdf2-sha1$10000$" + std::wstring(130, L'a') + L"$" + hash, false},
  };
  for (const auto &row : rows) {
    PasswordHash parsed;
    EXPECT_EQ(row.valid, ParsePasswordHash(row.text.c_str(), &parsed)) << row.text.c_str();
  }
}

TEST(PasswordHash, ANewHashIsSaltedReadsBackAndKnowsItsPassword)
{
  PasswordHash first, second, parsed;
  ASSERT_TRUE(CreatePasswordHash(L"4711-p\u00e4ss", PASSWORD_MIN_ITERATIONS, &first));
  ASSERT_TRUE(CreatePasswordHash(L"4711-p\u00e4ss", PASSWORD_MIN_ITERATIONS, &second));
  EXPECT_EQ(16u, first.saltLength);
  EXPECT_NE(Hex(first.salt, 16), Hex(second.salt, 16)) << "each hash gets its own salt";
  EXPECT_NE(Hex(first.hash, 20), Hex(second.hash, 20));

  wchar_t text[PASSWORD_HASH_TEXT_CAPACITY];
  ASSERT_TRUE(FormatPasswordHash(&first, text, PASSWORD_HASH_TEXT_CAPACITY));
  EXPECT_EQ(std::wstring(L"pbkdf2-sha1$10000$"), std::wstring(text).substr(0, 18));
  ASSERT_TRUE(ParsePasswordHash(text, &parsed));
  EXPECT_TRUE(VerifyPassword(L"4711-p\u00e4ss", &parsed));
  EXPECT_FALSE(VerifyPassword(L"4711-pass", &parsed));
  EXPECT_FALSE(VerifyPassword(L"", &parsed));
  // A stored hash that differs from the right one in its first byte alone, or its last.
  const std::wstring right = text;
  for (size_t digit : {right.size() - 2 * PASSWORD_HASH_BYTES, right.size() - 1}) {
    std::wstring changed = right;
    changed[digit] = changed[digit] == L'0' ? L'1' : L'0';
    ASSERT_TRUE(ParsePasswordHash(changed.c_str(), &parsed));
    EXPECT_FALSE(VerifyPassword(L"4711-p\u00e4ss", &parsed)) << "digit " << digit;
  }
  EXPECT_FALSE(FormatPasswordHash(&first, text, 40)) << "a text that does not fit is refused";
  EXPECT_FALSE(CreatePasswordHash(L"x", PASSWORD_MIN_ITERATIONS - 1, &first));
}

}  // namespace
