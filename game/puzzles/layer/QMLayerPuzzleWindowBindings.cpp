#include "anim/KSpriteWindow.h"
#include "game/puzzles/layer/QMLayerPuzzleWindow.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TScript.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

lua_State* HostState() {
  TWindowScript* host = TWindowScript::Of(TWindowManager::Instance());
  return host ? host->GetState() : nullptr;
}

}  // namespace

void QMLayerPuzzleWindow::BindScriptFunctions() {
  lua_State* L = HostState();
  BindWindowMethod(L, "LayerPlusButton", this, &QMLayerPuzzleWindow::LayerPlusButton);
  BindWindowMethod(L, "LayerMinusButton", this, &QMLayerPuzzleWindow::LayerMinusButton);
  BindWindowMethod(L, "LayerShowHint", this, &QMLayerPuzzleWindow::LayerShowHint);
}

void QMLayerPuzzleWindow::BindReleaseHintSprite(KSpriteWindow* overlay) {
  // The hint script runs in the overlay's own state and calls it there when it ends.
  mOverlayBindings.Bind(overlay, "ReleaseHintSprite", this,
                        &QMLayerPuzzleWindow::ReleaseHintSprite);
  BindWindowMethod(HostState(), "ReleaseHintSprite", this, &QMLayerPuzzleWindow::ReleaseHintSprite);
}
