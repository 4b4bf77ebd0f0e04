#include "game/scenes/QMArcadeGame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "anim/KAnimProperties.h"
#include "anim/KSpriteWindow.h"
#include "core/EngineLog.h"
#include "core/TClock.h"
#include "core/TPlatform.h"
#include "core/TRandom.h"
#include "game/scenes/ArcadeGameTimer.h"
#include "game/scenes/IQMSearchTool.h"
#include "game/scenes/QMAmbientScroll.h"
#include "game/shell/ChildWindows.h"
#include "game/shell/QMGameOver.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/ScriptUtilities.h"
#include "game/shell/SoundGroups.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScript.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"

namespace {

constexpr int kFadeWidth = 800;
constexpr int kFadeHeight = 520;
constexpr float kLevelOneMinutes = 24.0f;
// Minutes granted at the start of a level, by level / 6.
constexpr float kLevelGrant[] = {12.0f, 10.0f, 6.0f, 3.0f, 1.0f, 0.0f};

const char* const kMusicLoops[] = {
    "audio/music/contemp_loop_1.ogg",     "audio/music/contemp_loop_2.ogg",
    "audio/music/contemp_loop_3.ogg",     "audio/music/mellow_bass_loop_2.ogg",
    "audio/music/mellow_rock_loop_1.ogg", "audio/music/spanish_loop_1.ogg",
};

const char kSavedGameMark[] = "Saved Game";
constexpr int kOpenMultiplesEntry = 13;
constexpr int kSavedMarkEntry = 14;

// Fade states.
enum : int32_t { kFadeToBlack = 0, kFadeFromBlack = 2, kFadeSceneShown = 3, kFadeBlack = 4 };

}  // namespace

QMArcadeGame::QMArcadeGame() {
  ResetState();
  SetFlags(GetFlags() | kWindowFocusable);
  mAssets.SetAutoLoad(true);
  mItemLayer = boost::shared_ptr<QMSearchableSprite>(new QMSearchableSprite(0));
  mAmbientLayer = TSprite::Create(0);

  mBehindAnim = TAnimatedTexture::Get("anim/behind2.xml");
  mAboveAnim = TAnimatedTexture::Get("anim/above.xml");
  mHintAnim = TAnimatedTexture::Get("anim/hint3.xml");

  const std::pair<boost::shared_ptr<TSound>*, const char*> sounds[] = {
      {&mFoundSound, "audio/sfx/found_object.ogg"},
      {&mAllFoundSound, "audio/sfx/sfx_find_all_objects_alt.ogg"},
      {&mWrongSound, "audio/sfx/sfx_incorrect.ogg"},
      {&mBonusLossSound, "audio/sfx/sfx_bonus_loss.ogg"},
      {&mHintSound, "audio/sfx/sfx_button_hint.ogg"},
      {&mBonusGainSound, "audio/sfx/sfx_bonus_gain_alt_2.ogg"},
      {&mWrongAgainSound, "audio/sfx/sfx_incorrect2.ogg"},
  };
  for (const auto& [sound, name] : sounds) *sound = TSound::Get(name, true, kEffectsGroup);

  auto anim = std::make_unique<KSpriteWindow>();
  anim->SetName("QMArcadeAnimWindow");
  mAnimWindow = TWindowHandle(anim.get());
  AddChild(std::move(anim), true);

  mSceneSprite = TSprite::Create(0);

  mSceneScript = std::make_unique<TScript>();
  if (!mSceneScript->DoFile("scripts/searchhelper.lua"))
    EngineLog("Arcade: the scene catalogue scripts/searchhelper.lua could not be run; no scenes");
  ReadPuzzleOrder();
  LoadSearchPuzzles();
  LoadMultiples();

  BindScriptFunctions();

  mGameTimer = new ArcadeGameTimer(this);
  if (auto* modal = WindowCast<TModalWindow>(TopModal())) {
    modal->AddTask(mGameTimer);
    mGameTimerModal = TWindowHandle(modal);
    mGameTimerTaken = true;
  }
}

