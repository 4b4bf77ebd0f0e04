// The Flash movie window behind a fake control: which control a start asks for, the texts it
// hands a movie, what a refused start leaves behind; and the platform's own path, where no
// control can be hosted and "StartMovie" answers false.
#include <string>
#include <vector>

#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "engine/EngineFixture.h"
#include "online/TFlashMovie.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

struct FakeLog {
  std::vector<std::string> calls;
  str programId;
  int blockers = 0, controls = 0, destroyedControls = 0, destroyedBlockers = 0, swallowed = 0;
};

class FakeControl : public IFlashControl {
public:
  FakeControl(FakeLog* log, uint32_t version, std::string names)
      : mLog(log), mVersion(version), mNames(std::move(names)) {}
  uint32_t FlashVersion() override { return mVersion; }
  bool PutMovie(const str& path) override {
    mLog->calls.push_back("Movie=" + std::string(path.CStr()));
    return true;
  }
  bool PutLoop(bool loop) override {
    mLog->calls.push_back(loop ? "Loop=1" : "Loop=0");
    return true;
  }
  bool GetPlaying(bool& playing) override {
    playing = true;
    return true;
  }
  bool Call(const char* method, const str& a, const str& b, str* result) override {
    std::string call = method;
    if (!a.IsEmpty()) call += std::string("(") + a.CStr() + "," + b.CStr() + ")";
    mLog->calls.push_back(call);
    if (result) *result = mNames.c_str();
    return true;
  }

private:
  FakeLog* mLog;
  uint32_t mVersion;
  std::string mNames;
};

class FakeHost : public IFlashControlHost {
public:
  FakeHost(FakeLog* log, uint32_t version, std::string names = "")
      : mLog(log), mVersion(version), mNames(std::move(names)) {}
  bool Init() override { return true; }
  bool CreateBlocker(const TRect&) override { return ++mLog->blockers > 0; }
  std::unique_ptr<IFlashControl> CreateControl(const str& id, const TRect&) override {
    ++mLog->controls;
    mLog->programId = id;
    return std::make_unique<FakeControl>(mLog, mVersion, mNames);
  }
  void SwallowRightClicks(IFlashControl&) override { ++mLog->swallowed; }
  void DestroyControl() override { ++mLog->destroyedControls; }
  void DestroyBlocker() override { ++mLog->destroyedBlockers; }

private:
  FakeLog* mLog;
  uint32_t mVersion;
  std::string mNames;
};

uint32_t Major(int major) { return static_cast<uint32_t>(major) << 16 | 0x2A; }

std::string Row(const char* label, const char* text) {
  return std::string("<Row><Cell><Data>") + label + "</Data></Cell><Cell><Data>" + text +
         "</Data></Cell></Row>\n";
}

}  // namespace

class FlashMovieTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    WriteAsset("intro.swf", "movie");
    WriteAsset("strings.xml", "<Workbook><Worksheet><Table>\n" + Row("TITLE", "Harbour Lights") +
                                  Row("PLAY", "Play") + Row("FLASH_SKIP", "Skip") +
                                  "</Table></Worksheet></Workbook>\n");
  }
};

