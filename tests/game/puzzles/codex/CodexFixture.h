// A codex puzzle in the engine on the headless display: the game's window types, the sample's
// codex art, a layout of the test's own with a Lua event target whose answers the tests script,
// and the level, group and puzzle objects that the window asks about the checks.
#pragma once

#include <string>
#include <vector>

#include "game/GameScreenFixture.h"
#include "game/puzzles/codex/QMCodexWindow.h"
#include "support/GameStateRecorder.h"
#include "online/TGameState.h"
#include "script/binding/TWindowScript.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"

class CodexTest : public GameScreenTest {
protected:
  void SetUp() override {
    GameScreenTest::SetUp();
    UseSampleAssets({"codex", "fx", "gameobjects"});
    WriteAsset("strings.xml",
               "<?xml version=\"1.0\"?><Workbook><Worksheet><Table>"
               "<Row><Cell><Data>t_word_1</Data></Cell><Cell><Data>SUN</Data></Cell></Row>"
               "<Row><Cell><Data>t_word_2</Data></Cell><Cell><Data>MOON</Data></Cell></Row>"
               "<Row><Cell><Data>t_word_3</Data></Cell><Cell><Data>STAR</Data></Cell></Row>"
               "<Row><Cell><Data>t_word_4</Data></Cell><Cell><Data>FISH</Data></Cell></Row>"
               "</Table></Worksheet></Workbook>");
  }

  void RunGame(std::function<void(TPlatform*)> body) {
    GameScreenTest::RunGame([&](TPlatform* p, QMGameManager&) { body(p); });
  }

  static void Lua(const std::string& text) { Host()->DoLuaStringWithoutWaking(text.c_str()); }
  static double Number(const std::string& expression) {
    Lua("gTestValue = " + expression);
    return Host()->GetGlobalNumber("gTestValue");
  }
  static std::string Text(const std::string& expression) {
    Lua("gTestValue = " + expression);
    return Host()->GetGlobalString("gTestValue").CStr();
  }

  // The puzzle of n words and pictures on a grid of 4, in a modal of its own: the event target
  // "gTarget" records each call and answers "gAnswer" once; the puzzle object ties cell i to
  // word gWord[i] and icon position gIcon[i]. Extra windows go after the puzzle.
  static QMCodexWindow* OpenPuzzle(TPlatform* p, int n = 3, const std::string& extra = "") {
    TWindowManager* wm = p->GetWindowManager();
    std::string texts;
    for (int i = 0; i < 7; ++i)
      texts +=
          "Text({ name = 'unused', x = 0, y = 0, w = 80, h = 20, label = '', "
          "font = { 'fonts/sans.mvec', 14, Color(0, 0, 0) } }), ";
    wm->RunScriptString(
        wm->GetRoot(),
        ("gTarget = { calls = {} } "
         "function gTarget:SolveGridClicked(point, cell) "
         "  table.insert(self.calls, { point[1], point[2], cell }) "
         "  local a = gAnswer gAnswer = nil return a end "
         "gWord = {} gIcon = {} gStored = {} "
         "local puzzle = {} "
         "function puzzle:getCodeGridCellWord(i) return gWord[i] end "
         "function puzzle:getWordNumber(i) return gWord[i] end "
         "function puzzle:getIconNumber(i) return gIcon[i] end "
         "function puzzle:setCodeGridCellWord(m, w) table.insert(gStored, m .. '=' .. w) end "
         "local group = { getCurrentPuzzle = function() return puzzle end } "
         "local level = { getCurrentGroup = function() return group end } "
         "gGameState = { getCurrentLevel = function() return level end } "
         "gCommandQueue = {} "
         "PushModal('codex') MakeDialog({ "
         "QMCodexWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600, "
         "  puzzleID = 't', solvePuzzleClueImagePrefix = 'codex/clue', "
         "  codeIconPrefix = 'codex/icon', activeCellTexture = 'codex/cell_active', "
         "  inactiveCellTexture = 'codex/cell_inactive', inactiveRowTexture = "
         "'codex/row_inactive', "
         "  inactiveColumnTexture = 'codex/column_inactive', checkTexture = 'codex/cell_check', "
         "  conflictTexture = 'codex/cell_conflict', notTexure = 'codex/cell_not', "
         "  eventTarget = gTarget, activeWordsColor = { 0, 0, 1, 1 }, "
         "  solveGridProps = { GridX = 90, GridY = 92, GridSize = 4, ColumnWidth = 50, "
         "                     RowHeight = 40, HeaderStartX = 92, HeaderStartY = 40 }, "
         "  codeGridProps = { GridX = 430, GridY = 60, ColumnWidth = 88, RowHeight = 110, "
         "                    ColumnCount = 4, IconTextOffset = 62 }, " +
         texts + "}), " + extra +
         "}) "
         "NewSlideGroup() NewSlide() NewSlide() NewSlideGroup() NewSlide() " +
         "SetSolveGrid(" + std::to_string(n) +
         ", 0) SetCodeGrid({ 1, 2, 3, 4, 5, 6, 7 }, {}) "
         "SetCurrentGroup(0)")
            .c_str());
    TWindow* top = wm->GetTopModal();
    return top ? WindowCast<QMCodexWindow>(top->FindChild("puzzleWindow", -1)) : nullptr;
  }

  // The centre of solve-grid cell (row, column) on the screen.
  static TPoint CellCentre(int row, int column) {
    return TPoint(90 + column * 50 + 24, 92 + row * 40 + 19);
  }
  static void ClickCell(TPlatform* p, int row, int column) {
    const TPoint c = CellCentre(row, column);
    Click(p, c.x, c.y);
  }
  // Ticks of the window system on the virtual clock, 16 ms apart.
  static void Tick(TPlatform* p, int ms) {
    TPlatformEvent e;
    for (int t = 0; t < ms; t += 16) {
      platform::os::AdvanceVirtualTime(16);
      p->GetEvent(e);
      p->GetWindowManager()->HandleEvent(e);
    }
  }
  static std::string WordOf(QMCodexWindow* w, int iconNumber) {
    TWindow* t = w->FindChild(str::Format("t_icon_%d", iconNumber), -1);
    auto* text = WindowCast<TText>(t);
    return text ? text->GetText().CStr() : "<no text>";
  }
  static std::string StateOf(const std::string& key) {
    return TGameState::GetInstance()->GetState(key.c_str()).CStr();
  }
};
