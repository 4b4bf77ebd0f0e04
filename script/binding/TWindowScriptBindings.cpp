// The bound globals of the scripts' window library.
#include <algorithm>
#include <cstring>

#include "assets/TStringTable.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TSettings.h"
#include "core/Timer.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/binding/LuaBinding.h"
#include "window/TButtonLuaAction.h"
#include "script/binding/TLuaMessage.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "window/TButton.h"
#include "window/TImage.h"
#include "window/TLayeredWindow.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

namespace {

TMessage* CreateNamedMessage(int id, str name) { return new TMessage(id, name); }

str ReadConfig(str key, str def) { return GetConfig(key, def); }

bool IsEnabledFlag(str key) { return GetConfigFlag(key); }

}  // namespace

void TWindowScript::BindLibrary() {
  lua_State* L = mState;
  BindMethod(L, "PostCreate", this, &TWindowScript::PostCreate);
  BindMethod(L, "GetLabel", this, &TWindowScript::GetLabel);
  BindMethod(L, "_RegisterHotkey", this, &TWindowScript::RegisterHotkey);
  BindMethod(L, "SetLabel", this, &TWindowScript::SetLabel);
  BindMethod(L, "TagHotKey", this, &TWindowScript::TagHotKey);
  BindMethod(L, "_SetBitmap", this, &TWindowScript::SetBitmap);
  BindMethod(L, "SetPosition", this, &TWindowScript::SetPosition);
  BindRawMethod(L, "SetCommand", this, &TWindowScript::SetCommand);
  BindRawMethod(L, "StripKeyFromLabel", this, &TWindowScript::StripKeyFromLabel);
  BindMethod(L, "SetWindowName", this, &TWindowScript::SetWindowName);
  BindMethod(L, "FillRect", this, &TWindowScript::FillRect);
  BindMethod(L, "GetTimer", this, &TWindowScript::GetTimer);
  BindFunction(L, "GetConfig", &ReadConfig);
  BindFunction(L, "IsEnabled", &IsEnabledFlag);
  BindMethod(L, "DoSelectLayer", this, &TWindowScript::DoSelectLayer);
  BindMethod(L, "EnableWindow", this, &TWindowScript::EnableWindow);
  BindMethod(L, "GetButtonToggleState", this, &TWindowScript::GetButtonToggleState);
  BindMethod(L, "SetButtonToggleState", this, &TWindowScript::SetButtonToggleState);
  BindMethod(L, "PopWindow", this, &TWindowScript::PopWindow);
  BindMethod(L, "RealSetFocus", this, &TWindowScript::RealSetFocus);
  BindMethod(L, "StringToClipboard", this, &TWindowScript::StringToClipboard);
  BindMethod(L, "UpdateWindow", this, &TWindowScript::UpdateWindow);
  BindMethod(L, "PushModal", this, &TWindowScript::PushModal);
  BindMethod(L, "ClearModalChildren", this, &TWindowScript::ClearModalChildren);
  BindMethod(L, "GetWindowDepth", this, &TWindowScript::GetWindowDepth);
  BindMethod(L, "DoPopModal", this, &TWindowScript::DoPopModal);
  BindRawMethod(L, "HandleGetMessage", this, &TWindowScript::HandleGetMessage);
  BindRawMethod(L, "GenericCreate", this, &TWindowScript::GenericCreate);
  BindFunction(L, "CreateNamedMessage", &CreateNamedMessage);
  BindMethod(L, "CreateCloseMessage", this, &TWindowScript::CreateCloseMessage);
  BindRawMethod(L, "PostMessage", this, &TWindowScript::PostMessage);
  BindRawMethod(L, "PostMessageToParent", this, &TWindowScript::PostMessageToParent);
  BindMethod(L, "_GetString", this, &TWindowScript::GetString);
  BindMethod(L, "StartMovie", this, &TWindowScript::StartMovie);
  BindMethod(L, "IsMoviePlaying", this, &TWindowScript::IsMoviePlaying);
  BindMethod(L, "StopMovie", this, &TWindowScript::StopMovie);
  BindMethod(L, "ImageLoaded", this, &TWindowScript::ImageLoaded);
  BindMethod(L, "DestroyWindow", this, &TWindowScript::DestroyWindow);
  BindMethod(L, "DoFitToChildren", this, &TWindowScript::DoFitToChildren);
  BindRawMethod(L, "_HostCommandThread", this, &TWindowScript::HostCommandThread);
  BindRawMethod(L, "_HostCommandStep", this, &TWindowScript::HostCommandStep);
}

