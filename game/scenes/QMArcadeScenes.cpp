// The arcade scene catalogue: the play order of the scenes, the items hidden in each, their
// multiple-copy groups and optional per-scene Lua data, and the showing of one scene.
#include <string>

#include "anim/KFilter.h"
#include "anim/KAnimProperties.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "game/scenes/QMAmbientScroll.h"
#include "game/scenes/QMArcadeGame.h"
#include "game/scenes/QMMagnifyGlass.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/LuaApi.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScript.h"
#include "window/TWindowManager.h"

namespace {

const char kMagnifierScenes[][32] = {"gameobjects/2_1_gameback", "gameobjects/6_2_gameback"};
const char kMagnifierMask[] = "backgrounds/bgmask";
// Where the glass first stands when the pointer has not been seen over the scene.
const TPoint kFirstGlassPoint(650, 300);

// Pushes the global name; answers whether it is a table (the value stays pushed either way).
bool PushGlobalTable(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_gettable(L, LUA_GLOBALSINDEX);
  return lua_istable(L, -1);
}

// The text of the value at idx without changing it in place (a number key stays a number).
str ValueText(lua_State* L, int idx) {
  lua_pushvalue(L, idx);
  const char* text = lua_tostring(L, -1);
  str out = text ? str(text) : str();
  lua_pop(L, 1);
  return out;
}

// Element n of the table at idx as a number truncated toward zero; 0 when missing.
int32_t IntAt(lua_State* L, int idx, int n) {
  lua_rawgeti(L, idx, n);
  const int32_t v = static_cast<int32_t>(lua_tonumber(L, -1));
  lua_pop(L, 1);
  return v;
}

// Calls f(keyIndex, valueIndex) for each entry of the table at idx, in the table's order.
template <class F>
void ForEachEntry(lua_State* L, int idx, F f) {
  if (idx < 0) idx = lua_gettop(L) + idx + 1;
  lua_pushnil(L);
  while (lua_next(L, idx)) {
    const int top = lua_gettop(L);
    f(top - 1, top);
    lua_settop(L, top - 1);
  }
}

std::string RemoveFirst(std::string text, const std::string& part) {
  const size_t at = text.find(part);
  if (at != std::string::npos) text.erase(at, part.size());
  return text;
}

}  // namespace

str QMArcadeGame::SceneKeyOf(const str& image) {
  const std::string path = image.CStr();
  const size_t slash = path.rfind('/');
  std::string key(1, '_');
  key.append(path, slash == std::string::npos ? 0 : slash + 1, std::string::npos);
  return str(RemoveFirst(key, "?slow").c_str());
}

void QMArcadeGame::ReadPuzzleOrder() {
  mSceneOrder.clear();
  lua_State* L = mSceneScript->GetState();
  const int top = lua_gettop(L);
  if (!PushGlobalTable(L, "PuzzleOrder")) {
    EngineLog("Arcade: the scene catalogue has no PuzzleOrder table; the run has no scenes");
  } else {
    ForEachEntry(L, -1, [&](int, int value) {
      const std::string key = ValueText(L, value).CStr();
      std::string image = "gameobjects/" + (key.empty() ? key : key.substr(1));
      for (const char* magnifier : kMagnifierScenes)
        if (image == magnifier) image += "?slow";
      mSceneOrder.push_back(str(image.c_str()));
    });
  }
  lua_settop(L, top);
  mScenePosition = 0;
}

