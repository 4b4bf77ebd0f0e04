// The game's menu screens run inside the engine on the headless platform: the name entry with
// its typing sounds, the choose-player screen and the options screen, driven by injected clicks
// and typing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "game/GameScreenFixture.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/TChoosePlayer.h"
#include "game/shell/TCustomTextEdit.h"
#include "game/shell/TOptions.h"
#include "render/TTexture.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "sound/TSoundData.h"
#include "anim/KAnimSound.h"
#include "platform/window/headless/Window.h"
#include "sound/TSoundInstance.h"
#include "sound/TSoundStream.h"
#include "sound/TSoundManager.h"
#include "window/TButton.h"
#include "window/TImage.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TSlider.h"
#include "window/TText.h"
#include "window/TTextEdit.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"
#include "window/text/ShownText.h"

namespace {

// The sample's screens with the game object and the game's window types.
class MenuScreensTest : public GameScreenTest {
protected:
  // Sound time passes in the sound thread's steps of 50 ms; the ends reach the game at the
  // next ticks.
  static void PlayOut(TPlatform* p, uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 50) {
      platform::os::AdvanceVirtualTime(50);
      TSoundManager::Instance()->UpdateStreams();
    }
    Tick(p, 32);
  }
};

// The layout's initial text goes at the first key, each taken character plays one typing
// sound, and the OK partner shows only while the field holds text.
TEST_F(MenuScreensTest, TypingANamePlaysTypingSoundsAndShowsOkWhileTheFieldHoldsText) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    Build(p,
          "TextEdit({ name = 'entry', x = 0, y = 0, w = 200, h = 20, length = 4, "
          "label = 'Your name', clearinitial = true, enablewindow = 'ok' }), "
          "TextEdit({ name = 'plain', x = 0, y = 30, w = 200, h = 20, label = 'keep' }), "
          "TextEdit({ name = 'fresh', x = 0, y = 90, w = 200, h = 20, label = 'Name?', "
          "clearinitial = true }), "
          "Text({ name = 'ok', x = 0, y = 60, w = 40, h = 20, label = 'OK' })");
    auto* entry = Find<TCustomTextEdit>("entry");
    ASSERT_NE(entry, nullptr) << "layouts' text edits are the game's own";
    EXPECT_EQ(entry->GetText(), str("Your name"));
    TWindow* ok = TWindowManager::Instance()->GetTopModal()->FindChild("ok", -1);
    ok->SetFlags(ok->GetFlags() & ~kWindowShown);

    Click(p, 5, 5);
    EXPECT_EQ(entry->GetText(), str("")) << "the first click clears the initial text";
    EXPECT_EQ(Playing(), 0u);
    EXPECT_FALSE(Shown("ok"));

    Type(p, "Z");
    EXPECT_EQ(entry->GetText(), str("Z"));
    EXPECT_EQ(Playing(), 1u);
    EXPECT_TRUE(Shown("ok"));
    Type(p, "oeXY");  // length 4 takes three characters; the refused ones play nothing
    EXPECT_EQ(entry->GetText(), str("Zoe"));
    EXPECT_EQ(Playing(), 3u);
    Type(p, "\b\b");
    EXPECT_TRUE(Shown("ok"));
    Type(p, "\b");
    EXPECT_EQ(entry->GetText(), str(""));
    EXPECT_FALSE(Shown("ok")) << "backspacing the last character hides the partner";
    EXPECT_EQ(Playing(), 3u);

    // Without "clearinitial" the layout's text stays and typing adds to it.
    Click(p, 5, 35);
    Type(p, "s");
    EXPECT_EQ(Find<TCustomTextEdit>("plain")->GetText(), str("keeps"));
    EXPECT_EQ(Playing(), 4u);

    // A first key press, with no click before it, also clears the initial text.
    Host()->DoLuaString("SetFocus('fresh')");
    Type(p, "A");
    EXPECT_EQ(Find<TCustomTextEdit>("fresh")->GetText(), str("A"));
    EXPECT_EQ(Playing(), 5u);

    // Closing the fields right after a key does not cut the typing sounds short.
    Host()->DoLuaString("ClearModalChildren()");
    p->GetWindowManager()->FlushDeletes();
    EXPECT_EQ(Find<TCustomTextEdit>("fresh"), nullptr);
    Tick(p, 32);
    EXPECT_EQ(Playing(), 5u) << "the typing sounds play to their end";
    PlayOut(p, 3000);
    EXPECT_EQ(Playing(), 0u) << "and end";
  });
}

