#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"

#include <cmath>

#include "anim/KAnimBias.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimQueue.h"
#include "anim/KAnimSound.h"
#include "anim/KAnimSteps.h"
#include "anim/KSpriteWindow.h"
#include "core/EngineLog.h"
#include "game/puzzles/QMPuzzleSound.h"
#include "game/puzzles/sequence/QMSequenceBin.h"
#include "game/puzzles/sequence/QMSequenceClue.h"
#include "game/puzzles/sequence/QMSequenceGrid.h"
#include "game/puzzles/sequence/QMSequencePuzzlePiece.h"
#include "game/puzzles/sequence/QMSequencePuzzleRounds.h"
#include "game/puzzles/sequence/QMSequenceShared.h"
#include "game/puzzles/sequence/QMSequenceSpiders.h"
#include "game/scenes/QMMessages.h"
#include "game/scenes/QMSearchList.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

namespace {

const char* const kSoundKeys[] = {"pickupPieceSound",   "dropPieceSound",     "snapToGridSound",
                                  "roundCompleteSound", "levelCompleteSound", "puzzleFailSound",
                                  "clueRollOverSound",  "pieceSlideSound",    "pieceGoToBinSound",
                                  "hintSound"};

constexpr int32_t kHintLayer = 2147483647;

const char kLastRoundEnd[] =
    "sequence_round_end_modal_round = 'scripts/common/sequence/round_end_%s.lua' "
    "DoModal('scripts/common/sequence/round_end_modal.lua') setComplete() puzzleComplete()";
const char kRoundEnd[] =
    "sequence_round_end_modal_round = 'scripts/common/sequence/round_end_%s.lua' "
    "DoModal('scripts/common/sequence/round_end_modal.lua') ChangeRound()";

KAnimProcess* MakeFade(const boost::shared_ptr<TSprite>& sprite, float from, float to, float ms) {
  auto* fade = new KAnimOpacity<KSpritePtr>(sprite, from, to);
  fade->SetDuration(ms);
  KAnimBias* bias = new KEaseInEaseOutSineBias;
  fade->SetBias(bias);
  KReleaseRef(bias);
  return fade;
}

}  // namespace

QMSequencePuzzleWindow::QMSequencePuzzleWindow() {
  mSceneSprite = TSprite::Create(0);
  mSceneSprite->GetDrawState().origin = TVec2(0, 0);
  mSceneSprite->GetDrawState().flags |= TDrawParams::kUseOrigin;
}

QMSequencePuzzleWindow::~QMSequencePuzzleWindow() {
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  // A hint cut short never reaches its last step, which gives the game its hints back.
  const bool hintRunning = mHintMarkers[0] && mAnimRunner.GetRunningCount() > 0;
  mAnimRunner.CancelAll();
  if (hintRunning)
    if (TScript* host = TWindowScript::Current())
      host->DoLuaString("if gGameState then gGameState.hintActive = false end");
  mBins.clear();
}

TSprite* QMSequencePuzzleWindow::GetWindowSprite() const { return mSceneSprite.get(); }

void QMSequencePuzzleWindow::AddSprite(boost::shared_ptr<TSprite> sprite) {
  if (!sprite || !mSceneSprite) return;
  if (sprite->GetParent() == mSceneSprite.get()) return;
  mSceneSprite->AddChild(sprite);
}

void QMSequencePuzzleWindow::RemoveSprite(boost::shared_ptr<TSprite> sprite) {
  if (sprite && mSceneSprite) mSceneSprite->RemoveChild(sprite);
}

