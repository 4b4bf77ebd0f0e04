// The codex window's play: the solve and code grids as the scripts drive them,
// the clue slides, and the instruction tables with their round changes and
// completion.
#include "anim/KAnimBias.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimQueue.h"
#include "anim/KSpriteWindow.h"
#include "core/EngineLog.h"
#include "game/puzzles/codex/QMCodexTables.h"
#include "game/puzzles/codex/QMCodexWindow.h"
#include "online/TGameState.h"
#include "render/TAnimatedSprite.h"
#include "script/binding/TScript.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"

namespace {

TWindow* FindInTopModal(const char* name) {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  return top ? top->FindChild(name, -1) : nullptr;
}

void ShowWindow(TWindow* w, bool show) {
  if (w) w->SetFlags(show ? (w->GetFlags() | kWindowShown) : (w->GetFlags() & ~kWindowShown));
}

// The completion record: the names of its fields, then their values.
const char* const kCompletionNames[] = {"LevelNumber",           "LevelPlayTime",
                                        "LevelEndState",         "LevelTotalCheckPlacements",
                                        "LevelTotalXPlacements", "LevelTotalClueClicks",
                                        "LevelTotalClicks",      "LevelHintsUsed",
                                        "InstructionTimeViewed", "LevelEndTime"};
const char* const kCompletionStates[] = {"LevelTotalCheckPlacements",
                                         "LevelTotalXPlacements",
                                         "LevelTotalClueClicks",
                                         "LevelTotalClicks",
                                         "LevelHintsUsed",
                                         "InstructionTimeViewed",
                                         "LevelEndTime"};

}  // namespace

// --- Solve grid

void QMCodexWindow::SetSolveGrid(int count, int offset, TLuaTable* cells) {
  mSolveGrid.Build(count, offset, mPuzzleId, mClueImagePrefix);
  if (cells && cells->IsTable()) {
    for (size_t i = 0; i < mSolveGrid.GetCellCount(); ++i) {
      const int32_t state =
          NumberToInt(cells->GetNumber(str::Format("cell_%d", int(i)).CStr(), -1));
      if (state >= 0) SetSolveCellState(static_cast<int32_t>(i), state);
    }
  }
  mSceneSprite->AddChild(mCoverHolder);
}

void QMCodexWindow::SetSolveCellState(int32_t cell, int32_t state) {
  if (cell < 0 || static_cast<size_t>(cell) >= mSolveGrid.GetCellCount()) {
    EngineLog("Codex puzzle: no solve-grid cell %d (the grid has %u); ignored", cell,
              unsigned(mSolveGrid.GetCellCount()));
    return;
  }
  if (!mSolveGrid.SetCellState(cell, state)) return;
  if (state == kCodexCellCheck && greenCheckHook) greenCheckHook();
  if (state == kCodexCellX && redXHook) redXHook();
}

void QMCodexWindow::UpdateSolveGrid(TLuaTable& updates) {
  ForEachNumberPair(updates, [&](int32_t cell, int32_t state) { SetSolveCellState(cell, state); });
}

void QMCodexWindow::ResetPuzzle() {
  mSolveGrid.ClearCells();
  for (TWindow* child : GetChildren())
    if (TText* text = WindowCast<TText>(child)) text->SetText(str());
}

void QMCodexWindow::ResolveConflictedColumn(int cell) {
  if (!mSolveGrid.ShowsCheck(cell)) return;
  mSolveGrid.SetCellState(cell, kCodexCellBlank);
  SyncCodeGridFromChecks();
  mSkipNextCodeGridUpdate = true;
}

// --- Code grid

void QMCodexWindow::SetCodeGrid(TLuaTable* icons, TLuaTable* cells) {
  if (!icons || !cells || !icons->IsTable() || !cells->IsTable()) return;
  mCodeGrid.Build(*icons, *cells);
}

void QMCodexWindow::UpdateCodeGridState(TLuaTable* updates) {
  if (updates && updates->IsTable()) mCodeGrid.Update(*updates);
}

void QMCodexWindow::SyncCodeGridFromChecks() {
  mCodeGrid.SyncFromChecks(mSolveGrid, TWindowScript::Of(TWindowManager::Instance()), doubleRowHook,
                           doubleColumnHook);
}

// --- Clue slides

void QMCodexWindow::NewSlideGroup() { mSlides.NewSlideGroup(); }

void QMCodexWindow::NewSlide() { mSlides.NewSlide(); }

void QMCodexWindow::AddClueSlideText(TLuaTable* description) {
  if (description && description->IsTable()) mSlides.AddClueSlideText(*description);
}

void QMCodexWindow::AddClueImage(str texture, int x, int y) {
  mSlides.AddClueImage(texture, static_cast<float>(x), static_cast<float>(y));
}

int QMCodexWindow::GetSlideCount() { return mSlides.GetSlideCount(); }

void QMCodexWindow::SetCurrentSlide(int slide) {
  const int32_t count = mSlides.GetSlideCount();
  if (static_cast<uint32_t>(slide) >= static_cast<uint32_t>(count < 0 ? 0 : count))
    EngineLog("Codex puzzle: no clue slide %d in group %u (%d slides); none shown", slide,
              mSlides.GetCurrentGroup(), count);
  mSlides.SetCurrentSlide(slide);
}

