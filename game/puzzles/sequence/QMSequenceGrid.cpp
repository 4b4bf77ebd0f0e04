#include "game/puzzles/sequence/QMSequenceGrid.h"

#include <algorithm>
#include <cmath>

#include "game/puzzles/sequence/QMSequencePuzzlePiece.h"
#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "game/puzzles/sequence/QMSequenceShared.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/LuaBinding.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

namespace {

constexpr int kMaxSlotSize = 100000;
}  // namespace

QMSequenceAssetMap& QMSequenceGrid::AssetMap() {
  static QMSequenceAssetMap map;
  return map;
}

QMSequenceGrid::~QMSequenceGrid() {
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  AssetMap().Clear();
}

QMSequencePuzzleWindow* QMSequenceGrid::PuzzleWindow() const {
  return WindowCast<QMSequencePuzzleWindow>(mParent);
}

void QMSequenceGrid::Init(TWindowStyle& style) {
  mDebugGridOutline = style.GetBool("debugGridOutline", false);
  const double x = QMSequenceCoordinate(style, "x", 0), y = QMSequenceCoordinate(style, "y", 0);
  mSlotArea =
      TRect(NumberToInt(x), NumberToInt(y), NumberToInt(x + QMSequenceCoordinate(style, "w", 100)),
            NumberToInt(y + QMSequenceCoordinate(style, "h", 100)));
  // Every cell computation divides by the slot size, and a row of 255 slots must stay within
  // the integers.
  mSlotWidth = std::clamp(NumberToInt(style.GetNumber("gridWidth", 20)), 1, kMaxSlotSize);
  mSlotHeight = std::clamp(NumberToInt(style.GetNumber("gridHeight", 20)), 1, kMaxSlotSize);
  mMidX = NumberToInt(QMSequenceCoordinate(style, "gridMidX", 400));
  mMidY = NumberToInt(QMSequenceCoordinate(style, "gridMidY", 300));
  mArtOffsetY = NumberToInt(QMSequenceCoordinate(style, "gridArtOffsetY", 0));
  mArtOffsetXBegin = NumberToInt(style.GetNumber("gridArtOffsetXBegin", 0));
  mArtOffsetXEnd = NumberToInt(style.GetNumber("gridArtOffsetXEnd", 0));
  // No row has more than 255 slots to dress.
  mGridMax = std::clamp(NumberToInt(style.GetNumber("gridMax", 0)), 0, 255);

  TAssetMap& map = AssetMap().Get();
  map.SetAutoLoad(true);
  const str art = style.GetString("tableuArt", str());
  for (int i = 1; i <= mGridMax; ++i) {
    boost::shared_ptr<TTexture> texture;
    map.GetTexture(texture, str::Format("%s%02d", art.CStr(), i));
    mTableauArt.push_back(texture);
  }
  if (mDebugGridOutline) BuildDebugOutline();
  SetZOrder(1);
  mName = "QMSEQUENCEGRID";
}

void QMSequenceGrid::BuildDebugOutline() {
  const int w = mSlotArea.Width(), h = mSlotArea.Height();
  mDebugSprite.reset();
  if (w <= 0 || h <= 0) return;
  boost::shared_ptr<TTexture> texture = TTexture::Create(w, h, true);
  if (!texture) return;
  TRenderer* r = TRenderer::Existing();
  if (r && r->BeginRenderTarget(texture, 0)) {
    r->FillRect(TRect(0, 0, w, h), TColor(0, 0, 0, 0));
    for (int x = 0; x < w; x += mSlotWidth) {
      r->FillRect(TRect(x, 0, x + 1, h), TColor(1, 0, 0, 1));
      r->FillRect(TRect(x + 1, 1, x + mSlotWidth - 1, h - 1), TColor(1, 1, 0, 0.15f));
    }
    r->FillRect(TRect(w - 1, 0, w, h), TColor(1, 0, 0, 1));
    r->EndRenderTarget();
  }
  mDebugSprite = TSprite::Create(0, texture);
  mDebugSprite->GetDrawState().flags |= TDrawParams::kUseOrigin;
}

