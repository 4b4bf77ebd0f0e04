#include "game/puzzles/codex/QMCodexWindow.h"

#include <algorithm>

#include "anim/KAnimBias.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimQueue.h"
#include "core/EngineLog.h"
#include "game/puzzles/QMPuzzleSound.h"
#include "game/scenes/QMMessages.h"
#include "online/TGameState.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
#include "render/TRenderer.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/LuaCallMethod.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScript.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TImage.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

namespace {

const char kCoverTexture[] = "codex/wordblank.xml";
const char kPointerParticles[] = "gameobjects/common/over_codexgrid_particle.lua";
const char kScrollTexture[] = "codex/scrollanim_right.xml";
// Sprites of higher layers draw later: the covers lie over the grid's layer-1 sprites so that
// they hide the cells until the first click.
constexpr int32_t kCoverLayer = 2;
// Cells per side of the solve grid: a layout's number beyond it would build a grid of sprites
// without end.
constexpr int32_t kMaxSolveGridSize = 32;

void CountState(const char* key) {
  if (TGameState* state = TGameState::GetInstance()) state->SetState(key, "");
}

}  // namespace

QMCodexWindow::QMCodexWindow()
    : mSlideHolder(TSprite::Create(1)),
      mSolveGridSprite(TSprite::Create(1)),
      mCodeGridSprite(TSprite::Create(1)),
      mCoverHolder(TAnimatedSprite::Create(kCoverLayer)),
      mSolveGrid(mSolveGridSprite, mCoverHolder),
      mCodeGrid(this, mCodeGridSprite),
      mSlides(mSlideHolder) {
  mSceneSprite = TSprite::Create(0);
  PlaceSpriteTopLeft(*mSceneSprite, 0, 0);
  PlaceSpriteTopLeft(*mSlideHolder, 59, 397);
  PlaceSpriteTopLeft(*mSolveGridSprite, 0, 0);
  PlaceSpriteTopLeft(*mCodeGridSprite, 0, 0);
  mSceneSprite->AddChild(mSlideHolder);
  mSceneSprite->AddChild(mSolveGridSprite);
  mSceneSprite->AddChild(mCodeGridSprite);
  mFadeListener = new QMCodexFadeListener(this);
  BindScriptFunctions();
  mCoverTexture = TAnimatedTexture::Get(kCoverTexture);
  if (!mCoverTexture || mCoverTexture->GetFrameCount() == 0)
    EngineLog("Codex puzzle: cover animation %s did not load; the cells show uncovered",
              kCoverTexture);
  mSolveGrid.SetCoverTexture(mCoverTexture);
}

QMCodexWindow::~QMCodexWindow() { KReleaseRef(mFadeListener); }

void QMCodexWindow::PostCreate(TWindowStyle& style) {
  mParticles.DefineMember("dLocus", &mLocus);
  if (!mParticles.Load(kPointerParticles))
    EngineLog("Codex puzzle: pointer effect %s did not load; the grid shows no sparks",
              kPointerParticles);
  QMPuzzleWindow::PostCreate(style);
  ReadStyle(style);
  if (TModalWindow* modal = GetModalParent()) modal->SetFocus(this);
  SetAnimTimer(16, true, true, false);

  mScrollSprite = TAnimatedSprite::Create(10);
  if (boost::shared_ptr<TAnimatedTexture> scroll = TAnimatedTexture::Get(kScrollTexture)) {
    mScrollSprite->SetTexture(scroll);
    // The sprite's position is its centre.
    TMat3& m = mScrollSprite->GetDrawState().transform;
    m.m[2].x = 410.0f + static_cast<float>(scroll->GetWidth()) / 2;
    m.m[2].y = 428.0f + static_cast<float>(scroll->GetHeight()) / 2;
  }
  mScrollSprite->Play("DoAnim");
  if (TWindow* next = FindChild("nextButton", -1))
    if (TImage* image = WindowCast<TImage>(next->FindChild("image0", -1))) image->SetAlpha(0);
}