TEST_F(FlashMovieTest, TheControlAskedForFollowsTextsAndTheMajorVersionSetting) {
  struct Case {
    bool texts;
    const char* setting;
    const char* programId;
    int minimum;
  } cases[] = {
      {false, "", "ShockwaveFlash.ShockwaveFlash.4", 4},
      {true, "", "ShockwaveFlash.ShockwaveFlash.6", 6},
      {false, "9", "ShockwaveFlash.ShockwaveFlash.9", 9},
      {true, "9", "ShockwaveFlash.ShockwaveFlash.9", 9},
      {false, "3", "ShockwaveFlash.ShockwaveFlash.4", 4},
      {true, "6", "ShockwaveFlash.ShockwaveFlash.6", 6},
  };
  Run("--multiple", [&](TPlatform*) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.setting) + (c.texts ? " texts" : ""));
      SetConfig("flashmajorversion", c.setting);
      str id;
      int minimum = 0;
      TFlashMovie::SelectControl(c.texts, id, minimum);
      EXPECT_EQ(id, c.programId);
      EXPECT_EQ(minimum, c.minimum);
    }
    // A control older than asked for is refused and both windows go again.
    SetConfig("flashmajorversion", "9");
    FakeLog log;
    FakeHost old(&log, Major(8));
    TFlashMovie movie("intro.swf", &old);
    EXPECT_FALSE(movie.Start(false, false, false));
    EXPECT_EQ(log.programId, "ShockwaveFlash.ShockwaveFlash.9");
    EXPECT_EQ(log.destroyedControls, 1);
    EXPECT_EQ(log.destroyedBlockers, 1);
    EXPECT_FALSE(movie.IsPlaying());
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(FlashMovieTest, AMovieWithTextsGetsEveryListedNameAndTheFlashLabels) {
  Run("--multiple", [&](TPlatform* p) {
    p->SetCursorVisible(true);
    FakeLog log;
    FakeHost host(&log, Major(8), "TITLE;PLAY;tail");
    TFlashMovie movie("intro.swf", &host);
    ASSERT_TRUE(movie.Start(false, true, true));
    EXPECT_TRUE(movie.IsPlaying());
    EXPECT_FALSE(p->GetData()->IsCursorVisible());  // the movie shows the system's arrow
    EXPECT_EQ(log.blockers, 0);                     // clickable: no blocker, right clicks eaten
    EXPECT_EQ(log.swallowed, 1);
    ASSERT_EQ(log.calls.size(), 8u);
    EXPECT_EQ(log.calls[0].rfind("Movie=/", 0), 0u);
    EXPECT_NE(log.calls[0].find("/assets/intro.swf"), std::string::npos);
    EXPECT_EQ(
        std::vector<std::string>(log.calls.begin() + 1, log.calls.end()),
        (std::vector<std::string>{"Loop=0", "Stop", "GetVariable(textvarnames,)",
                                  "SetVariable(TITLE,Harbour Lights)", "SetVariable(PLAY,Play)",
                                  "SetVariable(SKIP,Skip)", "Play"}));
    movie.Close();
    EXPECT_FALSE(movie.IsPlaying());
    EXPECT_TRUE(p->GetData()->IsCursorVisible());
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(FlashMovieTest, RefusedStartsLeaveNoWindowAndTheCursorAsItWas) {
  Run("--multiple", [&](TPlatform* p) {
    p->SetCursorVisible(true);
    FakeLog log;
    FakeHost host(&log, Major(10));
    SetConfig("dxbroken", "1");
    EXPECT_FALSE(TFlashMovie("intro.swf", &host).Start(false, false, false));
    EXPECT_EQ(log.controls + log.blockers, 0);
    SetConfig("dxbroken", "0");

    TFlashMovie missing("nowhere.swf", &host);
    EXPECT_FALSE(missing.Start(false, false, false));
    EXPECT_EQ(log.destroyedControls, 1);
    EXPECT_TRUE(p->GetData()->IsCursorVisible());

    // This platform's own host: nothing can be hosted.
    TFlashMovie real("intro.swf");
    EXPECT_FALSE(real.Start(false, true, false));
    EXPECT_FALSE(real.IsPlaying());
    real.Close();
    EXPECT_TRUE(p->GetData()->IsCursorVisible());
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(FlashMovieTest, ScriptsAreToldNoMovieStarts) {
  Run("--multiple", [&](TPlatform* p) {
    TWindowScript* script = TWindowScript::Of(p->GetWindowManager());
    script->DoLuaString(
        "gStarted = tostring(StartMovie('intro.swf', true, false))\n"
        "gPlaying = tostring(IsMoviePlaying())\nStopMovie()\ngDone = 1");
    EXPECT_EQ(script->GetGlobalString("gStarted"), "false");
    EXPECT_EQ(script->GetGlobalString("gPlaying"), "false");
    EXPECT_EQ(script->GetGlobalNumber("gDone"), 1.0);
    EXPECT_TRUE(p->GetData()->IsCursorVisible());
  });
  EXPECT_TRUE(sBodyRan);
}