// The OK partner follows the text after every edit: a first-key backspace
// that clears the initial text, the Delete key, and a paste.
TEST_F(MenuScreensTest, TheOkPartnerFollowsTheTextAfterEveryEdit) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    Build(p,
          "TextEdit({ name = 'entry', x = 0, y = 0, w = 200, h = 20, "
          "label = 'Your name', clearinitial = true, enablewindow = 'ok' }), "
          "Text({ name = 'ok', x = 0, y = 60, w = 40, h = 20, label = 'OK' })");
    auto* entry = Find<TCustomTextEdit>("entry");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(Shown("ok")) << "as the layout made it";
    Host()->DoLuaString("SetFocus('entry')");
    Type(p, "\b");
    EXPECT_EQ(entry->GetText(), str(""));
    EXPECT_FALSE(Shown("ok")) << "a first-key backspace leaves the field empty";

    Type(p, "ab");
    EXPECT_TRUE(Shown("ok"));
    Send(p, kEventKeyDown, 0, 0, kKeyLeft);
    Send(p, kEventKeyDown, 0, 0, kKeyLeft);
    Send(p, kEventKeyDown, 0, 0, kKeyDelete);
    EXPECT_EQ(entry->GetText(), str("b"));
    EXPECT_TRUE(Shown("ok"));
    Send(p, kEventKeyDown, 0, 0, kKeyDelete);
    EXPECT_EQ(entry->GetText(), str(""));
    EXPECT_FALSE(Shown("ok")) << "deleting the last character hides the partner";

    ASSERT_TRUE(platform::window::headless::SetClipboardText("Zoe"));
    Send(p, kEventKeyDown, 0, 0, kKeyInsert);
    EXPECT_EQ(entry->GetText(), str("Zoe"));
    EXPECT_TRUE(Shown("ok")) << "a paste shows the partner";
  });
}

// A first key that only clears the initial text (an arrow, or Delete at its end) is an edit
// too: the modal hears of it, as a dialog that shows its send button by the text must.
TEST_F(MenuScreensTest, ClearingTheInitialTextTellsTheModal) {
  struct Counter : TMessageListener {
    explicit Counter(int* count) : count(count) {}
    bool OnMessage(TMessage* m) override {
      if (m->GetId() == kTextEditChanged) ++*count;
      return false;
    }
    int* count;
  };
  for (int key : {kKeyLeft, kKeyDelete}) {
    SCOPED_TRACE(key);
    int changes = 0;
    RunGame([&](TPlatform* p, QMGameManager&) {
      p->GetWindowManager()->AddMessageListener(std::make_unique<Counter>(&changes));
      Build(p,
            "TextEdit({ name = 'entry', x = 0, y = 0, w = 200, h = 20, "
            "label = 'Your name', clearinitial = true })");
      Host()->DoLuaString("SetFocus('entry')");
      Idle(p, 1);
      changes = 0;
      Send(p, kEventKeyDown, 0, 0, key);
      Idle(p, 1);
      EXPECT_EQ(Find<TCustomTextEdit>("entry")->GetText(), str(""));
      EXPECT_EQ(changes, 1);
    });
  }
}

// A sound a script plays by name keeps no handle, yet is heard to its end; a name that does
// not load plays nothing.
TEST_F(MenuScreensTest, GlobalSoundPlaysToItsEndWithNoHandleKept) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    Host()->DoLuaString("PlayGlobalSound('audio/sfx/sfx_found.ogg')");
    EXPECT_EQ(Playing(), 1u);
    Tick(p, 80);
    EXPECT_EQ(Playing(), 1u) << "still heard once the call has returned and frames passed";
    PlayOut(p, 3000);
    EXPECT_EQ(Playing(), 0u) << "and ends on its own";
    Host()->DoLuaString("PlayGlobalSound('audio/sfx/no_such_sound.ogg')");
    EXPECT_EQ(Playing(), 0u);
  });
}

