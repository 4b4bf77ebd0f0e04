// The game's own messages (ids from 1000 up) and the four message classes that carry more
// than a name: found items, two numbers, a Lua value for the scripts, and window properties.
#pragma once

#include <cstdint>
#include <memory>

#include "window/TMessage.h"

class TLuaTable;
struct lua_State;

enum QMMessageId : int32_t {
  kQMItemFound = 1000,
  kQMItemFoundMultiple = 1001,
  kQMItemFoundSpecial = 1002,
  kQMBadClick = 1003,
  kQMNavigationPing = 1005,
  kQMShowHint = 1006,
  kQMHideHint = 1007,
  kQMStartPlay = 1010,
  kQMAwardBonus = 1012,
  kQMBadClickOther = 1013,
  kQMDetachNavigation = 1016,
  kQMRunLua = 1017,
  kQMStartGameTimer = 1018,
  kQMStopGameTimer = 1019,
  kQMChooseTool = 1020,
  kQMInfoContinue = 1021,
  kQMInfoBack = 1022,
  kQMWindowProps = 1024,
  kQMHintLevel = 1025,
  kQMInfoContinueSprite = 1027,
  kQMInfoNextPage = 1600,
  kQMSearchNotifier = 2001,
  kQMItemSetLabel = 2004,
  kQMItemHighlight = 2005,
  kQMItemRestoreColour = 2006,
  kQMItemMarkFound = 2007,
  kQMShowTime = 2011,
  kQMSpriteNotifier = 2013,
  kQMButtonPress = 2014,
  kQMButtonRelease = 2015,
  kQMShowDisabled = 2018,
  kQMHideDisabled = 2019,
  kQMItemStrikeOut = 2020,
};

class QMItemFoundMessage : public TMessage {
public:
  static TClassId GetClassId() { return MakeClassId(&QMItemFoundMessage::GetClassId); }
  const char* GetClassName() const override { return "QMItemFoundMessage"; }
  bool IsKindOf(TClassId id) const override { return id == GetClassId() || TMessage::IsKindOf(id); }
  QMItemFoundMessage(int32_t id, const str& name) : TMessage(id, name) {}

  str itemIconPath;
  str multipleLabel;
  str itemLabel;
  int32_t oldScore = 0;
  int32_t newScore = 0;
  int32_t oldBonus = 0;
  int32_t newBonus = 0;
  int32_t playOffsetX = 0;
  int32_t playOffsetY = 0;
  bool searchSolved = false;
  bool isMultiple = false;
  bool newFind = false;
  bool multipleSolved = false;
  bool specialFind = false;
};

template <int32_t Id>
struct QMTwoIntMessageName;
template <>
struct QMTwoIntMessageName<1006> {
  static constexpr const char* kName = "QMSearchHintMessage";
};
template <>
struct QMTwoIntMessageName<1012> {
  static constexpr const char* kName = "QMAwardBonusMessage";
};

template <int32_t Id>
class QMTwoIntMessage : public TMessage {
public:
  static TClassId GetClassId() { return MakeClassId(&QMTwoIntMessage<Id>::GetClassId); }
  const char* GetClassName() const override { return QMTwoIntMessageName<Id>::kName; }
  bool IsKindOf(TClassId id) const override { return id == GetClassId() || TMessage::IsKindOf(id); }
  QMTwoIntMessage(const str& name, int32_t a, int32_t b)
      : TMessage(Id, name), first(a), second(b) {}

  // The message as this class, or null when it is another class (even with the same id).
  static QMTwoIntMessage* Cast(TMessage* m) {
    return m && m->IsKindOf(GetClassId()) ? static_cast<QMTwoIntMessage*>(m) : nullptr;
  }

  int32_t first;
  int32_t second;
};

using QMSearchHintMessage = QMTwoIntMessage<1006>;
using QMAwardBonusMessage = QMTwoIntMessage<1012>;

class QMHintMessage : public TMessage {
public:
  static TClassId GetClassId() { return MakeClassId(&QMHintMessage::GetClassId); }
  const char* GetClassName() const override { return "QMHintMessage"; }
  bool IsKindOf(TClassId id) const override { return id == GetClassId() || TMessage::IsKindOf(id); }
  explicit QMHintMessage(std::unique_ptr<TLuaTable> value);
  ~QMHintMessage() override;
  TLuaTable* GetValue() const { return mValue.get(); }

private:
  std::unique_ptr<TLuaTable> mValue;
};

class QMWindowPropsMessage : public TMessage {
public:
  static TClassId GetClassId() { return MakeClassId(&QMWindowPropsMessage::GetClassId); }
  const char* GetClassName() const override { return "QMWindowPropsMessage"; }
  bool IsKindOf(TClassId id) const override { return id == GetClassId() || TMessage::IsKindOf(id); }
  QMWindowPropsMessage(const str& window, int32_t x0, int32_t y0, int32_t w, int32_t h)
      : TMessage(kQMWindowProps, window), x(x0), y(y0), width(w), height(h) {}
  // -1 or less leaves that part unchanged.
  int32_t x, y, width, height;
};

// Builders for the scripts: each answers a new message (the poster owns it) or null.
TMessage* MakeItemFoundMessage(int id, const str& name, TLuaTable* fields);
TMessage* MakeHintMessage(lua_State* L);
TMessage* MakeSearchHintMessage(const str& name, int first, int second);
TMessage* MakeAwardBonusMessage(int first, int second);
TMessage* MakeWindowPropsMessage(TLuaTable* fields);

// Binds the builders as Lua globals under their class names.
void RegisterGameMessages(lua_State* L);