QMArcadeGame::~QMArcadeGame() {
  mRunner.CancelAll();
  ClearSearchTool();
  mAmbientScrolls.clear();
  mItemLists.clear();
  mSceneTables.clear();
  // A modal's task list owns the timer once it took it, and deletes it when the modal goes;
  // a timer no list took is ours.
  if (!mGameTimerTaken) {
    delete mGameTimer;
  } else if (auto* modal = WindowCast<TModalWindow>(mGameTimerModal.Get())) {
    if (modal->RemoveTask(mGameTimer)) delete mGameTimer;
  }
  mGameTimer = nullptr;
  if (mMusic) mMusic->StopAll();
}

void QMArcadeGame::ResetState() {
  mLevel = 0;
  mItemsLeft = 0;
  mScore = 0;
  mPendingScore = 0;
  mTimeLeft = 0.0f;
  mTimeDebt = 0.0f;
  mWrongClickGrace = 0.0f;
  mMinuteFraction = 0.0f;
  mHintRecharge = 40.0f;
  mTestingMode = false;
  mClockRunning = false;
  mLevelDone = false;
  mHintsLeft = 1;
  mPointsPerItem = 150;
}

void QMArcadeGame::Init(TWindowStyle& style) {
  if (TWindow* anim = mAnimWindow.Get()) {
    anim->Init(style);
    // The style names this window; its animation window keeps its own name.
    anim->SetName("QMArcadeAnimWindow");
    anim->SetSize(800, 600);
    anim->SetZOrder(1);
  }
  TWindow::Init(style);
  if (TWindowManager* wm = TWindowManager::Instance()) {
    TWindow* previous = wm->GetFocus();
    wm->SetFocusWindow(this);
    OnFocus(previous);
  }
  SetFlags(GetFlags() | kWindowOpaque);
  mClicksEnabled = false;
}

void QMArcadeGame::ArmFrameStep() { SetAnimTimer(16, true, true, false); }

void QMArcadeGame::PostCreate(TWindowStyle& style) {
  mRestoreAllowed = true;
  ArmFrameStep();
  ClearSlots();
  if (TWindow* top = TopModal())
    if (TWindow* overlay = top->FindChild("searchOverlay", -1)) overlay->SetZOrder(1);
  // The frame step's task runs on the clock of the modal window that holds this window.
  TModalWindow* modal = GetModalParent();
  mAnimClock = modal ? &modal->GetClock() : nullptr;
  // A click on the overlay above the play area hands the focus to the modal window, and the
  // animation window made itself the focus the modal hands on; it swallows every key. The
  // modal passes the focus back here instead, so Escape keeps reaching the run.
  if (modal) modal->SetFocus(this);

  mFadeTexture = TTexture::Create(kFadeWidth, kFadeHeight, false);
  if (TRenderer* renderer = TRenderer::Instance(); renderer && mFadeTexture)
    renderer->FillRect(TRect(0, 0, kFadeWidth, kFadeHeight), TColor(0, 0, 0, 1), mFadeTexture);
  mFadeSprite = TSprite::Create(100);
  mFadeSprite->SetTexture(mFadeTexture);
  mFadeSprite->GetDrawState().alpha = 1.0f;
  KSetSpritePosition(*mFadeSprite, TVec2(400.0f, 260.0f));
  mFadeSprite->SetVisible(true);

  QMPuzzleWindow::PostCreate(style);

  QMGameManager* game = QMGameManager::Instance();
  mTestingMode = game && game->GetGameMode() == 2;
  if (mTestingMode) {
    NewLevelStep();
    GotoLevelScene(mLevel);
    if (TText* first = FindText("SearchItem1")) first->SetText("TEST!");
    return;
  }
  if (TWindow* top = TopModal()) {
    SetShown(top->FindChild("testingmodetext", -1), false);
    SetShown(top->FindChild("currentsprite", -1), false);
  }
  if (game && game->GetSearchItem(kSavedMarkEntry) == kSavedGameMark && mRestoreAllowed) {
    game->SetSearchItem(kSavedMarkEntry, str());
    RestoreSavedGame();
    mRestoreAllowed = false;
  } else {
    if (game) game->SetArcadeLevel(1);
    StartLevel();
  }
  mClicksEnabled = true;
}

void QMArcadeGame::Draw() {
  if (!TRenderer::Instance()) return;
  TScoped2d pass;
  if (!pass.Ok()) return;
  const TDrawParams identity(TVec2(0.0f, 0.0f), 1.0f, 1.0f, 0);
  if (mSceneSprite) mSceneSprite->Draw(identity, -1);
  if (mSearchTool) mSearchTool->Draw();
  if (mItemLayer) mItemLayer->Draw(identity, -1);
  if (mHintLayer) mHintLayer->Draw(identity, -1);
}

