#include "game/shell/GameRegistration.h"

#include <map>
#include <memory>

#include "anim/AnimWindowTypes.h"
#include "anim/ISpriteWindowGame.h"
#include "assets/TStringTable.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "game/puzzles/codex/QMCodexWindow.h"
#include "game/puzzles/feedback/RTFZone.h"
#include "game/puzzles/feedback/RealTimeFeedback.h"
#include "game/puzzles/layer/QMLayerGrid.h"
#include "game/puzzles/layer/QMLayerPuzzlePiece.h"
#include "game/puzzles/layer/QMLayerPuzzleRounds.h"
#include "game/puzzles/layer/QMLayerPuzzleWindow.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "game/scenes/QMArcadeGame.h"
#include "game/scenes/QMMessages.h"
#include "game/scenes/QMSearch.h"
#include "game/scenes/QMInfoWindow.h"
#include "game/scenes/QMPopupNav.h"
#include "game/scenes/QMSearchItem.h"
#include "game/scenes/QMSearchList.h"
#include "game/puzzles/sequence/QMSequenceTypes.h"
#include "game/scenes/SearchOverlay.h"
#include "game/shell/LuaText.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/ScriptUtilities.h"
#include "game/shell/QMGameOver.h"
#include "game/shell/QMIntro.h"
#include "game/shell/QMSpriteWindow.h"
#include "game/shell/TChoosePlayer.h"
#include "game/shell/TCredits.h"
#include "game/shell/TCustomTextEdit.h"
#include "game/shell/THiscore.h"
#include "game/shell/TMainMenu.h"
#include "game/shell/TOptions.h"
#include "online/TGameState.h"
#include "script/LuaApi.h"
#include "script/LuaLibs.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "window/TSlider.h"
#include "window/TWindowManager.h"

// One type a line, so that types added side by side merge cleanly.
// clang-format off
const QMWindowType kGameWindowTypes[] = {
    {"Slider", &TSlider::Create},
    {"ChoosePlayerWindow", &TChoosePlayer::Create},
    {"TextEdit", &TCustomTextEdit::Create},
    {"OptionsWindow", &TOptions::Create},
    {"SearchItem", &QMSearchItem::Create},
    {"SearchListWindow", &QMSearchList::Create},
    {"QMCodexWindow", &QMCodexWindow::Create},
    {"RealTimeFeedback", &RealTimeFeedback::Create},
    {"RTF_Zone", &RTFZone::Create},
    {"QMLayerWindow", &QMLayerPuzzleWindow::Create},
    {"QMLayerPuzzlePiece", &QMLayerPuzzlePiece::Create},
    {"QMLayerGrid", &QMLayerGrid::Create},
    {"QMLayerPuzzleRounds", &QMLayerPuzzleRounds::Create},
    {"WordPuzzleWindow", &QMWordPuzzleWindow::Create},
    {"MainMenu", &TMainMenu::Create},
    {"GameOver", &QMGameOver::Create},
    {"HiscoreWindow", &THiscore::Create},
    {"CreditsWindow", &TCredits::Create},
    {"IntroWindow", &QMIntro::Create},
    {"QMSpriteWindow", &QMSpriteWindow::Create},
    {"QMSequenceWindow", &QMSequencePuzzleWindow::Create},
    {"QMSequencePuzzlePiece", &QMSequencePuzzlePiece::Create},
    {"QMSequenceGrid", &QMSequenceGrid::Create},
    {"QMSequenceBin", &QMSequenceBin::Create},
    {"QMSequenceClue", &QMSequenceClue::Create},
    {"QMSequencePuzzleRounds", &QMSequencePuzzleRounds::Create},
    {"SearchWindow", &QMSearch::Create},
    {"ArcadeGame", &QMArcadeGame::Create},
    {"ArcadeSearchOverlay", &SearchOverlay::Create},
    {"InfoWindow", &QMInfoWindow::Create},
    {"PopUpNavWindow", &QMPopupNav::Create},
};
// clang-format on
const size_t kGameWindowTypeCount = sizeof kGameWindowTypes / sizeof kGameWindowTypes[0];

namespace {

const char kGameWindowScript[] = "scripts/qmgamewindow.lua";

// What the sprite windows ask of the game, answered by the game object and the script
// utilities.
class SpriteWindowGame : public ISpriteWindowGame {
public:
  str GetMapString() override {
    QMGameManager* g = QMGameManager::Instance();
    return g ? g->GetMapString() : str();
  }
  int GetSoundLevel() override {
    QMGameManager* g = QMGameManager::Instance();
    return g ? g->GetSoundLevel() : 750;
  }
  int GetMusicLevel() override {
    QMGameManager* g = QMGameManager::Instance();
    return g ? g->GetMusicLevel() : 750;
  }
  void BlackenWindow() override { ::BlackenWindow(); }
  bool GetScriptDebugMode() override { return ::GetScriptDebugMode(); }
};

SpriteWindowGame& TheSpriteWindowGame() {
  static SpriteWindowGame game;
  return game;
}

// Tables made by "CreateStringTable", by label; they live until the main loop ends.
std::map<str, std::unique_ptr<TLuaTable>>& StringTableCache() {
  static std::map<str, std::unique_ptr<TLuaTable>> cache;
  return cache;
}

void RunLuaText(const str& text) {
  if (TWindowScript* host = TWindowScript::Current()) host->DoLuaString(text);
}

// Runs the file with the top window as its context, where the scripts put their windows.
bool RunScriptFile(const char* name) {
  TWindowManager* wm = TWindowManager::Instance();
  return wm && wm->RunScriptFile(wm->GetTopModal(), name);
}

// Pops every modal window above the screen.
void PopModalsAboveScreen() {
  TWindowManager* wm = TWindowManager::Instance();
  if (!wm) return;
  for (TWindow* top = wm->GetTopModal(); top && top->GetParent(); top = wm->GetTopModal()) {
    const str id = top->GetIdString();
    wm->DoPopModal(id);
    if (wm->GetTopModal() == top) break;  // refused; never loop forever
  }
}

// Pushes the word on top of the stack into the outer table below it at index n.
void StoreWord(lua_State* L, int outer, int n) { lua_rawseti(L, outer, n); }

void SetCount(lua_State* L, int table, int n) {
  lua_pushliteral(L, "n");
  lua_pushnumber(L, n);
  lua_rawset(L, table < 0 ? table - 2 : table);
}

}  // namespace

