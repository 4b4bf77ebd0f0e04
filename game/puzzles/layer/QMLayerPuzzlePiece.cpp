#include "game/puzzles/layer/QMLayerPuzzlePiece.h"

#include <cstring>

#include "core/EngineLog.h"
#include "core/TColor.h"
#include "game/puzzles/layer/QMLayerGrid.h"
#include "game/puzzles/layer/QMLayerPieceSpiders.h"
#include "game/puzzles/layer/QMLayerPuzzleRounds.h"
#include "game/puzzles/layer/QMLayerPuzzleWindow.h"
#include "game/shell/QMGameManager.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/TWindowStyle.h"

TAssetMap QMLayerPuzzlePiece::sAssets;

namespace {

const TDrawParams kIdentity(TVec2(0, 0), 1, 1, 0);

// The draw state the pictures' parent gives them: the puzzle's root sprite.
TDrawParams RootState(QMLayerPuzzleWindow* puzzle) {
  if (puzzle)
    if (TSprite* root = puzzle->GetRootSprite()) return root->GetDrawState();
  return kIdentity;
}

}  // namespace

QMLayerPuzzlePiece::QMLayerPuzzlePiece() {
  SetPosition(0, 0);
  SetSize(kWidth, kHeight);
}

QMLayerPuzzlePiece::~QMLayerPuzzlePiece() {
  sAssets.Clear();
  if (mSprite) {
    mSprite->RemoveAllChildren();
    if (TSprite* parent = mSprite->GetParent()) parent->RemoveChild(mSprite);
  }
  mSprite.reset();
  mCoveredCells.clear();
  mPiecesCovered.reset();
}

void QMLayerPuzzlePiece::Init(TWindowStyle& style) {
  sAssets.SetAutoLoad(true);
  boost::shared_ptr<TTexture> texture;
  sAssets.GetTexture(texture, style.GetString("art", ""));
  mStartingLayer = NumberToInt(style.GetNumber("startingLayer", 0));
  mLayer = mStartingLayer;
  mSprite = TSprite::Create(mLayer, texture);
  mOffsetY = NumberToInt(style.GetNumber("offsetY", 100));
  mOffsetX = NumberToInt(style.GetNumber("offsetX", 100));
  TDrawParams& state = mSprite->GetDrawState();
  state.origin = TVec2(0, 0);
  state.flags |= TDrawParams::kUseOrigin;
  SetPicturePosition(mOffsetX, mOffsetY);
  mPuzzleWindow = WindowCast<QMLayerPuzzleWindow>(GetParent());
  if (mPuzzleWindow) mPuzzleWindow->AddPieceSprite(mSprite);
  mPiecesCovered.reset(style.GetTable("piecesCovered"));
  mGridPosition = NumberToInt(style.GetNumber("gridPosition", 0));
  mRound = style.GetString("round", "");
}

void QMLayerPuzzlePiece::PostCreate(TWindowStyle&) {
  // Names carry the round, so that pieces of several rounds may share a layout
  // name.
  SetName(str::Format("%s_%s", GetName().CStr(), mRound.CStr()));
}

TRect QMLayerPuzzlePiece::GetPictureBounds() const {
  TRect b;
  if (mSprite) mSprite->GetBounds(b, kIdentity, 0);
  return b;
}

TPoint QMLayerPuzzlePiece::GetPicturePosition() const {
  if (!mSprite) return TPoint();
  const TMat3& m = mSprite->GetDrawState().transform;
  return TPoint(NumberToInt(m(2, 0)), NumberToInt(m(2, 1)));
}

void QMLayerPuzzlePiece::SetPicturePosition(int32_t x, int32_t y) {
  if (!mSprite) return;
  TMat3& m = mSprite->GetDrawState().transform;
  m(2, 0) = static_cast<float>(x);
  m(2, 1) = static_cast<float>(y);
}

void QMLayerPuzzlePiece::SetLayer(int32_t layer) {
  mLayer = layer;
  if (mSprite) mSprite->SetLayer(layer);
}

