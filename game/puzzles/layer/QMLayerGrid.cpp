#include "game/puzzles/layer/QMLayerGrid.h"

#include <cstdint>
#include <limits>

#include "core/TColor.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/LuaBinding.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

TPoint LayerSnapPoint;

namespace {

int32_t Saturate(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// A layout may give any number: sizes of 0 or less would divide by zero.
int32_t CellSize(double value) {
  const int32_t size = NumberToInt(value);
  return size > 0 ? size : QMLayerGrid::kDefaultCellSize;
}

}  // namespace

QMLayerGrid::QMLayerGrid() = default;

QMLayerGrid::~QMLayerGrid() {
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
}

void QMLayerGrid::Init(TWindowStyle& style) {
  mDebugGridOutline = style.GetBool("debugGridOutline", false);
  const int32_t x = NumberToInt(style.GetNumber("x", 0));
  const int32_t y = NumberToInt(style.GetNumber("y", 0));
  const int32_t w = NumberToInt(style.GetNumber("w", 100));
  const int32_t h = NumberToInt(style.GetNumber("h", 100));
  mArea = TRect(x, y, Saturate(int64_t{x} + w), Saturate(int64_t{y} + h));
  mCellWidth = CellSize(style.GetNumber("gridWidth", kDefaultCellSize));
  mCellHeight = CellSize(style.GetNumber("gridHeight", kDefaultCellSize));
  if (mDebugGridOutline) BuildDebugOutline();
  SetZOrder(1);
  SetName("QMLAYERGRID");
}

void QMLayerGrid::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  // The layout names its windows after they are made: the puzzle finds its grid by this name,
  // whatever the layout called it.
  SetName("QMLAYERGRID");
}

int32_t QMLayerGrid::GetColumns() const {
  // A grid narrower than one cell still has its one column.
  const int32_t columns = mArea.Width() / mCellWidth;
  return columns > 0 ? columns : 1;
}

int32_t QMLayerGrid::GetCellIndex(const TPoint& point) const {
  TPoint p = point;
  ParentToClient(p);
  const int64_t ax = int64_t{p.x} + mCellWidth / 2;
  if (ax < 1) return -1;
  const int64_t row = (int64_t{p.y} + mCellHeight / 2) / mCellHeight;
  return Saturate(int64_t{GetColumns()} * row + ax / mCellWidth + 1);
}

TPoint QMLayerGrid::GetCellPosition(int32_t index) {
  const int32_t columns = GetColumns();
  const int64_t i = int64_t{index} - 1;
  mCellPoint = TPoint(Saturate((i % columns) * mCellWidth), Saturate((i / columns) * mCellHeight));
  ClientToParent(mCellPoint);
  return mCellPoint;
}

bool QMLayerGrid::OnMouseDown(const TPoint&) {
  // A press starts a drag or hits a button beneath: either way the grid stops taking every
  // pointer event first, so the release reaches the window pressed. The new drag's first move
  // over the grid gives the snap point again; an old one must not catch it elsewhere.
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  LayerSnapPoint = TPoint(0, 0);
  return false;
}

bool QMLayerGrid::OnMouseMove(const TPoint& point) {
  const int64_t ax = int64_t{point.x} + mDragOffset.x + mCellWidth / 2;
  const int64_t ay = int64_t{point.y} + mDragOffset.y + mCellHeight / 2;
  TPoint snap(Saturate((ax / mCellWidth) * mCellWidth), Saturate((ay / mCellHeight) * mCellHeight));
  TPoint world = point, worldSnap = snap;
  ClientToParent(world);
  ClientToParent(worldSnap);
  if (mDebugGridOutline) {
    if (TText* info = WindowCast<TText>(FindChild("DebugInfo", -1)))
      info->SetText(str::Format("%d,%d\nSnap %d,%d\nWorld %d,%d\nWorld Snap %d,%d\n Offset %d,%d",
                                point.x, point.y, snap.x, snap.y, world.x, world.y, worldSnap.x,
                                worldSnap.y, mDragOffset.x, mDragOffset.y));
  }
  LayerSnapPoint = worldSnap;
  // Listed as a hover window, the grid is told when the pointer leaves it.
  if (TWindowManager* wm = TWindowManager::Instance()) wm->AddHoverWindow(this);
  return false;
}

bool QMLayerGrid::OnMouseLeave() {
  LayerSnapPoint = TPoint(0, 0);
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  return true;
}

void QMLayerGrid::BuildDebugOutline() {
  const int32_t width = mArea.Width(), height = mArea.Height();
  TRenderer* renderer = TRenderer::Instance();
  if (width <= 0 || height <= 0 || !renderer) return;
  mOutlineTexture = TTexture::Create(width, height, true);
  if (!mOutlineTexture) return;
  renderer->FillRect(TRect(0, 0, width, height), TColor(1, 1, 0, 0.2f), mOutlineTexture);
  const TColor red(1, 0, 0, 0.5f);
  for (int32_t x = width; x > 0; x -= mCellWidth)
    renderer->FillRect(TRect(x - 1, 0, x, height), red, mOutlineTexture);
  for (int32_t y = height; y > 0; y -= mCellHeight)
    renderer->FillRect(TRect(0, y - 1, width, y), red, mOutlineTexture);
  boost::shared_ptr<TSprite> outline = TSprite::Create(0, mOutlineTexture);
  TMat3& m = outline->GetDrawState().transform;
  m(2, 0) = static_cast<float>(width / 2);
  m(2, 1) = static_cast<float>(height / 2);
  mDebugSprite = TSprite::Create(0);
  mDebugSprite->AddChild(outline);
}

void QMLayerGrid::Draw() {
  if (!mDebugGridOutline || !mDebugSprite) return;
  TRenderer* renderer = TRenderer::Instance();
  if (!renderer) return;
  const bool began = renderer->Begin2d();
  mDebugSprite->Draw(TDrawParams(TVec2(0, 0), 1, 1, 0), -1);
  if (began) renderer->End2d();
}