void QMArcadeGame::LoadSearchPuzzles() {
  lua_State* L = mSceneScript->GetState();
  const int top = lua_gettop(L);
  PushGlobalTable(L, "SearchPuzzles");
  const int puzzles = lua_gettop(L);
  PushGlobalTable(L, "SearchPuzzleData");
  const int data = lua_gettop(L);
  TWindowManager* wm = TWindowManager::Instance();
  for (const str& image : mSceneOrder) {
    const str key = SceneKeyOf(image);
    const std::string k = key.CStr();
    const size_t back = k.find("_gameback");
    const str folder(("gameobjects/" +
                      k.substr(1, back == std::string::npos ? std::string::npos : back - 1) + "/")
                         .c_str());
    if (lua_istable(L, puzzles)) {
      lua_pushstring(L, key.CStr());
      lua_gettable(L, puzzles);
      std::unique_ptr<TLuaTable> scene;
      if (lua_istable(L, -1)) {
        scene = std::make_unique<TLuaTable>(L);  // takes the table off the stack
      } else {
        lua_pop(L, 1);
      }
      if (std::unique_ptr<ItemList> items = ReadSceneItems(scene.get(), folder))
        mItemLists[key] = std::move(items);
    }
    if (!lua_istable(L, data) || !wm || !wm->GetScriptHost()) continue;
    lua_pushstring(L, key.CStr());
    lua_gettable(L, data);
    const str value = lua_isnil(L, -1) ? str() : ValueText(L, -1);
    lua_pop(L, 1);
    if (value.IsEmpty()) continue;
    wm->RunScriptString(this, str::Format("%s = %s", key.CStr(), value.CStr()));
    lua_State* H = wm->GetScriptHost()->ScriptState();
    if (PushGlobalTable(H, key.CStr())) {
      mSceneTables[key] = std::make_unique<TLuaTable>(H);
    } else {
      lua_pop(H, 1);
      EngineLog("Arcade: SearchPuzzleData of %s gives no table", key.CStr());
    }
  }
  lua_settop(L, top);
}

std::unique_ptr<QMArcadeGame::ItemList> QMArcadeGame::ReadSceneItems(TLuaTable* scene,
                                                                     const str& folder) {
  if (!scene) return nullptr;
  lua_State* L = mSceneScript->GetState();
  const int top = lua_gettop(L);
  PushGlobalTable(L, "ExcludeItems");
  const int exclude = lua_gettop(L);
  auto items = std::make_unique<ItemList>();
  scene->Push(L);
  int32_t i = 0;
  ForEachEntry(L, -1, [&](int key, int value) {
    auto item = boost::shared_ptr<ArcadeSearchItem>(new ArcadeSearchItem());
    item->name = ValueText(L, key);
    item->imageName = folder + item->name + "_gameobj";
    if (lua_istable(L, value)) {
      ForEachEntry(L, value, [&](int field, int v) {
        const str name = ValueText(L, field);
        const bool table = lua_istable(L, v);
        if (name == "position" && table) {
          item->x = IntAt(L, v, 1);
          item->y = IntAt(L, v, 2);
        } else if (name == "layer") {
          item->layer = static_cast<int32_t>(lua_tonumber(L, v));
        } else if ((name == "playOffset" || name == "offset") && table) {
          item->playOffsetX = IntAt(L, v, 1);
          item->playOffsetY = IntAt(L, v, 2);
        }
      });
    }
    item->state = kArcadeItemIdle;
    item->index = i++;
    if (lua_istable(L, exclude)) {
      lua_pushstring(L, item->name.CStr());
      lua_gettable(L, exclude);
      item->excluded = lua_tonumber(L, -1) != 0;
      lua_pop(L, 1);
    }
    items->push_back(item);
  });
  lua_settop(L, top);
  return items;
}

void QMArcadeGame::LoadMultiples() {
  TScript groups;
  if (!groups.DoFile("scripts/multiples.lua")) {
    EngineLog("Arcade: scripts/multiples.lua could not be run; levels have single items only");
    return;
  }
  lua_State* L = groups.GetState();
  const int top = lua_gettop(L);
  if (PushGlobalTable(L, "ArcadeMultiple")) {
    ForEachEntry(L, -1, [&](int key, int value) {
      if (!lua_istable(L, value)) return;
      const str name = ValueText(L, key);
      ForEachEntry(L, value, [&](int, int member) { AddGroupMember(name, ValueText(L, member)); });
    });
  }
  lua_settop(L, top);
}

void QMArcadeGame::AddGroupMember(const str& name, const str& member) {
  for (const str& image : mSceneOrder) {
    auto found = mItemLists.find(SceneKeyOf(image));
    if (found == mItemLists.end()) continue;
    for (const ItemPtr& item : *found->second)
      if (item->name == name) item->groupText += member;
  }
}

QMArcadeGame::ItemList* QMArcadeGame::GetCurrentItems() {
  auto found = mItemLists.find(mCurrentScene);
  return found == mItemLists.end() ? nullptr : found->second.get();
}

void QMArcadeGame::GotoLevelScene(int level) {
  mScenePosition = 0;
  if (!mSceneOrder.empty() && level > 1)
    mScenePosition = static_cast<size_t>(level - 1) % mSceneOrder.size();
  GotoScene(3);
}

