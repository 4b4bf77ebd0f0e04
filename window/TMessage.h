// A message between windows: an id, a name and an optional target window. Posted through the
// window manager, or handed to the window script, which shows it to Lua as a read-only userdata.
#pragma once

#include <cstdint>

#include "core/TClassId.h"
#include "core/str.h"
#include "window/TWindowHandle.h"

enum TMessageId : int32_t {
  kGeneric = 0,
  kCloseWindow = 1,
  kDefaultAction = 2,
  kButtonPress = 3,
  kPressAnyKey = 4,
  kQuitNow = 5,
  kModalClosed = 6,
  kTextEditChanged = 7,
  kCommandOnly = 8,
  kSliderValChanged = 9,
  kSliderMouseUp = 10,
  kSliderPageUp = 11,
  kSliderPageDown = 12,
  kUserMessageBase = 1000,
};

// The engine's message ids under the names scripts know them by; the window script sets these
// globals from this table, so the ids are written down once.
struct TMessageIdName {
  const char* name;
  int32_t id;
};
inline constexpr TMessageIdName kMessageIdNames[] = {
    {"kGeneric", kGeneric},
    {"kCloseWindow", kCloseWindow},
    {"kDefaultAction", kDefaultAction},
    {"kButtonPress", kButtonPress},
    {"kPressAnyKey", kPressAnyKey},
    {"kQuitNow", kQuitNow},
    {"kModalClosed", kModalClosed},
    {"kTextEditChanged", kTextEditChanged},
    {"kCommandOnly", kCommandOnly},
    {"kSliderValChanged", kSliderValChanged},
    {"kSliderMouseUp", kSliderMouseUp},
    {"kSliderPageUp", kSliderPageUp},
    {"kSliderPageDown", kSliderPageDown},
    {"kUserMessageBase", kUserMessageBase},
};

class TMessage {
public:
  static TClassId GetClassId() { return MakeClassId(&TMessage::GetClassId); }
  virtual const char* GetClassName() const { return "TMessage"; }
  virtual bool IsKindOf(TClassId id) const { return id == GetClassId(); }
  virtual ~TMessage() = default;
  // What listeners and remembered focus windows are offered: a message that only carries
  // another one (a script's posted message) offers that one, which may be a subclass with more.
  virtual TMessage* GetOffered() { return this; }

  TMessage(int32_t id, const str& name, TWindow* target = nullptr)
      : mId(id), mName(name), mTarget(target) {}

  int32_t GetId() const { return mId; }
  const str& GetName() const { return mName; }
  // Null once the target window is gone: the message then has no particular receiver.
  TWindow* GetTarget() const { return mTarget.Get(); }
  void SetTarget(TWindow* target) { mTarget = TWindowHandle(target); }

protected:
  int32_t mId;
  str mName;
  TWindowHandle mTarget;
};

inline TMessage* MessageToOffer(TMessage* m) { return m ? m->GetOffered() : nullptr; }

// Offered every posted message that has no target; true takes it.
class TMessageListener {
public:
  virtual ~TMessageListener() = default;
  virtual bool OnMessage(TMessage* message) = 0;
};
