#include "game/puzzles/sequence/QMSequencePuzzlePiece.h"

#include <cmath>

#include "game/puzzles/sequence/QMSequenceBin.h"
#include "game/puzzles/sequence/QMSequenceGrid.h"
#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "game/puzzles/sequence/QMSequenceShared.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/LuaBinding.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

namespace {

// Layers of the drop image: at rest, and above the resting pieces while it slides.
constexpr int32_t kRestLayer = 5;
constexpr int32_t kSlideLayer = 8;
constexpr int32_t kDragLayer = 10;

TVec2 PositionOf(const TSprite& sprite) {
  const TMat3& m = sprite.GetDrawState().transform;
  return TVec2(m(2, 0), m(2, 1));
}

void MoveSprite(TSprite& sprite, float x, float y) {
  TMat3& m = sprite.GetDrawState().transform;
  m(2, 0) = x;
  m(2, 1) = y;
}

void SetAnchor(TSprite& sprite, float x, float y) {
  sprite.GetDrawState().origin = TVec2(x, y);
  sprite.GetDrawState().flags |= TDrawParams::kUseOrigin;
}

TRect BoundsOf(TSprite& sprite) {
  TRect r;
  sprite.GetBounds(r, TSpriteDrawState(), 0);
  return r;
}

}  // namespace

QMSequenceAssetMap& QMSequencePuzzlePiece::AssetMap() {
  static QMSequenceAssetMap map;
  return map;
}

QMSequencePuzzlePiece::QMSequencePuzzlePiece() { mRect = TRect(0, 0, 800, 513); }

QMSequencePuzzlePiece::~QMSequencePuzzlePiece() {
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  AssetMap().Clear();
}

void QMSequencePuzzlePiece::Init(TWindowStyle& style) {
  mName = style.GetString("name", str());
  TAssetMap& map = AssetMap().Get();
  map.SetAutoLoad(true);
  boost::shared_ptr<TTexture> drop, drag, clue;
  const str dropName = style.GetString("drop", str());
  const str dragName = style.GetString("drag", str());
  const str clueName = style.GetString("clue", str());
  map.GetTexture(drop, dropName);
  map.GetTexture(drag, dragName);
  map.GetTexture(clue, clueName);
  mBinNumber = NumberToInt(style.GetNumber("startingBin", 0));

  mDropImage = TSprite::Create(kRestLayer, drop);
  mDragImage = TSprite::Create(kDragLayer, drag);
  if (clue) mClueImage = TSprite::Create(kDragLayer, clue);

  SetAnchor(*mDropImage, 0, 0);
  const TRect dropBounds = BoundsOf(*mDropImage);
  const TRect dragBounds = BoundsOf(*mDragImage);
  SetAnchor(*mDragImage, (dragBounds.Width() - dropBounds.Width()) * 0.5f,
            (dragBounds.Height() - dropBounds.Height()) * 0.5f);
  if (mClueImage) SetAnchor(*mClueImage, 0, 0);

  mWindow = WindowCast<QMSequencePuzzleWindow>(mParent);
  if (mWindow) {
    mWindow->AddSprite(mDropImage);
    mWindow->AddSprite(mDragImage);
    if (mClueImage) {
      mWindow->AddSprite(mClueImage);
      mClueImage->SetVisible(false);
    }
  }
  mDragImage->SetVisible(false);

  mGridPosition = NumberToInt(style.GetNumber("gridPosition", 0));
  mRound = style.GetString("round", str());
  mClueText = style.GetString("clueText", str());
}

TPoint QMSequencePuzzlePiece::GetDropPosition() const {
  const TVec2 p = PositionOf(*mDropImage);
  return TPoint(NumberToInt(p.x), NumberToInt(p.y));
}

TRect QMSequencePuzzlePiece::GetDragBounds() const { return BoundsOf(*mDragImage); }

void QMSequencePuzzlePiece::SetImagePositions(float x, float y) {
  MoveSprite(*mDropImage, x, y);
  MoveSprite(*mDragImage, x, y);
}

void QMSequencePuzzlePiece::PlaceAt(const TPoint& p) {
  SetImagePositions(static_cast<float>(p.x), static_cast<float>(p.y));
  mTarget = p;
}

void QMSequencePuzzlePiece::SlideTo(const TPoint& p) {
  if (mTarget == p) return;
  mTarget = p;
  mDropImage->SetLayer(kSlideLayer);
  SetAnimTimer(16, true, true, false);
}

void QMSequencePuzzlePiece::ReturnToBin() {
  if (mWindow) {
    if (QMSequenceBin* bin = mWindow->NearestFreeBin(GetDropPosition())) {
      SlideTo(bin->GetPiecePosition());
      bin->SetOccupied(true);
      mBinNumber = bin->GetNumber();
    }
  }
  mCurrentSlot = -1;
}

bool QMSequencePuzzlePiece::Animate() {
  TVec2 pos = PositionOf(*mDropImage);
  const TVec2 goal(static_cast<float>(mTarget.x), static_cast<float>(mTarget.y));
  if (pos.x == goal.x && pos.y == goal.y) {
    mDropImage->SetLayer(kRestLayer);
    mSliding = false;
    QMSequenceShared::slideSoundPlayed = false;
    return false;
  }
  mSliding = true;
  const float dx = goal.x - pos.x, dy = goal.y - pos.y;
  const float len = std::sqrt(dx * dx + dy * dy);
  const float speed = QMSequenceShared::pieceAnimateSpeed;
  // A speed of zero or less would never arrive: the piece is placed at once instead.
  if (speed <= 0.0f || speed >= len) {
    pos = goal;
  } else {
    pos = TVec2(pos.x + dx / len * speed, pos.y + dy / len * speed);
  }
  if (!QMSequenceShared::slideSoundPlayed && mWindow) {
    mWindow->PlaySlideSound();
    QMSequenceShared::slideSoundPlayed = true;
  }
  SetImagePositions(pos.x, pos.y);
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
  return true;
}

