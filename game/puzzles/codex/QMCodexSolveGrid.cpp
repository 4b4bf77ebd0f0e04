#include "game/puzzles/codex/QMCodexSolveGrid.h"

#include "anim/TTextSprite.h"
#include "assets/TStringTable.h"
#include "core/TPlatform.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
#include "render/TTexture.h"

namespace {

str LocalText(const str& label) {
  TPlatform* p = TPlatform::Instance();
  TStringTable* strings = p ? p->GetStringTable() : nullptr;
  return strings ? strings->GetString(label) : label;
}

// Text sprites name their font below "fonts/" without the extension; layouts may give the
// whole file name.
str FontName(str font) {
  if (font.Find(str("fonts/"), 0, 0) == 0) font = font.Substr(6, 0xFFFFFFFFu);
  const int n = static_cast<int>(font.Length());
  if (n >= 5 && font.Substr(n - 5, 5) == str(".mvec")) font = font.Substr(0, n - 5);
  return font;
}

// The label's row: its text laid out in a box of the label width by the row height, centred
// vertically.
constexpr int32_t kLabelAlignment = 4;
constexpr float kLabelX = 23.0f;

}  // namespace

void PlaceSpriteTopLeft(TSprite& sprite, float x, float y) {
  TSpriteDrawState& s = sprite.GetDrawState();
  s.origin = TVec2(0, 0);
  s.flags |= TDrawParams::kUseOrigin;
  s.transform.m[2].x = x;
  s.transform.m[2].y = y;
}

QMCodexSolveGrid::QMCodexSolveGrid(boost::shared_ptr<TSprite> gridSprite,
                                   boost::shared_ptr<TAnimatedSprite> coverHolder)
    : mGridSprite(std::move(gridSprite)), mCoverHolder(std::move(coverHolder)) {}

boost::shared_ptr<TSprite> QMCodexSolveGrid::AddSprite(const boost::shared_ptr<TTexture>& texture,
                                                       float x, float y) {
  boost::shared_ptr<TSprite> s = TSprite::Create(0, texture);
  PlaceSpriteTopLeft(*s, x, y);
  mGridSprite->AddChild(s);
  return s;
}

void QMCodexSolveGrid::Build(int32_t n, int32_t k, const str& puzzleId,
                             const str& clueImagePrefix) {
  mCells.clear();
  mGridSprite->RemoveAllChildren();
  // Covers of a grid nobody clicked would otherwise stay over the new one.
  if (!mCoversFading) mCoverHolder->RemoveAllChildren();
  mCovers.clear();
  const QMCodexSolveLayout& l = mLayout;
  const int32_t g = l.gridSize;
  for (int32_t r = 0; r < g; ++r) {
    const float y = static_cast<float>(l.gridY) + static_cast<float>(r) * l.rowHeight;
    if (r < n) {
      auto label = boost::shared_ptr<QMTextSprite>(new QMTextSprite(0));
      label->Setup(LocalText(str::Format("%s_word_%i", puzzleId.CStr(), r + 1 + k)),
                   TVec2(static_cast<float>(l.labelWidth), l.rowHeight), 0, kLabelAlignment,
                   l.labelColor, l.labelFontSize, FontName(l.labelFont), TColor(0, 0, 0, 0), 0,
                   TColor(0, 0, 0, 0));
      PlaceSpriteTopLeft(*label, kLabelX, y);
      mGridSprite->AddChild(label);
    } else {
      AddSprite(mTextures.inactiveRow, kLabelX, y);
    }
  }
  for (int32_t c = 0; c < g; ++c) {
    const float x = static_cast<float>(l.headerStartX) + static_cast<float>(c) * l.columnWidth;
    const float y = static_cast<float>(l.headerStartY);
    if (c < n) {
      const str name = str::Format("%s%i", clueImagePrefix.CStr(), c + 1 + k);
      AddSprite(TTexture::Get(name), x, y);
    } else {
      AddSprite(mTextures.inactiveColumn, x, y);
    }
  }
  for (int32_t r = 0; r < g; ++r) {
    for (int32_t c = 0; c < g; ++c) {
      const float x = static_cast<float>(l.gridX) + static_cast<float>(c) * l.columnWidth;
      const float y = static_cast<float>(l.gridY) + static_cast<float>(r) * l.rowHeight;
      if (r < n && c < n) {
        mCells.push_back(AddSprite(mTextures.activeCell, x, y));
        boost::shared_ptr<TAnimatedSprite> cover = TAnimatedSprite::Create(-10);
        cover->SetTexture(mCoverTexture);
        PlaceSpriteTopLeft(*cover, x, y);
        mCoverHolder->AddChild(cover);
        cover->Play("DoAnim");
        mCovers.push_back(cover);
        mCoversShowing = true;
      } else {
        AddSprite(mTextures.inactiveCell, x, y);
      }
    }
  }
}

bool QMCodexSolveGrid::SetCellState(int32_t cell, int32_t state) {
  if (cell < 0 || static_cast<size_t>(cell) >= mCells.size()) return false;
  boost::shared_ptr<TTexture> texture;
  switch (state) {
    case kCodexCellBlank: texture = mTextures.activeCell; break;
    case kCodexCellConflict: texture = mTextures.conflict; break;
    case kCodexCellCheck: texture = mTextures.check; break;
    case kCodexCellX: texture = mTextures.notCell; break;
    default: return false;
  }
  mCells[cell]->SetTexture(texture);
  return true;
}

bool QMCodexSolveGrid::ShowsCheck(int32_t cell) const {
  if (cell < 0 || static_cast<size_t>(cell) >= mCells.size()) return false;
  // Identity, not equality of pictures: a grid without a check texture shows no checks.
  return mTextures.check && mCells[cell]->GetTexture() == mTextures.check;
}

void QMCodexSolveGrid::ClearCells() {
  for (auto it = mCells.rbegin(); it != mCells.rend(); ++it)
    (*it)->SetTexture(mTextures.activeCell);
}

int32_t QMCodexSolveGrid::HitTest(const TPoint& point, const TSpriteDrawState& rootState) const {
  const TSpriteDrawState parent = TSprite::CombineState(mGridSprite->GetDrawState(), rootState);
  for (size_t i = 0; i < mCells.size(); ++i)
    if (mCells[i]->HitTest(point, parent, -1, 0)) return static_cast<int32_t>(i);
  return -1;
}

void QMCodexSolveGrid::FadeCovers() {
  mCoversShowing = false;
  mCoversFading = true;
  while (!mCovers.empty()) {
    mCovers.front()->Play("FadeOut");
    mCovers.pop_front();
  }
}

bool QMCodexSolveGrid::CoversFinished() {
  if (!mCoversFading || !mCoverHolder->IsStaticTree(-1)) return false;
  mCoversFading = false;
  return true;
}
