#include "game/puzzles/layer/QMLayerPuzzleWindow.h"

#include "anim/KSpriteWindow.h"
#include "core/EngineLog.h"
#include "game/puzzles/QMPuzzleSound.h"
#include "game/puzzles/layer/QMLayerGrid.h"
#include "game/puzzles/layer/QMLayerPieceSpiders.h"
#include "game/puzzles/layer/QMLayerPuzzlePiece.h"
#include "game/puzzles/layer/QMLayerPuzzleRounds.h"
#include "game/shell/QMGameManager.h"
#include "online/TGameState.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScript.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TButton.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

namespace {

const char kRoundBeginScript[] = "scripts/common/round_begin.lua";
const char kHintScript[] = "scripts/common/layer/qm_layer_hint_anim.lua";
const char kNoHintScript[] = "scripts/common/layer/qm_layer_hint_anim_02.lua";
const char kHintSpriteName[] = "layer_anim_hint_sprite";

uint32_t Milliseconds(double value) {
  const int ms = NumberToInt(value);
  return ms > 0 ? static_cast<uint32_t>(ms) : 0;
}

class CountPiecesSpider : public TWindowSpider {
public:
  bool Process(TWindow* w) override {
    if (WindowCast<QMLayerPuzzlePiece>(w)) ++mCount;
    return true;
  }
  int32_t mCount = 0;
};

// The first piece of the current round: a hidden piece of another round may hold the same
// layer number, and arranging it would leave the round's own piece out of order.
class FirstVisiblePieceSpider : public TWindowSpider {
public:
  bool Process(TWindow* w) override {
    QMLayerPuzzlePiece* piece = WindowCast<QMLayerPuzzlePiece>(w);
    if (piece && piece->IsVisible()) mFound = piece;
    return !mFound;
  }
  QMLayerPuzzlePiece* mFound = nullptr;
};

}  // namespace

QMLayerPuzzleWindow::QMLayerPuzzleWindow() {
  mSceneSprite = TSprite::Create(0);
  mSceneSprite->GetDrawState().origin = TVec2(0, 0);
  mSceneSprite->GetDrawState().flags |= TDrawParams::kUseOrigin;
}

QMLayerPuzzleWindow::~QMLayerPuzzleWindow() {
  // The pictures may still be held by the overlay or by pieces: they leave the
  // tree here.
  if (mSceneSprite) mSceneSprite->RemoveAllChildren();
  LayerSnapPoint = TPoint(0, 0);
  if (mLayerChangeInstance) mLayerChangeInstance.reset();
}

TSprite* QMLayerPuzzleWindow::GetRootSprite() const { return mSceneSprite.get(); }

QMLayerGrid* QMLayerPuzzleWindow::GetGrid() const { return static_cast<QMLayerGrid*>(mGrid.Get()); }

QMLayerPuzzleRounds* QMLayerPuzzleWindow::GetRounds() const {
  return static_cast<QMLayerPuzzleRounds*>(mRounds.Get());
}

QMLayerPuzzlePiece* QMLayerPuzzleWindow::GetSelectedPiece() const {
  return static_cast<QMLayerPuzzlePiece*>(mSelectedPiece.Get());
}

int32_t QMLayerPuzzleWindow::CountPieces() const {
  CountPiecesSpider spider;
  const_cast<QMLayerPuzzleWindow*>(this)->ForEachChild(spider, false);
  return spider.mCount;
}

boost::shared_ptr<TSound> QMLayerPuzzleWindow::LoadSound(TWindowStyle& style, const char* key) {
  return LoadPuzzleSound(style.GetString(key, ""));
}

void QMLayerPuzzleWindow::CountMetric(const char* key) {
  if (TGameState* state = TGameState::GetInstance()) state->SetIntState(key, 0);
}

