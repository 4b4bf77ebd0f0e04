// The animation record of an animated sprite: its frame, animation source, clock and the
// Lua objects that run its script. Only the sprite's own sources include this.
//
// The scripts are tasks of the platform's task list but belong to the record. Each one that
// is scheduled sits in the list behind an entry the list owns; the entry tells the record
// when the list deletes it (the list is torn down), so neither side frees the other's object.
// Scripts taken out of service are kept until no Lua code of this sprite is running, and the
// record outlives a sprite that a script ended while it ran.
#pragma once

#include <memory>
#include <vector>

#include "core/TTask.h"
#include "render/TAnimatedSprite.h"

class TTaskList;
struct lua_State;

class TAnimatedSprite::Record {
public:
  explicit Record(TAnimatedSprite* sprite) : mSprite(sprite) {}
  ~Record();
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

  class Entry;
  struct Slot {
    std::unique_ptr<TScript> script;
    Entry* entry = nullptr;  // owned by the task list while it is set
  };

  // Puts the slot's script on the platform's task list.
  void Schedule(Slot& slot);
  // Takes the slot's script off the task list, cancels it and keeps it until it can go.
  void Retire(Slot& slot, std::vector<std::unique_ptr<TScript>>& retired);
  // Deletes what was retired, unless Lua code of this sprite is still on the stack.
  void DeleteRetiredThreads();
  void DeleteRetired();

  // Brackets every stretch of native code that runs this sprite's Lua.
  void Enter() { ++mBusy; }
  void Leave();
  bool IsBusy() const { return mBusy != 0; }
  // The sprite is gone: delete the record now, or once its Lua code is off the stack.
  void Orphan();

  // The script functions (TAnimatedSpriteBindings.cpp).
  void Bind(lua_State* L);

  TAnimatedSprite* mSprite;
  int32_t mCurrentFrame = 0;
  boost::shared_ptr<TAnimatedTexture> mSource;
  TClock* mClock = nullptr;
  Slot mScript;
  Slot mThread;
  std::vector<std::unique_ptr<TScript>> mRetiredScripts;
  std::vector<std::unique_ptr<TScript>> mRetiredThreads;

private:
  friend class Entry;
  void EntryGone(Entry* entry);

  void BoundSetCurrentFrame(int frame);
  int BoundWaitLuaNextFrame(lua_State* L);
  void BoundDie();
  void BoundPause(bool pause, int depth);
  bool BoundIsPlaying(int depth);
  bool BoundLoad(str name, str image, str mask);
  str BoundGetScript();
  void BoundSetAlpha(float alpha);
  void BoundSetLayer(int layer);
  void BoundRemoveSprite();
  int BoundRandom(int a, int b);

  int mBusy = 0;
};

// A script's place in the task list.
class TAnimatedSprite::Record::Entry : public TTask {
public:
  Entry(Record* record, TScript* script, TTaskList* list)
      : mRecord(record), mScript(script), mList(list) {}
  ~Entry() override;
  bool Ready(int mode) override;
  bool DoTask() override;

  TTaskList* GetList() const { return mList; }
  // The record deletes the entry itself: nothing to report back.
  void Detach() { mRecord = nullptr; }

private:
  Record* mRecord;
  TScript* mScript;
  TTaskList* mList;
};