QMLayerGrid* QMLayerPuzzlePiece::FindGrid() const {
  if (!mPuzzleWindow) return nullptr;
  return WindowCast<QMLayerGrid>(mPuzzleWindow->FindChild("QMLAYERGRID", -1));
}

bool QMLayerPuzzlePiece::RoundOver() const { return mPuzzleWindow && mPuzzleWindow->IsRoundOver(); }

QMLayerPuzzlePiece* QMLayerPuzzlePiece::PieceOfLayer(int32_t layer) const {
  if (!mPuzzleWindow) return nullptr;
  GetPieceByLayerSpider spider(this, layer);
  mPuzzleWindow->ForEachChild(spider, false);
  return spider.mFound;
}

bool QMLayerPuzzlePiece::OnMouseDown(const TPoint& point) {
  mMoved = false;
  if (mDragging || !mSprite || RoundOver()) return false;
  if (!mSprite->HitTest(point, RootState(mPuzzleWindow), 1, 0)) return false;
  TWindowHandle self(this);
  if (!mSelected && mPuzzleWindow) {
    mPuzzleWindow->SelectPiece(this);
    mMoved = true;
  }
  mDragging = true;
  if (mPuzzleWindow) mPuzzleWindow->PlayPickupSound();
  const TPoint at = GetPicturePosition();
  mDragOffset = TPoint(at.x - point.x, at.y - point.y);
  if (QMLayerGrid* grid = FindGrid()) grid->SetDragOffset(mDragOffset);
  if (mPuzzleWindow) mPuzzleWindow->ShowLayerButtons(true, at);
  SetZOrder(1);
  SetZOrder(3);
  return true;
}

bool QMLayerPuzzlePiece::OnMouseMove(const TPoint& point) {
  mMoved = true;
  if (!mDragging) return false;
  // A drag under way when its round was won holds the photo where it won.
  if (RoundOver()) return true;
  if (LayerSnapPoint == TPoint(0, 0)) {
    int32_t x = point.x + mDragOffset.x, y = point.y + mDragOffset.y;
    SetPicturePosition(x, y);
    if (mPuzzleWindow) {
      // Keep the picture inside the puzzle window on all four sides.
      TRect w;
      mPuzzleWindow->GetClientRect(w);
      const TRect b = GetPictureBounds();
      if (b.left < w.left) x = w.left;
      if (b.top < w.top) y = w.top;
      if (b.right > w.right) x = w.right - b.Width();
      if (b.bottom > w.bottom) y = w.bottom - b.Height();
      SetPicturePosition(x, y);
      mPuzzleWindow->ShowLayerButtons(true, GetPicturePosition());
    }
    return true;
  }
  if (GetPicturePosition() != LayerSnapPoint) {
    SetPicturePosition(LayerSnapPoint.x, LayerSnapPoint.y);
    if (mPuzzleWindow) {
      mPuzzleWindow->ShowLayerButtons(true, LayerSnapPoint);
      mPuzzleWindow->PlaySnapSound();
    }
  }
  if (point.x < LayerSnapPoint.x) LayerSnapPoint = TPoint(0, 0);
  return true;
}

bool QMLayerPuzzlePiece::OnMouseUp(const TPoint&) {
  bool answer = false;
  if (!mMoved) {
    if (mPuzzleWindow) mPuzzleWindow->SelectPiece(nullptr);
    mDragging = false;
    answer = true;
  }
  if (!mDragging) return answer;
  mDragging = false;
  if (!mPuzzleWindow || RoundOver()) return true;
  if (!mInStack) {
    mInStack = FindFreeLayer(mLayer);
    if (mInStack && mSprite) mSprite->SetLayer(mLayer);
  }
  if (!IsOnGrid()) mInStack = false;
  TWindowHandle self(this);
  QMLayerPuzzleWindow* puzzle = mPuzzleWindow;
  if (IsAtTarget()) {
    puzzle->PlayCorrectSound();
  } else {
    puzzle->PlayDropSound();
  }
  puzzle->CheckRoundComplete();
  return true;
}

