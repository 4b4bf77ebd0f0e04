// The hook functions that feedback zones put into the puzzles' hook slots, and the arming and
// release of those slots by hook name.
#pragma once

#include "core/str.h"
#include "game/puzzles/RTFHookFunction.h"

class TWindow;

void RTFCodexGreenCheck();
void RTFCodexSecondGreenCheck();
void RTFCodexRedX();
void RTFCodexSecondRedX();
void RTFCodexDoubleRow();
void RTFCodexDoubleColumn();
void RTFSequenceDragCheck();
void RTFSequencePieceClickCheck();
void RTFWordFirstLetterClick();
void RTFWordFirstLetterPlace();
void RTFWordEmptyGrid();

// The first hook name that the value contains, in the order zones test them; null for none.
const char* MatchRTFHookName(const str& value);

// Puts the hook function of that (matched) name into its slot of the puzzle window; false when
// the window is not of the hook's puzzle class. The second hooks of the codex pairs arm nothing
// here and answer true: the first zone of their pair hands them the slot.
bool ArmRTFHook(TWindow* puzzle, const str& hookName);

// What a used-up zone does to its puzzle's slot (cleared, or handed to the pair's second
// hook); false when the window is not of the hook's puzzle class. A name of no hook is true
// and leaves every slot alone.
bool ReleaseRTFHook(TWindow* puzzle, const str& hookName);

// The window named "puzzleWindow" below the top modal window, or null.
TWindow* FindRTFPuzzleWindow();
