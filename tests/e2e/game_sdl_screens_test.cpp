// The sample game on the desktop backends (the SDL window, its input and SDL's audio device)
// under the X server the tests run with: a new player, asked for on the first run, goes from
// the main menu into the story's first level, its options and on to its first puzzle, and on
// another run into the codex and the arcade, with clicks, typing and keys that come through
// SDL's event queue. At each screen the window's picture is read back from the X server: it
// must be the frame the engine drew, and that frame the expected screen. Then Alt+Enter
// stretches the frame over the desktop, and the stretched picture is read too. The game runs
// on the virtual clock; the real clock only bounds the wait for the X server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "anim/KAnimProperties.h"
#include "game/GameScreenFixture.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "game/scenes/QMArcadeGame.h"
#include "game/scenes/QMSearch.h"
#include "game/shell/ScriptUtilities.h"
#include "game/shell/TChoosePlayer.h"
#include "game/shell/TMainMenu.h"
#include "game/shell/TOptions.h"
#include "platform/window/sdl/Window.h"
#include "render/QMSearchableSprite.h"
#include "support/Golden.h"
#include "support/SampleHarbour.h"
#include "support/XWindowImage.h"

// The session bus library keeps one block until the process ends; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

class SdlScreensTest : public GameScreenTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no X display (DISPLAY is not set)";
    UseWholeSample();
    // SDL's own silent device: the audio path is the desktop's, with no sound card needed.
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    mSavedAudioDriver = driver ? driver : "";
    mHadAudioDriver = driver != nullptr;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
  void TearDown() override {
    if (mHadAudioDriver)
      setenv("SDL_AUDIODRIVER", mSavedAudioDriver.c_str(), 1);
    else
      unsetenv("SDL_AUDIODRIVER");
    GameScreenTest::TearDown();
  }

  // One run of the game on the desktop backends as the program runs it: the game object, the
  // start-up scripts, the player's part, then the close of the window and the program's end.
  // The preferences ask for a window, so the picture is the frame's own size.
  void Play(const std::function<void(TPlatform*, QMGameManager&)>& player) {
    SetGameSettings();
    platform::window::RequestHeadless(false);
    Run("--multiple", [&](TPlatform* p) {
      sLogPath = GetLogFilePath().CStr();
      sWindow = dynamic_cast<platform::window::sdl::Window*>(p->GetData()->GetWindow());
      ASSERT_NE(sWindow, nullptr) << "the game runs in an SDL window";
      HidePointer(p);
      CreateGameManager();
      QMGameManager& game = *QMGameManager::Instance();
      game.GetPrefs().SetInt("fullscreen", 0, -1, false);
      TWindowManager* wm = p->GetWindowManager();
      RegisterGameTypes(wm);
      // The window shows once the game has made its screen. The X server may hold its focus
      // anywhere then (earlier tests leave it where they left it); the game plays in the
      // foreground, at its full frame rate.
      ASSERT_TRUE(AwaitFocus(p)) << "the game's window takes the keyboard focus";
      player(p, game);
      sWindow->PostMessage(platform::window::MakeMessage(platform::window::WM_CLOSE));
      GameEventLoop(p, &game, wm);
      if (!RuntimeSettings().disableSave) game.SaveGame();
      CloseAllModals(p, wm);
      DestroyGameManager();
      sWindow = nullptr;
    });
    platform::window::RequestHeadless(true);
    ASSERT_TRUE(sBodyRan);
  }

  // One pass of the main loop: the platform's pump takes the next event (SDL's queue first)
  // and the windows get it. On the virtual clock nothing is worth a real wait for input, so
  // the pump is woken before it could wait.
  static TPlatformEvent Pass(TPlatform* p) {
    TPlatformEvent e;
    sWindow->Wake();
    p->GetEvent(e);
    // As the game's loop does: the pump has switched the display already, the choice is kept.
    if (e.type == kEventAltEnter)
      QMGameManager::Instance()->SaveFullScreenMode();
    else
      p->GetWindowManager()->HandleEvent(e);
    return e;
  }
  // Passes on the virtual clock, each ms apart.
  static void Tick(TPlatform* p, int passes, uint32_t ms = 16) {
    for (int i = 0; i < passes; ++i) {
      platform::os::AdvanceVirtualTime(ms);
      Pass(p);
    }
  }
  // Waits while the player only watches, in steps of 48 ms: fewer frames, the same time.
  static void Watch(TPlatform* p, int ms) { Tick(p, ms / 48, 48); }
  // Hands on what waits in SDL's queue, the clock standing still.
  static void Drain(TPlatform* p) {
    for (int i = 0; i < 256 && Pass(p).type != kEventIdle; ++i) {}
  }
  static bool Until(TPlatform* p, const std::function<bool()>& done, int ms = 3000) {
    for (int t = 0; t < ms && !done(); t += 16) Tick(p, 1);
    return done();
  }

  // Input as SDL delivers it to the game's window.
  static void PushMouse(uint32_t type, int x, int y) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
      e.motion.windowID = SDL_GetWindowID(sWindow->SdlWindow());
      e.motion.x = x;
      e.motion.y = y;
    } else {
      e.button.windowID = SDL_GetWindowID(sWindow->SdlWindow());
      e.button.button = SDL_BUTTON_LEFT;
      e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      e.button.clicks = 1;
      e.button.x = x;
      e.button.y = y;
    }
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  static void Click(TPlatform* p, int x, int y) {
    PushMouse(SDL_MOUSEMOTION, x, y);
    PushMouse(SDL_MOUSEBUTTONDOWN, x, y);
    PushMouse(SDL_MOUSEBUTTONUP, x, y);
    Drain(p);
  }
  static void ClickOn(TPlatform* p, const char* name) {
    const TPoint c = Centre(name);
    Click(p, c.x, c.y);
  }
  static void PushKey(uint32_t type, SDL_Keycode key, SDL_Scancode code, bool repeat,
                      uint16_t modifiers = KMOD_NONE) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = SDL_GetWindowID(sWindow->SdlWindow());
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = code;
    e.key.keysym.mod = modifiers;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  static void Type(TPlatform* p, const char* text) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = SDL_GetWindowID(sWindow->SdlWindow());
    SDL_strlcpy(e.text.text, text, sizeof e.text.text);
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    Drain(p);
  }

  // The first run asks who is playing, the name field focused: the name is typed at once,
  // Create makes the player and Play picks them; the menu opens.
  static void FirstPlayer(TPlatform* p, QMGameManager& game) {
    ASSERT_TRUE(Until(
        p, [] { return Find<TChoosePlayer>("chooser") != nullptr; }, 9000))
        << Log();
    Tick(p, 4);
    Type(p, "Robin");
    Tick(p, 2);
    ClickOn(p, "create");
    ASSERT_EQ(std::string(game.GetUserName(game.GetCurrentUser()).CStr()), "Robin")
        << "the name typed through SDL's text input";
    ClickOn(p, "pick");
    ASSERT_TRUE(Until(p, [] { return Find<TMainMenu>("mainmenu") != nullptr; })) << Log();
  }
  static void PressEscape(TPlatform* p) {
    PushKey(SDL_KEYDOWN, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, false);
    PushKey(SDL_KEYUP, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, false);
    Drain(p);
  }

  static QMSearch* Scene() { return Find<QMSearch>("puzzleWindow"); }
  static float SceneX() { return KGetSpritePosition(Scene()->GetSceneSprite()).x; }
  static bool FoundInLevel(const char* name) {
    Host()->DoLuaString(
        (std::string("gTestFound = tostring(gLevel ~= nil and gLevel.items.") + name + ".found)")
            .c_str());
    return Global("gTestFound") == "true";
  }
  // Holds an arrow key (SDL repeating it each frame) until the scene has scrolled to the end
  // the object stands in, then clicks the object's middle.
  static void FindObject(TPlatform* p, const sample::HiddenObject& o) {
    if (o.end != 0) {
      const bool toLeft = o.end < 0;
      const SDL_Keycode key = toLeft ? SDLK_RIGHT : SDLK_LEFT;
      const SDL_Scancode code = toLeft ? SDL_SCANCODE_RIGHT : SDL_SCANCODE_LEFT;
      const float stop = toLeft ? sample::kHarbourLeftEnd : sample::kHarbourRightEnd;
      for (int i = 0; i < 200 && SceneX() != stop; ++i) {
        PushKey(SDL_KEYDOWN, key, code, i > 0);
        Drain(p);
        Tick(p, 1);
      }
      PushKey(SDL_KEYUP, key, code, false);
      Drain(p);
      Watch(p, 480);
    }
    Click(p, static_cast<int>(SceneX()) + o.x, o.y);
    Tick(p, 4);
    EXPECT_TRUE(FoundInLevel(o.name)) << o.name << " at scene x " << SceneX();
  }

  // The frame the engine shows: its front buffer, read under the display's lock.
  static platform::display::Image EngineFrame() {
    TDXContext* context = TDxDisplayHandler::Instance()->GetContext();
    if (!context || !context->GetFrontBuffer()) return {};
    DisplayMutexLock lock(context->GetMutex(), true);
    platform::display::Image frame =
        platform::display::Image::FromSurface(*context->GetFrontBuffer());
    for (uint32_t& pixel : frame.pixels) pixel |= 0xFF000000u;
    return frame;
  }

  // Gives the window the X server's keyboard focus and waits until the game has heard of it.
  static bool AwaitFocus(TPlatform* p) {
    xshot::WindowImage server(sWindow->SdlWindow());
    if (!server.Ready()) return false;
    server.Raise();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      server.Focus();
      for (int i = 0; i < 16; ++i) Pass(p);
      if (p->IsForeground() && p->GetData()->mActive && p->GetData()->mAppActive) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  // Reads the window from the X server until it shows the engine's latest frame, stretched
  // over the given size (the server may take a moment; the deadline is generous). The last
  // picture read is kept in `shown`.
  static ::testing::AssertionResult AwaitShown(TPlatform* p, int width, int height,
                                               platform::display::Image& shown) {
    xshot::WindowImage server(sWindow->SdlWindow());
    if (!server.Ready()) return ::testing::AssertionFailure() << "the window is not an X window";
    server.Raise();
    ::testing::AssertionResult same = ::testing::AssertionFailure();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
      Drain(p);
      const platform::display::Image frame = EngineFrame();
      shown = server.Grab();
      if (shown.width != width || shown.height != height)
        same = ::testing::AssertionFailure() << "the window is " << shown.width << "x"
                                             << shown.height << ", not " << width << "x" << height;
      else
        same = xshot::ShowsFrame(shown, frame);
      if (same || std::chrono::steady_clock::now() > deadline) return same;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  // Checks the window in its own size: the X server shows the engine's frame, and that frame
  // is the golden screen under tests/golden/e2e/sdl/.
  static void CheckShown(TPlatform* p, const char* screen) {
    // A last pass a whole frame interval on: whatever the window's focus (frames come less
    // often in the background), the frame shown is the one of this moment.
    Tick(p, 1, 200);
    EXPECT_TRUE(p->IsForeground()) << screen << ": the window lost the focus to another client";
    platform::display::Image shown;
    EXPECT_TRUE(AwaitShown(p, 800, 600, shown)) << screen;
    EXPECT_TRUE(golden::MatchesGolden(shown, std::string("e2e/sdl/") + screen + ".png", 2));
  }

  static inline platform::window::sdl::Window* sWindow = nullptr;
  std::string mSavedAudioDriver;
  bool mHadAudioDriver = false;
};

TEST_F(SdlScreensTest, XServerShowsTheMenuASceneAndAPuzzleAsDrawnInAWindowAndFullScreen) {
  Play([&](TPlatform* p, QMGameManager& game) {
    // After the intro the first run asks who is playing; the menu welcomes the new player.
    FirstPlayer(p, game);
    Tick(p, 60);
    CheckShown(p, "menu");

    // Play: the player just chosen goes straight into the story's first level.
    ClickOn(p, "play");
    ASSERT_TRUE(Until(p, [] { return Scene() != nullptr; })) << "the story's first level\n"
                                                             << Log();
    Watch(p, 1120);  // the scene centres itself and takes clicks a second after it starts
    CheckShown(p, "harbour");

    // The level's options offer the way back to the menu and out of the game; Cancel goes on.
    ClickOn(p, "options");
    ASSERT_TRUE(Until(p, [] { return Find<TOptions>("optionspanel") != nullptr; })) << Log();
    Tick(p, 8);
    CheckShown(p, "level_options");
    ClickOn(p, "cancel");
    ASSERT_TRUE(Until(p, [] { return Find<TOptions>("optionspanel") == nullptr; }));
    Tick(p, 8);

    // Every object found, scrolling with the arrow keys: the closing words stand on a panel,
    // then the story goes on to the word puzzle.
    for (const sample::HiddenObject& o : sample::kHarbour) FindObject(p, o);
    ASSERT_TRUE(Until(
        p, [] { return Shown("donepanel"); }, 8000))
        << Log();
    Watch(p, 480);
    CheckShown(p, "harbour_done");
    ASSERT_TRUE(Until(
        p, [] { return Find<QMWordPuzzleWindow>("puzzleWindow") != nullptr; }, 12000))
        << Log();
    Watch(p, 1920);  // the round's banner comes and goes
    CheckShown(p, "word");

    // The first round solved: its end stands below the finished grid.
    for (const auto& [letter, cell] :
         {std::pair{"S_1_row2", "Grid_Text_1_2"}, std::pair{"U_2_row2", "Grid_Text_2_2"},
          std::pair{"N_0_row2", "Grid_Text_3_2"}, std::pair{"R_1_column2", "Grid_Text_2_1"},
          std::pair{"G_0_column2", "Grid_Text_2_3"}}) {
      ClickOn(p, letter);
      Tick(p, 4);
      ClickOn(p, cell);
      Watch(p, 960);
    }
    ASSERT_TRUE(Until(p, [] { return Shown("roundendok"); })) << Log();
    Watch(p, 480);
    CheckShown(p, "word_round_end");
    ClickOn(p, "roundendok");
    ASSERT_TRUE(Until(p, [] { return !Shown("roundendok"); }));
    Watch(p, 1920);

    // Alt+Enter: the frame is stretched over the whole desktop, and a click lands where the
    // stretched picture shows the button.
    SDL_DisplayMode desktop;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0) << SDL_GetError();
    ASSERT_TRUE(AwaitFocus(p)) << "only the window in front switches to full screen";
    PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN, false, KMOD_LALT);
    PushKey(SDL_KEYUP, SDLK_RETURN, SDL_SCANCODE_RETURN, false, KMOD_LALT);
    Drain(p);
    Tick(p, 1, 200);
    EXPECT_TRUE(p->IsFullScreen());
    platform::display::Image shown;
    EXPECT_TRUE(AwaitShown(p, desktop.w, desktop.h, shown)) << "full screen";
    const TPoint back = Centre("wordback");
    Click(p, back.x * desktop.w / 800, back.y * desktop.h / 600);
    EXPECT_TRUE(Until(p, [] { return Find<TMainMenu>("mainmenu") != nullptr; }))
        << "Back, clicked on the stretched picture, leads to the menu\n"
        << Log();
    EXPECT_EQ(game.GetPrefs().GetInt("fullscreen", 0, -1), 1) << "the choice is kept";
  });
  EXPECT_FALSE(Logged("rror")) << Log();
}

