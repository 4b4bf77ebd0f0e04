// The high-score file "user:hiscore.dat". The first input byte chooses the mode:
// - even: the rest is the file as stored; whatever loads must answer every query within the
//   caller's buffers;
// - odd: the rest is the plain content, enciphered and checksummed as the store writes it, so
//   every mutation reaches the XML behind the cipher. It is loaded, queried, given a new score
//   and a medal for a player and category from the input, saved and loaded again: a second
//   save gives the same bytes as the first.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "assets/StringCipher.h"
#include "core/TSettings.h"
#include "online/THwHiscores.h"

namespace {

void Query(const THwHiscores& scores) {
  char name[32], gameData[64];
  for (bool local : {true, false}) {
    const int32_t count = scores.GetScoreCount(local);
    for (int32_t i = 0; i < count && i < 600; ++i) {
      int32_t rank = 0, score = 0;
      bool anonymous = false;
      scores.GetScore(local, i, &rank, name, sizeof name, &anonymous, &score, gameData,
                      sizeof gameData);
    }
  }
  int32_t score = 0, rank = 0;
  scores.FindPlayerScore(0, &score, &rank, gameData, sizeof gameData);
  scores.CountPendingMedals();
  for (int32_t i = 0; i < scores.GetCategoryCount() && i < 64; ++i)
    scores.GetCategoryName(i, name, sizeof name);
}

std::vector<uint8_t> Encipher(StringCipher& cipher, const void* data, int length) {
  const int size = cipher.Encipher(data, length, nullptr, 0, false);
  std::vector<uint8_t> out(size_t(size > 0 ? size : 0));
  if (size <= 0 || cipher.Encipher(data, length, out.data(), size, false) != 0) abort();
  return out;
}

// The file the store writes for that content: the content with its zero byte enciphered, then
// the enciphered checksum of those bytes.
std::vector<uint8_t> StoredFile(const std::string& content) {
  StringCipher cipher(GetConfig(kConfigEncryptionKey).CStr());
  std::vector<uint8_t> bytes = Encipher(cipher, content.c_str(), int(content.size()) + 1);
  const uint32_t sum = HiscoreChecksum(bytes.data(), bytes.size());
  const uint8_t word[4] = {uint8_t(sum), uint8_t(sum >> 8), uint8_t(sum >> 16), uint8_t(sum >> 24)};
  std::vector<uint8_t> block = Encipher(cipher, word, 4);
  bytes.insert(bytes.end(), block.begin(), block.end());
  return bytes;
}

void PlainContent(fuzz::Input& in) {
  const int32_t score = int32_t(in.U32());
  const uint8_t flags = in.Byte();
  const std::string player = in.Text(), category = in.Text(), gameData = in.Text(),
                    medal = in.Text();
  std::string content = in.Rest();
  content = content.substr(0, content.find('\0'));

  THwHiscores scores(false);
  const std::vector<uint8_t> file = StoredFile(content);
  if (!scores.LoadBytes(file.data(), file.size())) abort();
  Query(scores);
  scores.SetParameter(1, str(player.c_str()));
  scores.SetParameter(2, str(category.c_str()));
  Query(scores);
  scores.AddScore(score, flags & 1, gameData.c_str());
  scores.SetMedal(medal.c_str(), flags >> 1 & 1, str(gameData.c_str()));
  Query(scores);

  const std::vector<uint8_t> saved = scores.SaveBytes();
  THwHiscores again(false);
  if (!again.LoadBytes(saved.data(), saved.size())) abort();
  if (again.SaveBytes() != saved) abort();  // what was saved does not read back
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ConfigureHiscores();
  if (size < 1) return 0;
  if (data[0] & 1) {
    fuzz::Input in(data + 1, size - 1);
    PlainContent(in);
    return 0;
  }
  THwHiscores scores(false);
  if (scores.LoadBytes(data + 1, size - 1)) Query(scores);
  return 0;
}
