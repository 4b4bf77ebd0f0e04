// The portal host handler over the headless host channel: the script-call texts and their
// 8-byte pieces, the hold until the host's resume command, the score throttle on the virtual
// clock, the restart cycle of host commands, and the sound silence they control.
#include <sstream>
#include <string>
#include <vector>

#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "engine/EngineFixture.h"
#include "core/HostPause.h"
#include "online/TGameState.h"
#include "online/TMsnZylomHandler.h"
#include "platform/host/headless/HostWindow.h"
#include "sound/TSoundManager.h"

namespace {

using platform::host::Record;

std::string Hex(uint64_t handle) { return (std::ostringstream() << std::hex << handle).str(); }

// The host's side: every piece posted so far, and the texts they join into.
struct HostReader {
  platform::host::headless::Host host;
  std::vector<Record> pieces;

  std::vector<Record> TakePieces() {
    std::vector<Record> out;
    Record r;
    while (host.TakePosted(r))
      if (r.message == kHostMessageId) out.push_back(r);
    return out;
  }
  // Joins the pieces in arrival order up to each zero byte.
  std::vector<std::string> TakeTexts() {
    std::vector<std::string> texts;
    std::string current;
    for (const Record& r : TakePieces()) {
      const uint32_t words[2] = {r.wParam, r.lParam};
      for (int b = 0; b < kHostPieceSize; ++b) {
        char c = static_cast<char>((words[b / 4] >> (8 * (b % 4))) & 0xFF);
        if (c == 0) {
          texts.push_back(current);
          current.clear();
          break;
        }
        current += c;
      }
    }
    return texts;
  }
  void Command(uint32_t number) { host.Send(Record{kHostMessageId, number, 0}); }
};

TGameState* State() { return TGameState::GetInstance(); }

float MasterVolume(TPlatform* p) { return p->GetSoundManager()->GetVolume(-1); }

// The first event publishes "sessionready"; in MSN mode the host must answer it.
void FirstEvent(TPlatform* p, HostReader& reader, bool resume) {
  if (resume) reader.Command(5);
  TPlatformEvent e;
  p->GetEvent(e);
}

}  // namespace

class PortalHostTest : public EngineTest {
protected:
  HostReader mReader;
  std::string Line(const char* mode) {
    return std::string(mode) + " -wnd=" + Hex(mReader.host.Handle());
  }
};