// A script pauses and resumes the animation sound registered under an id; other ids do nothing.
TEST_F(MenuScreensTest, ScriptsPauseAnAnimationSoundByItsId) {
  RunGame([&](TPlatform*, QMGameManager&) {
    // The scene that started the sound keeps it loaded.
    boost::shared_ptr<TSound> sound = TSound::Get("audio/intro_theme.ogg", false, 1003);
    auto* step = new KAnimSound(sound, true, "theme");
    step->Start();
    KReleaseRef(step);
    boost::shared_ptr<TSoundInstance> theme = KAnimSound::FindInstance("theme");
    ASSERT_TRUE(theme && theme->GetStream());
    Host()->DoLuaString("PauseSoundInstancebyID('other', true)");
    EXPECT_FALSE(theme->GetStream()->IsPaused());
    Host()->DoLuaString("PauseSoundInstancebyID('theme', true)");
    EXPECT_TRUE(theme->GetStream()->IsPaused());
    Host()->DoLuaString("PauseSoundInstancebyID('theme', false)");
    EXPECT_FALSE(theme->GetStream()->IsPaused());
    theme->Stop();
  });
}

// A new player is made on the sample screen by typing and Create; the name comes back intact
// through the generated Lua text however many quotes and backslashes it holds.
TEST_F(MenuScreensTest, ChoosePlayerScreenCreatesAndListsPlayersWithAnyName) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    Screen(p, "chooseplayer.lua");
    ASSERT_NE(Find<TChoosePlayer>("chooser"), nullptr);
    Host()->DoLuaString("gCount = table.getn(gPlayerChoices)");
    EXPECT_EQ(Host()->GetGlobalNumber("gCount"), 0) << "no profiles: an empty table";
    EXPECT_FALSE(Shown("button0"));
    EXPECT_FALSE(Shown("create"));

    const std::string odd = "O'Brien \"x\" \\ ]]";
    ClickOn(p, "newname");
    Type(p, odd);
    EXPECT_GT(Playing(), 0u) << "typing plays the typing sounds";
    EXPECT_TRUE(Shown("create")) << "a name enables Create";
    ClickOn(p, "create");
    ASSERT_EQ(g.GetNumUsers(), 1);
    EXPECT_EQ(std::string(g.GetUserName(0).CStr()), odd) << "stored intact";
    EXPECT_TRUE(Shown("button0")) << "the new player is the first choice";
    EXPECT_FALSE(Shown("button1"));
    EXPECT_EQ(ShownText(*Find<TText>("playername0")->GetLayout()), odd) << "shown intact";
    Host()->DoLuaString("gName = GetSelectedPlayerName()");
    EXPECT_EQ(Global("gName"), odd);

    ClickOn(p, "newname");
    Type(p, "Bob");
    ClickOn(p, "create");
    ASSERT_EQ(g.GetNumUsers(), 2);
    EXPECT_EQ(g.GetCurrentUser(), 1);
    Host()->DoLuaString(
        "gSel = GetCurrentSelectedUser() gName = GetPlayerName(1.7) "
        "gNone = GetPlayerName(5) .. '|' .. GetPlayerName(-1)");
    EXPECT_EQ(Host()->GetGlobalNumber("gSel"), 1) << "the current player's button is checked";
    EXPECT_EQ(Global("gName"), "Bob");
    EXPECT_EQ(Global("gNone"), "|");
    ClickOn(p, "button0");
    Host()->DoLuaString("gSel = GetCurrentSelectedUser()");
    EXPECT_EQ(Host()->GetGlobalNumber("gSel"), 0);

    // Names that spell markup are listed as typed: no size, style or line of their own.
    const std::string markups[] = {"<font size='200'>X", "a<br>b", "<b>c\\"};
    for (const std::string& name : markups) {
      ClickOn(p, "newname");
      Type(p, name);
      ClickOn(p, "create");
    }
    ASSERT_EQ(g.GetNumUsers(), 5);
    for (int i = 0; i < 5; ++i) {
      TTextLayout* layout = Find<TText>(("playername" + std::to_string(i)).c_str())->GetLayout();
      EXPECT_EQ(ShownText(*layout), std::string(g.GetUserName(i).CStr()));
      EXPECT_EQ(layout->GetLineCount(), 1) << i;
      for (const TTextRun& r : layout->GetLines()[0]->runs)
        if (r.last >= r.first) {
          EXPECT_EQ(r.size, 16) << i;
          EXPECT_FALSE(r.bold) << i;
        }
    }
  });
}