TWindow* TWindowScript::TopModal() const {
  TWindowManager* wm = Manager();
  return wm ? wm->GetTopModal() : nullptr;
}

TWindow* TWindowScript::FindInTopModal(const str& name) const {
  TWindow* top = TopModal();
  return top ? top->FindChild(name, -1) : nullptr;
}

void TWindowScript::PostCreate(TLuaTable* table, str) {
  TWindow* w = GetContextWindow();
  if (!w || !table) return;
  TWindowStyle style(table);
  w->PostCreate(style);
}

str TWindowScript::GetLabel(str name) {
  if (!TopModal()) return str();
  TWindow* w = FindInTopModal(name);
  if (!w) return name + "_is_not_found";
  if (TText* text = WindowCast<TText>(w)) return text->GetText();
  if (TButton* button = WindowCast<TButton>(w)) return button->GetLabel();
  return name + "_is_not_a_TText_window_or_TButton";
}

void TWindowScript::RegisterHotkey(str key, str button) {
  TWindow* top = TopModal();
  TModalWindow* modal = WindowCast<TModalWindow>(top);
  if (key.IsEmpty() || !modal) return;
  modal->RegisterHotKey(key, button);
}

void TWindowScript::SetLabel(str name, str text) {
  TWindow* w = FindInTopModal(name);
  if (!w) return;
  if (TText* t = WindowCast<TText>(w))
    t->SetText(text);
  else if (TButton* button = WindowCast<TButton>(w))
    button->SetLabel(text);
}

str TWindowScript::TagHotKey(str key, str label, str) {
  if (key.IsEmpty()) return label;
  int len = Utf8SequenceLength(key.CStr());
  if (len < 1) len = 1;
  if (static_cast<unsigned>(len) > key.Length()) return label;
  str needle = key.Substr(key.Length() - static_cast<unsigned>(len));
  int at = label.Find(needle);
  if (at < 0) return label;
  unsigned pos = static_cast<unsigned>(at);
  return label.Substr(0, pos) + "<u>" + needle + "</u>" + label.Substr(pos + needle.Length());
}

void TWindowScript::SetBitmap(str name, str image, float alpha) {
  TWindow* w = FindInTopModal(name);
  if (TImage* img = TImage::Cast(w)) {
    img->SetTexture(TTexture::Get(image), img->GetScale());
    img->SetAlpha(alpha);
  }
}

void TWindowScript::SetPosition(str name, int x, int y) {
  TWindow* w = FindInTopModal(name);
  if (!w) return;
  TWindow* p = w->GetParent();
  int pw = p ? p->GetWidth() : 0, ph = p ? p->GetHeight() : 0;
  w->SetPosition(TWindow::ResolvePosition(x, pw, w->GetWidth(), false),
                 TWindow::ResolvePosition(y, ph, w->GetHeight(), false));
}

int TWindowScript::SetCommand(lua_State* L) {
  // Anything else would fail only when the button is pressed, far from the mistake.
  if (!lua_isnoneornil(L, 2) && !lua_isfunction(L, 2)) luaL_typerror(L, 2, "function or nil");
  str name = LuaToStr(L, 1);
  TWindow* w = FindInTopModal(name);
  TButton* button = WindowCast<TButton>(w);
  if (!button) return 0;
  PushArgument(L, 2);
  button->SetAction(new TButton::LuaAction(new TLuaFunction(L)));
  return 0;
}

int TWindowScript::StripKeyFromLabel(lua_State* L) {
  str label = LuaToStr(L, 1);
  int amp = label.Find('&');
  if (amp < 0) {
    LuaPushStr(L, label);
    LuaPushStr(L, str());
    return 2;
  }
  unsigned pos = static_cast<unsigned>(amp);
  str stripped = label.Substr(0, pos) + label.Substr(pos + 1);
  str key;
  if (pos + 1 < label.Length()) {
    unsigned char c = static_cast<unsigned char>(label[pos + 1]);
    if (c < 0xC0) {
      key = "@";
      key += static_cast<char>(c);
    }
  }
  LuaPushStr(L, stripped);
  LuaPushStr(L, key);
  return 2;
}

