#include "game/puzzles/word/QMWordPuzzleWindow.h"

#include <algorithm>
#include <queue>

#include <boost/make_shared.hpp>

#include "anim/KSpriteWindow.h"
#include "assets/TStringTable.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "game/puzzles/QMPuzzleSound.h"
#include "game/puzzles/word/QMWordPuzzleGridPiece.h"
#include "game/puzzles/word/QMWordPuzzleLetter.h"
#include "game/puzzles/word/QMWordPuzzleSpiders.h"
#include "game/shell/LuaText.h"
#include "game/shell/QMGameManager.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TMessage.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

const char* const QMWordPuzzleWindow::kGlowAnimation = "word/blank_glow.xml";
const char* const QMWordPuzzleWindow::kLetterAnimScript =
    "scripts/common/word/word_letter_anim.lua";
const char* const QMWordPuzzleWindow::kRoundEndModal = "scripts/common/word/round_end_modal.lua";
const char* const QMWordPuzzleWindow::kDefaultRoundEndScript =
    "scripts/common/word/round_end_default.lua";

namespace {

const char* const kOverlayWindow = "overlaywindow";
const char* const kMissingString = "#####";
// The separator between the pieces of the round-end text.
const char* const kPieceSeparator = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t  ";

void SetTopLeftAnchor(TSprite& sprite) {
  sprite.GetDrawState().origin = TVec2(0, 0);
  sprite.GetDrawState().flags |= TDrawParams::kUseOrigin;
}

void SetSpritePosition(TSprite& sprite, int x, int y) {
  sprite.GetDrawState().transform(2, 0) = static_cast<float>(x);
  sprite.GetDrawState().transform(2, 1) = static_cast<float>(y);
}

QMGameManager* Game() { return QMGameManager::Instance(); }

}  // namespace

boost::shared_ptr<TSound> QMWordPuzzleWindow::LoadSound(const str& name) {
  return LoadPuzzleSound(name);
}

QMWordPuzzleWindow::QMWordPuzzleWindow()
    : mMarkerSprite(TSprite::Create(0)),
      mHoverMarker(TSprite::Create(0, TTexture::Get("word/letter_over"))),
      mSelectionMarker(TSprite::Create(0, TTexture::Get("word/letter_down"))) {
  mSceneSprite = TSprite::Create(0);
  SetTopLeftAnchor(*mSceneSprite);
  SetTopLeftAnchor(*mHoverMarker);
  SetTopLeftAnchor(*mSelectionMarker);
  mAssets.SetAutoLoad(true);
  mAssets.AddAsset(kGlowAnimation);
}

QMWordPuzzleWindow::~QMWordPuzzleWindow() = default;

QMWordPuzzleWindow* QMWordPuzzleWindow::FromWindow(TWindow* w) {
  return WindowCast<QMWordPuzzleWindow>(w);
}

void QMWordPuzzleWindow::Init(TWindowStyle& style) {
  // The name and layout keys, like every window: the feedback zones find the puzzle by name.
  QMPuzzleWindow::Init(style);
  mWrongClickSound = LoadSound(style.GetString("wrongClickSound", str()));
  SetAnimTimer(16, true, true, false);
  for (int i = 1;; ++i) {
    TLuaTable* round = style.GetTable(str::Format("round%d", i));
    if (!round) break;
    mRounds.emplace_back(round);
  }
  double delay = style.GetNumber("shaderRotationDelay", 1.0);
  mShaderRotationDelay = delay == 0.0 ? 1.0f : static_cast<float>(delay);
  mShaderRotationOffsetTime = static_cast<float>(style.GetNumber("shaderRotationOffsetTime", 20.0));
  mCurrentRound = 0;
  BindScriptFunctions();
  const str background = style.GetString("bgPath", str());
  if (!background.IsEmpty()) {
    if (boost::shared_ptr<TTexture> texture = TTexture::Get(background))
      mSceneSprite->SetTexture(texture);
  }
}

