#include "game/scenes/QMMessages.h"

#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"

QMHintMessage::QMHintMessage(std::unique_ptr<TLuaTable> value)
    : TMessage(kQMShowHint, str()), mValue(std::move(value)) {}

QMHintMessage::~QMHintMessage() = default;

namespace {

int32_t IntField(TLuaTable* t, const char* key) { return NumberToInt(t->GetNumber(key, 0)); }

}  // namespace

TMessage* MakeItemFoundMessage(int id, const str& name, TLuaTable* t) {
  if (!t || !t->IsTable()) return nullptr;
  auto* m = new QMItemFoundMessage(id, name);
  m->itemIconPath = t->GetString("itemIconPath", str());
  m->multipleLabel = t->GetString("multipleLabel", str());
  m->itemLabel = t->GetString("itemLabel", str());
  m->oldScore = IntField(t, "oldScore");
  m->newScore = IntField(t, "newScore");
  m->oldBonus = IntField(t, "oldBonus");
  m->newBonus = IntField(t, "newBonus");
  m->playOffsetX = IntField(t, "playOffsetX");
  m->playOffsetY = IntField(t, "playOffsetY");
  m->searchSolved = t->GetBool("searchSolved", false);
  m->isMultiple = t->GetBool("isMultiple", false);
  m->newFind = t->GetBool("newFind", false);
  m->multipleSolved = t->GetBool("multipleSolved", false);
  m->specialFind = t->GetBool("specialFind", false);
  return m;
}

TMessage* MakeHintMessage(lua_State* L) {
  lua_settop(L, 1);  // the one value (nil when none was given)
  return new QMHintMessage(std::make_unique<TLuaTable>(L));
}

TMessage* MakeSearchHintMessage(const str& name, int first, int second) {
  return new QMSearchHintMessage(name, first, second);
}

TMessage* MakeAwardBonusMessage(int first, int second) {
  return new QMAwardBonusMessage(str(), first, second);
}

TMessage* MakeWindowPropsMessage(TLuaTable* t) {
  if (!t || !t->IsTable()) return new QMWindowPropsMessage(str(), 0, 0, 0, 0);
  return new QMWindowPropsMessage(t->GetString("name", str()), IntField(t, "x"), IntField(t, "y"),
                                  IntField(t, "width"), IntField(t, "height"));
}

namespace {

int HintMessageBinding(lua_State* L) {
  PushLuaMessage(L, MakeHintMessage(L));
  return 1;
}

}  // namespace

void RegisterGameMessages(lua_State* L) {
  BindFunction(L, "QMItemFoundMessage", &MakeItemFoundMessage);
  lua_register(L, "QMHintMessage", &HintMessageBinding);
  BindFunction(L, "QMSearchHintMessage", &MakeSearchHintMessage);
  BindFunction(L, "QMAwardBonusMessage", &MakeAwardBonusMessage);
  BindFunction(L, "CreateWindowPropsMessage", &MakeWindowPropsMessage);
}
