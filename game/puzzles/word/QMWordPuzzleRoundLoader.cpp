// The word puzzle's round loader: one "round%d" table becomes the cells, the letter banks, the
// forbidden letters and the solution of the round.
#include <algorithm>
#include <memory>

#include "anim/KSpriteWindow.h"
#include "core/EngineLog.h"
#include "game/puzzles/word/QMWordPuzzleGridPiece.h"
#include "game/puzzles/word/QMWordPuzzleLetter.h"
#include "game/puzzles/word/QMWordPuzzleSpiders.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "render/TTexture.h"
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScript.h"

namespace {

// Panel slots "piece0" to "piece31".
constexpr int kPanelSlots = 32;

using Table = std::unique_ptr<TLuaTable>;

// Whatever number a layout gives: truncated, and held within the int range (NaN reads 0).
int Truncated(double v) { return NumberToInt(v); }

// A grid origin, kept where the letters' positions around the grid cannot overflow.
int Coordinate(double v) {
  constexpr int kLimit = 1000000;
  return std::clamp(NumberToInt(v), -kLimit, kLimit);
}

// The size of an array table: its "n", else its largest integer index.
int ArraySize(TLuaTable& table) {
  table.Push();
  lua_State* L = table.GetState();
  const int n = lua_getmaxn(L, -1);
  lua_pop(L, 1);
  return n;
}

}  // namespace

void QMWordPuzzleWindow::LoadRound(TLuaTable* round) {
  mRoundWon = false;
  if (!round) return;
  mRoundEndScript = round->GetString("customRoundEndScript", kDefaultRoundEndScript);
  mClueText = round->GetString("cluetext", str());
  SetupClueText();

  if (Table coordinates{round->GetTable("gridCoordinates")}) {
    if (Table upperLeft{coordinates->GetTable("upperLeft")}) {
      mGrid.x0 = Coordinate(upperLeft->GetNumberAt(1, 0));
      mGrid.y0 = Coordinate(upperLeft->GetNumberAt(2, 0));
    }
  }

  // A round without a shader of its own sweeps nothing.
  mShaderTexture.reset();
  if (Table shader{round->GetTable("gridShader")}) {
    const str name = shader->GetString("graphics", str());
    boost::shared_ptr<TTexture> texture;
    if (!name.IsEmpty()) mAssets.GetTexture(texture, name);
    if (texture) mShaderTexture = texture;
  }

  if (Table pieces{round->GetTable("gridPieces")}) {
    for (int n = 0; n < kPanelSlots; ++n) {
      Table piece{pieces->GetTable(str::Format("piece%d", n).CStr())};
      if (!piece) continue;
      const str name = piece->GetString("graphics", str());
      boost::shared_ptr<TTexture> texture;
      if (!name.IsEmpty()) mAssets.GetTexture(texture, name);
      if (!texture) {
        EngineLog("Word puzzle '%s': panel piece%d has no picture ('%s'); skipped",
                  GetName().CStr(), n, name.CStr());
        continue;
      }
      mPanels.push_back({texture, Truncated(piece->GetNumber("rotation", 0)), n});
      mGrid.cellWidth = texture->GetWidth();
      mGrid.cellHeight = texture->GetHeight();
    }
  }

  if (Table layout{round->GetTable("gridLayout")}) {
    // The grid is as wide as its longest row, so every column a cell stands in has its
    // forbidden-letter entry.
    mGrid.columns = 0;
    mGrid.rows = 0;
    for (int r = 1;; ++r) {
      Table row{layout->GetTable(str::Format("row%d", r).CStr())};
      if (!row) break;
      const int length = ArraySize(*row);
      for (int c = 1; c <= length; ++c) {
        const int index = Truncated(row->GetNumberAt(c, 0));
        if (index < 0 || index >= static_cast<int>(mPanels.size())) {
          EngineLog("Word puzzle '%s': row%d element %d names panel %d of %d; no cell made",
                    GetName().CStr(), r, c, index, static_cast<int>(mPanels.size()));
          continue;
        }
        auto made = std::make_unique<QMWordPuzzleGridPiece>(this, mPanels[index], c, r);
        QMWordPuzzleGridPiece* cell = made.get();
        if (!AddChild(std::move(made))) continue;
        cell->SetAnimTimer(16, true, true, false);
        cell->SetZOrder(0);
        mGrid.columns = std::max(mGrid.columns, c);
        mGrid.rows = r;
      }
    }
  }

  QMWPArrangePiecesSpider arrange(mGrid.columns, mGrid.rows, mGrid.x0, mGrid.y0);
  ForEachChild(arrange, false);

  const int lines = std::max(mGrid.columns, mGrid.rows);
  if (Table starting{round->GetTable("startingLetters")}) {
    for (int i = 1; i <= lines; ++i) {
      for (const char* kind : {"row%d", "column%d"}) {
        const str line = str::Format(kind, i);
        const str letters = starting->GetString(line.CStr(), str());
        if (!letters.IsEmpty()) AddStartingLetters(line, letters);
      }
    }
  }
  if (Table forbidden{round->GetTable("forbiddenLetters")}) {
    for (int i = 1; i <= lines; ++i) {
      for (const char* kind : {"row%d", "column%d"}) {
        const str line = str::Format(kind, i);
        const str letters = forbidden->GetString(line.CStr(), str());
        (kind[0] == 'r' ? mForbiddenByRow : mForbiddenByColumn).push_back(letters);
        if (!letters.IsEmpty()) AddForbiddenLetters(line, letters);
      }
    }
  }

  if (Table solution{round->GetTable("solution")}) {
    for (int i = ArraySize(*solution); i >= 1; --i) {
      Table entry{solution->GetTableAt(i)};
      if (!entry) continue;
      QMWordSolutionEntry e;
      e.column = Truncated(entry->GetNumber("column", 0));
      e.row = Truncated(entry->GetNumber("row", 0));
      e.letter = entry->GetString("letter", str())[0];
      e.fromColumn = entry->GetBool("fromColumn", false);
      e.fromRow = entry->GetBool("fromRow", false);
      mSolution.push_back(e);
    }
  }

  if (KSpriteWindow* overlay = FindOverlay(GetParent())) {
    overlay->GetScript()->SetGlobalString("round_bubble_round_string",
                                          str::Format("round%d", mCurrentRound + 1));
    overlay->SetZOrder(1);
    overlay->RunAnimScript("scripts/common/round_begin.lua");
  }

  if (Table sounds{round->GetTable("sounds")}) {
    const str clicked = sounds->GetString("letterClickedSound", str());
    if (!clicked.IsEmpty()) mLetterClickedSound = LoadSound(clicked);
    const str rotate = sounds->GetString("panelRotateSound", str());
    if (!rotate.IsEmpty()) mPanelRotateSound = LoadSound(rotate);
  }

  if (mPendingLoad) {
    ForEachChild(*mPendingLoad, false);
    mPendingLoad.reset();
    QMWPArrangePiecesSpider again(mGrid.columns, mGrid.rows, mGrid.x0, mGrid.y0);
    ForEachChild(again, false);
    CheckForWin();
  }
}