void TWindowScript::SetWindowName(str name) {
  if (TWindow* w = GetContextWindow()) w->SetName(name);
}

void TWindowScript::FillRect(TLuaTable* rect, TLuaTable* colour) {
  TRenderer* r = TRenderer::Existing();
  if (!r || !rect || !colour) return;
  TRect box(NumberToInt(rect->GetNumberAt(1, 0)), NumberToInt(rect->GetNumberAt(2, 0)),
            NumberToInt(rect->GetNumberAt(3, 0)), NumberToInt(rect->GetNumberAt(4, 0)));
  TColor c(
      static_cast<float>(colour->GetNumberAt(1, 0)), static_cast<float>(colour->GetNumberAt(2, 0)),
      static_cast<float>(colour->GetNumberAt(3, 0)), static_cast<float>(colour->GetNumberAt(4, 0)));
  TWindowManager* wm = Manager();
  TRect clip = box;
  if (wm && wm->GetRoot()) clip.SetIntersection(box, wm->GetRoot()->GetRect());
  r->PushClipRect(clip);
  r->FillRect(box, c);
  r->PopClipRect();
}

unsigned TWindowScript::GetTimer() { return ::GetTimer(); }

void TWindowScript::DoSelectLayer(int layer) {
  TWindow* w = GetContextWindow();
  if (TLayeredWindow* layered = WindowCast<TLayeredWindow>(w))
    layered->SelectLayer(static_cast<uint32_t>(layer));
}

bool TWindowScript::EnableWindow(str name, bool on) {
  TWindow* found = nullptr;
  for (TWindow* w = TopModal(); w && !found; w = w->GetParent()) found = w->FindChild(name, -1);
  if (!found) return false;
  uint32_t flags = found->GetFlags();
  found->SetFlags(on ? (flags | kWindowShown) : (flags & ~static_cast<uint32_t>(kWindowShown)));
  if (!on && WindowCast<TButton>(found)) found->OnMouseLeave();
  if (TWindowManager* wm = Manager()) wm->Invalidate();
  return true;
}

bool TWindowScript::GetButtonToggleState(str name) {
  TWindow* found = nullptr;
  for (TWindow* w = TopModal(); w && !found; w = w->GetParent()) found = w->FindChild(name, -1);
  TButton* button = WindowCast<TButton>(found);
  return button && button->GetToggleState();
}

void TWindowScript::SetButtonToggleState(str name, bool on) {
  TWindow* w = FindInTopModal(name);
  if (TButton* button = WindowCast<TButton>(w)) button->SetToggleState(on);
}

void TWindowScript::RealSetFocus(str name) {
  TWindow* context = GetContextWindow();
  TWindow* w = context ? context->FindChild(name, -1) : nullptr;
  TWindowManager* wm = Manager();
  if (w && wm) wm->SetFocus(w);
}

bool TWindowScript::StringToClipboard(str text) { return ::StringToClipboard(text); }

void TWindowScript::UpdateWindow() {
  if (TWindowManager* wm = Manager()) wm->Invalidate();
}

str TWindowScript::PushModal(str name) {
  TWindowManager* wm = Manager();
  if (!wm) return str();
  auto modal = std::make_unique<TModalWindow>();
  modal->SetName(name);
  str id = modal->GetIdString();
  wm->PushModal(std::move(modal));
  return id;
}

void TWindowScript::ClearModalChildren() {
  TWindow* top = TopModal();
  if (!top) return;
  top->DeleteChildren();
  if (TModalWindow* modal = WindowCast<TModalWindow>(top)) modal->ClearTasks();
  top->SetPosition(0, 0);
  top->SetSize(0, 0);
}

int TWindowScript::GetWindowDepth() {
  int depth = 0;
  for (TWindow* w = TopModal(); w; w = w->GetParent()) ++depth;
  return depth;
}

void TWindowScript::DoPopModal(str name) {
  if (TWindowManager* wm = Manager()) wm->DoPopModal(name);
}

