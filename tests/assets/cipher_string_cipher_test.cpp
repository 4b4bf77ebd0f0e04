#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/StringCipher.h"

namespace {

std::vector<uint8_t> Hex(const char* hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
    out.push_back(uint8_t(std::stoul(std::string(hex + i, 2), nullptr, 16)));
  return out;
}

uint32_t Word(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) |
         b[at + 3];
}

std::vector<uint8_t> EncipherBytes(StringCipher& c, const std::vector<uint8_t>& plain, bool text) {
  int size = c.Encipher(plain.data(), int(plain.size()), nullptr, 0, text);
  std::vector<uint8_t> out(static_cast<size_t>(size));
  EXPECT_EQ(c.Encipher(plain.data(), int(plain.size()), out.data(), size, text), 0);
  EXPECT_EQ(c.GetLastLength(), size);
  return out;
}

std::vector<uint8_t> DecipherBytes(StringCipher& c, const std::vector<uint8_t>& data, bool text) {
  int size = c.Decipher(data.data(), int(data.size()), nullptr, 0, text);
  std::vector<uint8_t> out(static_cast<size_t>(size));
  EXPECT_EQ(c.Decipher(data.data(), int(data.size()), out.data(), size, text), 0);
  EXPECT_EQ(c.GetLastLength(), size);
  return out;
}

}  // namespace

