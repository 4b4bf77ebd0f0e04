// Animated sprites: frame selection before drawing, building the script state, starting and
// pausing coroutines, and the record that keeps the Lua objects alive as long as they run.
#include "render/TAnimatedSprite.h"

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "render/TAnimatedSpriteRecord.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TScript.h"

// The library's source, kept as a Lua file beside this one and compiled in at build time.
extern const unsigned char kAnimationLibrary[];
extern const unsigned long kAnimationLibrarySize;

namespace {

TTaskList* PlatformTasks() {
  TPlatform* platform = TPlatform::Instance();
  return platform ? platform->GetTaskList() : nullptr;
}

// Deletes an orphaned record from the task list, once the Lua code that ended its sprite
// has returned.
class RecordReaper : public TTask {
public:
  explicit RecordReaper(TAnimatedSprite::Record* record) : mRecord(record) {}
  ~RecordReaper() override { delete mRecord; }
  bool DoTask() override { return false; }

private:
  TAnimatedSprite::Record* mRecord;
};

}  // namespace

// ---- the record ----

TAnimatedSprite::Record::Entry::~Entry() {
  if (mRecord) mRecord->EntryGone(this);
}

bool TAnimatedSprite::Record::Entry::Ready(int mode) { return mScript->Ready(mode); }

bool TAnimatedSprite::Record::Entry::DoTask() {
  Record* record = mRecord;
  record->Enter();
  mScript->DoTask();
  // Nothing of this entry is touched after Leave: it may hand the record to the reaper.
  record->Leave();
  return true;
}

TAnimatedSprite::Record::~Record() {
  for (Slot* slot : {&mThread, &mScript})
    if (slot->entry) {
      slot->entry->Detach();
      if (slot->entry->GetList()->Remove(slot->entry)) delete slot->entry;
      slot->entry = nullptr;
    }
  // Threads live in their script's Lua state, so they go first.
  mThread.script.reset();
  mRetiredThreads.clear();
  mScript.script.reset();
  mRetiredScripts.clear();
}

void TAnimatedSprite::Record::EntryGone(Entry* entry) {
  for (Slot* slot : {&mThread, &mScript})
    if (slot->entry == entry) slot->entry = nullptr;
}

void TAnimatedSprite::Record::Schedule(Slot& slot) {
  TTaskList* list = PlatformTasks();
  if (!list || !slot.script) return;
  slot.entry = new Entry(this, slot.script.get(), list);
  list->Add(slot.entry);
}

void TAnimatedSprite::Record::Retire(Slot& slot, std::vector<std::unique_ptr<TScript>>& retired) {
  if (slot.entry) {
    slot.entry->Detach();
    if (slot.entry->GetList()->Remove(slot.entry)) delete slot.entry;
    slot.entry = nullptr;
  }
  if (!slot.script) return;
  slot.script->Cancel();
  retired.push_back(std::move(slot.script));
}

void TAnimatedSprite::Record::DeleteRetiredThreads() {
  if (mBusy == 0) mRetiredThreads.clear();
}

void TAnimatedSprite::Record::DeleteRetired() {
  if (mBusy != 0) return;
  mRetiredThreads.clear();
  mRetiredScripts.clear();
}

void TAnimatedSprite::Record::Leave() {
  if (--mBusy != 0 || mSprite) return;
  if (TTaskList* list = PlatformTasks())
    list->Add(new RecordReaper(this));
  else
    EngineLog("TAnimatedSprite: no task list to free an ended sprite's script");
}

void TAnimatedSprite::Record::Orphan() {
  mSprite = nullptr;
  if (mBusy == 0) delete this;
}

// ---- the sprite ----

TAnimatedSprite::TAnimatedSprite(int32_t layer) : TSprite(layer), mRecord(new Record(this)) {}

TAnimatedSprite::~TAnimatedSprite() {
  Stop();
  Stop();
  mRecord->mSource.reset();
  mRecord->Orphan();
}

boost::shared_ptr<TAnimatedSprite> TAnimatedSprite::Create(int32_t layer) {
  return boost::shared_ptr<TAnimatedSprite>(new TAnimatedSprite(layer));
}

boost::shared_ptr<TAnimatedSprite> TAnimatedSprite::SharedCast(TSprite* sprite) {
  if (!sprite || !sprite->IsKindOf(GetClassId())) return boost::shared_ptr<TAnimatedSprite>();
  return boost::static_pointer_cast<TAnimatedSprite>(sprite->weak_from_this().lock());
}