void QMWordPuzzleWindow::PostCreate(TWindowStyle& style) {
  QMPuzzleWindow::PostCreate(style);
  SetupClueText();
  const int32_t count = GetRoundCount();
  const int saved = Game() ? Game()->GetWordPuzzleRound() : -1;
  if (saved != -1) {
    // A saved game from a puzzle with more rounds (or a damaged one) resumes at a round that
    // exists.
    mCurrentRound = std::clamp(saved, 0, std::max(count - 1, 0));
    if (mCurrentRound != saved)
      EngineLog("Word puzzle '%s': saved round %d does not exist; resuming at round %d",
                GetName().CStr(), saved + 1, mCurrentRound + 1);
    mPendingLoad = std::make_unique<QMWPLoadSpider>();
  }
  if (count == 0) {
    EngineLog("Word puzzle '%s' has no rounds: its table holds no \"round1\"", GetName().CStr());
    mPendingLoad.reset();
  } else {
    LoadRound(mRounds[mCurrentRound].get());
  }
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  if (TWindow* overlay = top ? top->FindChild(kOverlayWindow, -1) : nullptr) overlay->SetZOrder(1);
}

void QMWordPuzzleWindow::SetupClueText() {
  TWindow* child = FindChild(kClueTextWindow, -1);
  if (!child) return;
  str text;
  if (!mClueText.IsEmpty()) {
    TPlatform* platform = TPlatform::Instance();
    TStringTable* strings = platform ? platform->GetStringTable() : nullptr;
    text = strings ? strings->GetString(mClueText) : mClueText;
    if (text == kMissingString) text = str();
  }
  if (TText* clue = TText::Cast(child)) clue->SetText(text);
}

void QMWordPuzzleWindow::Draw() {
  TRenderer* renderer = TRenderer::Instance();
  if (!renderer) return;
  const bool began = renderer->Begin2d();
  const TDrawParams params(TVec2(0, 0), 1.0f, 1.0f, 0);
  if (mSceneSprite) mSceneSprite->Draw(params, -1);
  mMarkerSprite->Draw(params, -1);
  if (began) renderer->End2d();
}

bool QMWordPuzzleWindow::OnMessage(TMessage* message) { return QMPuzzleWindow::OnMessage(message); }

bool QMWordPuzzleWindow::Animate() { return true; }

QMWordPuzzleLetter* QMWordPuzzleWindow::GetSelectedLetter() const {
  return dynamic_cast<QMWordPuzzleLetter*>(mSelectedLetter.Get());
}

void QMWordPuzzleWindow::SetSelectedLetter(QMWordPuzzleLetter* letter) {
  mSelectedLetter = TWindowHandle(letter);
}

void QMWordPuzzleWindow::FadeGlows() {
  for (const boost::shared_ptr<TAnimatedSprite>& glow : mGlows) glow->Play("FadeOut");
  mGlows.clear();
}

void QMWordPuzzleWindow::AddGlow(const TPoint& p, int32_t layer) {
  boost::shared_ptr<TAnimatedSprite> glow = TAnimatedSprite::Create(layer);
  boost::shared_ptr<TAnimatedTexture> animation;
  mAssets.GetAnimatedTexture(animation, kGlowAnimation);
  if (animation) glow->SetTexture(animation);
  SetSpritePosition(*glow, p.x, p.y);
  SetTopLeftAnchor(*glow);
  mMarkerSprite->AddChild(glow);
  glow->Play("DoAnim");
  mGlows.push_back(glow);
}

void QMWordPuzzleWindow::SelectLetter(const str& lineName, QMWordPuzzleLetter* letter) {
  FadeGlows();
  SetSelectedLetter(letter);
  if (letter) {
    SetSpritePosition(*mSelectionMarker, letter->GetRect().left, letter->GetRect().top);
    mMarkerSprite->AddChild(mSelectionMarker);
  }
  auto queue = boost::make_shared<QMWPHighLightGridSpider::PointQueue>();
  const char character = letter ? letter->GetText()[0] : 0;
  QMWPHighLightGridSpider highlight(character, lineName, queue);
  ForEachChild(highlight, false);
  for (; !queue->empty(); queue->pop()) {
    const TPoint cell = queue->front();
    TWindow* text = FindChild(str::Format("Grid_Text_%d_%d", cell.x, cell.y), -1);
    if (!text) continue;
    // The glows are drawn in this window's coordinates.
    TRect screen;
    text->GetScreenRect(screen);
    TPoint corner(screen.left, screen.top);
    ScreenToClient(corner);
    AddGlow(corner, 0);
  }
}