bool QMLayerPuzzlePiece::FindFreeLayer(int32_t& layer) {
  if (!IsOnGrid() || !mPuzzleWindow) return false;
  const int32_t count = mPuzzleWindow->GetLayerCount();
  for (int32_t i = 1; i <= count; ++i) {
    const bool held = mLayer == i || PieceOfLayer(i);
    if (!held) {
      layer = i;
      return true;
    }
  }
  return false;
}

bool QMLayerPuzzlePiece::IsOnGrid() {
  QMLayerGrid* grid = FindGrid();
  if (!grid) return false;
  const TRect& g = grid->GetRect();
  const TRect b = GetPictureBounds();
  return b.left >= g.left && b.right <= g.right && b.top >= g.top && b.bottom <= g.bottom;
}

bool QMLayerPuzzlePiece::IsAtTarget() {
  QMLayerGrid* grid = mPuzzleWindow ? mPuzzleWindow->GetGrid() : nullptr;
  // The cell rounding has no bounds: a photo hanging off the frame would count as on its cell.
  if (!grid || !IsOnGrid()) return false;
  const TRect b = GetPictureBounds();
  return grid->GetCellIndex(TPoint(b.left, b.top)) == mGridPosition;
}

bool QMLayerPuzzlePiece::IsSolved() {
  if (!IsVisible()) return true;
  const bool ok = IsAtTarget() || mHintPlaced;
  if (mPiecesCovered && mPuzzleWindow && mSprite) {
    const int n = LuaTableLength(*mPiecesCovered);
    for (int i = 1; i <= n; ++i) {
      const str name = mPiecesCovered->GetStringAt(i, "") + "_" + mRound;
      auto* other = WindowCast<QMLayerPuzzlePiece>(mPuzzleWindow->FindChild(name, -1));
      if (other && other->mSprite && other->mSprite->GetLayer() >= mSprite->GetLayer())
        return false;
    }
  }
  return ok;
}

void QMLayerPuzzlePiece::Highlight() {
  if (!mSprite) return;
  boost::shared_ptr<TTexture> picture = mSprite->GetTexture();
  TRenderer* renderer = TRenderer::Instance();
  if (picture && renderer) {
    const int w = picture->GetWidth(), h = picture->GetHeight();
    boost::shared_ptr<TTexture> glow = w > 0 && h > 0 ? TTexture::Create(w, h, true) : nullptr;
    if (glow) {
      renderer->FillRect(TRect(0, 0, w, h), TColor(1, 1, 0, 0.5f), glow);
      boost::shared_ptr<TSprite> overlay = TSprite::Create(0, glow);
      overlay->GetDrawState().origin = TVec2(0, 0);
      overlay->GetDrawState().flags |= TDrawParams::kUseOrigin;
      mSprite->AddChild(overlay);
    }
  }
  mSelected = true;
}

void QMLayerPuzzlePiece::SaveState() {
  QMGameManager* game = QMGameManager::Instance();
  if (!game) return;
  const TPoint at = GetPicturePosition();
  const int32_t values[3] = {at.x, at.y, mLayer};
  uint8_t bytes[12];
  std::memcpy(bytes, values, sizeof bytes);
  game->SetUserData(GetName(), bytes);
}

bool QMLayerPuzzlePiece::LoadState() {
  QMGameManager* game = QMGameManager::Instance();
  std::unique_ptr<uint8_t[]> bytes = game ? game->GetUserData(GetName()) : nullptr;
  if (!bytes) return false;
  int32_t values[3];
  std::memcpy(values, bytes.get(), sizeof values);
  SetPicturePosition(values[0], values[1]);
  // A damaged record may hold any number: a layer beyond the puzzle's pieces
  // would never take part in the stacking again.
  const int32_t pieces = mPuzzleWindow ? mPuzzleWindow->CountPieces() : 0;
  if (values[2] < 0 || values[2] > pieces) {
    EngineLog("Layer puzzle: saved layer %d of piece %s is out of range, kept %d", values[2],
              GetName().CStr(), mLayer);
    return true;
  }
  SetLayer(values[2]);
  return true;
}