void TAnimatedSprite::Draw(const TSpriteDrawState& parent, int depth) {
  if (mRecord->mSource) mRecord->mSource->SelectFrame(mRecord->mCurrentFrame);
  TSprite::Draw(parent, depth);
}

void TAnimatedSprite::GetBounds(TRect& out, const TSpriteDrawState& parent, int depth) {
  const boost::shared_ptr<TAnimatedTexture>& source = mRecord->mSource;
  if (!source || (mState.flags & TDrawParams::kUseOrigin)) {
    TSprite::GetBounds(out, parent, depth);
    return;
  }
  source->SelectFrame(mRecord->mCurrentFrame);
  const TVec2 anchor = source->GetFrameAnchor(mRecord->mCurrentFrame);
  mState.origin = anchor;
  if (mState.flags & TDrawParams::kMirrorX)
    mState.origin.x = static_cast<float>(source->GetWidth()) - anchor.x;
  if (mState.flags & TDrawParams::kMirrorY)
    mState.origin.y = static_cast<float>(source->GetHeight()) - anchor.y;
  mState.flags |= TDrawParams::kUseOrigin;
  TSprite::GetBounds(out, parent, depth);
  mState.flags &= ~uint32_t(TDrawParams::kUseOrigin);
}

bool TAnimatedSprite::HitTest(const TPoint& point, const TSpriteDrawState& parent, int threshold,
                              int depth) {
  if (mRecord->mSource) mRecord->mSource->SelectFrame(mRecord->mCurrentFrame);
  return TSprite::HitTest(point, parent, threshold, depth);
}

void TAnimatedSprite::SetTexture(boost::shared_ptr<TTexture> texture) {
  TSprite::SetTexture(texture);
  mRecord->mSource = TAnimatedTexture::Cast(texture);
}

boost::shared_ptr<TAnimatedTexture> TAnimatedSprite::GetAnimationSource() const {
  return mRecord->mSource;
}

void TAnimatedSprite::SetClock(TClock* clock) {
  Record& r = *mRecord;
  r.mClock = clock;
  if (r.mScript.script) r.mScript.script->SetClock(clock);
  if (r.mThread.script) r.mThread.script->SetClock(clock);
}

void TAnimatedSprite::SetCurrentFrame(int frame) {
  if (frame < -1) return;
  mRecord->mCurrentFrame = frame;
  if (mRecord->mSource && frame < mRecord->mSource->GetFrameCount())
    mRecord->mSource->SelectFrame(frame);
}

int TAnimatedSprite::GetCurrentFrame() const { return mRecord->mCurrentFrame; }

void TAnimatedSprite::SetAlpha(float alpha) { mState.alpha = alpha; }

bool TAnimatedSprite::Load(const str& name, const str& image, const str& mask) {
  mRecord->mSource = TAnimatedTexture::Get(name, image, mask);
  if (!mRecord->mSource) return false;
  // The sprite draws what it animates: frames selected on a source it did not draw would
  // change nothing on the screen.
  TSprite::SetTexture(mRecord->mSource);
  return true;
}

void TAnimatedSprite::RemoveFromParent() {
  if (mParent) mParent->RemoveChild(shared_from_this());
}

void TAnimatedSprite::RestoreEnvironment() {
  Record& r = *mRecord;
  if (r.mThread.script && r.mScript.script) {
    // The script state takes over the globals the coroutine ended up with.
    lua_State* thread = r.mThread.script->GetState();
    lua_State* L = r.mScript.script->GetState();
    lua_pushstring(thread, "_G");
    lua_gettable(thread, LUA_GLOBALSINDEX);
    if (lua_istable(thread, -1)) {
      const int top = lua_gettop(L);
      lua_pushstring(L, "_tempGlobalEnv");
      lua_xmove(thread, L, 1);
      lua_settable(L, LUA_GLOBALSINDEX);
      lua_pushstring(L, "setfenv");
      lua_gettable(L, LUA_GLOBALSINDEX);
      lua_pushnumber(L, 0);
      lua_pushstring(L, "_tempGlobalEnv");
      lua_gettable(L, LUA_GLOBALSINDEX);
      if (lua_pcall(L, 2, 0, 0) != 0)
        EngineLog("TAnimatedSprite: restoring the environment failed: %s", LuaToStr(L, -1).CStr());
      lua_settop(L, top);
      ClearGlobal(L, "_tempGlobalEnv");
    } else {
      lua_pop(thread, 1);
    }
  }
  r.Retire(r.mThread, r.mRetiredThreads);
}