int TWindowScript::HandleGetMessage(lua_State* L) {
  // A thread script (a scene's) waits on its own timer; only the host's own wait is a wait
  // for messages. Without a time-out (nil counts as none: WaitForMessage passes its own on) the
  // script is not due until a message or command wakes it.
  TScript* waiter = L == mState ? this : TScript::FromState(L);
  if (waiter) {
    if (lua_isnumber(L, 1)) {
      int ms = NumberToInt(lua_tonumber(L, 1));
      waiter->SetTimer(static_cast<uint32_t>(ms < 0 ? 0 : ms), true, true, false);
    } else {
      waiter->Cancel();
    }
  }
  if (waiter == this) mWaitState = kWaitMessages;
  lua_pushstring(L, "gYieldResult");
  lua_gettable(L, LUA_GLOBALSINDEX);
  return lua_yield(L, 1);
}

int TWindowScript::HostCommandThread(lua_State* L) {
  lua_State* thread = lua_tothread(L, 1);
  if (!thread || thread == mState) return 0;
  if (!lua_toboolean(L, 2)) {
    EndCommand(L, thread, false);
    return 0;
  }
  TScript* owner = L == mState ? this : TScript::FromState(L);
  // Keyed like a script's own thread, so that FromState answers the owner for it.
  lua_pushlightuserdata(L, thread);
  if (owner)
    lua_pushlightuserdata(L, owner);
  else
    lua_pushnil(L);
  lua_settable(L, LUA_REGISTRYINDEX);
  // A thread is only found here while its command runs; one left behind by a command that never
  // ended (its address taken again by a new thread) is replaced.
  TWindow* top = TopModal();
  CommandBase base{thread, TWindowHandle(top), top != nullptr};
  auto it = std::find_if(mCommands.begin(), mCommands.end(),
                         [&](const CommandBase& c) { return c.thread == thread; });
  if (it != mCommands.end())
    *it = base;
  else
    mCommands.push_back(base);
  return 0;
}

void TWindowScript::EndCommand(lua_State* L, lua_State* thread, bool failed) {
  lua_pushlightuserdata(L, thread);
  lua_pushnil(L);
  lua_settable(L, LUA_REGISTRYINDEX);
  auto it = std::find_if(mCommands.begin(), mCommands.end(),
                         [&](const CommandBase& c) { return c.thread == thread; });
  if (it == mCommands.end()) return;
  const CommandBase base = *it;
  mCommands.erase(it);
  TWindowManager* wm = Manager();
  // A dialog the command had opened, half built or waiting for an answer no one will take,
  // would cover the screen for good. Only when the modal it began on is still there: otherwise
  // it is not known which modals are the command's.
  if (!failed || !wm || (base.hadModal && !base.modal)) return;
  // Closed meanwhile but not yet destroyed: no longer a place in the stack to stop at.
  if (base.hadModal) {
    const std::vector<TWindow*> stack = wm->GetModalStack();
    if (std::find(stack.begin(), stack.end(), base.modal.Get()) == stack.end()) return;
  }
  int popped = 0;
  while (TWindow* top = wm->GetTopModal()) {
    if (base.hadModal && top == base.modal.Get()) break;
    wm->DoPopModal(top->GetIdString());
    ++popped;
  }
  if (popped > 0)
    EngineLog("Closed %d window%s that a command stopped by an error had opened", popped,
              popped == 1 ? "" : "s");
}

int TWindowScript::HostCommandStep(lua_State* L) {
  lua_State* co = lua_tothread(L, 1);
  if (!co || co == L) {
    lua_pushnil(L);
    lua_pushstring(L, "a command's coroutine expected");
    return 2;
  }
  const int narg = lua_gettop(L) - 1;
  if (!lua_checkstack(co, narg + LUA_MINSTACK)) {
    lua_pushnil(L);
    lua_pushstring(L, "too many values for a command");
    return 2;
  }
  lua_xmove(L, co, narg);
  // Nothing here builds a table or copies the values but through the two stacks: a command that
  // waits is stepped once per frame.
  const int status = lua_resume(co, narg);
  const int n = lua_gettop(co);
  if (!lua_checkstack(L, n + 4)) {
    lua_settop(co, 0);
    lua_pushnil(L);
    lua_pushstring(L, "too many values from a command");
    return 2;
  }
  lua_Debug frame;
  const bool waits = status == 0 && lua_getstack(co, 0, &frame) != 0;
  if (!waits) {
    // Ended or failed: the first value is the result or the error.
    if (n == 0) lua_pushnil(co);
    lua_xmove(co, L, 1);
    lua_settop(co, 0);
    if (status == 0)
      lua_pushboolean(L, 0);
    else
      lua_pushnil(L);
    lua_insert(L, -2);
    EndCommand(L, co, status != 0);
    return 2;
  }
  lua_pushboolean(L, 1);
  lua_pushnumber(L, n);
  if (n <= 2) {
    lua_xmove(co, L, n);
    for (int i = n; i < 2; ++i) lua_pushnil(L);
    return 4;
  }
  lua_newtable(L);
  for (int i = n; i >= 1; --i) {
    lua_xmove(co, L, 1);
    lua_rawseti(L, -2, i);
  }
  lua_pushnil(L);
  return 4;
}

