// Game modes, story and arcade progress, scores and medals.
#include "game/shell/QMGameManager.h"

int QMGameManager::ChapterOfLevel(int level) {
  if (level >= 1 && level <= 12) return (level + 2) / 3;
  if (level >= 13 && level <= 16) return 5;
  if (level >= 17 && level <= 19) return 6;
  return 0;
}

void QMGameManager::SetCurrentGameMode(int mode) {
  if (mode < 0 || mode >= 3) return;
  mGameMode = mode;
  mHiscores.SetParameter(2, kIdTable[mode]);
}

void QMGameManager::SetStoryLevel(int level) { SetInt("storylevel", ChapterOfLevel(level)); }
int QMGameManager::GetStoryLevel() const { return GetInt("storylevel", 0); }

void QMGameManager::SetStoryLevelComplete(int level) {
  SetInt("storyLevelComplete", ChapterOfLevel(level));
}

void QMGameManager::NewSetStoryScore(int score) {
  SetInt("storyScore", score);
  const int completed = GetInt("storyLevelComplete", 0);
  for (int i = 1; i <= completed; ++i) {
    if (i <= 6) mHiscores.SetMedal(kIdTable[kFirstChapterTable + i - 1], 0, "");
    if (completed == 6) mHiscores.SetMedal(kIdTable[kStoryMedalTable], 0, "");
  }
  mHiscores.AddScore(score, true, "");
}

int QMGameManager::GetStoryScore() const { return GetInt("storyScore", 0); }

void QMGameManager::InitStoryHighScore() {
  if (GetStoryScore() < 1) NewSetStoryScore(0);
}

int QMGameManager::GetHighScore() const {
  int32_t score = 0, rank = 0;
  if (!mHiscores.FindPlayerScore(0, &score, &rank, nullptr, 0)) return 0;
  return score;
}

void QMGameManager::PostHSMedal(const str&) {}

int QMGameManager::GetArcadeLevel() const { return GetInt("arcadelevel", 1); }
void QMGameManager::SetArcadeLevel(int level) { SetInt("arcadelevel", level); }
int QMGameManager::GetLastArcadeLevel() const { return GetInt("arcadelastlevel", 1); }
void QMGameManager::SetLastArcadeLevel(int level) { SetInt("arcadelastlevel", level); }
int QMGameManager::GetArcadeScore() const { return GetInt("arcadeScore", 0); }

void QMGameManager::SetArcadeScore(int score) {
  SetInt("arcadeScore", score);
  mHiscores.AddScore(score, true, "");
}