void QMWordPuzzleWindow::ClearGrid() {
  FadeGlows();
  SetSelectedLetter(nullptr);
  mMarkerSprite->RemoveChild(mSelectionMarker);
  QMWPClearGridSpider clear;
  ForEachChild(clear, false);
  if (firstLetterPlaceHook) firstLetterPlaceHook();
}

KSpriteWindow* QMWordPuzzleWindow::FindOverlay(TWindow* from) const {
  return from ? WindowCast<KSpriteWindow>(from->FindChild(kOverlayWindow, -1)) : nullptr;
}

void QMWordPuzzleWindow::FlyLetter(QMWordPuzzleGridPiece* target) {
  TWindowManager* wm = TWindowManager::Instance();
  KSpriteWindow* overlay = FindOverlay(wm ? wm->GetTopModal() : nullptr);
  QMWordPuzzleLetter* letter = GetSelectedLetter();
  if (!overlay || !target || !letter) return;
  mInputEnabled = false;
  const str text = letter->PlaceIn(nullptr);
  target->GetOverlayBindings().Bind(overlay, "SetLetterInGrid", target,
                                    &QMWordPuzzleGridPiece::SetLetterInGrid);
  mOverlayBindings.Bind(overlay, "CheckForWin", this, &QMWordPuzzleWindow::CheckForWin);
  TScript* script = overlay->GetScript();
  script->SetGlobalString("word_letter_animating", text);
  script->SetGlobalNumber("word_letter_startX", letter->GetRect().left);
  script->SetGlobalNumber("word_letter_startY", letter->GetRect().top);
  script->SetGlobalNumber("word_letter_targetX", target->GetRect().left);
  script->SetGlobalNumber("word_letter_targetY", target->GetRect().top);
  overlay->RunAnimScript(kLetterAnimScript);
}

bool QMWordPuzzleWindow::IsEntryMet(const QMWordSolutionEntry& entry) {
  QMWPCheckForWinSpider check(entry.column, entry.row, entry.letter);
  ForEachChild(check, false);
  return check.IsFound();
}

void QMWordPuzzleWindow::RunLuaText(const str& text) {
  if (TWindowScript* host = TWindowScript::Of(TWindowManager::Instance())) host->DoLuaString(text);
}

void QMWordPuzzleWindow::CheckForWin() {
  // Until the next round loads, the won grid stays won: the clicks that follow must not raise
  // the round again.
  if (mRoundWon) return;
  if (Game()) Game()->SetWordPuzzleRound(mCurrentRound);
  for (const QMWordSolutionEntry& entry : mSolution)
    if (!IsEntryMet(entry)) return;
  mRoundWon = true;
  ++mCurrentRound;
  const bool last = mCurrentRound >= GetRoundCount();
  RunLuaText(RoundEndText(mRoundEndScript, last));
  if (last && Game()) Game()->SetWordPuzzleRound(-1);
}

str QMWordPuzzleWindow::RoundEndText(const str& roundEndScript, bool last) {
  // A plain script name goes in as it is; anything a quote could break out of is escaped.
  str script = "'" + roundEndScript + "'";
  if (roundEndScript.FindFirstOf("'\\\n\r") < roundEndScript.Length())
    script = LuaStringLiteral(roundEndScript);
  std::vector<str> pieces = {"gTemporaryFunction = function() ", "wordRoundEndScript = " + script,
                             str("DoModal('") + kRoundEndModal + "')"};
  if (last) {
    pieces.push_back("setComplete()");
    pieces.push_back("puzzleComplete()");
  } else {
    pieces.push_back("ChangeRound()");
  }
  pieces.push_back("end");
  pieces.push_back("table.insert(gCommandQueue,gTemporaryFunction)");
  str text;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) text += kPieceSeparator;
    text += pieces[i];
  }
  return text;
}