bool QMArcadeGame::OnMouseMove(const TPoint& p) {
  if (mSearchTool) {
    mSearchTool->MoveTo(p);
    mSearchTool->UpdateSearchCursor(p);
  }
  mLastPointer = p;
  return false;
}

bool QMArcadeGame::OnMouseLeave() {
  // Only the magnifying glass changes the cursor: the point (0, 0) lies outside the play area.
  if (!mSearchTool) return false;
  mSearchTool->UpdateSearchCursor(TPoint(0, 0));
  return true;
}

void QMArcadeGame::OnSoundEnd(boost::shared_ptr<TSoundInstance>, boost::shared_ptr<TSound>) {
  StartFadeToNextLevel();
}

void QMArcadeGame::StartFadeToNextLevel() {
  ClearSearchTool();
  mFadeAlpha = 0.0f;
  mFadeState = kFadeToBlack;
  mFadeCountdown = 1.0f;
  if (mSceneSprite && mFadeSprite) mSceneSprite->AddChild(mFadeSprite);
}

void QMArcadeGame::ShowHintLights() {
  TWindow* top = TopModal();
  if (!top) return;
  for (int i = 0; i < kMaxHints; ++i)
    SetShown(top->FindChild(str::Format("hintled%d", i), -1), i < mHintsLeft);
}

void QMArcadeGame::ClearSearchTool() {
  if (mToolActive || mSearchTool) {
    mSearchTool.reset();
    mToolActive = false;
  }
  if (mTextureRefresher) {
    if (TPlatform* platform = TPlatform::Instance())
      platform->RemoveIdleTask(mTextureRefresher.get());
    mTextureRefresher.reset();
  }
  mSceneScale = TVec2(1.0f, 1.0f);
}

void QMArcadeGame::NewLevelStep() {
  SetCursorImage(kArrowCursor);
  // The clock is the modal's, shared with the window's animations: the level counts from now
  // rather than from a reset of that clock, which would stall what runs on it.
  mLastTick = mAnimClock ? mAnimClock->GetTime() : 0;
  mMinuteFraction = 0.0f;
  mPointsPerItem = 150;

  if (mMusic) mMusic->StopAll();
  int index = static_cast<int>(RealDraws(*this).Next() * 6.0);
  if (index < 0 || index > 5) index = 0;
  mMusic = TSound::Get(kMusicLoops[index], false, kMusicGroup);
  if (mMusic) mMusic->Play(true);

  mClockRunning = true;
  mFadeAlpha = 1.0f;
  mFadeState = kFadeFromBlack;
  mFadeCountdown = 1.0f;
  QMGameManager* game = QMGameManager::Instance();
  mLevel = game ? game->GetArcadeLevel() : 1;
  mLevelDone = false;
  ShowHintLights();
}

void QMArcadeGame::LevelComplete() {
  // Done from here on: hints and wrong clicks during the all-found sound and the fade change
  // nothing.
  mLevelDone = true;
  ++mLevel;
  if (QMGameManager* game = QMGameManager::Instance()) {
    game->SetArcadeLevel(mLevel);
    game->SetArcadeScore(mScore + mPendingScore);
  }
  mClockRunning = false;
  boost::shared_ptr<TSoundInstance> instance;
  if (mAllFoundSound) instance = mAllFoundSound->Play(false);
  if (instance) {
    instance->SetCallBack(this);
  } else {
    // Without the sound nothing would ever start the next level.
    StartFadeToNextLevel();
  }
}

void QMArcadeGame::EndRun(const char* outcome) {
  if (mRunOver) return;
  mRunOver = true;
  mClockRunning = false;
  if (mPendingScore > 0) mScore += mPendingScore;
  mPendingScore = 0;
  ClearSearchTool();
  QMGameManager* game = QMGameManager::Instance();
  if (game) {
    game->SetArcadeScore(mScore);
    game->SetLastArcadeLevel(mLevel);
  }
  EngineLog("Arcade: the run ends (%s) at level %d with %d points", outcome, mLevel, mScore);
  if (TWindowManager* wm = TWindowManager::Instance()) {
    auto modal = std::make_unique<TModalWindow>();
    TWindow* screen = modal.get();
    modal->SetName("scripts/gameover.lua");
    wm->PushModal(std::move(modal));
    if (!wm->RunScriptFile(screen, "scripts/gameover.lua"))
      EngineLog("Arcade: the game-over screen scripts/gameover.lua could not be run");
    if (auto* over = WindowCast<QMGameOver>(screen->FindChild("gameoverwin", -1)))
      over->SetGameOverStats(outcome, str::Format("%d", mScore), str::Format("%d", mLevel - 1));
  }
  if (game) {
    game->SetArcadeLevel(1);
    game->SetSearchItem(kSavedMarkEntry, str());
  }
}

