#include "game/puzzles/feedback/RTFHooks.h"

#include <cstring>

#include "game/puzzles/codex/QMCodexWindow.h"
#include "game/puzzles/feedback/RTFZone.h"
#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "window/TWindowManager.h"

namespace {

const char kCodexFeedback[] = "1_codex_rtf_window";
const char kSequenceFeedback[] = "2_sequence_rtf_window";
const char kWordFeedback[] = "2_word_rtf_window";

// Walks the direct children of the named feedback window in the top modal
// window and fires the first function-hook zone of that hook.
void FireHook(const char* hookName, const char* feedbackWindow) {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  if (!top) return;
  TWindow* feedback = top->FindChild(feedbackWindow, -1);
  if (!feedback) return;
  RTFTriggerSpider spider(kFunctionHook, hookName);
  feedback->ForEachChild(spider, false);
}

enum class Slot {
  kGreenCheck,
  kRedX,
  kDoubleRow,
  kDoubleColumn,
  kDragCheck,
  kPieceClickCheck,
  kFirstLetterClick,
  kFirstLetterPlace,
  kEmptyGrid
};

struct HookEntry {
  const char* name;
  RTFHookFunction function;
  Slot slot;
  // The slot's value once this hook's zone is used up.
  RTFHookFunction afterRelease;
};

// In the order a zone's "hook" value is tested.
const HookEntry kHooks[] = {
    {"codexgreencheck", &RTFCodexGreenCheck, Slot::kGreenCheck, &RTFCodexSecondGreenCheck},
    {"codexsecondgreencheck", nullptr, Slot::kGreenCheck, nullptr},
    {"codexredx", &RTFCodexRedX, Slot::kRedX, &RTFCodexSecondRedX},
    {"codexsecondredx", nullptr, Slot::kRedX, nullptr},
    {"codexdoublerow", &RTFCodexDoubleRow, Slot::kDoubleRow, nullptr},
    {"codexdoublecolumn", &RTFCodexDoubleColumn, Slot::kDoubleColumn, nullptr},
    {"sequencedragcheck", &RTFSequenceDragCheck, Slot::kDragCheck, nullptr},
    {"sequencepiececlickcheck", &RTFSequencePieceClickCheck, Slot::kPieceClickCheck, nullptr},
    {"2w_firstletterclick", &RTFWordFirstLetterClick, Slot::kFirstLetterClick, nullptr},
    {"2w_firstletterplace", &RTFWordFirstLetterPlace, Slot::kFirstLetterPlace, nullptr},
    {"2w_emptygrid", &RTFWordEmptyGrid, Slot::kEmptyGrid, nullptr},
};

const HookEntry* FindHook(const str& name) {
  for (const HookEntry& h : kHooks)
    if (name == str(h.name)) return &h;
  return nullptr;
}

// The slot of the hook in the puzzle window, or null when the window is not of
// its class.
RTFHookFunction* SlotOf(TWindow* puzzle, const HookEntry& hook) {
  if (QMCodexWindow* codex = WindowCast<QMCodexWindow>(puzzle)) {
    switch (hook.slot) {
      case Slot::kGreenCheck: return &codex->greenCheckHook;
      case Slot::kRedX: return &codex->redXHook;
      case Slot::kDoubleRow: return &codex->doubleRowHook;
      case Slot::kDoubleColumn: return &codex->doubleColumnHook;
      default: return nullptr;
    }
  }
  if (QMSequencePuzzleWindow* sequence = WindowCast<QMSequencePuzzleWindow>(puzzle)) {
    switch (hook.slot) {
      case Slot::kDragCheck: return &sequence->dragCheckHook;
      case Slot::kPieceClickCheck: return &sequence->pieceClickCheckHook;
      default: return nullptr;
    }
  }
  if (QMWordPuzzleWindow* word = WindowCast<QMWordPuzzleWindow>(puzzle)) {
    switch (hook.slot) {
      case Slot::kFirstLetterClick: return &word->firstLetterClickHook;
      case Slot::kFirstLetterPlace: return &word->firstLetterPlaceHook;
      case Slot::kEmptyGrid: return &word->emptyGridHook;
      default: return nullptr;
    }
  }
  return nullptr;
}

}  // namespace

void RTFCodexGreenCheck() { FireHook("codexgreencheck", kCodexFeedback); }
void RTFCodexSecondGreenCheck() { FireHook("codexsecondgreencheck", kCodexFeedback); }
void RTFCodexRedX() { FireHook("codexredx", kCodexFeedback); }
void RTFCodexSecondRedX() { FireHook("codexsecondredx", kCodexFeedback); }
void RTFCodexDoubleRow() { FireHook("codexdoublerow", kCodexFeedback); }
void RTFCodexDoubleColumn() { FireHook("codexdoublecolumn", kCodexFeedback); }
void RTFSequenceDragCheck() { FireHook("sequencedragcheck", kSequenceFeedback); }
void RTFSequencePieceClickCheck() { FireHook("sequencepiececlickcheck", kSequenceFeedback); }
void RTFWordFirstLetterClick() { FireHook("2w_firstletterclick", kWordFeedback); }
void RTFWordFirstLetterPlace() { FireHook("2w_firstletterplace", kWordFeedback); }
void RTFWordEmptyGrid() { FireHook("2w_emptygrid", kWordFeedback); }

const char* MatchRTFHookName(const str& value) {
  for (const HookEntry& h : kHooks)
    if (std::strstr(value.CStr(), h.name)) return h.name;
  return nullptr;
}

bool ArmRTFHook(TWindow* puzzle, const str& hookName) {
  const HookEntry* hook = FindHook(hookName);
  if (!hook) return false;
  if (!hook->function) return true;
  RTFHookFunction* slot = SlotOf(puzzle, *hook);
  if (!slot) return false;
  *slot = hook->function;
  return true;
}

bool ReleaseRTFHook(TWindow* puzzle, const str& hookName) {
  const HookEntry* hook = FindHook(hookName);
  if (!hook) return true;
  RTFHookFunction* slot = SlotOf(puzzle, *hook);
  if (!slot) return false;
  *slot = hook->afterRelease;
  return true;
}

TWindow* FindRTFPuzzleWindow() {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  return top ? top->FindChild("puzzleWindow", -1) : nullptr;
}