void QMArcadeGame::GotoScene(int how) {
  if (mSceneOrder.empty()) {
    mCurrentScene = str();
    mItemListReady = false;
    return;
  }
  const size_t n = mSceneOrder.size();
  if (mScenePosition >= n) mScenePosition = 0;
  if (how == 0) mScenePosition = (mScenePosition + 1) % n;
  if (how == 1) mScenePosition = (mScenePosition + n - 1) % n;
  if (how == 2) mScenePosition = 0;
  const str& image = mSceneOrder[mScenePosition];
  mCurrentScene = SceneKeyOf(image);

  if (mSceneSprite) mSceneSprite->RemoveAllChildren();
  mFreshScene = true;
  if (ItemList* items = GetCurrentItems()) {
    for (const ItemPtr& item : *items) {
      item->state = kArcadeItemIdle;
      item->image.reset();
    }
  }
  ClearSearchTool();
  ShowSceneBackground(image);

  mAmbientLayer->RemoveAllChildren();
  mAmbientScrolls.clear();
  auto table = mSceneTables.find(mCurrentScene);
  if (table != mSceneTables.end()) {
    if (std::unique_ptr<TLuaTable> anims{table->second->GetTable("ambientAnims")}) {
      TLuaObjectWrapper* key = nullptr;
      while (std::unique_ptr<TLuaObjectWrapper> value{anims->Next(key)}) {
        if (!value->IsTable()) continue;
        TLuaTable entry(*value);
        AddAmbientAnimation(entry);
      }
    }
  }

  if (TWindow* parent = GetParent())
    if (TWindow* overlay = parent->FindChild("overlaywindow", -1))
      overlay->SetFlags(overlay->GetFlags() & ~kWindowShown);
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
  if (GetCurrentItems()) {
    mItemCursor = 0;
    mItemListReady = true;
  }
}

void QMArcadeGame::ShowSceneBackground(const str& image) {
  boost::shared_ptr<TTexture> background = GetAssetTexture(image);
  if (!background) EngineLog("Arcade: the scene picture %s could not be loaded", image.CStr());
  if (!mSceneSprite) return;
  const bool magnifier = std::string(image.CStr()).find("?slow") != std::string::npos;
  mSceneImage = magnifier ? image : str();
  if (magnifier && background &&
      (background->GetWidth() != GetWidth() || background->GetHeight() != GetHeight()) &&
      background->GetWidth() > 0 && background->GetHeight() > 0) {
    // Shown scaled to the window; the items are scaled with it.
    mSceneScale = TVec2(static_cast<float>(GetWidth()) / background->GetWidth(),
                        static_cast<float>(GetHeight()) / background->GetHeight());
    KScale scale(mSceneScale.x < mSceneScale.y ? mSceneScale.y : mSceneScale.x, 2);
    mBackground = background;
    if (boost::shared_ptr<TTexture> scaled = scale.ScaleTexture(background)) {
      background = scaled;
      mTextureRefresher = std::make_unique<TextureRefresher>(this, scaled);
      if (TPlatform* platform = TPlatform::Instance())
        platform->AddIdleTask(mTextureRefresher.get());
    }
    if (TWindowManager* wm = TWindowManager::Instance()) {
      TWindow* previous = wm->GetFocus();
      wm->SetFocusWindow(this);
      OnFocus(previous);
    }
  }
  mSceneSprite->SetTexture(background);
  // Anchored at its top-left corner at the window's origin.
  mSceneSprite->GetDrawState().flags |= TDrawParams::kUseOrigin;
  KSetSpriteAnchorPoint(*mSceneSprite, TVec2(0.0f, 0.0f));
  if (magnifier) {
    mBackground = GetAssetTexture(image);
    MakeMagnifier();
  }
}

