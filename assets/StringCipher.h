// Blowfish in ECB mode under a 12-character key text, with an optional Base64 text form.
// Used for the preferences file, the high-score file and enciphered settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/str.h"

// The bare block cipher; StringCipher prepares its key and pads its data.
class Blowfish {
public:
  Blowfish();
  // Key schedule over 1..56 key bytes taken cyclically; an empty key leaves the initial state.
  void SetKey(const uint8_t* key, size_t length);
  void EncipherBlock(uint32_t& left, uint32_t& right) const;
  void DecipherBlock(uint32_t& left, uint32_t& right) const;

private:
  uint32_t F(uint32_t x) const;

  uint32_t mP[18];
  uint32_t mS[4][256];
};

class StringCipher {
public:
  explicit StringCipher(const char* keyText);

  // Both return 0 when the result was written to out, else the size out must have (nothing
  // is written then). A null out asks for the size only.
  int Encipher(const void* data, int length, void* out, int outSize, bool asText);
  int Decipher(const void* data, int length, void* out, int outSize, bool isText);
  // Bytes written by the last Encipher or Decipher that wrote its result.
  int GetLastLength() const { return mLastLength; }

  // Deciphers a Base64 text whose plain form carries its terminating zero byte.
  str DecipherString(const char* text);

  // The 12 characters actually used as key: padded with 'A' and ending in "AAA".
  static str PrepareKeyText(const char* keyText);

  // Standard Base64 with "=" padding. Decode completes a length that is not a multiple of 4
  // with "=" and fails (false) on a character outside the alphabet.
  static str Base64Encode(const uint8_t* data, size_t length);
  static bool Base64Decode(const char* text, size_t length, std::vector<uint8_t>& out);

private:
  Blowfish mCipher;
  int mLastLength = 0;
};