void TAnimatedSprite::ReleaseScript() { RestoreEnvironment(); }

void TAnimatedSprite::Stop() {
  RestoreEnvironment();
  Record& r = *mRecord;
  r.DeleteRetired();
  r.Retire(r.mScript, r.mRetiredScripts);
}

void TAnimatedSprite::BuildScript() {
  Record& r = *mRecord;
  RestoreEnvironment();
  r.DeleteRetired();
  r.Retire(r.mScript, r.mRetiredScripts);

  r.mScript.script = std::make_unique<TScript>();
  TScript* script = r.mScript.script.get();
  if (r.mClock) script->SetClock(r.mClock);
  r.Schedule(r.mScript);

  lua_State* L = script->GetState();
  r.Enter();
  if (lua_dobuffer(L, reinterpret_cast<const char*>(kAnimationLibrary), kAnimationLibrarySize,
                   "ganimationscript") != 0)
    EngineLog("TAnimatedSprite: the animation library failed to load");
  r.Bind(L);
  if (r.mSource) {
    const str folder = r.mSource->GetFolder();
    TScript::SetLuaSearchPath(str("?;?.lua;scripts/?;scripts/?.lua;") + folder + "?;" + folder +
                              "?.lua");
    script->DoLuaString(r.mSource->GetScript());
  }
  r.Leave();
}

TScript* TAnimatedSprite::GetScript() {
  Record& r = *mRecord;
  if (r.mThread.script) return r.mThread.script.get();
  if (!r.mScript.script) {
    boost::shared_ptr<TSprite> keep = weak_from_this().lock();
    BuildScript();
  }
  return r.mScript.script.get();
}

lua_State* TAnimatedSprite::GetScriptState(bool build) {
  Record& r = *mRecord;
  if (!r.mScript.script && build) {
    boost::shared_ptr<TSprite> keep = weak_from_this().lock();
    BuildScript();
  }
  return r.mScript.script ? r.mScript.script->GetState() : nullptr;
}

void TAnimatedSprite::Play(const str& function) {
  Record& r = *mRecord;
  // A script that ends this sprite must not pull it from under this call.
  boost::shared_ptr<TSprite> keep = weak_from_this().lock();
  if (!r.mScript.script) {
    if (!r.mSource) return;
    BuildScript();
    // The script text may have ended the script at once.
    if (!r.mScript.script) return;
  }
  RestoreEnvironment();
  r.DeleteRetiredThreads();
  r.mThread.script.reset(r.mScript.script->NewThread());
  TScript* thread = r.mThread.script.get();
  if (r.mClock) thread->SetClock(r.mClock);
  r.Schedule(r.mThread);
  if (function.IsEmpty()) return;

  lua_State* T = thread->GetState();
  lua_pushstring(T, function.CStr());
  lua_gettable(T, LUA_GLOBALSINDEX);
  r.Enter();
  const int status = lua_resume(T, 0);
  if (status != 0) {
    EngineLog("TAnimatedSprite::Play: lua_resume error: %s", LuaToStr(T, -1).CStr());
    lua_pop(T, 1);
    // A failed coroutine is dead: nothing of it may be resumed again.
    thread->Cancel();
  }
  r.Leave();
}

void TAnimatedSprite::Pause(bool pause, int depth) {
  Record& r = *mRecord;
  if (r.mThread.script && r.mScript.script) {
    if (pause)
      r.mThread.script->Cancel();
    else
      r.mThread.script->SetTimer(1, true, true, false);
  }
  if (depth == 0) return;
  const ChildList children = mChildren;
  for (const boost::shared_ptr<TSprite>& child : children)
    if (boost::shared_ptr<TAnimatedSprite> a = SharedCast(child.get())) a->Pause(pause, depth - 1);
}

bool TAnimatedSprite::IsPlaying(int depth) {
  if (mRecord->mThread.script && mRecord->mThread.script->IsYielded()) return true;
  if (depth == 0) return false;
  for (const boost::shared_ptr<TSprite>& child : mChildren)
    if (boost::shared_ptr<TAnimatedSprite> a = SharedCast(child.get()))
      if (a->IsPlaying(depth - 1)) return true;
  return false;
}

bool TAnimatedSprite::IsStaticTree(int depth) {
  if (mRecord->mScript.script) return false;
  if (depth == 0) return true;
  for (const boost::shared_ptr<TSprite>& child : mChildren)
    if (boost::shared_ptr<TAnimatedSprite> a = SharedCast(child.get()))
      if (!a->IsStaticTree(depth - 1)) return false;
  return true;
}