void QMArcadeGame::MakeMagnifier() {
  mSearchTool.reset();
  mToolActive = false;
  const boost::shared_ptr<TTexture> masked =
      TTexture::GetWithMask(mSceneImage, kMagnifierMask, false);
  // Composing draws the items into the glass's picture: it gets a copy, so the loaded
  // picture stays as the file has it for the next time the scene comes round.
  boost::shared_ptr<TTexture> picture;
  if (masked)
    picture = TTexture::Create(masked->GetWidth(), masked->GetHeight(), masked->HasAlpha());
  if (picture) masked->CopyRect(0, 0, nullptr, picture);
  if (!picture) {
    EngineLog(
        "Arcade: the magnifier scene %s could not be loaded with the mask %s; it is played "
        "without the glass",
        mSceneImage.CStr(), kMagnifierMask);
    return;
  }
  mSearchTool = std::make_unique<QMMagnifyGlass>(picture, mSceneScale);
  mToolActive = true;
  RefreshMagnifier();
}

void QMArcadeGame::RefreshMagnifier() {
  SceneCompositor* compositor = mSearchTool ? mSearchTool->GetCompositor() : nullptr;
  if (!compositor) return;
  if (ItemList* items = GetCurrentItems()) {
    for (const ItemPtr& item : *items) {
      if (item->state != kArcadeItemInList && item->state != kArcadeItemIdle &&
          item->state != kArcadeCopyInList)
        continue;
      if (!item->image) item->image = GetAssetTexture(item->imageName);
      if (!item->image) continue;
      const float w = static_cast<float>(item->image->GetWidth()) * mSceneScale.x;
      const float h = static_cast<float>(item->image->GetHeight()) * mSceneScale.y;
      const float x = static_cast<float>(item->x), y = static_cast<float>(item->y);
      const TRect rect(item->x, item->y, item->x + static_cast<int32_t>(w),
                       item->y + static_cast<int32_t>(h));
      // The layer lies where the item's sprite is centred, whatever the scene's scale.
      compositor->AddLayer(item->image, TVec2(x + w * 0.5f, y + h * 0.5f), rect);
    }
  }
  compositor->Compose();
  if (mLastPointer == TPoint(-1, -1)) mLastPointer = kFirstGlassPoint;
  mSearchTool->MoveTo(mLastPointer);
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
}

bool QMArcadeGame::TextureRefresher::DoTask() {
  const TVec2 scale = mOwner->mSceneScale;
  if ((scale.x != 1.0f || scale.y != 1.0f) && mOwner->mBackground && mTexture) {
    KScale filter(scale.x < scale.y ? scale.y : scale.x, 2);
    if (boost::shared_ptr<TTexture> scaled = filter.ScaleTexture(mOwner->mBackground))
      scaled->CopyRect(0, 0, nullptr, mTexture);
  }
  // A new glass rather than the layers handed a second time to the one there: a layer given
  // twice would keep a found item in the glass after its first copy was taken out.
  if (mOwner->mSearchTool) mOwner->MakeMagnifier();
  return true;
}

void QMArcadeGame::AddAmbientAnimation(TLuaTable& entry) {
  const str type = entry.GetString("type", str());
  if (type == "pano") {
    boost::shared_ptr<TSprite> parent = TSprite::Create(1);
    mAmbientLayer->AddChild(parent);
    mAmbientScrolls.push_back(
        boost::shared_ptr<QMAmbientScroll>(new QMAmbientScroll(&entry, mAnimClock, parent)));
    const QMAmbientScroll& scroll = *mAmbientScrolls.back();
    if (!parent->GetTexture() || !scroll.GetStripA() || !scroll.GetStripA()->GetTexture())
      EngineLog("Arcade: the ambient strip %s behind %s could not be loaded; it stays empty",
                entry.GetString("pano", str()).CStr(), entry.GetString("mask", str()).CStr());
    return;
  }
  if (type != "sprite") {
    if (!type.IsEmpty()) EngineLog("Arcade: ambient animation type %s is skipped", type.CStr());
    return;
  }
  const str path = entry.GetString("path", str());
  if (path.IsEmpty()) return;
  boost::shared_ptr<TAnimatedTexture> texture = TAnimatedTexture::Get(path);
  if (!texture) {
    EngineLog("Arcade: the ambient animation %s could not be loaded", path.CStr());
    return;
  }
  boost::shared_ptr<TAnimatedSprite> sprite = TAnimatedSprite::Create(1);
  sprite->SetTexture(texture);
  KSetSpritePosition(*sprite, TVec2(static_cast<float>(entry.GetNumber("x", 0.0)),
                                    static_cast<float>(entry.GetNumber("y", 0.0))));
  mAmbientLayer->AddChild(sprite);
  sprite->Play("DoAnim");
}
