// The codex puzzle's answer board: the code icons, each with the text window that shows the word
// the player has tied to it. Words come from the level script's updates and from the solve
// grid's checks; an icon given two words shows "????".
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "core/TColor.h"
#include "core/str.h"
#include "game/puzzles/RTFHookFunction.h"

class QMCodexSolveGrid;
class TLuaTable;
class TScript;
class TSprite;
class TWindow;

struct QMCodexCodeLayout {
  float gridX = 0;
  float gridY = 0;
  float rowHeight = 0;
  float columnWidth = 0;
  float columnCount = 0;
  float iconScale = 0.6f;
  float iconTextOffset = 0;
};

// Word values: a word number, or one of these.
enum : int32_t { kCodexNoWord = -1, kCodexConflictWord = -2 };

class QMCodexCodeGrid {
public:
  // The icons go under iconSprite; the word texts are direct TText children of owner.
  QMCodexCodeGrid(TWindow* owner, boost::shared_ptr<TSprite> iconSprite);

  QMCodexCodeLayout& Layout() { return mLayout; }
  void SetPuzzleId(const str& id) { mPuzzleId = id; }
  void SetIconPrefix(const str& prefix) { mIconPrefix = prefix; }
  void SetFoundColor(const TColor& c) { mFoundColor = c; }
  void SetActiveColor(const TColor& c) { mActiveColor = c; }
  const TColor& GetFoundColor() const { return mFoundColor; }
  const TColor& GetActiveColor() const { return mActiveColor; }

  // Lays out the icons of the list, names and places one "unused" text per icon, then shows the
  // words of the cell table ("cell_<position>" = word value).
  void Build(TLuaTable& icons, TLuaTable& cells);
  // The text of the icon at position k (named with icon number k + 1) shows the word of w.
  void SetCellWord(int32_t k, int32_t w, bool highlight);
  // Position -> word value pairs, highlighted.
  void Update(TLuaTable& updates);
  void ResetWordColors();
  // Recomputes the words of every checked icon from the level script's puzzle object, firing
  // the double-column hook for every further check of an icon and the double-row hook once when
  // two icons got the same word. The script chunks run at once, never handed to a waiting
  // script.
  void SyncFromChecks(const QMCodexSolveGrid& grid, TScript* script,
                      const RTFHookFunction& doubleRowHook,
                      const RTFHookFunction& doubleColumnHook);

  str WordText(int32_t w) const;

private:
  TWindow* mOwner;
  boost::shared_ptr<TSprite> mIconSprite;
  QMCodexCodeLayout mLayout;
  str mPuzzleId;
  str mIconPrefix;
  TColor mFoundColor{0, 0, 0, 1};
  TColor mActiveColor{0, 0, 255, 1};
};