void QMCodexWindow::Draw() {
  TScoped2d in2d;
  const TDrawParams params(TVec2(0, 0), 1, 1, 0);
  if (mSceneSprite) mSceneSprite->Draw(params, -1);
  mParticles.Draw(TVec3(0, 0, 0));
  if (mScrollSprite) mScrollSprite->Draw(params, -1);
}

bool QMCodexWindow::Animate() {
  if (mSceneSprite)
    if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
  // A fixed step: the effect runs at the same pace whatever the frame rate.
  mParticles.Update(16);
  if (mSolveGrid.CoversFinished()) mSceneSprite->RemoveChild(mCoverHolder);
  return true;
}

bool QMCodexWindow::OnMouseDown(const TPoint& point) {
  CountState("++LevelTotalClicks");
  // The fading grid's cells are the old round's; the rules have moved on to the next one.
  if (mRoundChanging) return false;
  const int32_t cell = mSolveGrid.HitTest(point, mSceneSprite->GetDrawState());
  if (cell < 0) return false;
  if (mSolveGrid.AreCoversShowing()) mSolveGrid.FadeCovers();
  if (!mEventTarget) return false;
  TWindowHandle alive(this);
  std::unique_ptr<TLuaObjectWrapper> answer(LuaCallMethodWithPoint(
      *mEventTarget, "SolveGridClicked", point, str::Format("%i", cell).CStr()));
  // The script may have closed the puzzle.
  if (!alive || !answer || !answer->IsTable()) return false;
  PlayOnce(mClickSound);
  TLuaTable instructions(*answer);
  ProcessInstructions(&instructions);
  return false;
}

bool QMCodexWindow::OnMouseMove(const TPoint& point) {
  const int32_t cell = mSolveGrid.HitTest(point, mSceneSprite->GetDrawState());
  mLastPointer = TVec2(static_cast<float>(point.x), static_cast<float>(point.y));
  mLocus.SetLocus(mLastPointer);
  if (cell >= 0) {
    if (mPointerAway) {
      RunParticleText("gActive = true");
      mPointerAway = false;
    }
  } else if (!mPointerAway) {
    RunParticleText("gActive = false");
    mPointerAway = true;
  }
  return false;
}

bool QMCodexWindow::OnMessage(TMessage* msg) {
  // The completion record reports the player's clicks on the clue controls, not slides built.
  if (msg->GetId() == kButtonPress &&
      (msg->GetName() == str("nextButton") || msg->GetName() == str("prevButton")))
    if (TGameState* state = TGameState::GetInstance())
      state->SetState("++LevelTotalClueClicks", "");
  if (msg->GetName() == str("nextButton") && mScrollSprite && !mScrollSprite->IsStaticTree(-1)) {
    mScrollSprite->Play("FadeOut");
    if (TWindow* next = FindChild("nextButton", -1))
      if (TImage* image = WindowCast<TImage>(next->FindChild("image0", -1))) image->SetAlpha(1);
  }
  if (msg->GetId() == kQMStartPlay) ResetWordColors();
  return QMPuzzleWindow::OnMessage(msg);
}

void QMCodexWindow::RunParticleText(const char* text) {
  if (TScript* script = mParticles.GetScript()) script->DoLuaString(text);
}

void QMCodexWindow::PlayOnce(const boost::shared_ptr<TSound>& sound) {
  if (!sound) return;
  if (boost::shared_ptr<TSoundInstance> playing = sound->Play(false)) playing->HoldSoundUntilEnd();
}

void QMCodexWindow::RunHostText(const str& text) {
  if (TWindowScript* host = TWindowScript::Of(TWindowManager::Instance())) host->DoLuaString(text);
}

