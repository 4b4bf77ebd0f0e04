// The game's message classes as the scripts build them.
#include <gtest/gtest.h>

#include "engine/EngineFixture.h"
#include "game/scenes/QMMessages.h"
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

// Runs the Lua expression in the window script host and answers the message it built; the
// script's userdata keeps owning it.
TMessage* Build(const char* expression) {
  TWindowScript* host = TWindowScript::Of(TWindowManager::Instance());
  host->DoLuaString(str::Format("gBuilt = %s", expression));
  lua_State* L = host->GetState();
  lua_pushstring(L, "gBuilt");
  lua_gettable(L, LUA_GLOBALSINDEX);
  TMessage* m = LuaToMessage(L, -1);
  lua_pop(L, 1);
  return m;
}

}  // namespace

TEST_F(EngineTest, ScriptsBuildTheGameMessages) {
  Run("--multiple", [&](TPlatform*) {
    RegisterGameMessages(TWindowScript::Of(TWindowManager::Instance())->GetState());

    TMessage* found = Build(
        "QMItemFoundMessage(1001, 'lamp', { itemLabel = 'Lamp', newScore = 120.9, "
        "searchSolved = true, playOffsetX = -3 })");
    ASSERT_NE(found, nullptr);
    auto* item = static_cast<QMItemFoundMessage*>(found);
    ASSERT_TRUE(found->IsKindOf(QMItemFoundMessage::GetClassId()));
    EXPECT_EQ(found->GetId(), 1001);
    EXPECT_STREQ(found->GetName().CStr(), "lamp");
    EXPECT_STREQ(item->itemLabel.CStr(), "Lamp");
    EXPECT_EQ(item->newScore, 120);
    EXPECT_EQ(item->playOffsetX, -3);
    EXPECT_TRUE(item->searchSolved);
    EXPECT_FALSE(item->isMultiple);
    EXPECT_TRUE(item->itemIconPath.IsEmpty());
    EXPECT_EQ(Build("QMItemFoundMessage(1000, 'lamp')"), nullptr) << "no table, no message";

    TMessage* hint = Build("QMSearchHintMessage('bell', 3, 4)");
    auto* twoInts = QMSearchHintMessage::Cast(hint);
    ASSERT_NE(twoInts, nullptr);
    EXPECT_EQ(hint->GetId(), 1006);
    EXPECT_EQ(twoInts->first, 3);
    EXPECT_EQ(twoInts->second, 4);
    EXPECT_STREQ(hint->GetClassName(), "QMSearchHintMessage");

    // Same id, other class: a hint for the scripts is never taken for the two-number form.
    TMessage* luaHint = Build("QMHintMessage({ target = 'bell' })");
    ASSERT_NE(luaHint, nullptr);
    EXPECT_EQ(luaHint->GetId(), 1006);
    EXPECT_EQ(QMSearchHintMessage::Cast(luaHint), nullptr);
    EXPECT_STREQ(static_cast<QMHintMessage*>(luaHint)->GetValue()->GetString("target", "").CStr(),
                 "bell");

    TMessage* bonus = Build("QMAwardBonusMessage(50, 2)");
    EXPECT_EQ(bonus->GetId(), 1012);
    EXPECT_TRUE(bonus->GetName().IsEmpty());

    TMessage* props = Build("CreateWindowPropsMessage({ name = 'page2' })");
    auto* p = static_cast<QMWindowPropsMessage*>(props);
    EXPECT_EQ(props->GetId(), 1024);
    EXPECT_STREQ(props->GetName().CStr(), "page2");
    EXPECT_EQ(p->x, 0);
    EXPECT_EQ(p->height, 0) << "missing fields are 0, real values, not 'unchanged'";
  });
}