void QMArcadeGame::ClearSlots() {
  for (int slot = 1; slot <= kSlots; ++slot) {
    mEntryLabels[slot - 1] = str();
    mGroupLabels[slot - 1] = str();
    if (TText* text = FindText(str::Format("SearchItem%d", slot))) {
      text->DeleteChildren();
      text->SetText(str());
    }
  }
}

void QMArcadeGame::StartLevel() {
  NewLevelStep();
  // A level may fill fewer slots than the last one: nothing of that one's list may stay in the
  // others, to be shown, saved and read back as a live entry.
  ClearSlots();
  mItemLayer->RemoveAllChildren();
  if (mSceneSprite) mSceneSprite->RemoveAllChildren();
  if (mHintSprite) mHintSprite->RemoveAllChildren();

  if (mLevel == 1) {
    mTimeLeft = kLevelOneMinutes;
  } else if (mLevel / 6 >= 0 && mLevel / 6 <= 5) {
    mTimeLeft += kLevelGrant[mLevel / 6];
    if (mTimeLeft > kMostMinutes) mTimeLeft = kMostMinutes;
  }
  if (mLevel > kLastLevel) {
    EndRun("arcadewin");
    return;
  }
  if (mSceneOrder.empty()) {
    // Passing one empty level after another would hand out a won run for nothing.
    EngineLog("Arcade: the scene catalogue has no scenes; the run ends");
    EndRun("arcadelose");
    return;
  }
  GotoLevelScene(mLevel);
  int members = 0;
  int groups = 0;
  ChooseMultiples(members, groups);
  ChooseSingleItems(kSlots - groups, groups);
  UpdateItems();
  // Counted from what was really placed: an item without a picture is gone from its scene,
  // and a scene may offer fewer items than the list has entries.
  mItemsLeft = 0;
  if (ItemList* items = GetCurrentItems())
    for (const ItemPtr& item : *items) mItemsLeft += item->InList() ? 1 : 0;
  ArmFrameStep();
  if (mItemsLeft <= 0) {
    EngineLog("Arcade: scene %s offers no items for level %d; the level is passed",
              mCurrentScene.CStr(), mLevel);
    LevelComplete();
  }
}

void QMArcadeGame::SaveGameState() {
  QMGameManager* game = QMGameManager::Instance();
  if (!game) return;
  if (game->GetArcadeScore() != mScore + mPendingScore)
    game->SetArcadeScore(mScore + mPendingScore);
  game->SetArcadeTime(mTimeLeft - mTimeDebt / 60.0f);
  game->SetArcadeLevel(mLevel);
  game->SetLastArcadeLevel(mLevel);
  game->SetArcadeHintsLeft(mHintsLeft);
  for (int i = 0; i < kSlots; ++i) game->SetSearchItem(i, mEntryLabels[i]);
  game->SetSearchItem(kOpenMultiplesEntry, mOpenMultiples);
  game->SetSearchItem(kSavedMarkEntry, kSavedGameMark);
}