int TWindowScript::GenericCreate(lua_State* L) {
  PushArgument(L, 1);
  TLuaTable table(L);
  TWindowStyle style(&table);
  str type = style.GetString("typename", str());
  TWindow::Creator creator = FindWindowType(type);
  if (!creator) return 0;
  std::unique_ptr<TWindow> made = creator();
  TWindow* w = made.get();
  if (!w) return 0;
  TWindow* parent = GetContextWindow();
  // Refused or nowhere to go: the window dies with `made`.
  if (!parent || !parent->AddChild(std::move(made), true)) return 0;
  // Style lookups may run script code (an __index), which may destroy the window.
  TWindowHandle alive(w);
  w->Init(style);
  if (!alive) return 0;
  PushContextWindow(w);
  // Set on the calling thread: text run through the host would be handed to a waiting host
  // coroutine and wake it once per window.
  lua_pushstring(L, "gDialogWidth");
  lua_pushnumber(L, w->GetWidth());
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_pushstring(L, "gDialogHeight");
  lua_pushnumber(L, w->GetHeight());
  lua_settable(L, LUA_GLOBALSINDEX);
  if (mObserver) mObserver->OnWindowCreated(w, style);
  return 0;
}

TMessage* TWindowScript::CreateCloseMessage() {
  TWindow* w = GetContextWindow();
  return new TMessage(kCloseWindow, w ? w->GetIdString() : str());
}

int TWindowScript::PostMessage(lua_State* L) {
  TWindowManager* wm = Manager();
  if (!wm || !IsLuaMessage(L, 1)) return 0;
  lua_pushvalue(L, 1);
  // A message the script held past the life of its target window reads no target.
  wm->PostMessage(new TLuaMessageWrapper(L));
  return 0;
}

int TWindowScript::PostMessageToParent(lua_State* L) {
  TWindowManager* wm = Manager();
  TWindow* top = TopModal();
  if (!wm || !top || !IsLuaMessage(L, 1)) return 0;
  lua_pushvalue(L, 1);
  TLuaMessageWrapper* m = new TLuaMessageWrapper(L);
  m->SetTarget(top->GetParent());
  wm->PostMessage(m);
  return 0;
}

str TWindowScript::GetString(str label, str a1, str a2, str a3, str a4, str a5) {
  if (label.Length() > 0 && label[0] == '#') return label.Substr(1);
  TPlatform* p = TPlatform::Instance();
  TStringTable* table = p ? p->GetStringTable() : nullptr;
  return table ? table->GetString(label, a1, a2, a3, a4, a5) : label;
}

bool TWindowScript::StartMovie(str, bool, bool) { return false; }

bool TWindowScript::ImageLoaded(str name) {
  TWindow* w = FindInTopModal(name);
  const TImage* img = WindowCast<TImage>(w);
  return img && img->HasTexture();
}

void TWindowScript::DestroyWindow(str name) {
  TWindow* context = GetContextWindow();
  TWindow* w = context ? context->FindChild(name, -1) : nullptr;
  if (!w || !w->GetParent()) return;
  std::unique_ptr<TWindow> removed = w->GetParent()->RemoveChild(w);
  if (TWindowManager* wm = Manager()) wm->DeleteLater(std::move(removed));
}

void TWindowScript::DoFitToChildren() {
  if (TWindow* w = GetContextWindow()) w->FitToChildren();
}