void QMWordPuzzleWindow::ChangeRound() {
  if (mCurrentRound < 0 || mCurrentRound >= GetRoundCount()) {
    EngineLog("Word puzzle '%s': no round %d to change to", GetName().CStr(), mCurrentRound + 1);
    return;
  }
  ClearRound();
  LoadRound(mRounds[mCurrentRound].get());
  if (Game()) Game()->SetWordPuzzleRound(mCurrentRound);
}

void QMWordPuzzleWindow::ClearRound() {
  mPanels.clear();
  mForbiddenByRow.clear();
  mForbiddenByColumn.clear();
  mSolution.clear();
  mGlows.clear();
  SetSelectedLetter(nullptr);
  if (mSceneSprite) mSceneSprite->RemoveAllChildren();
  mMarkerSprite->RemoveAllChildren();
  QMWPClearRoundSpider clear(this);
  ForEachChild(clear, false);
}

QMWordPuzzleGridPiece* QMWordPuzzleWindow::FindCell(int column, int row) {
  return WindowCast<QMWordPuzzleGridPiece>(FindChild(str::Format("Grid_%d_%d", column, row), -1));
}

bool QMWordPuzzleWindow::WordShowHint() {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  TWindow* disable = top ? top->FindChild("disableHint", -1) : nullptr;
  if (disable && disable->IsVisible()) return false;
  // A letter still flying would lose its landing to the hint's flight and stay placed nowhere.
  if (!mInputEnabled) return false;
  ClearGrid();
  for (const QMWordSolutionEntry& entry : mSolution) {
    if (IsEntryMet(entry)) continue;
    QMWPFindLetterSpider find(mSolution, entry, this);
    ForEachChild(find, false);
    QMWordPuzzleLetter* letter = find.GetResult();
    if (!letter) continue;
    SetSelectedLetter(letter);
    if (QMWordPuzzleGridPiece* cell = FindCell(entry.column, entry.row)) FlyLetter(cell);
    if (wm) wm->PostMessage(new TMessage(kHintMessage, "Disable Buttons from Word Puzzle Hint"));
    return true;
  }
  return false;
}

void QMWordPuzzleWindow::OnLetterClicked() {
  if (mLetterClickedSound)
    if (boost::shared_ptr<TSoundInstance> playing = mLetterClickedSound->Play(false))
      playing->HoldSoundUntilEnd();
  if (firstLetterClickHook) {
    firstLetterClickHook();
    emptyGridHook = nullptr;
  }
}

void QMWordPuzzleWindow::OnWrongClick() {
  if (mWrongClickSound)
    if (boost::shared_ptr<TSoundInstance> playing = mWrongClickSound->Play(false))
      playing->HoldSoundUntilEnd();
  if (emptyGridHook) emptyGridHook();
}

void QMWordPuzzleWindow::PlayPanelRotateSound() {
  if (mPanelRotateSound)
    if (boost::shared_ptr<TSoundInstance> playing = mPanelRotateSound->Play(false))
      playing->HoldSoundUntilEnd();
}

void QMWordPuzzleWindow::ShowHoverMarker(const TPoint& position) {
  if (GetSelectedLetter()) return;
  SetSpritePosition(*mHoverMarker, position.x, position.y);
  mMarkerSprite->AddChild(mHoverMarker);
}

void QMWordPuzzleWindow::HideHoverMarker() { mMarkerSprite->RemoveChild(mHoverMarker); }

namespace {

bool LineForbids(const std::vector<str>& lines, int number, char c) {
  if (number < 1 || number > static_cast<int>(lines.size())) return false;
  return lines[number - 1].Find(c) >= 0;
}

}  // namespace

bool QMWordPuzzleWindow::IsForbiddenInRow(int row, char c) const {
  return LineForbids(mForbiddenByRow, row, c);
}

bool QMWordPuzzleWindow::IsForbiddenInColumn(int column, char c) const {
  return LineForbids(mForbiddenByColumn, column, c);
}