void QMLayerPuzzleWindow::PostCreate(TWindowStyle& style) {
  for (const char* name : {"PlusButton", "MinusButton"}) {
    TWindow* w = FindChild(name, -1);
    if (w) w->SetFlags(0);
    TWindowHandle& slot = name[0] == 'P' ? mPlusButton : mMinusButton;
    slot = TWindowHandle(WindowCast<TButton>(w));
  }
  BindScriptFunctions();
  QMPuzzleWindow::PostCreate(style);

  const str background = style.GetString("bgPath", "");
  if (!background.IsEmpty())
    if (boost::shared_ptr<TTexture> texture = TTexture::Get(background, 0))
      mSceneSprite->SetTexture(texture);
  mLayerChangeSound = LoadSound(style, "layerChangeSound");
  mPickupPieceSound = LoadSound(style, "pickupPieceSound");
  mDropPieceSound = LoadSound(style, "dropPieceSound");
  mSnapToGridSound = LoadSound(style, "snapToGridSound");
  mRoundCompleteSound = LoadSound(style, "roundCompleteSound");
  mLevelCompleteSound = LoadSound(style, "levelCompleteSound");
  mCorrectSlotSound = LoadSound(style, "correctSlotSound");
  mDelayToPlayWinSound = Milliseconds(style.GetNumber("delayToPlayWinSound", 0));
  mDelayBeforeDialog = Milliseconds(style.GetNumber("delayBeforeDialog", 0));
  if (TLuaTable* target = style.GetTable("eventTarget")) mEventTarget.reset(target);

  if (TWindowManager* wm = TWindowManager::Instance())
    if (TModalWindow* modal = WindowCast<TModalWindow>(wm->GetTopModal())) modal->SetFocus(this);
  SetAnimTimer(16, true, true, false);

  mGrid = TWindowHandle(WindowCast<QMLayerGrid>(FindChild("QMLAYERGRID", -1)));
  TWindow* rounds = FindChild("QMRounds", -1);
  mRounds = TWindowHandle(WindowCast<QMLayerPuzzleRounds>(rounds));
  if (rounds) rounds->SetFlags(rounds->GetFlags() & ~kWindowShown);
  // The puzzle still runs without them, but cannot be solved as its designer meant.
  if (!mGrid) EngineLog("Layer puzzle %s: the layout has no grid (QMLayerGrid)", GetName().CStr());
  if (!mRounds || GetRounds()->GetRoundCount() == 0)
    EngineLog("Layer puzzle %s: the layout has no rounds (QMLayerPuzzleRounds named QMRounds)",
              GetName().CStr());
  if (!mPlusButton || !mMinusButton)
    EngineLog("Layer puzzle %s: the layout lacks the buttons PlusButton and MinusButton",
              GetName().CStr());
  mPlayClock.Start();

  QMGameManager* game = QMGameManager::Instance();
  const int saved = game ? game->GetLayerPuzzleRound() : -1;
  if (saved != -1) {
    QMLayerPuzzleRounds* list = GetRounds();
    if (list && list->SetRound(saved)) {
      LoadLayerPiecesSpider restore;
      ForEachChild(restore, false);
    } else {
      EngineLog(
          "Layer puzzle: saved round %d is not one of its rounds; "
          "starting at the first",
          saved);
    }
  }
  BeginRound();
  CheckRoundComplete();
  if (TGameState* state = TGameState::GetInstance()) state->SetIntState("InstructionTimeViewed", 0);
}

KSpriteWindow* QMLayerPuzzleWindow::FindOverlay() const {
  TWindow* parent = GetParent();
  return parent ? WindowCast<KSpriteWindow>(parent->FindChild("overlaywindow", -1)) : nullptr;
}

void QMLayerPuzzleWindow::BeginRound() {
  mLayerCount = 0;
  mRoundOver = false;
  QMLayerPuzzleRounds* rounds = GetRounds();
  DeactivateRoundsSpider spider(rounds ? rounds->GetCurrentRoundName() : str());
  ForEachChild(spider, false);
  if (KSpriteWindow* overlay = FindOverlay()) {
    const int32_t index = rounds ? rounds->GetCurrentRound() : 0;
    if (TScript* script = overlay->GetScript())
      script->SetGlobalString("round_bubble_round_string", str::Format("round%d", index + 1));
    overlay->SetZOrder(1);
    overlay->RunAnimScript(kRoundBeginScript);
  }
}

void QMLayerPuzzleWindow::AddPieceSprite(const boost::shared_ptr<TSprite>& sprite) {
  if (!sprite || !mSceneSprite) return;
  mSceneSprite->AddChild(sprite);
  ++mLayerCount;
}

void QMLayerPuzzleWindow::RemovePieceSprite(const boost::shared_ptr<TSprite>& sprite) {
  if (sprite && mSceneSprite) mSceneSprite->RemoveChild(sprite);
}

void QMLayerPuzzleWindow::CheckRoundComplete() {
  if (mHintActive) return;
  QMLayerPuzzleRounds* rounds = GetRounds();
  if (QMGameManager* game = QMGameManager::Instance())
    game->SetLayerPuzzleRound((rounds ? rounds->GetCurrentRound() : 0) + 1);
  const bool won = CheckWin();
  ArrangeLayers();
  if (won && !mRoundOver) {
    // Settled: a photo moved while the end dialog waits would un-solve a round already won.
    mRoundOver = true;
    mRoundWon = true;
    mWonAt = mPlayClock.GetTime();
    mWinSoundDue = true;
    SelectPiece(nullptr);
  }
}

bool QMLayerPuzzleWindow::CheckWin() {
  CheckWindowsForWinSpider spider;
  ForEachChild(spider, false);
  return spider.mResult;
}

