#include "script/binding/TWindowScript.h"

#include <algorithm>

#include "core/EngineLog.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaMessage.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/TButton.h"
#include "window/TImage.h"
#include "window/TSlider.h"
#include "window/TText.h"
#include "window/TTextEdit.h"
#include "window/TWindowManager.h"

extern const unsigned char kScreenInitChunk[];
extern const unsigned long kScreenInitChunkSize;

TWindowScript::TWindowScript(lua_State* L) : TScript(L) {
  // A state passed in may be in use: whatever the set-up leaves goes, nothing below it.
  int top = lua_gettop(mState);
  BindLibrary();
  RegisterWindowType("Slider", &TSlider::Create);
  RegisterWindowType("Bitmap", &TImage::Create);
  RegisterWindowType("Button", &TButton::Create);
  RegisterWindowType("Text", &TText::Create);
  RegisterWindowType("TextEdit", &TTextEdit::Create);
  RegisterWindowType("Window", &TWindow::Create);
  RegisterMessageMetatable(mState);
  for (const TMessageIdName& m : kMessageIdNames) {
    lua_pushstring(mState, m.name);
    lua_pushnumber(mState, m.id);
    lua_settable(mState, LUA_GLOBALSINDEX);
  }
  lua_dobuffer(mState, reinterpret_cast<const char*>(kScreenInitChunk), kScreenInitChunkSize,
               "gScreenInit");
  lua_settop(mState, top);
}

TWindowScript::~TWindowScript() {
  StopMovie();
  // Every message userdata is collected while the window system still exists.
  lua_setgcthreshold(mState, 0);
  mFactories.clear();
  mContext.clear();
}

TWindowManager* TWindowScript::Manager() const {
  return mManager ? mManager : TWindowManager::Instance();
}

void TWindowScript::RegisterWindowType(const str& name, TWindow::Creator creator) {
  const char* n = name.CStr();
  // Game code may register types while the scripts wait; that is no event for them.
  DoLuaStringWithoutWaking(
      str::Format("function %s( table )\tCreating( '%s', table );\ttable.typename='%s';\n"
                  "\treturn function() DoWindow( table ) end end;",
                  n, n, n));
  mFactories[name] = creator;
}

TWindow::Creator TWindowScript::FindWindowType(const str& name) const {
  auto it = mFactories.find(name);
  return it == mFactories.end() ? nullptr : it->second;
}

void TWindowScript::DropDeadContext() {
  std::erase_if(mContext, [](const TWindowHandle& h) { return !h; });
}

bool TWindowScript::PushContextWindow(TWindow* w) {
  DropDeadContext();
  if (!w || std::any_of(mContext.begin(), mContext.end(),
                        [w](const TWindowHandle& h) { return h.Refers(w); }))
    return false;
  mContext.emplace_back(w);
  return true;
}

void TWindowScript::RaiseContextWindow(TWindow* w) {
  DropDeadContext();
  if (!w) return;
  std::erase_if(mContext, [w](const TWindowHandle& h) { return h.Refers(w); });
  mContext.emplace_back(w);
}

void TWindowScript::PopContextWindow(TWindow* w) {
  DropDeadContext();
  auto it = std::find_if(mContext.rbegin(), mContext.rend(),
                         [w](const TWindowHandle& h) { return h.Refers(w); });
  if (it != mContext.rend()) mContext.erase(std::next(it).base());
}

void TWindowScript::PopWindow() {
  DropDeadContext();
  if (mContext.size() > 1) mContext.pop_back();
}

TWindow* TWindowScript::GetContextWindow() const {
  for (auto it = mContext.rbegin(); it != mContext.rend(); ++it)
    if (TWindow* w = it->Get()) return w;
  return nullptr;
}

std::vector<TWindow*> TWindowScript::GetContextStack() const { return LiveWindows(mContext); }

bool TWindowScript::SetFlag(bool localised) {
  bool old = mLocalised;
  mLocalised = localised;
  return old;
}

bool TWindowScript::DeliverValue() {
  lua_pushnil(mState);
  lua_insert(mState, -2);
  return Resume(2) == 0;
}

void TWindowScript::PushMessage(TMessage* m) {
  if (m->IsKindOf(TLuaMessageWrapper::GetClassId())) {
    static_cast<TLuaMessageWrapper*>(m)->PushLua(mState);
    delete m;
  } else {
    PushLuaMessage(mState, m);
  }
}

bool TWindowScript::HandleMessage(TMessage* m, TLuaObjectWrapper* command) {
  lua_State* L = mState;
  if (!IsYielded()) {
    if (m) {
      lua_pushstring(L, "gMessageToQueue");
      PushMessage(m);
      lua_settable(L, LUA_GLOBALSINDEX);
      lua_dostring(L, "table.insert(gMessageQueue,gMessageToQueue); gMessageToQueue=nil;");
    }
    if (command) {
      lua_pushstring(L, "gMessageCommand");
      command->Push(L);
      lua_settable(L, LUA_GLOBALSINDEX);
      lua_dostring(L, "table.insert(gCommandQueue,gMessageCommand); gMessageCommand=nil;");
    }
    return true;
  }
  if (mWaitState != kWaitMessages) {
    if (command) {
      int top = lua_gettop(L);
      command->Push(L);
      if (lua_isfunction(L, -1)) {
        lua_pushstring(L, "_ALERT");
        lua_gettable(L, LUA_GLOBALSINDEX);
        lua_insert(L, -2);
        lua_pcall(L, 0, 1, lua_gettop(L) - 1);
      }
      lua_settop(L, top);
    }
    delete m;
    return false;
  }
  if (!m) m = new TMessage(kCommandOnly, str());
  PushMessage(m);
  int n = 1;
  if (command) {
    command->Push(L);
    n = 2;
  }
  if (Resume(n) != 0) mWaitState = kWaitFailed;
  return true;
}

void TWindowScript::BindManager(TWindowManager* manager) {
  mManager = manager;
  if (manager) manager->BindScriptGlobals(this);
}

TWindowScript* TWindowScript::Of(const TWindowManager* manager) {
  return manager ? dynamic_cast<TWindowScript*>(manager->GetScriptHost()) : nullptr;
}

TWindowScript* TWindowScript::Current() { return Of(TWindowManager::Instance()); }

lua_State* TWindowScript::CurrentState() {
  TWindowScript* script = Current();
  return script ? script->GetState() : nullptr;
}