void QMCodexWindow::ReadStyle(TWindowStyle& style) {
  const str background = style.GetString("bgPath", str());
  if (!background.IsEmpty())
    if (boost::shared_ptr<TTexture> t = TTexture::Get(background)) mSceneSprite->SetTexture(t);

  if (std::unique_ptr<TLuaTable> props{style.GetTable("solveGridProps")}) {
    TWindowStyle s(props.get());
    QMCodexSolveLayout& l = mSolveGrid.Layout();
    l.rowHeight = static_cast<float>(s.GetNumber("RowHeight", 36));
    l.headerStartX = NumberToInt(s.GetNumber("HeaderStartX", 85));
    l.headerStartY = NumberToInt(s.GetNumber("HeaderStartY", 20));
    l.columnWidth = static_cast<float>(s.GetNumber("ColumnWidth", 50));
    l.gridSize = std::clamp(NumberToInt(s.GetNumber("GridSize", 9)), 0, kMaxSolveGridSize);
    l.gridX = NumberToInt(s.GetNumber("GridX", 0));
    l.gridY = NumberToInt(s.GetNumber("GridY", 0));
    l.labelFont = s.GetString("LabelRowFont", "fonts/euro_ex_bold.mvec");
    l.labelWidth = NumberToInt(s.GetNumber("LabelRowWidth", 55));
    l.labelFontSize = NumberToInt(s.GetNumber("LabelRowFontSize", 14));
    l.labelColor = GetStyleColor(&s, "LabelRowFontColor", TColor(0, 0, 0, 1));
  }
  if (std::unique_ptr<TLuaTable> props{style.GetTable("codeGridProps")}) {
    TWindowStyle s(props.get());
    QMCodexCodeLayout& l = mCodeGrid.Layout();
    l.gridX = static_cast<float>(s.GetNumber("GridX", 0));
    l.gridY = static_cast<float>(s.GetNumber("GridY", 0));
    l.rowHeight = static_cast<float>(s.GetNumber("RowHeight", 0));
    l.columnWidth = static_cast<float>(s.GetNumber("ColumnWidth", 0));
    l.columnCount = static_cast<float>(s.GetNumber("ColumnCount", 0));
    l.iconScale = static_cast<float>(s.GetNumber("IconScale", 0.6));
    l.iconTextOffset = static_cast<float>(s.GetNumber("IconTextOffset", 0));
  }

  QMCodexCellTextures& t = mSolveGrid.Textures();
  boost::shared_ptr<TTexture>* slots[] = {&t.activeCell,     &t.inactiveCell, &t.inactiveRow,
                                          &t.inactiveColumn, &t.check,        &t.conflict,
                                          &t.notCell};
  const char* keys[] = {
      "activeCellTexture", "inactiveCellTexture", "inactiveRowTexture", "inactiveColumnTexture",
      "checkTexture",      "conflictTexture",     "notTexure"};
  for (size_t i = 0; i < 7; ++i) {
    const str name = style.GetString(keys[i], str());
    if (!name.IsEmpty()) *slots[i] = TTexture::Get(name);
  }

  mEventTarget.reset(style.GetTable("eventTarget"));
  mPuzzleId = style.GetString("puzzleID", str());
  mClueImagePrefix = style.GetString("solvePuzzleClueImagePrefix", str());
  mCodeIconPrefix = style.GetString("codeIconPrefix", str());
  mCodeGrid.SetPuzzleId(mPuzzleId);
  mCodeGrid.SetIconPrefix(mCodeIconPrefix);
  mCodeGrid.SetFoundColor(GetStyleColor(&style, "foundWordsColor", TColor(0, 0, 0, 1)));
  mCodeGrid.SetActiveColor(GetStyleColor(&style, "activeWordsColor", TColor(0, 0, 255, 1)));

  boost::shared_ptr<TSound>* sounds[] = {&mClickSound, &mGroupSolvedSound, &mPuzzleSolvedSound};
  const char* soundKeys[] = {"clickAudio", "groupSolvedAudio", "puzzleSolvedAudio"};
  for (size_t i = 0; i < 3; ++i) *sounds[i] = LoadPuzzleSound(style.GetString(soundKeys[i], str()));
}
