// The layer puzzle's windows in the running engine on the headless display: the game object
// with one player, the puzzle's window types, small opaque test pictures, and helpers to build
// a puzzle from a layout and to send it mouse events.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/render/RenderFixture.h"

#include "anim/AnimWindowTypes.h"
#include "game/puzzles/layer/QMLayerGrid.h"
#include "game/puzzles/layer/QMLayerPuzzlePiece.h"
#include "game/puzzles/layer/QMLayerPuzzleRounds.h"
#include "game/puzzles/layer/QMLayerPuzzleWindow.h"
#include "game/shell/GameMain.h"
#include "game/shell/QMGameManager.h"
#include "render/TSprite.h"
#include "script/binding/TWindowScript.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

inline QMLayerPuzzlePiece* PieceOf(QMLayerPuzzleWindow* w, const std::string& name) {
  return WindowCast<QMLayerPuzzlePiece>(w->FindChild(name.c_str(), -1));
}

inline void Send(TPlatform* p, int type, int x, int y) {
  p->GetWindowManager()->HandleEvent(MakeEvent(type, x, y, 0, 0));
}

class LayerTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    std::filesystem::create_directories(mWork + "/assets/images");
    WritePng("images/wide.png", 200, 100, [](int, int) { return 0xFF3060C0u; });
    WritePng("images/cell.png", 100, 100, [](int, int) { return 0xFFC03030u; });
    SetGameSettings();
  }

  // Runs body with the game object, a current player and the puzzle's window types.
  void RunPuzzle(std::function<void(TPlatform*, QMGameManager&)> body) {
    Run("--multiple", [&](TPlatform* p) {
      p->InitScreen(800, 600, false);
      Host()->DoLuaString(
          "function QMSerialized_save() return '' end "
          "function QMSerialized_restore() end function QMGameState_new() end");
      CreateGameManager();
      QMGameManager& g = *QMGameManager::Instance();
      g.SetCurrentUser(g.CreateNewUser("Tester"));
      TWindowManager* wm = p->GetWindowManager();
      wm->RegisterWindowType("QMLayerWindow", &QMLayerPuzzleWindow::Create);
      wm->RegisterWindowType("QMLayerPuzzlePiece", &QMLayerPuzzlePiece::Create);
      wm->RegisterWindowType("QMLayerGrid", &QMLayerGrid::Create);
      wm->RegisterWindowType("QMLayerPuzzleRounds", &QMLayerPuzzleRounds::Create);
      RegisterAnimWindowTypes(Host());
      body(p, g);
      DestroyGameManager();
    });
    EXPECT_TRUE(sBodyRan);
  }

  static TWindowScript* Host() { return TWindowScript::Of(TWindowManager::Instance()); }

  // A piece of the layout: its picture, top-left and starting layer.
  struct Piece {
    Piece(std::string n, std::string a, int px, int py, int l, std::string e = "")
        : name(std::move(n)), art(std::move(a)), x(px), y(py), layer(l), extra(std::move(e)) {}
    std::string name, art;
    int x, y, layer;
    std::string extra;  // further layout keys
    std::string round = "a";
  };

  // A puzzle over the whole screen in a new modal, its grid of 100-pixel cells at (gx, gy);
  // extra is further layout keys of the puzzle window, each followed by a comma.
  static QMLayerPuzzleWindow* Build(const std::vector<Piece>& pieces,
                                    const std::string& rounds = "{ 'a' }", int gx = 0, int gy = 0,
                                    int gw = 400, int gh = 200, bool overlay = false,
                                    const std::string& extra = "") {
    std::string layout = "PushModal('layertest') MakeDialog({ ";
    if (overlay)
      layout += "SpriteWindow({ name = 'overlaywindow', x = 0, y = 0, w = 800, h = 600 }), ";
    layout += "QMLayerWindow({ name = 'puzzle', x = 0, y = 0, w = 800, h = 600, " + extra;
    for (const Piece& p : pieces)
      layout += "QMLayerPuzzlePiece({ name = '" + p.name + "', round = '" + p.round +
                "', art = 'images/" + p.art + ".png', offsetX = " + std::to_string(p.x) +
                ", offsetY = " + std::to_string(p.y) +
                ", startingLayer = " + std::to_string(p.layer) + ", " + p.extra + " }), ";
    layout += "QMLayerPuzzleRounds({ name = 'QMRounds', rounds = " + rounds + " }), ";
    layout += "QMLayerGrid({ name = 'grid', x = " + std::to_string(gx) +
              ", y = " + std::to_string(gy) + ", w = " + std::to_string(gw) +
              ", h = " + std::to_string(gh) + ", gridWidth = 100, gridHeight = 100 }) }) })";
    TWindowManager* wm = TWindowManager::Instance();
    wm->RunScriptString(wm->GetRoot(), layout.c_str());
    return WindowCast<QMLayerPuzzleWindow>(wm->GetTopModal()->FindChild("puzzle", -1));
  }

  static void Close() {
    TWindowManager* wm = TWindowManager::Instance();
    wm->DoPopModal("layertest");
    wm->FlushDeletes();
  }
};
