// The game-state service inside a running engine: "++" counters, the handler chain and its
// queries, "mute" against the sound manager, and the script functions.
#include <memory>
#include <string>

#include "core/TPlatform.h"
#include "engine/EngineFixture.h"
#include "online/TGameState.h"
#include "online/TGameStateHandler.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSoundManager.h"
#include "window/TWindowManager.h"

namespace {

// Records "key=value;" for every event, consumes one key, answers one query and the yes/no
// questions as told.
class ScriptedHandler : public TGameStateHandler {
public:
  explicit ScriptedHandler(std::string* log, std::string consume = "", std::string answerKey = "",
                           std::string answer = "", int questionBits = 0)
      : mLog(log),
        mConsume(std::move(consume)),
        mAnswerKey(std::move(answerKey)),
        mAnswer(std::move(answer)),
        mBits(questionBits) {}
  bool OnEvent(const char* key, const char* value) override {
    *mLog += std::string(key) + "=" + value + ";";
    return mConsume == key;
  }
  const char* Query(const char* key, const char* defaultValue) override {
    return mAnswerKey == key ? mAnswer.c_str() : defaultValue;
  }
  bool QueryRestartMode() override { return mBits & 1; }
  bool QueryJumpToMenu() override { return mBits & 2; }
  bool QueryMuteGame() override { return mBits & 4; }
  bool QueryHostPause() override { return mBits & 8; }

private:
  std::string* mLog;
  std::string mConsume, mAnswerKey, mAnswer;
  int mBits;
};

}  // namespace

class GameStateTest : public EngineTest {};