int CreateStringTableBinding(lua_State* L) {
  const str label = LuaToStr(L, 1);
  auto& cache = StringTableCache();
  auto found = cache.find(label);
  if (found != cache.end()) {
    found->second->Push(L);
    return 1;
  }
  TPlatform* p = TPlatform::Instance();
  TStringTable* strings = p ? p->GetStringTable() : nullptr;
  if (!strings) {
    lua_pushnil(L);
    return 1;
  }
  const str text = strings->GetString(label);
  const char* s = text.CStr();
  const unsigned length = text.Length();

  lua_newtable(L);
  const int outer = lua_gettop(L);
  lua_newtable(L);
  int words = 0;
  int chars = 0;
  for (unsigned i = 0; i < length;) {
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    unsigned size = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (size > length - i) size = length - i;  // a cut sequence at the end stays whole
    const bool separator =
        lead == 0x20 || (size == 2 && lead == 0xC2 && static_cast<unsigned char>(s[i + 1]) == 0xA0);
    if (separator) {
      SetCount(L, -1, chars);
      StoreWord(L, outer, ++words);
      lua_newtable(L);
      chars = 0;
    } else {
      lua_pushlstring(L, s + i, size);
      lua_rawseti(L, -2, ++chars);
    }
    i += size;
  }
  StoreWord(L, outer, ++words);
  SetCount(L, outer, words);

  lua_pushvalue(L, outer);
  auto table = std::make_unique<TLuaTable>(L);  // pops the copy
  cache.emplace(label, std::move(table));
  return 1;  // the outer table is still on top
}

void ReleaseStringTableCache() { StringTableCache().clear(); }

void QuitToMainMenu() {
  if (QMGameManager* g = QMGameManager::Instance()) g->SaveGame();
  PopModalsAboveScreen();
  if (TGameState* state = TGameState::GetInstance()) state->SetIntState("LevelEndState", 2);
}

void QuitToRestart() {
  PopModalsAboveScreen();
  const str script = LuaStringLiteral(kGameWindowScript);
  const str tabs("\t\t\t\t\t\t\t\t\t\t\t");
  RunLuaText("PushModal(" + script + ")");
  RunLuaText("gTemporaryFunction = function() " + tabs + "SwapToModal(" + script + ")" + tabs +
             "end table.insert(gCommandQueue,gTemporaryFunction) ");
}

void RegisterGameScriptFunctions(lua_State* L) {
  RegisterScriptUtilities(L);
  lua_register(L, "CreateStringTable", &CreateStringTableBinding);
  BindFunction(L, "QuitToMainMenu", &QuitToMainMenu);
  BindFunction(L, "QuitToRestart", &QuitToRestart);
  RegisterGameMessages(L);
}

bool RegisterGameTypes(TWindowManager* wm) {
  TWindowScript* host = TWindowScript::Of(wm);
  if (!host) return false;
  lua_State* L = host->GetState();
  const int top = lua_gettop(L);
  luaopen_math(L);
  luaopen_io(L);
  lua_settop(L, top);
  QMGameManager* game = QMGameManager::Instance();
  if (game) game->CreateScreen();
  SetCursorImage(kArrowCursor);
  host->DoLuaString("kQMMetrics = true");
  for (size_t i = 0; i < kGameWindowTypeCount; ++i)
    wm->RegisterWindowType(kGameWindowTypes[i].name, kGameWindowTypes[i].creator);
  // The animation library's own types: "SpriteWindow", "AnimOverSpriteWindow", "KButton".
  RegisterAnimWindowTypes(host);
  ISpriteWindowGame::Install(&TheSpriteWindowGame());
  RegisterGameScriptFunctions(L);
  if (game) {
    game->ResetUser();
    game->RestoreGame();
  }
  if (game && game->CheatsEnabled()) {
    if (FileExistsForScript("scripts/debug.lua")) RunScriptFile("scripts/debug.lua");
  } else {
    host->DoLuaString("kQMDebug = {}");
    RuntimeSettings().disappearingItems = true;
  }
  for (const char* optional : {"scripts/ui/mapstyles.lua", "scripts/panels/common/panelstyles.lua"})
    if (FileExistsForScript(optional)) RunScriptFile(optional);
  if (!RunScriptFile(kMainScript)) {
    EngineLog("Main script \"%s\" failed: %s", kMainScript, host->GetLastError().CStr());
    return false;
  }
  return true;
}