void QMSequencePuzzleWindow::PostCreate(TWindowStyle& style) {
  QMPuzzleWindow::PostCreate(style);
  str background = style.GetString("bgPath", str());
  background.Replace("5_sequence_gameback", "2_sequence_gameback", 0, 0);
  for (int i = 0; i < kSoundCount; ++i) {
    mSounds[i] = LoadPuzzleSound(style.GetString(kSoundKeys[i], str()));
  }
  mHintDuration = static_cast<float>(style.GetNumber("hintDuration", 0));
  mDelayToPlayWinSound = static_cast<float>(style.GetNumber("delayToPlayWinSound", 0));
  mDelayBeforeDialog = static_cast<float>(style.GetNumber("delayBeforeDialog", 0));
  if (!background.IsEmpty()) {
    if (boost::shared_ptr<TTexture> texture = TTexture::Get(background, 0))
      mSceneSprite->SetTexture(texture);
  }
  mEventTarget.reset(style.GetTable("eventTarget"));
  mInitialClueArtPath = style.GetString("initialClueArtPath", str());
  mInitialClueTextPath = style.GetString("initialClueTextPath", str());
  // A layout without a speed keeps the one already in use.
  const double speed = style.GetNumber("puzzlePieceAnimateSpeed", NAN);
  if (!std::isnan(speed)) QMSequenceShared::pieceAnimateSpeed = static_cast<float>(speed);
  mFailTimePenalty = NumberToInt(style.GetNumber("failTimePenalty", 0));
  mHintAnimation = TAnimatedTexture::Get(style.GetString("hintAnim", "anim/hint.xml"));

  TWindowManager* wm = TWindowManager::Instance();
  if (wm) {
    if (TModalWindow* top = WindowCast<TModalWindow>(wm->GetTopModal())) top->SetFocus(this);
  }
  SetAnimTimer(16, true, true, false);

  mGrid = WindowCast<QMSequenceGrid>(FindChild("QMSEQUENCEGRID", -1));
  mRounds = WindowCast<QMSequencePuzzleRounds>(FindChild("QMRounds", -1));
  mFirstClue = WindowCast<QMSequenceClue>(FindChild("first", -1));
  mSecondClue = WindowCast<QMSequenceClue>(FindChild("second", -1));
  if (mRounds) mRounds->SetFlags(mRounds->GetFlags() & ~kWindowShown);
  if (!mGrid || !mRounds)
    EngineLog("Sequence puzzle '%s' has no %s: it cannot be played", mName.CStr(),
              mGrid ? "rounds list \"QMRounds\"" : "slot row \"QMSEQUENCEGRID\"");
  BeginRound();
  mPlayClock.Start();
  mClueSoundOn = NumberToInt(style.GetNumber("turnOffClueSound", 0)) != 1;
  mClueImageOn = NumberToInt(style.GetNumber("turnOffClueImage", 0)) != 1;
}

void QMSequencePuzzleWindow::Draw() {
  if (!mSceneSprite) return;
  TScoped2d scope;
  if (scope.Ok()) mSceneSprite->Draw(TSpriteDrawState(), -1);
}

void QMSequencePuzzleWindow::RunLua(TWindow* context, const str& text) {
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RunScriptString(context, text);
}

void QMSequencePuzzleWindow::BeginRound() {
  mHoverPiece = mPreviousHoverPiece = nullptr;
  if (!mGrid || !mRounds) return;
  const int r = mRounds->GetCurrentIndex() + 1;
  if (mFirstClue) mFirstClue->SetText(str::Format("%s%d_1", mInitialClueTextPath.CStr(), r));
  if (mSecondClue) mSecondClue->SetText(str::Format("%s%d_2", mInitialClueTextPath.CStr(), r));
  if (mFirstClue) mFirstClue->SetArt(str::Format("%s%d_1", mInitialClueArtPath.CStr(), r));
  if (mSecondClue) mSecondClue->SetArt(str::Format("%s%d_2", mInitialClueArtPath.CStr(), r));

  DeactivateRoundsSpiderS spider(this, mRounds->GetCurrentName());
  ForEachChild(spider, false);
  mGrid->SetupRound(spider.shownCount);

  TWindow* overlay = mParent ? mParent->FindChild("overlaywindow", -1) : nullptr;
  if (KSpriteWindow* banner = WindowCast<KSpriteWindow>(overlay)) {
    if (TScript* script = banner->GetScript())
      script->SetGlobalString("round_bubble_round_string", str::Format("round%d", r));
    banner->SetZOrder(1);
    banner->RunAnimScript("scripts/common/round_begin.lua");
  }
}