void QMArcadeGame::TimerTick() {
  if (mLevelDone || !mClockRunning) return;
  const uint32_t now = mAnimClock ? mAnimClock->GetTime() : 0;
  const float elapsed = static_cast<float>(static_cast<uint32_t>(now - mLastTick)) / 1000.0f;
  mLastTick = now;
  mTimeLeft -= elapsed / 60.0f;
  mMinuteFraction += elapsed / 60.0f;
  if (mMinuteFraction > 1.0f) {
    mMinuteFraction = 0.0f;
    // Never below 10: a value between 10 and 20 drops to 10, not under it.
    mPointsPerItem = mPointsPerItem - 10 < 10 ? 10 : mPointsPerItem - 10;
  }
  if (mTimeDebt > 0.0f && !(mWrongClickGrace > 0.0f)) {
    mTimeLeft -= 1.0f / 60.0f;
    mTimeDebt -= 1.0f;
  }
  if (mTimeLeft < 0.0f) EndRun("arcadelose");
  if (mWrongClickGrace > 0.0f) {
    mWrongClickGrace -= elapsed;
    if (mWrongClickGrace < 0.0f) PlayOnce(mBonusLossSound);
  }
  if (mHintRecharge > 0.0f) {
    mHintRecharge -= elapsed;
    if (mHintRecharge < 0.0f && mHintsLeft < kMaxHints) {
      ++mHintsLeft;
      if (TWindow* top = TopModal())
        SetShown(top->FindChild(str::Format("hintled%d", mHintsLeft - 1), -1), true);
      if (mHintsLeft < kMaxHints) mHintRecharge += 40.0f;
    }
  }
  // Bounded before the casts, which are undefined for values an int cannot hold.
  const double shown = std::isfinite(mTimeLeft) && mTimeLeft > 0.0f ? mTimeLeft : 0.0;
  double whole = 0.0;
  const double fraction = std::modf(shown, &whole);
  const int minutes = static_cast<int>(std::min(whole, 59.0));
  const int seconds = static_cast<int>(fraction * 60.0);
  char shownTime[32];
  std::snprintf(shownTime, sizeof shownTime, "%.2d:%.2d", minutes, seconds);
  mClockShown.Show(FindText(mClockName), shownTime);
}

bool QMArcadeGame::Animate() {
  const uint32_t now = mAnimClock ? mAnimClock->GetTime() : 0;
  const uint32_t elapsed = mLastFrameTime == 0 ? 16 : now - mLastFrameTime;
  mLastFrameTime = now;
  for (const boost::shared_ptr<QMAmbientScroll>& scroll : mAmbientScrolls) scroll->Update(elapsed);

  if (mPendingScore >= 5) {
    mPendingScore -= 4;
    mScore += 4;
  } else if (mPendingScore >= 1) {
    mScore += mPendingScore;
    mPendingScore = 0;
  }
  char shownScore[16];
  std::snprintf(shownScore, sizeof shownScore, "%.6d", mScore);
  mScoreShown.Show(FindText(mScoreName), shownScore);

  if (mFadeCountdown > 0.0f) {
    mFadeCountdown -= 1.0f;
    if (!(mFadeCountdown > 0.0f)) {
      switch (mFadeState) {
        case kFadeToBlack:
          mFadeAlpha += 0.03f;
          mFadeCountdown += 1.0f;
          if (mSceneSprite && mFadeSprite) mSceneSprite->AddChild(mFadeSprite);
          if (mFadeAlpha >= 1.0f) {
            mFadeState = kFadeBlack;
            StartLevel();
          }
          break;
        case kFadeFromBlack:
          mFadeAlpha -= 0.01f;
          mFadeCountdown += 1.0f;
          if (mFadeAlpha <= 0.0f) mFadeState = kFadeSceneShown;
          break;
        case kFadeSceneShown: mFadeAlpha = 0.0f; break;
        case kFadeBlack: mFadeAlpha = 1.0f; break;
        default: break;
      }
      if (mFadeSprite) mFadeSprite->GetDrawState().alpha = mFadeAlpha;
    }
  }
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
  return true;
}

QMArcadeGame::RealDraws::RealDraws(const QMArcadeGame& game) : mGame(game) {
  if (mGame.mRealSource) return;
  mRandom = std::make_unique<TRandom>();
  TPlatform* platform = TPlatform::Instance();
  mRandom->init_genrand(platform ? platform->Random() : 0);
}

double QMArcadeGame::RealDraws::Next() {
  return mGame.mRealSource ? mGame.mRealSource() : mRandom->genrand_res53();
}

TText* QMArcadeGame::FindText(const str& name) const {
  TWindow* top = TopModal();
  return top ? TText::Cast(top->FindChild(name, -1)) : nullptr;
}

void QMArcadeGame::PlayOnce(const boost::shared_ptr<TSound>& sound) {
  if (!sound) return;
  if (boost::shared_ptr<TSoundInstance> playing = sound->Play(false)) playing->HoldSoundUntilEnd();
}
