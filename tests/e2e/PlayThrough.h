// The sample game played as a person plays it, in-process on the headless display and audio
// with the virtual clock: runs of the whole program (start-up scripts, intro, menu, the player's
// part, the quit script and the last save), injected clicks, drags and typing, a loopback score
// server, and what a player leaves behind: the preferences, the saved game, the game-state
// events and the frames shown.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "game/GameScreenFixture.h"
#include "game/shell/ScriptUtilities.h"
#include "game/shell/TChoosePlayer.h"
#include "game/shell/TMainMenu.h"
#include "online/TGameState.h"
#include "support/GameStateRecorder.h"
#include "support/LoopbackHttpServer.h"

class PlayThrough : public GameScreenTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    UseWholeSample();
    mServer = std::make_unique<LoopbackHttpServer>([](const LoopbackHttpServer::Request& r) {
      LoopbackHttpServer::Reply reply;
      if (r.target.find("action=tables") != std::string::npos)
        reply.body = "<hiscore><tables><table table=\"t1\" name=\"All time\"/></tables></hiscore>";
      else if (r.target.find("action=get") != std::string::npos)
        reply.body =
            "<hiscore><scores><score name=\"Robin\" anonymous=\"true\" score=\"1\" "
            "rank=\"1\"/></scores></hiscore>";
      else
        reply.body = "<hiscore><score/></hiscore>";
      return reply;
    });
    std::ofstream(mWork + "/hiscoreserver.txt") << mServer->Url("/go/hiscore") << "\n";
  }
  void TearDown() override {
    mServer.reset();
    GameScreenTest::TearDown();
  }

  // One run of the game as the program runs it: the game object, the start-up scripts (which
  // start the game flow), the player's part, then, once the player has quit, the end the
  // program gives the game: the quit script, the last save and the closing of the screens.
  void Play(const std::function<void(TPlatform*, QMGameManager&)>& player) {
    // As the program's entry does: the engine forgets the game's settings when it ends.
    SetGameSettings();
    Run("--multiple", [&](TPlatform* p) {
      sLogPath = GetLogFilePath().CStr();
      HidePointer(p);
      mEvents.clear();
      TGameState::AddHandler(new GameStateRecorder(&mEvents));
      CreateGameManager();
      TWindowManager* wm = p->GetWindowManager();
      RegisterGameTypes(wm);
      QMGameManager& game = *QMGameManager::Instance();
      player(p, game);
      // The window closes: the player's own way of quitting, and the end of a failed run.
      HeadlessWindow(p)->PostMessage(platform::window::MakeMessage(platform::window::WM_CLOSE));
      GameEventLoop(p, &game, wm);
      if (!RuntimeSettings().disableSave) game.SaveGame();
      CloseAllModals(p, wm);
      DestroyGameManager();
    });
    ASSERT_TRUE(sBodyRan);
  }

  // Passes of the main loop on the virtual clock, each ms apart, as the program runs them.
  static void Tick(TPlatform* p, int passes, uint32_t ms = 16) {
    for (int i = 0; i < passes; ++i) {
      platform::os::AdvanceVirtualTime(ms);
      TPlatformEvent e;
      p->GetEvent(e);
      p->GetWindowManager()->HandleEvent(e);
    }
  }
  // Waits on the virtual clock while the player only watches are taken in steps of kWatchStep
  // ms: fewer frames to draw, the same time passing.
  static constexpr int kWatchStep = 96;
  static void Watch(TPlatform* p, int ms) {
    Tick(p, ms / kWatchStep, kWatchStep);
    if (ms % kWatchStep > 0) Tick(p, 1, ms % kWatchStep);
  }
  // Frames until the condition holds or ms have passed. What is awaited (a screen opening, a
  // button shown) is looked for at every step of Watch.
  static bool Until(TPlatform* p, const std::function<bool()>& done, int ms = 3000) {
    for (int t = 0; t < ms && !done(); t += kWatchStep) Tick(p, 1, kWatchStep);
    return done();
  }
  // As Until, but the clock also waits for real time: the score server answers on its thread.
  static bool UntilAnswered(TPlatform* p, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      Tick(p, 1, 20);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
  }
  static bool Top(const char* name) { return FindWindow(name) != nullptr; }
  static bool AtMenu() { return Find<TMainMenu>("mainmenu") != nullptr; }

  // The intro plays as the game starts; a player who has seen it clicks it away.
  static bool SkipIntro(TPlatform* p) {
    if (!Until(p, [] { return Top("intro"); })) return AtMenu();
    Tick(p, 4);
    Click(p, 400, 300);
    return Until(p, AtMenu);
  }

  // A menu button that opens the player chooser ("play" or "changeplayer"), then a new player
  // typed into the chooser: answers the player's number.
  static int NewPlayer(TPlatform* p, QMGameManager& game, const char* name, const char* button) {
    ClickOn(p, button);
    EXPECT_TRUE(Until(p, [] { return Find<TChoosePlayer>("chooser") != nullptr; })) << Log();
    ClickOn(p, "newname");
    Type(p, name);
    Tick(p, 2);
    ClickOn(p, "create");
    return game.GetCurrentUser();
  }

  // A fresh installation: after the intro the game asks who is playing, with the name field
  // focused, so the name is typed at once; Create makes the player, Play picks them and the
  // menu opens. Answers the player's number.
  static int FirstPlayer(TPlatform* p, QMGameManager& game, const char* name) {
    EXPECT_TRUE(Until(
        p, [] { return Find<TChoosePlayer>("chooser") != nullptr; }, 9000))
        << "a fresh installation asks who is playing\n"
        << Log();
    EXPECT_FALSE(AtMenu()) << "the menu waits for the player";
    Tick(p, 4);
    Type(p, name);
    Tick(p, 2);
    ClickOn(p, "create");
    const int user = game.GetCurrentUser();
    ClickOn(p, "pick");
    EXPECT_TRUE(Until(p, AtMenu)) << Log();
    return user;
  }

  // The menu's Quit asks first; the player means it.
  static void QuitFromMenu(TPlatform* p) {
    ClickOn(p, "quit");
    ASSERT_TRUE(Until(p, [] { return Shown("confirmyes"); })) << "Quit asks first\n" << Log();
    ClickOn(p, "confirmyes");
    Tick(p, 4);
  }

  // The saved game of a player, as stored in the preferences.
  static std::string SavedGame(QMGameManager& game, int user) {
    return game.GetPrefs().GetString("usergamedata", "", user).CStr();
  }
  bool Published(const std::string& key, const std::string& value) const {
    return std::find(mEvents.begin(), mEvents.end(), key + "=" + value) != mEvents.end();
  }
  std::string DataFolder() const {
    return mRoot + "/data/Hearthwell/quillmoor-heirloom-emberglass/";
  }

  std::unique_ptr<LoopbackHttpServer> mServer;
  std::vector<std::string> mEvents;
};
