// Overlays: extra sprites put over a window from Lua tables (captions, frames, pictures,
// little animations), each with its own animation queue and, when it asks for static filters,
// a filter stack that refilters its picture every pass.
#pragma once

#include <deque>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "anim/KAnimDescription.h"
#include "core/TVec.h"
#include "script/binding/TLuaObjectWrapper.h"

class KAnimProcess;
class KAnimQueue;
class QMFilterStack;
class TAssetMap;
class TClock;
class TSprite;
struct lua_State;

class OverlayItem {
public:
  explicit OverlayItem(boost::shared_ptr<TSprite> sprite);
  OverlayItem(const OverlayItem& other);
  OverlayItem& operator=(const OverlayItem& other);
  ~OverlayItem();

  const boost::shared_ptr<TSprite>& GetSprite() const { return mSprite; }
  KAnimQueue* GetQueue() const { return mQueue.get(); }
  QMFilterStack* GetFilterStack() const { return mFilters; }
  // The entry holds the stack's first reference; the platform's idle list holds another.
  QMFilterStack* MakeFilterStack();

private:
  void Drop();

  boost::shared_ptr<TSprite> mSprite;
  // Shared by the entry's copies. Each step holds its queue until the queue is cancelled, so
  // the last copy cancels it: merely released, the queue and its steps would keep each other,
  // and the sprite, alive.
  std::shared_ptr<KAnimQueue> mQueue;
  QMFilterStack* mFilters = nullptr;
};

// Base of the windows that own overlays.
class QMOverlays {
public:
  QMOverlays() = default;
  virtual ~QMOverlays();
  QMOverlays(const QMOverlays&) = delete;
  QMOverlays& operator=(const QMOverlays&) = delete;

  OverlayItem& AppendOverlay(boost::shared_ptr<TSprite> sprite);
  // Calls one process operation (Start, Cancel) on every entry's queue, front to back.
  void VisitOverlayQueues(void (KAnimProcess::*operation)());
  std::deque<OverlayItem>& GetOverlays() { return mOverlays; }
  // The owner's asset map, which keeps step sounds loaded; none by default.
  virtual TAssetMap* GetOverlayAssets() { return nullptr; }

private:
  std::deque<OverlayItem> mOverlays;
};

// Reads a "sprites" list: every table-valued entry is a sprite item placed under the parent.
// When the context ends, a pending "KAnim" item of the list animates the parent.
class OverlayBuildContext {
public:
  OverlayBuildContext(boost::shared_ptr<TSprite> parent, TClock* clock, QMOverlays* owner);
  ~OverlayBuildContext();
  OverlayBuildContext(const OverlayBuildContext&) = delete;
  OverlayBuildContext& operator=(const OverlayBuildContext&) = delete;

  void BuildItems(lua_State* L, int idx);
  void BuildItems(const TLuaTable& table);

private:
  void BuildItem(lua_State* L, int item);
  boost::shared_ptr<TSprite> MakeSprite(lua_State* L, int item, TVec2& defaultPosition);

  boost::shared_ptr<TSprite> mParent;
  boost::shared_ptr<TSprite> mCurrent;
  TClock* mClock;
  std::unique_ptr<TLuaTable> mPendingAnim;
  PropertyRecord mRecord;
  QMOverlays* mOwner;
};

// Builds the animation of a sprite as a new overlay entry of the owner.
void BuildOverlayAnimation(QMOverlays* owner, const boost::shared_ptr<TSprite>& sprite,
                           TClock* clock, PropertyRecord& record, lua_State* L, int idx);

class QMOverlayParser {
public:
  QMOverlayParser(TClock* clock, boost::shared_ptr<TSprite>* parent, QMOverlays* overlays)
      : mClock(clock), mParent(parent), mOverlays(overlays) {}
  virtual ~QMOverlayParser() = default;

  // Builds one overlay entry from the table; a new sprite gets the layer.
  void Parse(const TLuaTable& entry, int32_t layer);
  void Parse(lua_State* L, int idx, int32_t layer);

private:
  TClock* mClock;
  boost::shared_ptr<TSprite>* mParent;
  QMOverlays* mOverlays;
};
