#include "game/shell/QMGameOver.h"

#include "game/shell/ChildWindows.h"
#include "game/shell/QMGameManager.h"
#include "render/TTexture.h"
#include "window/TImage.h"

namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr uint32_t kOpaqueBlack = 0xFF000000u;

boost::shared_ptr<TTexture> BlackScreenTexture() {
  boost::shared_ptr<TTexture> texture = TTexture::Create(kScreenWidth, kScreenHeight, false);
  if (!texture) return texture;
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  TextureLock lock;
  if (!lock.Lock(pixels, pitch, texture.get())) return texture;
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x) pixels[y * pitch + x] = kOpaqueBlack;
  return texture;
}

}  // namespace

QMGameOver::QMGameOver() { BindScriptFunctions(); }

void QMGameOver::SetGameOverStats(const str& label, const str& score, const str& level) {
  SetChildText(this, "highscoretext", LocalString(label));
  SetChildText(this, "scorevalue", score);
  QMGameManager* game = QMGameManager::Instance();
  if (TWindow* button = FindChild("highscorebutton", -1)) {
    int32_t eligible = 0, rank = 0;
    if (game && !game->GetHiscores().FindPlayerScore(0, &eligible, &rank, nullptr, 0)) eligible = 0;
    if (score.ToInt() < eligible) SetShown(button, false);
  }
  const int mode = game ? game->GetCurrentGameMode() : 0;
  const bool showLevel = level.ToInt() >= 0 && mode != 0;
  if (showLevel) SetChildText(this, "levelvalue", level);
  ShowChild(this, "levelvalue", showLevel);
  ShowChild(this, "level", showLevel);
  if (mode == 0) {
    if (TImage* background = FindChildAs<TImage>(this, "overbackground"))
      background->SetTexture(BlackScreenTexture(), 1.0f);
  }
  MarkRedraw();
}
