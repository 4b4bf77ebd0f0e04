// A sequence puzzle played headless: a row of four 50-pixel slots at (300, 275), four bins
// below it, two rounds of four pieces, clue panels and a search list, built from one layout
// with a slide speed that finishes every slide in one tick.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "game/puzzles/sequence/QMSequenceBin.h"
#include "game/puzzles/sequence/QMSequenceClue.h"
#include "game/puzzles/sequence/QMSequenceGrid.h"
#include "game/puzzles/sequence/QMSequencePuzzlePiece.h"
#include "game/puzzles/sequence/QMSequencePuzzleRounds.h"
#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "game/puzzles/sequence/QMSequenceShared.h"
#include "platform/display/Image.h"
#include "platform/os/Clock.h"
#include "render/TAnimatedSprite.h"
#include "support/GameFixture.h"
#include "sound/TSound.h"
#include "sound/TSoundData.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

class SequenceTest : public GameTest {
protected:
  static constexpr int kRowLeft = 300, kRowTop = 275, kSlot = 50;

  void SetUp() override {
    GameTest::SetUp();
    namespace fs = std::filesystem;
    for (const char* folder : {"images", "audio", "anim"})
      fs::create_directories(mWork + "/assets/" + folder);
    for (const char* name : {"piece", "slot", "bin", "clue"})
      WriteSolidPng(std::string("images/") + name + ".png", kSlot, kSlot, 0xFF808080u);
    fs::copy_file(std::string(ENGINE_SOURCE_DIR) + "/sample/assets/audio/sequence/fail.ogg",
                  mWork + "/assets/audio/fail.ogg");
    fs::copy_file(std::string(ENGINE_FIXTURES_DIR) + "/anim/walk.xml",
                  mWork + "/assets/anim/hint.xml");
    fs::copy_file(std::string(ENGINE_FIXTURES_DIR) + "/anim/sheet.png",
                  mWork + "/assets/anim/sheet.png");
    SetGameSettings();
  }

  // A one-colour picture in the assets.
  void WriteSolidPng(const std::string& name, int w, int h, uint32_t argb) {
    platform::display::Image img;
    img.width = w;
    img.height = h;
    img.pixels.assign(size_t(w) * size_t(h), argb);
    ASSERT_TRUE(img.SavePng(mWork + "/assets/" + name));
  }

  // The game's script functions that the puzzle's texts call, recording what they were given.
  static constexpr const char* kGameScripts =
      "gGameState = { hintActive = false } kQMMessage = { ShowHint = 1006, HideHint = 1007 } "
      "gPenalties = {} gModals = {} gCompleted = 0 "
      "function modifyGameTimer(n) "
      "  table.insert(gPenalties, n) gPenaltyContext = CreateCloseMessage().name end "
      "function DoModal(f) table.insert(gModals, sequence_round_end_modal_round .. '|' .. f) end "
      "function setComplete() gCompleted = gCompleted + 1 end "
      "function puzzleComplete() gCompleted = gCompleted + 10 end ";

  // One piece of a round, by bin and target slot.
  static std::string Piece(const char* name, const char* round, int bin, int target,
                           const char* drag = "images/piece") {
    return std::string("QMSequencePuzzlePiece({ name = '") + name + "', round = '" + round +
           "', drop = 'images/piece', drag = '" + drag +
           "', clue = 'images/clue', "
           "clueText = 'CLUE_" +
           name + "', startingBin = " + std::to_string(bin) +
           ", gridPosition = " + std::to_string(target) + " }), ";
  }

  // The puzzle's layout; extra keys go into the puzzle window's table.
  static std::string Layout(const std::string& extra = "",
                            const std::string& firstPiece = Piece("A", "one", 1, 1)) {
    std::string bins;
    for (int i = 1; i <= 4; ++i)
      bins += "QMSequenceBin({ number = " + std::to_string(i) + ", x = " + std::to_string(i * 100) +
              ", y = 450, art = 'images/bin' }), ";
    return "PushModal('m') MakeDialog({ SearchListWindow({ name = 'searchListWindow', x = 0, "
           "y = 560, w = 100, h = 40 }), QMSequenceWindow({ name = 'puzzle', x = 0, y = 0, "
           "w = 800, h = 600, puzzlePieceAnimateSpeed = 10000, puzzleFailSound = 'audio/fail', "
           "failTimePenalty = -30, hintDuration = 100, " +
           extra +
           "QMSequenceGrid({ gridWidth = 50, gridHeight = 50, gridMidX = 400, gridMidY = 300, "
           "gridMax = 4, tableuArt = 'images/slot' }), " +
           bins + firstPiece + Piece("B", "one", 2, 2) + Piece("C", "one", 3, 3) +
           Piece("D", "one", 4, 4) + Piece("E", "two", 1, 4) + Piece("F", "two", 2, 3) +
           Piece("G", "two", 3, 2) + Piece("H", "two", 4, 1) +
           "QMSequenceClue({ name = 'first', imgX = 600, imgY = 40, clueText = {} }), "
           "QMSequenceClue({ name = 'second', imgX = 680, imgY = 40, clueText = {} }), "
           "QMSequencePuzzleRounds({ name = 'QMRounds', rounds = { 'one', 'two' } }), "
           "}) })";
  }