bool QMSequencePuzzlePiece::HitsDropImage(const TPoint& p) const {
  if (!mDropImage->IsVisible()) return false;
  TSpriteDrawState parent;
  if (mWindow && mWindow->GetWindowSprite()) parent = mWindow->GetWindowSprite()->GetDrawState();
  return mDropImage->HitTest(p, parent, 1, 0);
}

bool QMSequencePuzzlePiece::RoundHasEnded() const { return mWindow && mWindow->HasRoundEnded(); }

QMSequenceGrid* QMSequencePuzzlePiece::FindGrid() const {
  return mWindow ? mWindow->GetGrid() : nullptr;
}

bool QMSequencePuzzlePiece::OnMouseDown(const TPoint& p) {
  mMoved = false;
  if (mDragging || RoundHasEnded() || mSliding) return false;
  if (!HitsDropImage(p)) return false;
  if (!mHeld && mWindow) mWindow->PickUp(this);
  mDragging = true;
  if (mWindow) mWindow->PlayPickupSound();
  const TPoint at = GetDropPosition();
  mDragOffset = TPoint(at.x - p.x, at.y - p.y);
  if (QMSequenceGrid* grid = FindGrid()) grid->SetDragOffset(mDragOffset);
  SetZOrder(1);
  SetZOrder(3);
  return true;
}

bool QMSequencePuzzlePiece::OnMouseMove(const TPoint& p) {
  if (!mDragging) {
    if (mWindow && HitsDropImage(p) && !RoundHasEnded()) mWindow->OnPieceHover(this);
    return false;
  }
  QMSequenceGrid* grid = FindGrid();
  if (!mMoved) {
    mMoved = true;
    QMSequenceBin* bin = mWindow ? mWindow->FindBinByNumber(mBinNumber) : nullptr;
    if (bin) {
      bin->SetOccupied(false);
    } else if (mCurrentSlot >= 1 && grid) {
      grid->ClearSlot(mCurrentSlot);
    }
    mBinNumber = mCurrentSlot = mLastHoverKey = -1;
  }
  TRect area;
  if (mWindow) area = mWindow->GetRect();
  if (mWindow && !area.Contains(p)) {
    OnMouseUp(p);
    return false;
  }
  const TPoint image(p.x + mDragOffset.x, p.y + mDragOffset.y);
  int key = grid ? grid->HoverKey(image) : -1;
  if (!grid || !grid->ContainsPieceCentre(p)) {
    QMSequenceShared::snapPoint = TPoint();
    key = -1;
  }
  PlaceAt(image);
  if (key != mLastHoverKey && grid) {
    grid->ResetSlotPositions();
    mLastHoverKey = key;
    if (QMSequenceShared::snapPoint != TPoint()) grid->MakeRoom(image);
  }
  return mDragging;
}

bool QMSequencePuzzlePiece::OnMouseUp(const TPoint& p) {
  bool handled = false;
  // A release reaches the front piece wherever it happens: only the piece that was pressed
  // counts it as a click.
  if (!mMoved && mDragging) {
    if (mWindow) mWindow->ReleaseHeldPiece();
    mDragging = false;
    if (mWindow && mWindow->pieceClickCheckHook) mWindow->pieceClickCheckHook();
    handled = true;
  }
  if (mDragging) {
    mDragging = false;
    if (mWindow) Drop(p);
    return true;
  }
  return handled;
}

void QMSequencePuzzlePiece::Drop(const TPoint& p) {
  QMSequenceGrid* grid = FindGrid();
  if (!grid || !grid->ContainsPieceCentre(p)) QMSequenceShared::snapPoint = TPoint();
  const TPoint snap = QMSequenceShared::snapPoint;
  bool inRow = snap != TPoint() && grid;
  if (inRow) {
    const TVec2 at = PositionOf(*mDragImage);
    const TPoint placed(NumberToInt(at.x), NumberToInt(at.y));
    if (placed != snap) {
      PlaceAt(snap);
      mWindow->PlaySnapSound();
    }
    grid->RebuildSlots();
    const TRect bounds = GetDragBounds();
    const int slot = grid->SlotIndexAt(TPoint(bounds.left, bounds.top));
    if (slot >= 1 && slot <= grid->GetSlotCount()) {
      mCurrentSlot = slot;
      grid->SetSlot(slot, this);
      if (mWindow->dragCheckHook) mWindow->dragCheckHook();
      mWindow->pieceClickCheckHook = nullptr;
    } else {
      // A cell the row does not have: the piece goes back to a bin rather than into a slot
      // that does not exist.
      inRow = false;
    }
  }
  if (!inRow) {
    PlaceAt(TPoint(p.x + mDragOffset.x, p.y + mDragOffset.y));
    ReturnToBin();
    if (grid) grid->ResetSlotPositions();
  }
  mWindow->ReleaseHeldPiece();
  mWindow->PlayDropSound();
  mWindow->CheckSolution();
}
