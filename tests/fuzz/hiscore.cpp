// The high-score file "user:hiscore.dat": whatever loads must answer every query within the
// caller's buffers.
#include <cstdint>

#include "FuzzSupport.h"
#include "core/TSettings.h"
#include "online/THwHiscores.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ConfigureHiscores();
  THwHiscores scores(false);
  if (!scores.LoadBytes(data, size)) return 0;
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
  return 0;
}