TEST(StringCipherTest, BlockCipherMatchesPublishedVectors) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipher;
  } cases[] = {
      {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
      {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
      {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
      // Keys of other lengths, the 9-byte one being the length the key texts decode to.
      {"F0E1D2C3B4A59687", "FEDCBA9876543210", "E87A244E2CC85E82"},
      {"F0E1D2C3B4A5968778", "FEDCBA9876543210", "15750E7A4F4EC577"},
      {"F0E1D2", "FEDCBA9876543210", "E9C2B70A1BC65CF3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    std::vector<uint8_t> key = Hex(c.key), plain = Hex(c.plain), cipher = Hex(c.cipher);
    Blowfish bf;
    bf.SetKey(key.data(), key.size());
    uint32_t l = Word(plain, 0), r = Word(plain, 4);
    bf.EncipherBlock(l, r);
    EXPECT_EQ(l, Word(cipher, 0));
    EXPECT_EQ(r, Word(cipher, 4));
    bf.DecipherBlock(l, r);
    EXPECT_EQ(l, Word(plain, 0));
    EXPECT_EQ(r, Word(plain, 4));
  }
}

TEST(StringCipherTest, KeyTextIsPaddedAndEndsInAAA) {
  struct Case {
    const char* in;
    const char* prepared;
  } cases[] = {
      {"abc", "abcAAAAAAAAA"},
      {"ABCDEFGHIJKLMN", "ABCDEFGHIAAA"},
      {"ABCDEFGHIxyz", "ABCDEFGHIAAA"},
      {"ABCDEFGHIAAA", "ABCDEFGHIAAA"},
      {"", "AAAAAAAAAAAA"},
      {nullptr, "AAAAAAAAAAAA"},
  };
  for (const Case& c : cases) EXPECT_STREQ(StringCipher::PrepareKeyText(c.in).CStr(), c.prepared);

  // Texts that prepare alike encipher alike.
  StringCipher shortKey("abc"), padded("abcAAAAAAAAA"), other("abd");
  std::vector<uint8_t> plain = {1, 2, 3, 4, 5};
  EXPECT_EQ(EncipherBytes(shortKey, plain, false), EncipherBytes(padded, plain, false));
  EXPECT_NE(EncipherBytes(shortKey, plain, false), EncipherBytes(other, plain, false));
}

TEST(StringCipherTest, KeyTextIsBase64OfTheBlowfishKey) {
  // "AAECAwQFGAAA" is the Base64 form of the nine bytes 00 01 02 03 04 05 18 00 00.
  StringCipher cipher("AAECAwQFGAAA");
  const uint8_t key[9] = {0, 1, 2, 3, 4, 5, 0x18, 0, 0};
  Blowfish bf;
  bf.SetKey(key, sizeof(key));
  // Enciphering nothing yields one block of eight pad bytes of value 8.
  uint32_t l = 0x08080808, r = 0x08080808;
  bf.EncipherBlock(l, r);
  std::vector<uint8_t> got = EncipherBytes(cipher, {}, false);
  ASSERT_EQ(got.size(), 8u);
  EXPECT_EQ(Word(got, 0), l);
  EXPECT_EQ(Word(got, 4), r);
}

TEST(StringCipherTest, RoundTripsEveryLengthInBothForms) {
  StringCipher cipher("Zm9vYmFyYmAA");
  for (int n = 0; n <= 17; ++n) {
    SCOPED_TRACE(n);
    std::vector<uint8_t> plain(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) plain[size_t(i)] = uint8_t(0xF0 + i);
    int padded = (n & ~7) + 8;

    std::vector<uint8_t> raw = EncipherBytes(cipher, plain, false);
    EXPECT_EQ(int(raw.size()), padded);
    EXPECT_EQ(DecipherBytes(cipher, raw, false), plain);

    std::vector<uint8_t> text = EncipherBytes(cipher, plain, true);
    EXPECT_EQ(int(text.size()), (padded + 2) / 3 * 4 + 1);
    EXPECT_EQ(text.back(), 0);
    EXPECT_EQ(DecipherBytes(cipher, text, true), plain);
  }
}

TEST(StringCipherTest, TooSmallOutputIsLeftUntouched) {
  StringCipher cipher("c2VjcmV0AAAA");
  const char plain[] = "twelve bytes";
  ASSERT_EQ(cipher.Encipher(plain, 3, nullptr, 0, false), 8);
  std::vector<uint8_t> first(8);
  ASSERT_EQ(cipher.Encipher(plain, 3, first.data(), 8, false), 0);
  ASSERT_EQ(cipher.GetLastLength(), 8);

  std::vector<uint8_t> out(16, 0xAA);
  EXPECT_EQ(cipher.Encipher(plain, 12, out.data(), 15, false), 16);
  EXPECT_EQ(out, std::vector<uint8_t>(16, 0xAA));
  EXPECT_EQ(cipher.GetLastLength(), 8);

  std::vector<uint8_t> enciphered(16);
  ASSERT_EQ(cipher.Encipher(plain, 12, enciphered.data(), 16, false), 0);
  EXPECT_EQ(cipher.Decipher(enciphered.data(), 16, out.data(), 11, false), 12);
  EXPECT_EQ(out, std::vector<uint8_t>(16, 0xAA));
  EXPECT_EQ(cipher.GetLastLength(), 16);

  // A buffer of exactly the result's size gets the result and nothing past it, although
  // the deciphered blocks are 16 bytes.
  ASSERT_EQ(cipher.Decipher(enciphered.data(), 16, out.data(), 12, false), 0);
  EXPECT_EQ(std::memcmp(out.data(), plain, 12), 0);
  EXPECT_EQ(std::vector<uint8_t>(out.begin() + 12, out.end()), std::vector<uint8_t>(4, 0xAA));
  EXPECT_EQ(cipher.GetLastLength(), 12);
}

TEST(StringCipherTest, ImpossiblePadGivesAnEmptyResult) {
  StringCipher cipher("a2V5AAAAAAAA");
  // ECB blocks are independent, so the first block of a longer text deciphers on its own
  // and its last byte is then the pad count.
  struct Case {
    uint8_t last;
    int expected;
  } cases[] = {{0x80, 0}, {0xFF, 0}, {9, 0}, {8, 0}, {1, 7}, {0, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.last));
    std::vector<uint8_t> plain = {1, 2, 3, 4, 5, 6, 7, c.last};
    std::vector<uint8_t> enciphered = EncipherBytes(cipher, plain, false);
    enciphered.resize(8);
    std::vector<uint8_t> out = DecipherBytes(cipher, enciphered, false);
    EXPECT_EQ(int(out.size()), c.expected);
  }
}

TEST(StringCipherTest, DecipherStringReadsTheTextForm) {
  StringCipher cipher("dGV4dGtleQAA");
  const char message[] = "Hello, player";
  std::vector<uint8_t> withZero(message, message + sizeof(message));
  std::vector<uint8_t> text = EncipherBytes(cipher, withZero, true);
  EXPECT_STREQ(cipher.DecipherString(reinterpret_cast<const char*>(text.data())).CStr(), message);

  // Without its zero byte the plain text ends with the result.
  std::vector<uint8_t> noZero(message, message + 5);
  text = EncipherBytes(cipher, noZero, true);
  EXPECT_STREQ(cipher.DecipherString(reinterpret_cast<const char*>(text.data())).CStr(), "Hello");

  // Dropping the "=" padding still decodes.
  std::string unpadded(reinterpret_cast<const char*>(text.data()));
  while (!unpadded.empty() && unpadded.back() == '=') unpadded.pop_back();
  EXPECT_STREQ(cipher.DecipherString(unpadded.c_str()).CStr(), "Hello");

  for (const char* bad : std::vector<const char*>{"", "!!!!", "A", "not base64 at all", nullptr})
    EXPECT_TRUE(cipher.DecipherString(bad).IsEmpty()) << (bad ? bad : "null");
}

TEST(StringCipherTest, Base64MatchesStandardVectors) {
  const char* cases[][2] = {{"", ""},
                            {"f", "Zg=="},
                            {"fo", "Zm8="},
                            {"foo", "Zm9v"},
                            {"foob", "Zm9vYg=="},
                            {"fooba", "Zm9vYmE="},
                            {"foobar", "Zm9vYmFy"}};
  for (auto& c : cases) {
    const uint8_t* plain = reinterpret_cast<const uint8_t*>(c[0]);
    EXPECT_STREQ(StringCipher::Base64Encode(plain, std::strlen(c[0])).CStr(), c[1]);
    std::vector<uint8_t> decoded;
    ASSERT_TRUE(StringCipher::Base64Decode(c[1], std::strlen(c[1]), decoded));
    EXPECT_EQ(std::string(decoded.begin(), decoded.end()), c[0]);
  }
  std::vector<uint8_t> decoded;
  EXPECT_TRUE(StringCipher::Base64Decode("Zm8", 3, decoded));
  EXPECT_EQ(std::string(decoded.begin(), decoded.end()), "fo");
  for (const char* bad : std::vector<const char*>{"Z", "Zm9v!A==", "Zg==Zg==", "Z==="})
    EXPECT_FALSE(StringCipher::Base64Decode(bad, std::strlen(bad), decoded)) << bad;
}