// Twelve profiles: ten are offered, the count says twelve; with no button checked the first
// slot is the selection.
TEST_F(MenuScreensTest, ChoosePlayerOffersTenOfTwelveProfiles) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    for (int i = 0; i < 12; ++i) g.CreateNewUser(str::Format("P%d", i));
    Host()->DoLuaString(
        "function UpdatePlayerChoices(current, count, names) "
        "gArgs = current .. ' ' .. count .. ' ' .. table.getn(names) .. ' ' .. "
        "names[10] end");
    Build(p, "ChoosePlayerWindow({ name = 'chooser', x = 0, y = 0, w = 100, h = 100 })");
    EXPECT_EQ(Global("gArgs"), "11 12 10 P9");
    Host()->DoLuaString("gSel = GetCurrentSelectedUser() gName = GetSelectedPlayerName()");
    EXPECT_EQ(Host()->GetGlobalNumber("gSel"), 0) << "no buttons: none checked";
    EXPECT_EQ(Global("gName"), "P0");
  });
}

// The dialog's functions die with it; a copy kept by a script raises instead of reaching it.
TEST_F(MenuScreensTest, ChoosePlayerFunctionsAreGoneWithTheirWindow) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    Host()->DoLuaString("function UpdatePlayerChoices() end");
    Build(p, "ChoosePlayerWindow({ name = 'chooser', x = 0, y = 0, w = 100, h = 100 })");
    Host()->DoLuaString("gKept = GetPlayerName");
    p->GetWindowManager()->DoPopModal("m");
    p->GetWindowManager()->FlushDeletes();
    Host()->DoLuaString(
        "gLeft = tostring(SetPlayerChoices) .. tostring(GetCurrentSelectedUser) .. "
        "tostring(GetSelectedPlayerName) .. tostring(GetPlayerName) "
        "local ok, err = pcall(gKept, 0) gErr = tostring(err)");
    EXPECT_EQ(Global("gLeft"), "nilnilnilnil");
    EXPECT_NE(Global("gErr").find("window is gone"), std::string::npos) << Global("gErr");
  });
}

// Drags a slider's thumb by dx pixels and lets it go.
void Drag(TPlatform* p, TSlider* slider, int dx) {
  TRect r;
  slider->GetThumb()->GetScreenRect(r);
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  p->GetWindowManager()->HandleEvent(MakeEvent(kEventMouseMove, x, y));
  p->GetWindowManager()->HandleEvent(MakeEvent(kEventLeftDown, x, y));
  p->GetWindowManager()->HandleEvent(MakeEvent(kEventMouseMove, x + dx, y));
  p->GetWindowManager()->HandleEvent(MakeEvent(kEventLeftUp, x + dx, y));
}