TEST_F(GameStateTest, CountersCountOnFromWhatTheHandlersAnswer) {
  struct Case {
    const char* stored;  // value set first under "Clicks", or null
    const char* key;     // the key counted
    const char* readKey;
    const char* expected;
  } cases[] = {
      {nullptr, "++Clicks", "Clicks", "1"},
      {"12abc", "++Clicks", "Clicks", "13"},
      {"abc", "++Clicks", "Clicks", "1"},
      {nullptr, "++", "", "1"},
      {nullptr, "+Clicks", "+Clicks", "x"},
      {"2147483646", "++Clicks", "Clicks", "2147483647"},
      {"2147483647", "++Clicks", "Clicks", "2147483647"},
  };
  Run("--multiple", [&](TPlatform*) {
    TGameState* state = TGameState::GetInstance();
    ASSERT_NE(state, nullptr);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.key);
      state->SetState("Clicks", c.stored ? c.stored : "");
      state->SetState("", "");
      state->SetState(c.key, "x");
      EXPECT_EQ(state->GetState(c.readKey), c.expected);
    }
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(GameStateTest, EveryHandlerSeesEachCountInOrderUntilOneConsumes) {
  std::string first, second;
  Run("--multiple", [&](TPlatform*) {
    TGameState* state = TGameState::GetInstance();
    TGameState::AddHandler(new ScriptedHandler(&first, "secret"));
    TGameState::AddHandler(new ScriptedHandler(&second));
    for (int i = 0; i < 3; ++i) state->SetState("++LevelTotalClicks", "");
    state->SetState("secret", "7");
    EXPECT_EQ(state->GetState("LevelTotalClicks"), "3");
    // A consumed event is still stored.
    EXPECT_EQ(state->GetState("secret"), "7");
  });
  EXPECT_EQ(first.substr(first.find("LevelTotalClicks")),
            "LevelTotalClicks=1;LevelTotalClicks=2;LevelTotalClicks=3;secret=7;");
  EXPECT_EQ(second.find("secret"), std::string::npos);
  EXPECT_NE(second.find("LevelTotalClicks=3;"), std::string::npos);
}

TEST_F(GameStateTest, QueriesAskTheHandlersInOrder) {
  std::string log;
  Run("--multiple", [&](TPlatform*) {
    TGameState* state = TGameState::GetInstance();
    EXPECT_FALSE(state->QueryRestartMode());
    EXPECT_FALSE(state->QueryJumpToMenu());
    EXPECT_FALSE(state->QueryHostPause());
    EXPECT_FALSE(state->QueryMuteGame());
    EXPECT_EQ(state->GetState("never"), "");

    // The second handler sees the first one's answer as its default.
    TGameState::AddHandler(new ScriptedHandler(&log, "", "score", "40", 2));
    TGameState::AddHandler(new ScriptedHandler(&log, "", "level", "9", 8 | 1));
    EXPECT_EQ(state->GetState("score"), "40");
    EXPECT_EQ(state->GetState("level"), "9");
    state->SetState("++score", "");
    EXPECT_EQ(state->GetState("score"), "40");
    EXPECT_NE(log.find("score=41;"), std::string::npos);
    EXPECT_TRUE(state->QueryRestartMode());
    EXPECT_TRUE(state->QueryJumpToMenu());
    EXPECT_TRUE(state->QueryHostPause());
    EXPECT_FALSE(state->QueryMuteGame());
    state->SetState("mute", "1");
    EXPECT_TRUE(state->QueryMuteGame());
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(GameStateTest, MuteSavesTheMasterVolumeOnceAndRestoresIt) {
  Run("--multiple", [&](TPlatform* platform) {
    TGameState* state = TGameState::GetInstance();
    TSoundManager* sound = platform->GetSoundManager();
    ASSERT_NE(sound, nullptr);
    sound->SetMasterVolume(0.7f);
    state->SetState("mute", "1");
    EXPECT_FLOAT_EQ(sound->GetVolume(-1), 0.0f);
    EXPECT_FLOAT_EQ(state->GetSavedVolume(), 0.7f);
    state->SetState("mute", "1");
    EXPECT_FLOAT_EQ(state->GetSavedVolume(), 0.7f);
    state->SetIntState("mute", 0);
    EXPECT_FLOAT_EQ(sound->GetVolume(-1), 0.7f);
    EXPECT_FLOAT_EQ(state->GetSavedVolume(), 0.0f);
    sound->SetMasterVolume(0.4f);
    state->SetState("mute", "0");
    EXPECT_FLOAT_EQ(sound->GetVolume(-1), 0.4f);
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(GameStateTest, AConsumedMuteLeavesTheVolumeAlone) {
  std::string log;
  Run("--multiple", [&](TPlatform* platform) {
    TGameState* state = TGameState::GetInstance();
    TGameState::AddHandler(new ScriptedHandler(&log, "mute"));
    platform->GetSoundManager()->SetMasterVolume(0.9f);
    state->SetState("mute", "1");
    EXPECT_FLOAT_EQ(platform->GetSoundManager()->GetVolume(-1), 0.9f);
    EXPECT_FLOAT_EQ(state->GetSavedVolume(), 0.0f);
    EXPECT_EQ(state->GetState("mute"), "1");
    EXPECT_TRUE(state->QueryMuteGame());
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(GameStateTest, ScriptsReadAndSetTheState) {
  Run("--multiple", [&](TPlatform*) {
    TGameState* state = TGameState::GetInstance();
    TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
    script->DoLuaString(
        "_SetState('++Hints', '') _SetState('++Hints', '') _SetState('mute', '1') "
        "gHints = GetState('Hints') gMuted = tostring(QueryMuteGame()) "
        "gRestart = tostring(QueryRestartMode()) gMenu = tostring(QueryJumpToMenu())");
    EXPECT_EQ(script->GetGlobalString("gHints"), "2");
    EXPECT_EQ(script->GetGlobalString("gMuted"), "true");
    EXPECT_EQ(script->GetGlobalString("gRestart"), "false");
    EXPECT_EQ(script->GetGlobalString("gMenu"), "false");
    EXPECT_EQ(state->GetState("Hints"), "2");
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(GameStateTest, ServiceExistsOnlyWhileThePlatformDoes) {
  Run("--multiple", [&](TPlatform*) { EXPECT_NE(TGameState::GetInstance(), nullptr); });
  EXPECT_EQ(TGameState::GetInstance(), nullptr);
  EXPECT_EQ(TGameState::Existing(), nullptr);
}