void QMCodexWindow::SetCurrentGroup(int group) {
  const uint32_t g = static_cast<uint32_t>(group);
  if (!mSlides.GetGroup(g))
    EngineLog("Codex puzzle: no clue slide group %u; the slides stay empty", g);
  mSlides.SetCurrentGroup(g);
  ShowWindow(FindInTopModal("prevButton"), false);
  ShowWindow(FindInTopModal("nextButton"), true);
  TWindow* parent = GetParent();
  auto* overlay =
      WindowCast<KSpriteWindow>(parent ? parent->FindChild("overlaywindow", -1) : nullptr);
  if (!overlay) return;
  if (TScript* script = overlay->GetScript())
    script->SetGlobalString("round_bubble_round_string",
                            str::Format("round%d", static_cast<int>(g + 1)));
  overlay->SetZOrder(1);
  overlay->RunAnimScript("scripts/common/round_begin.lua");
}

// --- Instructions

void QMCodexWindow::ProcessInstructions(TLuaTable* t) {
  if (!t || !t->IsTable()) return;
  TWindowHandle alive(this);
  if (std::unique_ptr<TLuaTable> updates{t->GetTable("solveGridUpdate")}) UpdateSolveGrid(*updates);
  if (!alive) return;
  if (std::unique_ptr<TLuaTable> updates{t->GetTable("codeGridUpdate")}) {
    if (mSkipNextCodeGridUpdate) {
      mSkipNextCodeGridUpdate = false;
    } else {
      mCodeGrid.Update(*updates);
    }
  }
  if (t->GetBool("solved", false)) {
    Complete();
    return;
  }
  const uint32_t current = mSlides.GetCurrentGroup();
  const uint32_t g = static_cast<uint32_t>(NumberToInt(t->GetNumber("group", current)));
  if (g > current) {
    ChangeRound(g, *t);
  } else {
    SyncCodeGridFromChecks();
  }
}

void QMCodexWindow::Complete() {
  PlayOnce(mPuzzleSolvedSound);
  RunParticleText("gActive = false");
  ResetWordColors();
  RunHostText(
      "gTemporaryFunction = function() round_bubble_complete_string = 'round "
      "complete'"
      "\t\t\t\t\t\t\tDoModal('scripts/common/codex/codex_complete_modal.lua') "
      "puzzleComplete()"
      "\t\t\t\t\t\t\tend table.insert(gCommandQueue,gTemporaryFunction) ");
  TGameState* state = TGameState::GetInstance();
  if (!state) return;
  state->SetState("begin-status", "CodexPuzzleCompleteNames");
  for (const char* name : kCompletionNames) state->SetState("add-value", name);
  state->SetState("end-status", "CodexPuzzleCompleteNames");
  state->SetState("begin-status", "CodexPuzzleComplete");
  state->SetState("add-state", "LevelNumber");
  state->SetState("add-timer", "LevelPlayTime");
  state->SetIntState("add-value", 0);
  for (const char* name : kCompletionStates) state->SetState("add-state", name);
  state->SetState("end-status", "CodexPuzzleComplete");
  state->SetIntState("LevelTotalClicks", 0);
}

void QMCodexWindow::ChangeRound(uint32_t group, TLuaTable& t) {
  // A second change before the first has faded out would queue a second round-end dialog and
  // leave the new grid faded out.
  if (mRoundChanging) {
    EngineLog("Codex puzzle: round %u asked for while the change to round %u runs; ignored",
              unsigned(group), unsigned(mPendingGroup));
    return;
  }
  mRoundChanging = true;
  mPendingGroup = group;
  mPendingGridSize = NumberToInt(t.GetNumber("gridSize", 0));
  mPendingGridOffset = NumberToInt(t.GetNumber("gridOffset", 0));
  PlayOnce(mGroupSolvedSound);
  FadeSolveGrid(1, 0, 2000, true);
  RunParticleText("gActive = false");
  RunHostText(
      "gTemporaryFunction = function() round_bubble_complete_string = "
      "'round complete' "
      "DoModal('scripts/common/round_end_modal.lua') end "
      "table.insert(gCommandQueue,gTemporaryFunction) ");
}

void QMCodexWindow::OnProcessFinished(KAnimProcess*) {
  mRoundChanging = false;
  ResetWordColors();
  SetSolveGrid(mPendingGridSize, mPendingGridOffset, nullptr);
  SetCurrentGroup(static_cast<int>(mPendingGroup));
  FadeSolveGrid(0, 1, 500, false);
}

void QMCodexWindow::FadeSolveGrid(float from, float to, float ms, bool listen) {
  auto* queue = new KAnimQueue();
  auto* fade = new KAnimOpacity<boost::shared_ptr<TSprite>>(mSolveGridSprite, from, to);
  fade->SetDuration(ms);
  auto* ease = new KEaseInEaseOutSineBias();
  fade->SetBias(ease);
  KReleaseRef(ease);
  if (TModalWindow* modal = GetModalParent()) fade->SetClock(&modal->GetClock());
  queue->Add(fade);
  KReleaseRef(fade);
  if (listen) queue->AddListener(mFadeListener);
  mFades.Run(queue);
  KReleaseRef(queue);
}