TEST_F(PortalHostTest, SessionReadyGoesOnceInPiecesOfEightBytesAndHoldsUntilTheHostResumes) {
  Run(Line("-msn"), [&](TPlatform* p) {
    mReader.Command(8);  // a command while held is taken, the hold goes on
    FirstEvent(p, mReader, true);
    std::vector<Record> pieces = mReader.TakePieces();
    // 29 characters and the zero: 8 + 8 + 8 + 6 bytes.
    const char* text = "SessionReady(\"<data></data>\")";
    ASSERT_EQ(pieces.size(), 4u);
    for (size_t i = 0; i < pieces.size(); ++i) {
      SCOPED_TRACE(i);
      uint8_t bytes[8] = {};
      memcpy(bytes, text + i * 8, i < 3 ? 8 : 6);
      EXPECT_EQ(pieces[i].wParam,
                bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24);
      if (i < 3)
        EXPECT_EQ(pieces[i].lParam,
                  bytes[4] | bytes[5] << 8 | bytes[6] << 16 | uint32_t(bytes[7]) << 24);
      else
        EXPECT_EQ(pieces[i].lParam & 0xFFFF, uint32_t(bytes[4] | bytes[5] << 8));  // ")" and 0
    }
    EXPECT_FALSE(State()->QueryHostPause());
    EXPECT_TRUE(State()->QueryRestartMode());

    // Again: nothing further is posted.
    State()->SetIntState("sessionready", 0);
    EXPECT_TRUE(mReader.TakePieces().empty());

    // Each of these holds the game in MSN mode until one of the resume commands arrives.
    const char* holding[] = {"gameover", "breaknow", "gamemode"};
    const uint32_t resumes[] = {6, 9, 10};
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(holding[i]);
      State()->SetState(holding[i], "1");
      EXPECT_TRUE(State()->QueryHostPause());
      EXPECT_FALSE(p->GetData()->IsCursorVisible());
      mReader.Command(resumes[i]);
      TPlatformEvent e;
      p->GetEvent(e);
      EXPECT_FALSE(State()->QueryHostPause());
      EXPECT_TRUE(p->GetData()->IsCursorVisible());
    }
    EXPECT_EQ(mReader.TakeTexts(),
              (std::vector<std::string>{"GameEnd(\"<gamedata></gamedata>\")",
                                        "GameBreak(\"<data><breakpoint>1</breakpoint></data>\")",
                                        "GameReady(\"<data><mode>1</mode></data>\")"}));
    EXPECT_EQ(State()->GetState("systemmode"), "msn");
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(PortalHostTest, AnEightCharacterTextEndsInAPieceOfItsOwn) {
  Run(Line("-zylom"), [&](TPlatform*) {
    ASSERT_TRUE(PostTextToHost("Restart!"));
    std::vector<Record> pieces = mReader.TakePieces();
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[1].wParam & 0xFF, 0u);
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(PortalHostTest, ZylomNeverHoldsAndALongGameModeIsCutToTheMessageBuffer) {
  Run(Line("-zylom"), [&](TPlatform* p) {
    FirstEvent(p, mReader, false);
    State()->SetState("gameover", "1");
    State()->SetState("breaknow", "1");
    EXPECT_FALSE(State()->QueryHostPause());
    mReader.TakeTexts();

    State()->SetState("gamemode", std::string(1000, 'x').c_str());
    std::vector<std::string> texts = mReader.TakeTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].size(), size_t(kHostMessageSize - 1));
    EXPECT_EQ(texts[0].rfind("GameReady(\"<data><mode>xxx", 0), 0u);

    State()->SetState("pause", "1");
    State()->SetState("pause", "1");  // no change, nothing posted
    State()->SetState("pause", "0");
    EXPECT_EQ(mReader.TakeTexts(), (std::vector<std::string>{"GamePause(\"<data>true</data>\")",
                                                             "GamePause(\"<data>false</data>\")"}));
    EXPECT_EQ(State()->GetState("systemmode"), "zylom");
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(PortalHostTest, ScoresAreBroadcastAtMostEveryFiveSecondsOfTheClock) {
  Run(Line("-zylom"), [&](TPlatform* p) {
    FirstEvent(p, mReader, false);
    mReader.TakeTexts();
    State()->SetState("score", "5");  // no game is being played
    EXPECT_TRUE(mReader.TakeTexts().empty());

    State()->SetIntState("windowmessage", 7);
    State()->SetState("score", "10");
    platform::os::AdvanceVirtualTime(1000);
    State()->SetState("score", "20");  // dropped, not delayed
    platform::os::AdvanceVirtualTime(4000);
    State()->SetState("score", "30");
    platform::os::AdvanceVirtualTime(4999);
    State()->SetState("score", "40");
    EXPECT_EQ(mReader.TakeTexts(),
              (std::vector<std::string>{
                  "ScoreBroadcast(\"<game><score>10</score><time>0</time></game>\")",
                  "ScoreBroadcast(\"<game><score>30</score><time>5</time></game>\")"}));
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(PortalHostTest, HostCommandsRestartTheGameOnlyOnceItLeftTheMenu) {
  Run(Line("-zylom -com_interval 30"), [&](TPlatform* p) {
    FirstEvent(p, mReader, false);
    auto command = [](int n) { State()->SetIntState("windowmessage", n); };
    EXPECT_EQ(State()->GetState("restartbutton"), "0");

    command(7);  // at the menu: the game starts, no restart
    EXPECT_FALSE(State()->QueryRestartMode());
    command(7);
    EXPECT_TRUE(State()->QueryRestartMode());
    EXPECT_FALSE(State()->QueryRestartMode());
    command(8);
    EXPECT_TRUE(State()->QueryRestartMode());
    EXPECT_FALSE(State()->QueryRestartMode());

    command(1);
    EXPECT_TRUE(State()->QueryJumpToMenu());
    EXPECT_FALSE(State()->QueryJumpToMenu());
    command(7);  // back at the menu, so again no restart
    EXPECT_FALSE(State()->QueryRestartMode());

    // The interval counts play time, not time held by the host.
    command(4);
    platform::os::AdvanceVirtualTime(40000);
    command(5);
    EXPECT_EQ(GetHostPausedTime(), 40000u);
    EXPECT_EQ(State()->GetState("restartbutton"), "0");
    platform::os::AdvanceVirtualTime(31000);
    EXPECT_EQ(State()->GetState("restartbutton"), "1");
  });
  EXPECT_TRUE(sBodyRan);
  EXPECT_EQ(GetHostPausedTime(), 0u);  // outside a portal mode nothing was held
}

TEST_F(PortalHostTest, HoldPauseAndMuteSilenceTheMasterVolumeAndGiveItBack) {
  Run(Line("-zylom"), [&](TPlatform* p) {
    FirstEvent(p, mReader, false);
    p->GetSoundManager()->SetMasterVolume(0.75f);
    struct Step {
      const char* key;
      const char* value;
      float volume;
    } steps[] = {
        {"windowmessage", "2", 0.0f},  {"windowmessage", "3", 0.75f}, {"windowmessage", "4", 0.0f},
        {"windowmessage", "5", 0.75f}, {"mute", "1", 0.0f},           {"windowmessage", "2", 0.0f},
        {"mute", "0", 0.0f},           {"windowmessage", "3", 0.75f}, {"pause", "1", 0.0f},
        {"pause", "0", 0.75f},
    };
    for (const Step& s : steps) {
      SCOPED_TRACE(std::string(s.key) + "=" + s.value);
      State()->SetState(s.key, s.value);
      EXPECT_FLOAT_EQ(MasterVolume(p), s.volume);
    }
    State()->SetState("mute", "1");
    EXPECT_TRUE(State()->QueryMuteGame());
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(PortalHostTest, MsnModeStaysSilentUntilAGameIsPlayed) {
  Run(Line("-msn"), [&](TPlatform* p) {
    p->GetSoundManager()->SetMasterVolume(0.5f);
    FirstEvent(p, mReader, true);
    EXPECT_FLOAT_EQ(MasterVolume(p), 0.0f);
    State()->SetIntState("windowmessage", 7);
    EXPECT_FLOAT_EQ(MasterVolume(p), 0.5f);
    State()->SetIntState("windowmessage", 1);
    ASSERT_TRUE(State()->QueryJumpToMenu());  // back at the menu: silent again
    EXPECT_FLOAT_EQ(MasterVolume(p), 0.0f);
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(PortalHostTest, WithoutAHostWindowNothingWaitsForAResume) {
  Run("-msn", [&](TPlatform* p) {
    TPlatformEvent e;
    p->GetEvent(e);  // "sessionready" goes nowhere and holds nothing
    State()->SetState("gameover", "1");
    EXPECT_FALSE(State()->QueryHostPause());
  });
  EXPECT_TRUE(sBodyRan);
}