void QMLayerPuzzleWindow::ArrangeLayers() {
  QMLayerPuzzlePiece* reference = GetSelectedPiece();
  if (!reference) {
    FirstVisiblePieceSpider first;
    ForEachChild(first, false);
    reference = first.mFound;
  }
  if (!reference) return;
  for (int32_t i = 1; i <= mLayerCount; ++i) {
    QMLayerPuzzlePiece* piece = reference;
    if (piece->GetLayer() != i) {
      GetPieceByLayerSpider spider(reference, i);
      ForEachChild(spider, false);
      piece = spider.mFound;
    }
    if (!piece) continue;
    // To the front, then one step back: the front-most child (the grid) keeps
    // its place and higher layers end nearer the front.
    piece->SetZOrder(1);
    piece->SetZOrder(3);
    if (piece->GetSprite()) piece->GetSprite()->SetLayer(i);
    piece->SaveState();
  }
}

void QMLayerPuzzleWindow::SelectPiece(QMLayerPuzzlePiece* piece) {
  if (QMLayerPuzzlePiece* old = GetSelectedPiece()) {
    if (old->GetSprite()) old->GetSprite()->RemoveAllChildren();
    old->SetSelected(false);
    ShowLayerButtons(false, TPoint());
  }
  mSelectedPiece = TWindowHandle(piece);
  if (piece) piece->Highlight();
}

void QMLayerPuzzleWindow::ShowLayerButtons(bool show, const TPoint& at) {
  TWindow* plus = mPlusButton.Get();
  TWindow* minus = mMinusButton.Get();
  if (show && at != TPoint(0, 0)) {
    if (plus) plus->SetPosition(at.x - 20, at.y);
    if (minus) minus->SetPosition(at.x - 20, at.y + 20);
  }
  for (TWindow* button : {plus, minus}) {
    if (!button) continue;
    const uint32_t flags = button->GetFlags();
    button->SetFlags(show ? flags | kWindowShown : flags & ~kWindowShown);
  }
}

void QMLayerPuzzleWindow::PlayPickupSound() {
  if (mPickupPieceSound) mPickupPieceSound->Play(false);
}

void QMLayerPuzzleWindow::PlaySnapSound() {
  if (mSnapToGridSound) mSnapToGridSound->Play(false);
}

void QMLayerPuzzleWindow::PlayCorrectSound() {
  if (mCorrectSlotSound) mCorrectSlotSound->Play(false);
  CountMetric("++CorrectPhotoPlacements");
}

void QMLayerPuzzleWindow::PlayDropSound() {
  if (mDropPieceSound) mDropPieceSound->Play(false);
  CountMetric("++IncorrectPhotoPlacements");
}

bool QMLayerPuzzleWindow::PlayLayerChangeSound() {
  if (!mLayerChangeSound) return true;
  const float now = static_cast<float>(mPlayClock.GetTime());
  if (!(mLayerChangeBusyUntil < now)) return false;
  mLayerChangeInstance = mLayerChangeSound->Play(false);
  mLayerChangeBusyUntil = now + mLayerChangeSound->GetDuration() * 1000.0f;
  return true;
}

void QMLayerPuzzleWindow::LayerPlusButton() {
  CountMetric("++LayerUpDownClicks");
  QMLayerPuzzlePiece* piece = GetSelectedPiece();
  if (piece && PlayLayerChangeSound()) piece->MoveUp();
}

void QMLayerPuzzleWindow::LayerMinusButton() {
  CountMetric("++LayerUpDownClicks");
  QMLayerPuzzlePiece* piece = GetSelectedPiece();
  if (piece && PlayLayerChangeSound()) piece->MoveDown();
}

void QMLayerPuzzleWindow::RunRoundEnd() {
  QMLayerPuzzleRounds* rounds = GetRounds();
  const str name = rounds ? rounds->GetCurrentRoundName() : str();
  const bool last =
      !rounds || static_cast<size_t>(rounds->GetCurrentRound()) + 1 >= rounds->GetRoundCount();
  const str text = str::Format(
      "layer_round_end_modal_round = 'scripts/common/layer/round_end_%s.lua' "
      "DoModal('scripts/common/layer/round_end_modal.lua') %s",
      name.CStr(), last ? "setComplete() puzzleComplete()" : "ChangeRound()");
  TWindowHandle self(this);
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RunScriptString(this, text);
  if (self && last)
    if (QMGameManager* game = QMGameManager::Instance()) game->SetLayerPuzzleRound(-1);
}