// The sample options screen: the sliders open at the stored levels and drive the sound groups,
// a release plays the test sound, OK stores both levels, the boxes mute and go full screen.
TEST_F(MenuScreensTest, OptionsScreenSetsSoundGroupsStoresLevelsMutesAndGoesFullScreen) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    g.CreateNewUser("Ann");
    TSoundManager* sound = TSoundManager::Instance();
    const bool wasFull = p->IsFullScreen();
    Screen(p, "options.lua");
    ASSERT_NE(Find<TOptions>("optionspanel"), nullptr);
    TSlider* sfx = Find<TSlider>("sfxlevelslider");
    TSlider* music = Find<TSlider>("musiclevelslider");
    ASSERT_TRUE(sfx && music);
    EXPECT_FLOAT_EQ(sfx->GetValue(), 0.75f) << "no stored level: 750";
    for (int group : {1000, 1003, 0, 1001}) EXPECT_FLOAT_EQ(sound->GetVolume(group), 0.75f);
    EXPECT_TRUE(Find<TButton>("mutebox")->GetToggleState()) << "checked: sound on";
    EXPECT_EQ(Find<TButton>("fullscreen")->GetToggleState(), wasFull);

    const size_t before = Playing();
    Drag(p, sfx, -150);
    EXPECT_LT(sfx->GetValue(), 0.75f);
    for (int group : {1000, 1003, 0}) EXPECT_FLOAT_EQ(sound->GetVolume(group), sfx->GetValue());
    EXPECT_FLOAT_EQ(sound->GetVolume(1001), 0.75f) << "music stays";
    EXPECT_EQ(Playing(), before + 1) << "the release plays the test sound";
    Drag(p, music, 400);
    EXPECT_FLOAT_EQ(music->GetValue(), 1.0f);
    EXPECT_FLOAT_EQ(sound->GetVolume(1001), 1.0f);
    EXPECT_FLOAT_EQ(sound->GetVolume(1000), sfx->GetValue()) << "effects stay";

    ClickOn(p, "mutebox");
    EXPECT_FLOAT_EQ(sound->GetMasterVolume(), 0.0f);
    EXPECT_EQ(g.GetPrefs().GetInt("soundoff", 0, 0), 1);
    ClickOn(p, "fullscreen");
    EXPECT_NE(p->IsFullScreen(), wasFull);

    // 0.3333 stores 333: the level is truncated, not rounded.
    sfx->SetValue(0.3333f);
    const int sfxLevel = static_cast<int>(static_cast<double>(sfx->GetValue()) * 1000.0);
    EXPECT_EQ(sfxLevel, 333);
    ClickOn(p, "ok");
    EXPECT_EQ(g.GetPrefs().GetInt("soundlevel", 0, 0), 333);
    EXPECT_EQ(g.GetPrefs().GetInt("musiclevel", 0, 0), 1000);
    p->GetWindowManager()->FlushDeletes();
    Host()->DoLuaString("gLeft = tostring(SaveVolumes)");
    EXPECT_EQ(Global("gLeft"), "nil") << "the closed dialog's function is gone";

    // Neither a replaced test sound nor the one playing as the dialog closes is cut short.
    auto testSoundsPlaying = [] {
      size_t n = 0;
      for (int group : {1000, 1001}) {
        boost::shared_ptr<TSound> s = TSound::Get("audio/sfx/sfx_testSound.ogg", false, group);
        n += s && s->GetData() ? s->GetData()->GetInstanceCount() : 0;
      }
      return n;
    };
    Tick(p, 32);
    EXPECT_EQ(testSoundsPlaying(), 2u) << "the effects and the music test sounds play on";
    PlayOut(p, 5000);
    EXPECT_EQ(testSoundsPlaying(), 0u) << "and end";
  });
}

// Stored levels open the sliders; a layout without the boxes or sliders is left alone, and
// saving without sliders stores nothing.
TEST_F(MenuScreensTest, OptionsWindowReadsStoredLevelsAndSkipsMissingChildren) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    g.CreateNewUser("Ann");
    g.GetPrefs().SetInt("soundlevel", 200, 0, true);
    g.GetPrefs().SetInt("musiclevel", 400, 0, true);
    g.GetPrefs().SetInt("soundoff", 1, 0, true);
    Build(p,
          "OptionsWindow({ name = 'optionspanel', x = 0, y = 0, w = 400, h = 300, "
          "Slider({ name = 'musiclevelslider', x = 0, y = 0, w = 100, h = 10 }), "
          "Text({ name = 'sfxlevelslider', x = 0, y = 20, w = 100, h = 10, label = '#x' }), "
          "Button({ name = 'mutebox', type = kToggle, x = 0, y = 40, on = true }) })");
    ASSERT_NE(Find<TOptions>("optionspanel"), nullptr);
    EXPECT_FLOAT_EQ(Find<TSlider>("musiclevelslider")->GetValue(), 0.4f);
    EXPECT_FLOAT_EQ(TSoundManager::Instance()->GetVolume(1001), 0.4f);
    EXPECT_FALSE(Find<TButton>("mutebox")->GetToggleState()) << "muted: unchecked";
    Host()->DoLuaString("SaveVolumes()");
    EXPECT_EQ(g.GetPrefs().GetInt("soundlevel", 0, 0), 200) << "a text is no slider";
    EXPECT_EQ(g.GetPrefs().GetInt("musiclevel", 0, 0), 400);
  });
}

}  // namespace