  // Runs body with the puzzle built from the layout.
  void Play(const std::string& layout,
            std::function<void(TPlatform*, QMSequencePuzzleWindow&)> body) {
    RunGame([&](TPlatform* p, QMGameManager&) {
      Host()->DoLuaString(kGameScripts);
      TWindowManager* wm = p->GetWindowManager();
      wm->RunScriptString(wm->GetRoot(), layout.c_str());
      auto* puzzle = WindowCast<QMSequencePuzzleWindow>(wm->GetTopModal()->FindChild("puzzle", -1));
      EXPECT_NE(puzzle, nullptr);
      if (puzzle) body(p, *puzzle);
    });
  }

  static double Number(const char* expr) {
    Host()->DoLuaString((std::string("gProbe = ") + expr).c_str());
    return Host()->GetGlobalNumber("gProbe");
  }
  static std::string Text(const char* expr) {
    Host()->DoLuaString((std::string("gProbe = ") + expr).c_str());
    return Host()->GetGlobalString("gProbe").CStr();
  }

  static void Send(TPlatform* p, int type, int x, int y) {
    p->GetWindowManager()->HandleEvent(MakeEvent(type, x, y, 0, 0));
  }
  // Ticks of the window system on the virtual clock, 16 ms apart; each hands on what the
  // platform has queued (the window's own start-up events at first) up to its idle event.
  static void Tick(TPlatform* p, int ms = 16) {
    TPlatformEvent e;
    for (int t = 0; t < ms; t += 16) {
      platform::os::AdvanceVirtualTime(16);
      for (int n = 0; n < 16; ++n) {
        p->GetEvent(e);
        p->GetWindowManager()->HandleEvent(e);
        if (e.type == kEventIdle) break;
      }
    }
  }

  static QMSequencePuzzlePiece* PieceNamed(QMSequencePuzzleWindow& w, const char* name) {
    return WindowCast<QMSequencePuzzlePiece>(w.FindChild(name, 1));
  }
  // The centre of a piece's image.
  static TPoint CentreOf(QMSequencePuzzlePiece* piece) {
    TPoint at = piece->GetDropPosition();
    return TPoint(at.x + kSlot / 2, at.y + kSlot / 2);
  }
  // The centre of slot i (1-based) of the row.
  static TPoint SlotCentre(int i) {
    return TPoint(kRowLeft + (i - 1) * kSlot + kSlot / 2, kRowTop + kSlot / 2);
  }
  static TPoint SlotCorner(int i) { return TPoint(kRowLeft + (i - 1) * kSlot, kRowTop); }

  // Presses the piece at its centre and moves it, without letting go, to the point.
  static void Grab(TPlatform* p, QMSequencePuzzlePiece* piece, TPoint to) {
    TPoint from = CentreOf(piece);
    Send(p, kEventMouseMove, from.x, from.y);
    Send(p, kEventLeftDown, from.x, from.y);
    Send(p, kEventMouseMove, (from.x + to.x) / 2, (from.y + to.y) / 2);
    Send(p, kEventMouseMove, to.x, to.y);
  }
  // A whole drag and drop, then a tick for the slides.
  static void Drag(TPlatform* p, QMSequencePuzzlePiece* piece, TPoint to) {
    Grab(p, piece, to);
    Send(p, kEventLeftUp, to.x, to.y);
    Tick(p, 32);
  }
  // Instances of the fail sound started and not yet ended.
  static size_t FailSoundsPlaying() {
    boost::shared_ptr<TSound> sound = TSound::Get("audio/fail.ogg", true, 1000);
    return sound && sound->GetData() ? sound->GetData()->GetInstanceCount() : 0;
  }
};