bool QMLayerPuzzleWindow::Animate() {
  const uint32_t now = mPlayClock.GetTime();
  if (mRoundWon && mWinSoundDue && now >= mWonAt + mDelayToPlayWinSound) {
    mWinSoundDue = false;
    QMLayerPuzzleRounds* rounds = GetRounds();
    const bool last =
        !rounds || static_cast<size_t>(rounds->GetCurrentRound()) + 1 >= rounds->GetRoundCount();
    const boost::shared_ptr<TSound>& sound = last ? mLevelCompleteSound : mRoundCompleteSound;
    if (sound)
      if (boost::shared_ptr<TSoundInstance> playing = sound->Play(false))
        playing->HoldSoundUntilEnd();
  }
  if (mRoundWon && now >= mWonAt + mDelayBeforeDialog) {
    mRoundWon = false;
    TWindowHandle self(this);
    RunRoundEnd();
    if (!self) return false;
  }
  if (!mSceneSprite) return false;
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
  return true;
}

void QMLayerPuzzleWindow::Draw() {
  if (!mSceneSprite) return;
  TRenderer* renderer = TRenderer::Instance();
  if (!renderer) return;
  const bool began = renderer->Begin2d();
  mSceneSprite->Draw(TDrawParams(TVec2(0, 0), 1, 1, 0), -1);
  if (began) renderer->End2d();
}

bool QMLayerPuzzleWindow::OnMouseMove(const TPoint&) {
  LayerSnapPoint = TPoint(0, 0);
  return true;
}

bool QMLayerPuzzleWindow::LayerShowHint() {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  TWindow* disable = top ? top->FindChild("disableHint", -1) : nullptr;
  if (disable && disable->IsVisible()) return false;

  // One hint at a time: the photo of the running one is still the overlay's.
  if (mHintActive) return false;

  FindLayerHintPieceSpider spider;
  ForEachChild(spider, false);
  QMLayerPuzzlePiece* piece = spider.mFound;
  KSpriteWindow* overlay = FindOverlay();
  if (!piece) {
    if (overlay) overlay->RunAnimScript(kNoHintScript);
    return false;
  }
  if (!overlay || !piece->GetSprite()) return true;

  SelectPiece(nullptr);
  mHintPiece = TWindowHandle(piece);
  boost::shared_ptr<TSprite> sprite = piece->GetSprite();
  const TRect bounds = piece->GetPictureBounds();
  // The overlay places its sprites on the screen; the puzzle's pictures sit in
  // its own area.
  TPoint origin(0, 0);
  ClientToScreen(origin);
  mSceneSprite->RemoveChild(sprite);
  piece->SetPicturePosition(bounds.left + origin.x, bounds.top + origin.y);
  if (overlay->AddSprite(sprite, kHintSpriteName, 5, "") < 0) {
    piece->SetPicturePosition(bounds.left, bounds.top);
    mSceneSprite->AddChild(sprite);
    mHintPiece = TWindowHandle();
    return false;
  }
  mHintSprite = sprite;
  TPoint dest(0, 0);
  if (QMLayerGrid* grid = GetGrid()) dest = grid->GetCellPosition(piece->GetGridPosition());
  if (TScript* script = overlay->GetScript()) {
    script->SetGlobalNumber("hintspriteX", bounds.left + origin.x);
    script->SetGlobalNumber("hintspriteY", bounds.top + origin.y);
    script->SetGlobalNumber("hsDestX", dest.x + origin.x);
    script->SetGlobalNumber("hsDestY", dest.y + origin.y);
  }
  BindReleaseHintSprite(overlay);
  overlay->SetZOrder(1);
  piece->SetHintPlaced(true);
  const bool wouldWin = CheckWin();
  piece->SetHintPlaced(false);
  if (TScript* script = overlay->GetScript())
    script->SetGlobalNumber("hsPlayTutorial", wouldWin ? 0 : 1);
  mHintActive = true;
  overlay->RunAnimScript(kHintScript);
  ArrangeLayers();
  return true;
}

void QMLayerPuzzleWindow::ReleaseHintSprite() {
  KSpriteWindow* overlay = FindOverlay();
  boost::shared_ptr<TSprite> sprite;
  sprite.swap(mHintSprite);
  if (sprite && mHintPiece) {
    // Given back by the sprite lent, whatever the overlay now holds under the hint's name.
    if (overlay && overlay->GetSprite(kHintSpriteName) == sprite) {
      overlay->RemoveSprite(kHintSpriteName);
    } else if (TSprite* parent = sprite->GetParent()) {
      parent->RemoveChild(sprite);
    }
    TPoint origin(0, 0);
    ClientToScreen(origin);
    TMat3& m = sprite->GetDrawState().transform;
    m(2, 0) -= static_cast<float>(origin.x);
    m(2, 1) -= static_cast<float>(origin.y);
    mSceneSprite->AddChild(sprite);
  }
  mHintPiece = TWindowHandle();
  mHintActive = false;
  CheckRoundComplete();
}
