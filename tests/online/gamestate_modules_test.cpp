// Add-on modules (".hwmod") found in the assets folder at start-up: what they hear, what they
// answer, their order, and the modules that are refused.
#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "core/TPlatform.h"
#include "engine/EngineFixture.h"
#include "online/TDllGameState.h"
#include "online/TGameState.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

// A loaded module's test exports, reached without loading it a second time.
struct ModuleProbe {
  explicit ModuleProbe(const std::string& path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  }
  ~ModuleProbe() {
    if (handle) dlclose(handle);
  }
  template <typename F>
  F Get(const char* name) const {
    return reinterpret_cast<F>(dlsym(handle, name));
  }
  std::string Events() const { return Get<const char* (*)()>("RecordedEvents")(); }
  void* handle = nullptr;
};

}  // namespace

class ModuleTest : public EngineTest {
protected:
  std::string Install(const char* from, const std::string& name) {
    std::string to = mWork + "/assets/" + name;
    std::filesystem::copy_file(from, to);
    return std::filesystem::canonical(to).string();
  }
};

TEST_F(ModuleTest, ModuleHearsEveryEventAndIsReleasedAtTeardown) {
  std::string path = Install(RECORDING_HWMOD, "recorder.hwmod");
  void* keep = nullptr;
  Run("--multiple", [&](TPlatform*) {
    ModuleProbe probe(path);
    ASSERT_NE(probe.handle, nullptr) << "the module was not loaded";
    keep = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    TGameState::GetInstance()->SetState("++Clicks", "");
    TGameState::GetInstance()->SetIntState("level", 4);
    std::string events = probe.Events();
    EXPECT_EQ(events.rfind("cmdline=", 0), 0u) << events;
    EXPECT_NE(events.find(";commondatadir="), std::string::npos);
    EXPECT_NE(events.find(";userdatadir="), std::string::npos);
    EXPECT_EQ(events.substr(events.find("Clicks=")), "Clicks=1;level=4;");
    EXPECT_EQ(probe.Get<int (*)()>("HandlerAlive")(), 1);
  });
  ASSERT_NE(keep, nullptr);
  auto alive = reinterpret_cast<int (*)()>(dlsym(keep, "HandlerAlive"));
  EXPECT_EQ(alive(), 0) << "DestroyHandler was not called at teardown";
  dlclose(keep);
}

TEST_F(ModuleTest, ModulesRunInIndexOrderAndAConsumedEventStops) {
  std::string first = Install(RECORDING_HWMOD, "a_first.hwmod");
  std::string second = Install(RECORDING_HWMOD, "b_second.hwmod");
  Run("--multiple", [&](TPlatform*) {
    ModuleProbe a(first), b(second);
    ASSERT_NE(a.handle, nullptr);
    ASSERT_NE(b.handle, nullptr);
    ASSERT_NE(a.handle, b.handle);
    a.Get<void (*)(const char*)>("ConsumeKey")("secret");
    TGameState::GetInstance()->SetState("secret", "1");
    TGameState::GetInstance()->SetState("open", "2");
    EXPECT_NE(a.Events().find("secret=1;open=2;"), std::string::npos);
    EXPECT_EQ(b.Events().find("secret"), std::string::npos);
    EXPECT_NE(b.Events().find("open=2;"), std::string::npos);
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(ModuleTest, ModuleAnswersRewriteStateCountersAndQuestions) {
  std::string path = Install(RECORDING_HWMOD, "answers.hwmod");
  Run("--multiple", [&](TPlatform*) {
    ModuleProbe probe(path);
    ASSERT_NE(probe.handle, nullptr);
    TGameState* state = TGameState::GetInstance();
    EXPECT_FALSE(state->QueryRestartMode());
    probe.Get<void (*)(const char*, const char*)>("AnswerQuery")("Stars", "20");
    probe.Get<void (*)(int)>("AnswerQuestions")(15);
    EXPECT_EQ(state->GetState("Stars"), "20");
    state->SetState("++Stars", "");
    EXPECT_NE(probe.Events().find("Stars=21;"), std::string::npos);
    TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
    script->DoLuaString("gStars = GetState('Stars')");
    EXPECT_EQ(script->GetGlobalString("gStars"), "20");
    EXPECT_TRUE(state->QueryRestartMode());
    EXPECT_TRUE(state->QueryJumpToMenu());
    EXPECT_TRUE(state->QueryMuteGame());
    EXPECT_TRUE(state->QueryHostPause());
    probe.Get<void (*)(int)>("AnswerQuestions")(0);
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(ModuleTest, ModulesThatCannotBeReleasedOrLoadedAreSkipped) {
  std::string refused = Install(NO_DESTROY_HWMOD, "nodestroy.hwmod");
  WriteAsset("broken.hwmod", "not a library");
  std::string path = Install(RECORDING_HWMOD, "recorder.hwmod");
  Run("--multiple", [&](TPlatform*) {
    ModuleProbe noDestroy(refused);
    EXPECT_EQ(noDestroy.handle, nullptr) << "a module without DestroyHandler stayed loaded";
    ModuleProbe recorder(path);
    EXPECT_NE(recorder.handle, nullptr);

    TDllGameState direct;
    EXPECT_FALSE(direct.Load("nodestroy.hwmod"));
    EXPECT_FALSE(direct.OnEvent("k", "v"));
    EXPECT_STREQ(direct.Query("k", "fallback"), "fallback");
    TDllGameState missing;
    EXPECT_FALSE(missing.Load("nowhere.hwmod"));
  });
  EXPECT_TRUE(sBodyRan);
}