TEST_F(SdlScreensTest, XServerShowsTheGuideClosingAnArcadeSceneItsPausePanelAndTheCodex) {
  Play([&](TPlatform* p, QMGameManager& game) {
    FirstPlayer(p, game);

    // Escape on the guide, which is not play, closes it: no pause panel takes its clicks.
    ClickOn(p, "guide");
    ASSERT_TRUE(Until(p, [] { return Shown("closeButton"); })) << Log();
    Watch(p, 480);
    PressEscape(p);
    EXPECT_TRUE(Until(p, [] { return !Shown("closeButton") && Shown("arcade"); })) << Log();
    EXPECT_FALSE(Shown("resume")) << "no pause panel";

    // An arcade run: a painted scene; an object found is struck through in the list.
    ClickOn(p, "arcade");
    QMArcadeGame* arcade = nullptr;
    ASSERT_TRUE(Until(p, [&] { return (arcade = Find<QMArcadeGame>("puzzleWindow")) != nullptr; }))
        << Log();
    Watch(p, 2000);
    for (const QMArcadeGame::ItemPtr& item : *arcade->GetCurrentItems()) {
      if (item->state != kArcadeItemInList || item->RectUnset() || item->RectMissing()) continue;
      Click(p, (item->left + item->right) / 2, (item->top + item->bottom) / 2);
      break;
    }
    Watch(p, 3000);
    CheckShown(p, "arcade");

    // Escape pauses the run: the panel hides the scene.
    PressEscape(p);
    ASSERT_TRUE(Until(p, [] { return Shown("savequit"); })) << Log();
    Watch(p, 480);
    CheckShown(p, "arcade_pause");
    // Save and quit leads back to the menu.
    ClickOn(p, "savequit");
    ASSERT_TRUE(Until(p, [] { return Find<TMainMenu>("mainmenu") != nullptr && Shown("map"); }))
        << Log();

    // The codex, from the map: the first check brings a tip, written where nothing else is.
    ClickOn(p, "map");
    ASSERT_TRUE(Until(p, [] { return Shown("codexButton"); })) << Log();
    ClickOn(p, "codexButton");
    ASSERT_TRUE(Until(p, [] { return Shown("codextitle"); })) << Log();
    Watch(p, 1920);
    const auto cell = [&](int row, int column) {
      Click(p, 90 + column * 50 + 24, 92 + row * 40 + 19);
      Tick(p, 2);
    };
    cell(0, 0);
    Watch(p, 480);  // the tip has faded in
    CheckShown(p, "codex_tip");
    // The round solved: its message stands on an opaque card over the clue slides.
    cell(1, 1);
    cell(2, 2);
    ASSERT_TRUE(Until(
        p, [] { return Shown("roundendok"); }, 6000))
        << Log();
    Watch(p, 480);
    CheckShown(p, "codex_round_end");
  });
  EXPECT_FALSE(Logged("rror")) << Log();
}

}  // namespace