void QMSequenceGrid::Draw() {
  if (!mDebugGridOutline || !mDebugSprite) return;
  TScoped2d scope;
  if (scope.Ok()) mDebugSprite->Draw(TSpriteDrawState(), -1);
}

void QMSequenceGrid::SetupRound(int n) {
  if (n < 0) n = 0;
  if (n > 255) n = 255;  // the row's counts are 8-bit
  const int width = mSlotWidth * n;
  const int left = mMidX - width / 2;
  const int top = mMidY - mSlotHeight / 2;
  mSlotArea = TRect(left, top, left + width, top + mSlotHeight);
  SetPosition(left, top);
  SetSize(width, mSlotHeight);
  mSlots.assign(static_cast<size_t>(n), nullptr);

  QMSequencePuzzleWindow* window = PuzzleWindow();
  for (const boost::shared_ptr<TSprite>& sprite : mTableauSprites)
    if (window) window->RemoveSprite(sprite);
  mTableauSprites.clear();
  for (int i = 0; i < n; ++i) {
    // A layout with fewer tableau textures than slots leaves the last slots bare.
    boost::shared_ptr<TTexture> art =
        i < static_cast<int>(mTableauArt.size()) ? mTableauArt[i] : boost::shared_ptr<TTexture>();
    boost::shared_ptr<TSprite> sprite = TSprite::Create(0, art);
    TSpriteDrawState& state = sprite->GetDrawState();
    state.flags |= TDrawParams::kUseOrigin;
    state.origin = TVec2(0, 0);
    state.transform(2, 0) = static_cast<float>(left + i * mSlotWidth);
    state.transform(2, 1) = static_cast<float>(top + mArtOffsetY);
    if (window) window->AddSprite(sprite);
    mTableauSprites.push_back(sprite);
  }
  mSlotCount = n;
  if (mDebugGridOutline) BuildDebugOutline();
}

bool QMSequenceGrid::OnMouseMove(const TPoint& p) {
  const int gx = p.x - mSlotArea.left, gy = p.y - mSlotArea.top;
  const int cx = gx + mDragOffset.x + mSlotWidth / 2;
  const int cy = gy + mDragOffset.y + mSlotHeight / 2;
  const TPoint cell((cx / mSlotWidth) % mSlotWidth * mSlotWidth,
                    (cy / mSlotHeight) % mSlotHeight * mSlotHeight);
  const TPoint snap(cell.x + mSlotArea.left, cell.y + mSlotArea.top);
  QMSequenceShared::snapPoint = snap;
  if (mDebugGridOutline) {
    if (TText* info = WindowCast<TText>(FindChild("DebugInfo", 1))) {
      info->SetText(
          str::Format("%d,%d    Snap %d,%d    World %d,%d    World Snap %d,%d     Offset %d,%d", gx,
                      gy, cell.x, cell.y, p.x, p.y, snap.x, snap.y, mDragOffset.x, mDragOffset.y));
    }
  }
  return false;
}

bool QMSequenceGrid::OnMouseLeave() {
  QMSequenceShared::snapPoint = TPoint();
  return true;
}

bool QMSequenceGrid::ContainsPieceCentre(const TPoint& p) const {
  const TPoint c(p.x + mDragOffset.x + mSlotWidth / 2, p.y + mDragOffset.y + mSlotHeight / 2);
  return mRect.Contains(c);
}

int QMSequenceGrid::HoverKey(const TPoint& p) const {
  const int x = p.x - mSlotArea.left + mSlotWidth / 2;
  const int q = x / mSlotWidth;
  return x < q * mSlotWidth + mSlotWidth / 2 ? 2 * q : 2 * q + 1;
}

int QMSequenceGrid::SlotIndexAt(const TPoint& p) const {
  const int cx = p.x - mSlotArea.left + mSlotWidth / 2;
  const int cy = p.y - mSlotArea.top + mSlotHeight / 2;
  const int columns = mSlotArea.Width() / mSlotWidth;
  return columns * (cy / mSlotHeight) + cx / mSlotWidth + 1;
}

QMSequencePuzzlePiece* QMSequenceGrid::GetSlot(int i) const {
  if (i < 1 || i > static_cast<int>(mSlots.size())) return nullptr;
  return mSlots[static_cast<size_t>(i - 1)];
}