void QMSequencePuzzleWindow::PickUp(QMSequencePuzzlePiece* piece) {
  ReleaseHeldPiece();
  mHeldPiece = piece;
  if (!piece) return;
  if (TWindowManager* wm = TWindowManager::Instance()) wm->AddHoverWindow(this);
  if (piece->GetPuzzleWindow()) {
    piece->GetDropImage()->SetVisible(false);
    piece->GetDragImage()->SetVisible(true);
  }
  piece->SetTarget(piece->GetDropPosition());
  piece->SetHeld(true);
}

void QMSequencePuzzleWindow::ReleaseHeldPiece() {
  QMSequencePuzzlePiece* piece = mHeldPiece;
  if (!piece) return;
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  if (piece->GetPuzzleWindow()) {
    piece->GetDropImage()->SetVisible(true);
    piece->GetDragImage()->SetVisible(false);
  }
  piece->SetHeld(false);
  mLastHeldPiece = piece;
  mHeldPiece = nullptr;
}

bool QMSequencePuzzleWindow::OnMouseUp(const TPoint& p) {
  if (mHeldPiece) mHeldPiece->OnMouseUp(p);
  return true;
}

bool QMSequencePuzzleWindow::OnMouseMove(const TPoint& p) {
  mLastMousePosition = p;
  if (mHeldPiece) {
    if (mGrid) mGrid->OnMouseMove(p);
    // The grid's move may have ended the drag.
    if (mHeldPiece) mHeldPiece->OnMouseMove(p);
  }
  return true;
}

bool QMSequencePuzzleWindow::OnMouseLeave() {
  if (mHeldPiece) mHeldPiece->OnMouseUp(mLastMousePosition);
  return true;
}

void QMSequencePuzzleWindow::OnPieceHover(QMSequencePuzzlePiece* piece) {
  if (!piece || !piece->GetClueImage()) return;
  // Moves over the same piece report it again and again: only a newly hovered one counts.
  if (piece == mHoverPiece) return;
  if (mHoverPiece) mPreviousHoverPiece = mHoverPiece;
  mHoverPiece = piece;
  if (mClueSoundOn) Play(kClueRollOverSound);
  if (mClueImageOn && mFirstClue) {
    mFirstClue->ShowImage(piece->GetClueImage());
    mFirstClue->SetText(piece->GetClueText());
    if (mPreviousHoverPiece && mSecondClue) {
      mSecondClue->ShowImage(mPreviousHoverPiece->GetClueImage());
      mSecondClue->SetText(mPreviousHoverPiece->GetClueText());
    }
    for (QMSequenceClue* clue : {mFirstClue, mSecondClue})
      if (clue && clue->GetShownImage()) clue->GetShownImage()->SetVisible(true);
  }
}

void QMSequencePuzzleWindow::CheckSolution() {
  if (!mGrid) return;
  if (mGrid->IsSolved()) {
    mRoundEnded = true;
    ReleaseHeldPiece();
    return;
  }
  if (!mGrid->IsFull()) return;
  if (QMSearchList* list = FindSearchListWindow(this, "searchListWindow"))
    RunLua(list, str::Format("modifyGameTimer(%d)", mFailTimePenalty));
  Play(kFailSound);
  mGrid->EjectWrongPieces();
}

bool QMSequencePuzzleWindow::Animate() {
  if (mRoundEnded && mRounds) {
    const str name = mRounds->GetCurrentName();
    const bool last = static_cast<size_t>(mRounds->GetCurrentIndex()) + 1 == mRounds->GetCount();
    RunLua(this, str::Format(last ? kLastRoundEnd : kRoundEnd, name.CStr()));
  }
  mRoundEnded = false;
  if (!mSceneSprite) return false;
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
  return true;
}

QMSequenceBin* QMSequencePuzzleWindow::FindBinByNumber(int number) const {
  for (QMSequenceBin* bin : mBins)
    if (bin->GetNumber() == number) return bin;
  return nullptr;
}

QMSequenceBin* QMSequencePuzzleWindow::NearestFreeBin(const TPoint& p) const {
  QMSequenceBin* best = nullptr;
  double bestDistance = 100000000.0;
  for (QMSequenceBin* bin : mBins) {
    if (!bin->IsEnabled() || bin->IsOccupied()) continue;
    const double dx = bin->GetPiecePosition().x - p.x, dy = bin->GetPiecePosition().y - p.y;
    const double d = dx * dx + dy * dy;
    if (d < bestDistance) {
      bestDistance = d;
      best = bin;
    }
  }
  return best;
}

