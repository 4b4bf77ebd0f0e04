// The preferences file "user:prefs.dat", in its chunk form or the older XML form. The first
// input byte chooses the mode, by its remainder after division by three:
// - 0: the rest is the file as stored;
// - 1: the rest is a list of plain records, each enciphered as a save writes it, so that the
//   installation records, user markers and key-value pairs behind the cipher are what the
//   mutations change;
// - 2: the rest is the plain document of the older XML form, enciphered and checksummed as
//   that form stored it, so that its installations and slots are what the mutations change.
// Whatever loads must save, load again and save to the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "assets/StringCipher.h"
#include "assets/TPrefs.h"
#include "core/TSettings.h"

namespace {

std::string LoadAndSave(const std::string& path) {
  {
    TPrefs prefs(true);
    prefs.GetString("name", "", 0);
    prefs.GetInt("volume", 0);
    for (int user = 0; user < prefs.GetUserCount() && user < 8; ++user)
      prefs.GetString("name", "", user);
    if (!prefs.Save()) abort();
  }
  return fuzz::ReadDiskFile(path);
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// One chunk as a save writes it: the tag, the payload's length and the payload, enciphered
// but for the user markers.
void AppendChunk(std::vector<uint8_t>& out, StringCipher& cipher, const char tag[4],
                 const std::string& plain) {
  out.insert(out.end(), tag, tag + 4);
  if (tag[0] == 'U') {
    PutU32(out, uint32_t(plain.size()));
    out.insert(out.end(), plain.begin(), plain.end());
    return;
  }
  const int size = cipher.Encipher(plain.data(), int(plain.size()), nullptr, 0, false);
  std::vector<uint8_t> enciphered(size_t(size > 0 ? size : 0));
  if (size > 0) cipher.Encipher(plain.data(), int(plain.size()), enciphered.data(), size, false);
  PutU32(out, uint32_t(enciphered.size()));
  out.insert(out.end(), enciphered.begin(), enciphered.end());
}

// The file for the input's plain records: installation records, user markers, key-value pairs
// and records of any other tag, in the order the input gives.
std::vector<uint8_t> PlainRecords(fuzz::Input& in) {
  StringCipher cipher(GetConfig(kConfigEncryptionKey).CStr());
  std::vector<uint8_t> file;
  while (!in.Empty()) {
    switch (in.Byte() % 4) {
      case 0: AppendChunk(file, cipher, "IKEY", in.Text()); break;
      case 1: {
        const std::string slot{char(in.Byte()), char(in.Byte())};
        AppendChunk(file, cipher, "USER", slot);
        break;
      }
      case 2: {
        // The key's length counts its zero byte, as a save writes it; the input may also
        // leave the zero out.
        const std::string key = in.Text(), value = in.Text();
        const bool zero = (in.Byte() & 1) == 0;
        const size_t length = key.size() + (zero ? 1 : 0);
        std::string pair{char(length & 0xFF), char(length >> 8)};
        pair += key;
        if (zero) pair += '\0';
        AppendChunk(file, cipher, "KVPR", pair + value);
        break;
      }
      default: {
        const char tag[4] = {char(in.Byte()), char(in.Byte()), char(in.Byte()), char(in.Byte())};
        AppendChunk(file, cipher, tag, in.Text());
        break;
      }
    }
  }
  return file;
}

// The older form: a nameless root holding the document enciphered as text and the checksum of
// the plain document, each byte taken as signed and turned into its place in a 32-bit word.
std::string OldForm(const std::string& document) {
  StringCipher cipher(GetConfig(kConfigEncryptionKey).CStr());
  const int length = int(document.size()) + 1;
  const int size = cipher.Encipher(document.c_str(), length, nullptr, 0, true);
  std::string text(size_t(size > 0 ? size : 0), '\0');
  if (size <= 0 || cipher.Encipher(document.c_str(), length, text.data(), size, true) != 0) abort();
  text.resize(text.find('\0'));
  uint32_t sum = 0;
  for (size_t i = 0; i < document.size(); ++i)
    sum ^= uint32_t(int32_t(int8_t(document[i]))) << (8 * (i % 4));
  return "<><data1 data=\"" + text + "\"/><data2 data=\"" + std::to_string(sum) + "\"/></>";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool configured = [] {
    fuzz::ScratchFolder();
    SetConfig(kConfigEncryptionKey, "c2VjcmV0a2AA");
    SetConfig(kConfigInstallKey, "/Games/Hidden");
    return true;
  }();
  (void)configured;
  if (size < 1) return 0;
  std::string path;
  if (data[0] % 3 == 1) {
    fuzz::Input in(data + 1, size - 1);
    const std::vector<uint8_t> file = PlainRecords(in);
    path = fuzz::PutDiskFile("user/prefs.dat", file.data(), file.size());
  } else if (data[0] % 3 == 2) {
    std::string document(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string file = OldForm(document.substr(0, document.find('\0')));
    path = fuzz::PutDiskFile("user/prefs.dat", reinterpret_cast<const uint8_t*>(file.data()),
                             file.size());
  } else {
    path = fuzz::PutDiskFile("user/prefs.dat", data + 1, size - 1);
  }
  std::string first = LoadAndSave(path);
  std::string second = LoadAndSave(path);
  if (first != second) {
    fprintf(stderr, "Saved %zu bytes, then %zu after loading them again\n", first.size(),
            second.size());
    abort();
  }
  return 0;
}
