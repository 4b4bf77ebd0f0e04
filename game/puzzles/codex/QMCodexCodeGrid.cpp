#include "game/puzzles/codex/QMCodexCodeGrid.h"

#include <map>
#include <vector>

#include "assets/TStringTable.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "game/puzzles/codex/QMCodexSolveGrid.h"
#include "game/puzzles/codex/QMCodexTables.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScript.h"
#include "window/TText.h"

namespace {

const char kPuzzleChunk[] =
    "local curLevel = gGameState:getCurrentLevel();\t"
    "local curGroup = curLevel:getCurrentGroup();\t"
    "local curPuzzle = curGroup:getCurrentPuzzle();\t";

template <class Fn>
void ForEachText(TWindow* owner, Fn fn) {
  for (TWindow* child : owner->GetChildren())
    if (TText* text = WindowCast<TText>(child)) fn(text);
}

}  // namespace

QMCodexCodeGrid::QMCodexCodeGrid(TWindow* owner, boost::shared_ptr<TSprite> iconSprite)
    : mOwner(owner), mIconSprite(std::move(iconSprite)) {}

str QMCodexCodeGrid::WordText(int32_t w) const {
  if (w == kCodexConflictWord) return "????";
  if (w < 0) return str();
  const str label = str::Format("%s_word_%i", mPuzzleId.CStr(), w);
  TPlatform* p = TPlatform::Instance();
  TStringTable* strings = p ? p->GetStringTable() : nullptr;
  return strings ? strings->GetString(label) : label;
}

void QMCodexCodeGrid::Build(TLuaTable& icons, TLuaTable& cells) {
  const QMCodexCodeLayout& l = mLayout;
  const int32_t count = LuaTableSize(icons);
  int32_t col = 0, row = 0;
  for (int32_t i = 1; i <= count; ++i) {
    const int32_t m = NumberToInt(icons.GetNumberAt(i, 0));
    boost::shared_ptr<TTexture> texture = TTexture::Get(str::Format("%s%i", mIconPrefix.CStr(), m));
    boost::shared_ptr<TSprite> icon = TSprite::Create(0, texture);
    const float x = l.gridX + static_cast<float>(col) * l.columnWidth;
    const float y = l.gridY + static_cast<float>(row) * l.rowHeight;
    PlaceSpriteTopLeft(*icon, x, y);
    icon->GetDrawState().transform.Scale(l.iconScale, l.iconScale);
    // Scaling turns the translation too; the icon's corner stays where it was placed.
    icon->GetDrawState().transform.m[2].x = x;
    icon->GetDrawState().transform.m[2].y = y;
    mIconSprite->AddChild(icon);
    if (texture) {
      if (TText* text = WindowCast<TText>(mOwner->FindChild("unused", -1))) {
        text->SetName(str::Format("%s_icon_%i", mPuzzleId.CStr(), m));
        const int32_t tx =
            NumberToInt(x + NumberToInt(static_cast<float>(texture->GetWidth() / 2) * l.iconScale) -
                        static_cast<float>(text->GetWidth() / 2));
        const int32_t ty = NumberToInt(y + l.iconTextOffset);
        text->SetPosition(tx, ty);
      }
    }
    if (++col == NumberToInt(l.columnCount)) {
      ++row;
      col = 0;
    }
  }
  lua_State* L = cells.GetState();
  const int top = lua_gettop(L);
  cells.Push();
  lua_pushnil(L);
  while (lua_next(L, -2) != 0) {
    if (lua_isstring(L, -2) && lua_isnumber(L, -1)) {
      // The key is copied before it is read as text: converting the key lua_next walks with
      // would break the walk.
      lua_pushvalue(L, -2);
      const str key = LuaToStr(L, -1);
      lua_pop(L, 1);
      const int32_t position = key.Substr(5).ToInt();
      SetCellWord(position, NumberToInt(lua_tonumber(L, -1)), false);
    }
    lua_pop(L, 1);
  }
  lua_settop(L, top);
}

void QMCodexCodeGrid::SetCellWord(int32_t k, int32_t w, bool highlight) {
  const str name = str::Format("%s_icon_%i", mPuzzleId.CStr(), k + 1);
  const str word = WordText(w);
  bool found = false;
  ForEachText(mOwner, [&](TText* text) {
    if (!(text->GetName() == name)) return;
    found = true;
    text->SetText(word);
    if (highlight) text->SetColor(mActiveColor);
  });
  if (!found)
    EngineLog("Codex puzzle: no word text %s for icon position %d; ignored", name.CStr(), k);
}

void QMCodexCodeGrid::Update(TLuaTable& updates) {
  ForEachNumberPair(updates, [&](int32_t k, int32_t w) { SetCellWord(k, w, true); });
}

void QMCodexCodeGrid::ResetWordColors() {
  ForEachText(mOwner, [&](TText* text) { text->SetColor(mFoundColor); });
}

void QMCodexCodeGrid::SyncFromChecks(const QMCodexSolveGrid& grid, TScript* script,
                                     const RTFHookFunction& doubleRowHook,
                                     const RTFHookFunction& doubleColumnHook) {
  if (!script) return;
  std::map<int32_t, int32_t> words;
  std::vector<int32_t> seen;
  bool wordUsedTwice = false;
  for (int32_t i = static_cast<int32_t>(grid.GetCellCount()) - 1; i >= 0; --i) {
    if (!grid.ShowsCheck(i)) continue;
    // Cleared first: a chunk that fails part-way must not leave the previous cell's numbers.
    script->DoLuaStringWithoutWaking(
        str("codexwindowwordnumber = nil codexwindowiconnumber = nil\t") + kPuzzleChunk +
        str::Format("curPuzzle:getCodeGridCellWord(%d)\t"
                    "codexwindowwordnumber = curPuzzle:getWordNumber(%d)\t"
                    "codexwindowiconnumber = curPuzzle:getIconNumber(%d)",
                    i, i, i));
    if (script->GetGlobalString("codexwindowwordnumber").IsEmpty() ||
        script->GetGlobalString("codexwindowiconnumber").IsEmpty())
      continue;
    const int32_t w = NumberToInt(script->GetGlobalNumber("codexwindowwordnumber"));
    const int32_t m = NumberToInt(script->GetGlobalNumber("codexwindowiconnumber"));
    auto found = words.find(m);
    if (found == words.end()) {
      words[m] = w;
      if (doubleRowHook && !wordUsedTwice) {
        for (int32_t s : seen)
          if (s == w) wordUsedTwice = true;
        seen.push_back(w);
      }
    } else {
      found->second = kCodexConflictWord;
      if (doubleColumnHook) doubleColumnHook();
    }
  }
  for (const auto& [m, w] : words) {
    SetCellWord(m, w, true);
    script->DoLuaStringWithoutWaking(str(kPuzzleChunk) +
                                     str::Format("curPuzzle:setCodeGridCellWord(%d, %d)", m, w));
  }
  if (wordUsedTwice && doubleRowHook) doubleRowHook();
}