void QMSequencePuzzleWindow::Play(Sound sound) {
  if (mSounds[sound])
    if (boost::shared_ptr<TSoundInstance> playing = mSounds[sound]->Play(false))
      playing->HoldSoundUntilEnd();
}

void QMSequencePuzzleWindow::PlayPickupSound() { Play(kPickupSound); }
void QMSequencePuzzleWindow::PlayDropSound() { Play(kDropSound); }
void QMSequencePuzzleWindow::PlaySnapSound() { Play(kSnapSound); }
void QMSequencePuzzleWindow::PlaySlideSound() { Play(kSlideSound); }

void QMSequencePuzzleWindow::ShowHint(QMSearchHintMessage* message) {
  if (mHintMarkers[0]) return;
  FindHintPieceSpider spider;
  ForEachChild(spider, false);
  QMSequencePuzzlePiece* piece = spider.found;
  // Every piece sits in its place: there is nothing to point at.
  if (!piece || !mGrid) return;
  const int dx = message ? message->first : 0, dy = message ? message->second : 0;
  const int slot = piece->GetGridPosition() & 0xFF;
  const TPoint at[2] = {TPoint(piece->GetTarget().x + dx, piece->GetTarget().y + dy),
                        TPoint(mGrid->GetSlotArea().left + (slot - 1) * mGrid->GetSlotWidth(),
                               mGrid->GetSlotArea().top)};
  for (int i = 0; i < 2; ++i) {
    boost::shared_ptr<TAnimatedSprite> marker = TAnimatedSprite::Create(-1);
    marker->SetTexture(mHintAnimation);
    TSpriteDrawState& state = marker->GetDrawState();
    state = TSpriteDrawState();
    state.transform(2, 0) = static_cast<float>(at[i].x);
    state.transform(2, 1) = static_cast<float>(at[i].y);
    marker->SetAlpha(0.0f);
    marker->Play("DoAnim");
    mHintMarkers[i] = marker;
  }
  if (!mHintLayer) mHintLayer = TSprite::Create(kHintLayer);
  mHintLayer->AddChild(mHintMarkers[0]);
  mHintLayer->AddChild(mHintMarkers[1]);
  AddSprite(mHintLayer);

  // The fades run on the top modal's clock, the one this window's own task runs on.
  TScript* host = TWindowScript::Current();
  const str name = message ? message->GetName() : str();
  const KSpritePtr markers[2] = {mHintMarkers[0], mHintMarkers[1]};
  auto* first = new KAnimQueue();
  KAppendStep(first, new KAnimLuaCommand(host, "gGameState.hintActive = true"));
  KAppendStep(first, new KAnimSound(mSounds[kHintSound], false, str()));
  KAppendStep(first, MakeFade(markers[0], 0, 1, mHintDuration));
  KAppendStep(first, MakeFade(markers[0], 1, 0, mHintDuration));
  KAppendStep(
      first, new KAnimLuaCommand(
                 host, str::Format("PostMessage(CreateNamedMessage(kQMMessage.HideHint, \"%s\") );",
                                   name.CStr())));
  KAppendStep(first, new KAnimLuaCommand(host, "gGameState.hintActive = false"));
  auto* second = new KAnimQueue();
  KAppendStep(second, MakeFade(markers[1], 0, 1, mHintDuration));
  KAppendStep(second, MakeFade(markers[1], 1, 0, mHintDuration));
  for (KAnimQueue* queue : {first, second}) {
    mAnimRunner.Run(queue);
    KReleaseRef(queue);
  }
}

void QMSequencePuzzleWindow::HideHint() {
  if (!mHintLayer || !mHintMarkers[0] || !mHintMarkers[1]) return;
  mHintLayer->RemoveChild(mHintMarkers[0]);
  mHintLayer->RemoveChild(mHintMarkers[1]);
  mHintMarkers[0].reset();
  mHintMarkers[1].reset();
}
