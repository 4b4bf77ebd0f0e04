#include "startup/CheatCode.h"

#include <vector>

#include "assets/StringCipher.h"
#include "core/TSettings.h"

bool CheatCodeMatches(const str& code, const str& key, const str& computerId) {
  StringCipher cipher(key.CStr());
  const int length = static_cast<int>(computerId.Length()) + 1;
  const int size = cipher.Encipher(computerId.CStr(), length, nullptr, 0, true);
  if (size <= 0) return false;
  std::vector<char> out(static_cast<size_t>(size) + 1, 0);
  if (cipher.Encipher(computerId.CStr(), length, out.data(), size, true) != 0) return false;
  return code == str(out.data());
}

void RegisterCheatCodeCheck() { SetCheatCodeCheck(&CheatCodeMatches); }