namespace {

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

// A script error in a button's command, at parse or at run time, stops that command with a
// log line naming the file and line; the menu stays, its script goes on waiting, and the next
// button (one whose command waits in turn) still works, as often as it is pressed. A dialog the
// failing command had opened goes with it instead of covering the menu.
TEST_F(MenuScreensTest, AFailingButtonCommandStopsOnlyThatCommand) {
  WriteAsset("scripts/ui/broken_syntax.lua", "return function()\n  local x = = 1\nend\n");
  WriteAsset("scripts/ui/broken_dialog.lua",
             "MakeDialog({ DialogPushButton({ name = 'half', caption = '#H', x = 0, y = 0 }) })\n"
             "local t = nil\n"
             "t.field = 1\n");
  WriteAsset("scripts/ui/broken_run.lua",
             "return function()\n  local t = nil\n  return t.field\nend\n");
  WriteAsset("scripts/ui/testmenu.lua",
             "dofile('scripts/ui/buttons.lua')\n"
             "return function()\n"
             "  local id = PushModal('menu')\n"
             "  MakeDialog({\n"
             "    DialogPushButton({ name = 'syntax', caption = '#S', x = 0, y = 0,\n"
             "      command = function() dofile('scripts/ui/broken_syntax.lua')() end }),\n"
             "    DialogPushButton({ name = 'runtime', caption = '#R', x = 0, y = 60,\n"
             "      command = function() dofile('scripts/ui/broken_run.lua')() end }),\n"
             "    DialogPushButton({ name = 'works', caption = '#W', x = 0, y = 120,\n"
             "      command = function() Pause(100) gWorked = (gWorked or 0) + 1 end }),\n"
             "    DialogPushButton({ name = 'dialog', caption = '#D', x = 0, y = 180,\n"
             "      command = function() DoModal('scripts/ui/broken_dialog.lua') end }),\n"
             "  })\n"
             "  WaitForCloseMessage(id)\n"
             "  gMenuDone = 1\n"
             "end\n");
  RunGame([&](TPlatform* p, QMGameManager&) {
    Screen(p, "testmenu.lua");
    Idle(p, 3);
    ASSERT_NE(FindWindow("syntax"), nullptr);
    ClickOn(p, "syntax");
    Idle(p, 3);
    EXPECT_TRUE(Logged("Command stopped by an error: ")) << Log();
    EXPECT_TRUE(Logged("scripts/ui/broken_syntax.lua:2:")) << Log();
    ClickOn(p, "runtime");
    Idle(p, 3);
    EXPECT_TRUE(Logged("scripts/ui/broken_run.lua:3: attempt to index")) << Log();
    EXPECT_FALSE(Logged("that a command stopped by an error had opened")) << "none was opened";
    ClickOn(p, "dialog");
    Idle(p, 3);
    EXPECT_TRUE(Logged("scripts/ui/broken_dialog.lua:3:")) << Log();
    EXPECT_EQ(FindWindow("half"), nullptr) << "the half-built dialog is gone";
    EXPECT_TRUE(Logged("Closed 1 window that a command stopped by an error had opened")) << Log();
    for (int round = 1; round <= 2; ++round) {
      ClickOn(p, "works");
      Tick(p, 48);
      EXPECT_EQ(Global("gWorked"), round == 1 ? "" : "1") << "the command waits";
      Tick(p, 160);
      EXPECT_EQ(Global("gWorked"), std::to_string(round)) << "and then finishes";
    }
    EXPECT_NE(FindWindow("works"), nullptr) << "the menu stays";
    EXPECT_TRUE(Host()->IsYielded()) << "its script still waits for messages";
    EXPECT_FALSE(Host()->HasCoroutineFailed());
    EXPECT_EQ(Global("gMenuDone"), "");
    EXPECT_EQ(Occurrences(Log(), "Command stopped by an error: "), 3u);
  });
}

// An image asked for by a name that does not load is named in the log, once however often it
// is asked for; a missing file and a damaged one are told apart.
TEST_F(MenuScreensTest, AnImageThatDoesNotLoadIsNamedInTheLogOnce) {
  std::filesystem::remove(mWork + "/assets/images/harbour.png");
  WriteAsset("images/damaged.png", "\x89PNG\r\n\x1a\n cut short");
  RunGame([&](TPlatform* p, QMGameManager&) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_FALSE(TTexture::Get("images/harbour.png"));
      EXPECT_FALSE(TTexture::Get("images/damaged.png"));
      Idle(p, 1);
    }
    const std::string log = Log();
    EXPECT_EQ(Occurrences(log, "cannot load image images/harbour.png: no such file"), 1u) << log;
    EXPECT_EQ(Occurrences(log,
                          "cannot load image images/damaged.png: the file or its mask could "
                          "not be loaded"),
              1u)
        << log;
    EXPECT_TRUE(TTexture::Get("images/menu_bg.png")) << "other images still load";
  });
}