void QMSequenceGrid::SetSlot(int i, QMSequencePuzzlePiece* piece) {
  if (i < 1 || i > static_cast<int>(mSlots.size())) return;
  mSlots[static_cast<size_t>(i - 1)] = piece;
}

void QMSequenceGrid::ClearSlot(int i) { SetSlot(i, nullptr); }

bool QMSequenceGrid::IsFull() const {
  for (int i = 1; i <= mSlotCount; ++i)
    if (!GetSlot(i)) return false;
  return true;
}

bool QMSequenceGrid::IsSolved() const {
  for (int i = 1; i <= mSlotCount; ++i) {
    QMSequencePuzzlePiece* piece = GetSlot(i);
    if (!piece || piece->GetCurrentSlot() != piece->GetGridPosition()) return false;
  }
  return true;
}

void QMSequenceGrid::SlideSlotTo(int index, int gridX) {
  if (QMSequencePuzzlePiece* piece = GetSlot(index + 1))
    piece->SlideTo(TPoint(gridX + mSlotArea.left, mSlotArea.top));
}

void QMSequenceGrid::ResetSlotPositions() {
  for (int i = 0; i < static_cast<int>(mSlots.size()); ++i) SlideSlotTo(i, i * mSlotWidth);
}

bool QMSequenceGrid::ShiftLeft(int probe) {
  const int k = CellAt(probe);
  if (!GetSlot(k + 1)) return true;
  if (k <= 0) return false;
  if (!ShiftLeft(probe - mSlotWidth)) return false;
  SlideSlotTo(k, (k - 1) * mSlotWidth);
  return true;
}

bool QMSequenceGrid::ShiftRight(int probe) {
  const int k = CellAt(probe);
  if (!GetSlot(k + 1)) return true;
  if (k >= mSlotCount - 1) return false;
  if (!ShiftRight(probe + mSlotWidth)) return false;
  SlideSlotTo(k, (k + 1) * mSlotWidth);
  return true;
}

void QMSequenceGrid::MakeRoom(const TPoint& p) {
  const int x = p.x - mSlotArea.left;
  const int c = x + mSlotWidth / 2;
  const int i = c / mSlotWidth;
  if (!GetSlot(i + 1)) return;
  const int centre = mSlotWidth / 2 + i * mSlotWidth;
  // The probes start at the neighbour; once the neighbours have made way, the occupant of the
  // slot under the piece follows them.
  const auto right = [&](int probe) {
    if (!ShiftRight(probe)) return false;
    SlideSlotTo(i, (i + 1) * mSlotWidth);
    return true;
  };
  const auto left = [&](int probe) {
    if (!ShiftLeft(probe)) return false;
    SlideSlotTo(i, (i - 1) * mSlotWidth);
    return true;
  };
  if (i == 0) {
    right(centre + 1);
  } else if (i == mSlotCount - 1) {
    left(centre - mSlotWidth - 1);
  } else if (c < centre) {
    if (!right(x + mSlotWidth)) left(x - mSlotWidth);
  } else {
    if (!left(x - mSlotWidth)) right(x + mSlotWidth);
  }
}

void QMSequenceGrid::RebuildSlots() {
  const std::vector<QMSequencePuzzlePiece*> pieces = mSlots;
  mSlots.assign(static_cast<size_t>(mSlotCount), nullptr);
  for (QMSequencePuzzlePiece* piece : pieces) {
    if (!piece) continue;
    const int i = ((piece->GetTarget().x - mSlotArea.left) / mSlotWidth + 1) & 0xFF;
    if (i >= 1 && i <= mSlotCount) {
      piece->SetCurrentSlot(i);
      mSlots[static_cast<size_t>(i - 1)] = piece;
    } else {
      piece->ReturnToBin();
    }
  }
}

void QMSequenceGrid::EjectWrongPieces() {
  for (int i = 1; i <= mSlotCount; ++i) {
    QMSequencePuzzlePiece* piece = GetSlot(i);
    if (piece && piece->GetCurrentSlot() != piece->GetGridPosition()) {
      piece->ReturnToBin();
      ClearSlot(i);
    }
  }
}