void QMWordPuzzleWindow::AddStartingLetters(const str& lineName, const str& letters) {
  AddLetters(lineName, letters, QMWordPuzzleLetter::kInBank);
}

void QMWordPuzzleWindow::AddForbiddenLetters(const str& lineName, const str& letters) {
  AddLetters(lineName, letters, QMWordPuzzleLetter::kForbidden);
}

// Bank letters are named by character, index and line, glow as the round begins and are
// animated; forbidden ones are named by character and point.
void QMWordPuzzleWindow::AddLetters(const str& lineName, const str& letters, int kind) {
  const bool bank = kind == QMWordPuzzleLetter::kInBank;
  TWindow* firstCell = FindChild("Grid_1_1", -1);
  for (unsigned k = 0; k < letters.Length(); ++k) {
    const char c = letters[k];
    const int index = static_cast<int>(k);
    const TPoint p = bank ? QMWordStartingLetterPoint(mGrid, lineName, index)
                          : QMWordForbiddenLetterPoint(mGrid, lineName, index);
    auto made =
        std::make_unique<QMWordPuzzleLetter>(c, p.x, p.y, kind, mGrid.cellWidth, mGrid.cellHeight);
    QMWordPuzzleLetter* letter = made.get();
    letter->SetName(bank ? str::Format("%c_%u_%s", c, k, lineName.CStr())
                         : str::Format("%c_%i_%i", c, p.x, p.y));
    letter->SetLineName(lineName);
    if (!AddChild(std::move(made))) continue;
    if (bank) letter->SetAnimTimer(16, true, true, false);
    // A round begun afresh starts from its bank: what an earlier play left in the letters'
    // records must not come back when this play is resumed.
    if (bank && !mPendingLoad) letter->SavePlacement();
    if (firstCell) letter->PlaceAbove(firstCell);
    if (bank) AddGlow(p, -10);
  }
}
