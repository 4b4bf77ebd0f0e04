// Replies of the score server: the status check and the score and category tables read from
// whatever bytes a server sends.
#include <cstdint>

#include "FuzzSupport.h"
#include "core/TSettings.h"
#include "online/THwHiscores.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ConfigureHiscores();
  const str reply(reinterpret_cast<const char*>(data), static_cast<unsigned>(size));
  THwHiscores scores(false);
  scores.CheckReply(reply);
  scores.ParseScoresReply(reply);
  scores.ParseTablesReply(reply);
  char name[32], gameData[64];
  const int32_t count = scores.GetScoreCount(false);
  for (int32_t i = 0; i < count && i < 600; ++i) {
    int32_t rank = 0, score = 0;
    bool anonymous = false;
    scores.GetScore(false, i, &rank, name, sizeof name, &anonymous, &score, gameData,
                    sizeof gameData);
  }
  for (int32_t i = 0; i < scores.GetCategoryCount() && i < 64; ++i)
    scores.GetCategoryName(i, name, sizeof name);
  return 0;
}
