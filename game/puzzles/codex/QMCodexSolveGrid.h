// The codex puzzle's logic matrix: word labels on the rows, clue pictures on the columns and a
// square of cells the player marks with checks and X marks. A cell's state is its texture; the
// active cells are numbered row by row, and the covers hide them until the first click.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "core/TColor.h"
#include "core/TRect.h"
#include "core/str.h"
#include "render/TSprite.h"

class TAnimatedSprite;
class TAnimatedTexture;
class TTexture;

enum QMCodexCellState : int32_t {
  kCodexCellBlank = 0,
  kCodexCellConflict = 1,
  kCodexCellCheck = 2,
  kCodexCellX = 3,
};

struct QMCodexSolveLayout {
  int32_t headerStartX = 85;
  int32_t headerStartY = 20;
  int32_t gridSize = 9;
  int32_t gridX = 0;
  int32_t gridY = 0;
  int32_t labelFontSize = 14;
  int32_t labelWidth = 55;
  float columnWidth = 50.0f;
  float rowHeight = 36.0f;
  str labelFont = "fonts/euro_ex_bold.mvec";
  TColor labelColor{0, 0, 0, 1};
};

struct QMCodexCellTextures {
  boost::shared_ptr<TTexture> activeCell, inactiveCell, inactiveRow, inactiveColumn, check,
      conflict, notCell;
};

class QMCodexSolveGrid {
public:
  // The grid's sprites go under gridSprite; the covers under coverHolder.
  QMCodexSolveGrid(boost::shared_ptr<TSprite> gridSprite,
                   boost::shared_ptr<TAnimatedSprite> coverHolder);

  QMCodexSolveLayout& Layout() { return mLayout; }
  const QMCodexSolveLayout& Layout() const { return mLayout; }
  QMCodexCellTextures& Textures() { return mTextures; }
  void SetCoverTexture(boost::shared_ptr<TAnimatedTexture> cover) { mCoverTexture = cover; }

  // Rebuilds the grid for n words and pictures numbered from k + 1, with fresh covers.
  void Build(int32_t n, int32_t k, const str& puzzleId, const str& clueImagePrefix);
  // Sets the texture of the state; false (nothing changed) for another state or a cell number
  // outside the active cells.
  bool SetCellState(int32_t cell, int32_t state);
  bool ShowsCheck(int32_t cell) const;
  // Every cell, last to first, back to blank.
  void ClearCells();
  // The first active cell under the point (the window's coordinates, under the root's draw
  // state), or -1.
  int32_t HitTest(const TPoint& point, const TSpriteDrawState& rootState) const;
  size_t GetCellCount() const { return mCells.size(); }
  const std::vector<boost::shared_ptr<TSprite>>& GetCells() const { return mCells; }

  // Covers: the first click fades them out; the holder leaves the root once they are still.
  bool AreCoversShowing() const { return mCoversShowing; }
  bool AreCoversFading() const { return mCoversFading; }
  void FadeCovers();
  // True once when the fading covers have all stopped: the caller takes the holder away.
  bool CoversFinished();
  const std::deque<boost::shared_ptr<TAnimatedSprite>>& GetCovers() const { return mCovers; }

private:
  boost::shared_ptr<TSprite> AddSprite(const boost::shared_ptr<TTexture>& texture, float x,
                                       float y);

  boost::shared_ptr<TSprite> mGridSprite;
  boost::shared_ptr<TAnimatedSprite> mCoverHolder;
  boost::shared_ptr<TAnimatedTexture> mCoverTexture;
  QMCodexSolveLayout mLayout;
  QMCodexCellTextures mTextures;
  std::vector<boost::shared_ptr<TSprite>> mCells;
  std::deque<boost::shared_ptr<TAnimatedSprite>> mCovers;
  bool mCoversShowing = false;
  bool mCoversFading = false;
};

// Anchors the sprite at its top-left corner and places it there.
void PlaceSpriteTopLeft(TSprite& sprite, float x, float y);
