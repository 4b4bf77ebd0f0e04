// The widgets inside the running engine: a dialog built from a Lua layout with a style (text,
// images, push, toggle, radio, masked and hot-key buttons, a slider, two text edits) answers
// injected clicks, drags, wheel turns and typing with the messages, values and Lua actions
// the widgets promise; frames of the text edit's caret and of the sample menu are compared
// with stored ones.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "window/text/ShownText.h"
#include "window/text/TextFixture.h"
#include "support/Golden.h"
#include "window/WindowTestSupport.h"

#include "core/Timer.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "platform/window/Messages.h"
#include "script/binding/TWindowScript.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/IWindowSound.h"
#include "window/TButton.h"
#include "window/TImage.h"
#include "window/TSlider.h"
#include "window/TText.h"
#include "window/TTextEdit.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"
#include "window/text/TTextLayout.h"

namespace {

// Solid images of one colour; the mask is black on its left half and white on its right.
uint32_t Solid(uint32_t c) { return c; }

class WidgetsTest : public TextTest {
protected:
  void WriteImages() {
    const uint32_t colours[4] = {0xFFC00000u, 0xFF00C000u, 0xFF0000C0u, 0xFFC0C000u};
    for (int i = 0; i < 4; ++i) {
      uint32_t c = colours[i];
      WritePng("b" + std::to_string(i) + ".png", 40, 20, [c](int, int) { return Solid(c); });
      WritePng("r" + std::to_string(i) + ".png", 20, 20, [c](int, int) { return Solid(c); });
    }
    WritePng("mask.png", 40, 20, [](int x, int) { return x < 20 ? kBlack : kWhite; });
    WriteJpeg("pic.jpg", 101, 40, [](int x, int) { return x < 50 ? kRed : kBlue; });
    WritePng("rail.png", 6, 4, [](int, int) { return 0xFF808080u; });
    WritePng("thumb.png", 10, 10, [](int, int) { return kWhite; });
    WritePng("thumb2.png", 10, 10, [](int, int) { return kGreen; });
    WriteAsset("strings.xml",
               "<Table><Row><Cell><Data>GREETING</Data></Cell><Cell><Data>Hello</Data></Cell>"
               "</Row></Table>\n");
  }

  static void Send(TPlatform* p, int type, int x, int y, int code = 0, int modifiers = 0) {
    p->GetWindowManager()->HandleEvent(MakeEvent(type, x, y, code, modifiers));
  }
  // Pushes a modal and builds the layout's windows in it.
  static void Build(TPlatform* p, const std::string& windows) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(
        wm->GetRoot(),
        ("PushModal('m') MakeDialog({ " + windows + " }) DoFitToChildren()").c_str());
  }
  static void Move(TPlatform* p, int x, int y) { Send(p, kEventMouseMove, x, y); }
  // A player's click: the mouse arrives, goes down and comes up at one place.
  static void Click(TPlatform* p, int x, int y) {
    Move(p, x, y);
    Send(p, kEventLeftDown, x, y);
    Send(p, kEventLeftUp, x, y);
  }
  static void Type(TPlatform* p, const std::string& text) {
    for (unsigned char c : text) Send(p, kEventChar, 0, 0, c);
  }
  static void Key(TPlatform* p, int code, int modifiers = 0) {
    Send(p, kEventKeyDown, 0, 0, code, modifiers);
  }
  static void Idle(TPlatform* p, int frames, uint32_t stepMs = 13) {
    for (int i = 0; i < frames; ++i) {
      platform::os::AdvanceVirtualTime(stepMs);
      Send(p, kEventIdle, 0, 0);
    }
  }

  static std::string Global(const char* name) {
    return TWindowScript::Of(TWindowManager::Instance())->GetGlobalString(name).CStr();
  }
  // The messages the dialog's script received since the last call, then forgets them.
  static std::string TakeLog() {
    std::string log = Global("gLog");
    TWindowScript::Of(TWindowManager::Instance())->SetGlobalString("gLog", "");
    return log;
  }
  template <typename W>
  static W* Find(const char* name) {
    TWindow* top = TWindowManager::Instance()->GetTopModal();
    TWindow* w = top ? top->FindChild(name, -1) : nullptr;
    return w && w->IsKindOf(W::GetClassId()) ? static_cast<W*>(w) : nullptr;
  }
};

const char* kDialog = R"(
gStyle = { font = { 'fonts/sans.mvec', 14, Color(0, 0, 0) } }
local push = { 'b0.png', 'b1.png', 'b2.png' }
local four = { 'b0.png', 'b1.png', 'b2.png', 'b3.png' }
local radio = { 'r0.png', 'r1.png', 'r2.png', 'r3.png' }
function Note() gTrace = gTrace .. GetButtonName() .. ' ' end
return function()
  gId = PushModal('dialog')
  SetDefaultStyle(gStyle)
  MakeDialog({
    Text({ name = 'greeting', label = 'GREETING', x = 0, y = 0, w = 200, h = 20 }),
    Text({ name = 'literal', label = '#Score', x = 200, y = 0, w = 60, h = 20 }),
    Text({ name = 'number', label = '12.5', x = 260, y = 0, w = 60, h = 20 }),
    Text({ name = 'nosize', label = 'GREETING' }),
    Bitmap({ name = 'picture', image = 'pic.jpg', scale = 0.5, x = 200, y = 20 }),
    Bitmap({ name = 'turned', image = 'pic.jpg', scale = 0.5, rotate = true, alpha = true,
             x = 260, y = 20 }),
    Button({ name = 'ok', x = 0, y = 50, default = true, graphics = push }),
    Button({ name = 'cancel', x = 50, y = 50, close = true, cancel = true, graphics = push }),
    Button({ name = 'help', x = 100, y = 50, graphics = push, command = Note }),
    Button({ name = 'masked', x = 150, y = 50, mask = 'mask.png', graphics = push }),
    Button({ name = 'music', type = kToggle, x = 0, y = 80, graphics = four, command = Note }),
    BeginGroup(),
    Button({ name = 'r1', type = kRadio, x = 0, y = 110, on = true, graphics = radio }),
    Button({ name = 'r2', type = kRadio, x = 25, y = 110, graphics = radio }),
    BeginGroup(),
    Button({ name = 'r3', type = kRadio, x = 60, y = 110, on = true, graphics = radio }),
    Slider({ name = 'vol', x = 0, y = 140, w = 100, h = 10, railtop = 'rail.png',
             railmid = 'rail.png', railbot = 'rail.png', sliderimage = 'thumb.png',
             sliderrollimage = 'thumb2.png' }),
    TextEdit({ name = 'who', x = 0, y = 160, w = 120, h = 20, length = 5 }),
    TextEdit({ name = 'city', x = 130, y = 160, w = 120, h = 20, label = 'GREETING',
               ignore = '#' }),
    Text({ name = 'after', label = 'GREETING', x = 260, y = 160, w = 60, h = 20 }),
    Text({ name = 'links', label = "#<a id='help'>help</a> and <a id='nobody'>nobody</a>",
           x = 0, y = 190, w = 300, h = 20 }),
  })
  DoFitToChildren()
  RegisterHotkey('alt-h', 'help')
  gTrace = ''
  gLog = ''
  while true do
    local m = WaitForMessage()
    if m then
      gLog = gLog .. m.type .. ':' .. m.name .. ' '
      if m.type == kModalClosed and m.name == gId then break end
    end
  end
  gDone = 'closed by ' .. tostring(gReturnValue)
end
)";

}  // namespace

TEST_F(WidgetsTest, ADialogFromALuaLayoutAnswersClicksDragsWheelAndTyping) {
  WriteImages();
  std::filesystem::create_directories(mWork + "/assets/scripts");
  WriteAsset("scripts/dialog.lua", kDialog);
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/dialog.lua")) << Log();
        ASSERT_NE(Find<TButton>("ok"), nullptr) << Log();
        Idle(p, 2);

        // Text: labels come from the string table unless marked literal or numeric; a text
        // window without a size says so and never draws.
        EXPECT_EQ(Find<TText>("greeting")->GetText(), str("Hello"));
        EXPECT_EQ(Find<TText>("literal")->GetText(), str("Score"));
        EXPECT_EQ(Find<TText>("number")->GetText(), str("12.5"));
        EXPECT_EQ(Find<TText>("nosize")->GetLayout(), nullptr);
        EXPECT_TRUE(
            Logged("ERROR: Attempting to create text window of size(0,0): named "
                   "'nosize', label 'Hello'"));
        // The text edit's label is its text, never translated.
        EXPECT_EQ(Find<TTextEdit>("city")->GetText(), str("GREETING"));
        EXPECT_EQ(Find<TText>("after")->GetText(), str("Hello"));

        // Images size themselves to the texture times the scale, half up; turned, the sides
        // swap; one with an alpha channel never hides what is beneath.
        TImage* picture = Find<TImage>("picture");
        TImage* turned = Find<TImage>("turned");
        EXPECT_EQ(picture->GetWidth(), 51);
        EXPECT_EQ(picture->GetHeight(), 20);
        EXPECT_EQ(turned->GetWidth(), 20);
        EXPECT_EQ(turned->GetHeight(), 51);
        EXPECT_TRUE(picture->GetFlags() & kWindowOpaque);
        EXPECT_FALSE(turned->GetFlags() & kWindowOpaque);
        picture->SetAlpha(0.99f);
        EXPECT_FALSE(picture->GetFlags() & kWindowOpaque);
        picture->SetAlpha(1.0f);
        EXPECT_TRUE(picture->GetFlags() & kWindowOpaque);

        // A push button pressed and released inside posts one press to its parent and ends
        // in rollover; its size comes from its state images.
        TButton* ok = Find<TButton>("ok");
        EXPECT_EQ(ok->GetWidth(), 40);
        Click(p, 10, 60);
        EXPECT_EQ(TakeLog(), "3:ok ");
        EXPECT_EQ(ok->GetState(), kButtonRollover);
        EXPECT_EQ(ok->GetCurrentLayer(), 2u);
        // Pressed, then released outside (the hover list still brings it the release):
        // nothing is posted and it returns to normal.
        Move(p, 10, 60);
        Send(p, kEventLeftDown, 10, 60);
        EXPECT_EQ(ok->GetCurrentLayer(), 1u);
        Send(p, kEventLeftUp, 300, 230);
        EXPECT_EQ(TakeLog(), "");
        EXPECT_EQ(ok->GetState(), kButtonNormal);

        // The masked button refuses clicks on the black half of its mask.
        Move(p, 300, 230);
        Click(p, 155, 60);
        EXPECT_EQ(TakeLog(), "");
        Click(p, 185, 60);
        EXPECT_EQ(TakeLog(), "3:masked ");

        // A toggle flips on each click, shows its "on" layers, and runs its Lua action.
        TButton* music = Find<TButton>("music");
        Click(p, 10, 90);
        EXPECT_TRUE(music->GetToggleState());
        EXPECT_EQ(music->GetCurrentLayer(), 3u);  // rollover while on
        Move(p, 300, 230);
        EXPECT_EQ(music->GetCurrentLayer(), 1u);  // on
        Click(p, 10, 90);
        EXPECT_FALSE(music->GetToggleState());
        // The action's command reaches the script as a message of its own.
        EXPECT_EQ(TakeLog(), "8:LuaAction:music 3:music 8:LuaAction:music 3:music ");
        EXPECT_EQ(Global("gTrace"), "music music ");

        // A radio button clears the others of its own group only.
        TButton* r1 = Find<TButton>("r1");
        TButton* r2 = Find<TButton>("r2");
        TButton* r3 = Find<TButton>("r3");
        EXPECT_TRUE(r1->GetToggleState());
        EXPECT_TRUE(r3->GetToggleState());
        Click(p, 30, 115);
        EXPECT_FALSE(r1->GetToggleState());
        EXPECT_TRUE(r2->GetToggleState());
        EXPECT_TRUE(r3->GetToggleState());
        EXPECT_EQ(TakeLog(), "3:r2 ");

        // The slider: a click on the rail beside the thumb pages and keeps the value; a drag
        // of the thumb reports every move and the release; the wheel does nothing to it.
        TSlider* vol = Find<TSlider>("vol");
        EXPECT_TRUE(vol->IsHorizontal());
        EXPECT_EQ(vol->GetHeight(), 10);
        Move(p, 300, 230);
        Click(p, 80, 145);
        // The release is no drag's end: the dialog hears it as any key.
        EXPECT_EQ(TakeLog(), "12:vol 4:mouse:up ");
        EXPECT_EQ(vol->GetValue(), 0.0f);
        Move(p, 300, 230);
        Move(p, 5, 145);
        Send(p, kEventLeftDown, 5, 145);
        EXPECT_TRUE(vol->IsDragging());
        Move(p, 25, 145);
        Move(p, 50, 145);
        Send(p, kEventLeftUp, 50, 145);
        EXPECT_FALSE(vol->IsDragging());
        EXPECT_EQ(vol->GetValue(), 0.5f);
        EXPECT_EQ(vol->GetThumb()->GetRect().left, 45);
        EXPECT_EQ(TakeLog(), "9:vol 9:vol 10:vol ");
        Click(p, 2, 145);
        EXPECT_EQ(TakeLog(), "11:vol 4:mouse:up ");
        Move(p, 300, 230);
        Send(p, kEventOtherButton, 50, 145, kWheelForward);
        Send(p, kEventOtherButton, 50, 145, kWheelBack);
        EXPECT_EQ(vol->GetValue(), 0.5f);
        EXPECT_EQ(TakeLog(), "");
        vol->SetValue(-0.5f, true);
        EXPECT_EQ(vol->GetValue(), 0.0f);
        vol->SetValue(2.0f, true);
        EXPECT_EQ(vol->GetValue(), 1.0f);
        EXPECT_EQ(TakeLog(), "");

        // Typing: a click gives the field the focus; length 5 takes four characters, each a
        // change; Tab goes to the next field of the dialog and from the last back to the first.
        TTextEdit* who = Find<TTextEdit>("who");
        TTextEdit* city = Find<TTextEdit>("city");
        Click(p, 10, 165);
        EXPECT_EQ(wm->GetFocus(), who);
        EXPECT_EQ(TakeLog(), "4:mouse:up ");
        Type(p, "abcdefg");
        EXPECT_EQ(who->GetText(), str("abcd"));
        EXPECT_EQ(TakeLog(), "7:who 7:who 7:who 7:who ");
        Key(p, kKeyLeft);
        Type(p, "\b");
        EXPECT_EQ(who->GetText(), str("abd"));
        EXPECT_EQ(who->GetCursor(), 2);
        Type(p, "\t");
        EXPECT_EQ(wm->GetFocus(), city);
        Type(p, "#!");  // '#' is ignored, yet still a change
        EXPECT_EQ(city->GetText(), str("GREETING!"));
        EXPECT_EQ(TakeLog(), "7:who 7:city 7:city ");
        Type(p, "\t");
        EXPECT_EQ(wm->GetFocus(), who);

        // Paste replaces the text with the clipboard's first characters, less control
        // characters, and posts a change as typing does.
        platform::window::SetClipboardText("Hi\tthere");
        Key(p, 'V', kModCtrl);
        EXPECT_EQ(who->GetText(), str("Hith"));
        EXPECT_EQ(who->GetCursor(), 4);
        EXPECT_EQ(TakeLog(), "7:who ");

        // A hot key with Alt passes the text edit and presses its button, whose Lua action
        // runs with the button's name.
        Key(p, 'H', kModAlt);
        EXPECT_EQ(TakeLog(), "8:LuaAction:help 3:help ");
        EXPECT_EQ(Global("gTrace"), "music music help ");

        // A link presses the button it names; one naming a window that is no button is only
        // logged.
        TText* links = Find<TText>("links");
        TTextLayout* layout = links->GetLayout();
        ASSERT_NE(layout, nullptr);
        const TTextLine& line = *layout->GetLines()[0];
        int lineX = int(float(line.x) + line.xOffset);
        int helpX = lineX + line.runs[0].startX + 3;
        ASSERT_EQ(layout->HitTestLink(TPoint(helpX, 5), 0), str("help"));
        Move(p, 300, 230);
        Click(p, helpX, 195);
        EXPECT_EQ(TakeLog(), "8:LuaAction:help 3:help ");
        int lastX = lineX;
        for (const TTextRun& run : line.runs)
          if (run.linkId == str("nobody")) lastX += run.startX + 3;
        ASSERT_EQ(layout->HitTestLink(TPoint(lastX, 5), 0), str("nobody"));
        Click(p, lastX, 195);
        EXPECT_TRUE(Logged("ERROR: Command window nobody not found"));
        // Pressed on one link and released on another, nothing is pressed.
        Send(p, kEventLeftDown, helpX, 195);
        Send(p, kEventLeftUp, lastX, 195);
        EXPECT_EQ(TakeLog(), "");
        EXPECT_EQ(CountLogged("ERROR: Command window nobody not found"), 1u);

        // Enter in a text edit travels on to the dialog, which presses its default button;
        // Escape presses the cancel button, which closes the dialog.
        Click(p, 10, 165);
        TakeLog();
        Type(p, "\r");
        EXPECT_EQ(TakeLog(), "2: 3:ok ");
        Type(p, "\x1b");
        Idle(p, 3);
        EXPECT_EQ(Global("gDone"), "closed by cancel");
        // The dialog took the close message itself; its script heard the rest and the
        // dialog's end.
        EXPECT_EQ(TakeLog(), "2: 3:cancel 6:" + Global("gId") + " ");
        EXPECT_EQ(wm->GetTopModal(), wm->GetRoot());
      },
      320, 240);
}

namespace {

// Remembers which sounds buttons play, in order.
class SoundJournal : public IWindowSoundSource {
public:
  explicit SoundJournal(std::string* played) : mPlayed(played) {}
  std::shared_ptr<IWindowSound> Get(const str& name) override {
    if (name == str("missing.ogg")) return nullptr;
    return std::make_shared<Sound>(mPlayed, name.CStr());
  }

private:
  struct Sound : IWindowSound {
    Sound(std::string* played, std::string name) : played(played), name(std::move(name)) {}
    void Play() override { *played += name + " "; }
    std::string* played;
    std::string name;
  };
  std::string* mPlayed;
};

}  // namespace

TEST_F(WidgetsTest, ButtonsPlayTheirStateSoundsAndTakeClicksOnlyOnTheirMask) {
  // Only the mask pixel (30, 20) is light: a 200 x 100 button maps a click at (61, 41) there.
  WritePng("dot.png", 100, 50, [](int x, int y) { return x == 30 && y == 20 ? kWhite : kBlack; });
  WritePng("b.png", 40, 20, [](int, int) { return kRed; });
  std::string played;
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        wm->SetSoundSource(std::make_unique<SoundJournal>(&played));
        Build(p,
              " Button({ name = 'loud', x = 0, y = 0, sound = 'click.ogg', rolloversound = "
              "'over.ogg', graphics = { 'b.png', 'b.png', 'b.png' } }),"
              " Button({ name = 'dot', x = 0, y = 30, w = 200, h = 100, mask = 'dot.png' }),"
              " Button({ name = 'quiet', x = 50, y = 0, w = 40, h = 20, sound = 'missing.ogg' }),"
              " Text({ name = 't', x = 100, y = 0, w = 50, h = 20, label = 'a' })");
        TButton* loud = Find<TButton>("loud");
        ASSERT_NE(loud, nullptr) << Log();

        // Rollover on entering; the click sound on the click, then rollover again; a pressed
        // button that is left plays nothing.
        Move(p, 5, 5);
        EXPECT_EQ(played, "over.ogg ");
        Send(p, kEventLeftDown, 5, 5);
        Send(p, kEventLeftUp, 5, 5);
        EXPECT_EQ(played, "over.ogg click.ogg over.ogg ");
        Send(p, kEventLeftDown, 5, 5);
        Move(p, 150, 150);
        EXPECT_EQ(loud->GetState(), kButtonNormal);
        EXPECT_EQ(played, "over.ogg click.ogg over.ogg ");
        // A sound that does not load leaves the button silent.
        Click(p, 55, 5);
        EXPECT_EQ(played, "over.ogg click.ogg over.ogg ");

        TButton* dot = Find<TButton>("dot");
        ASSERT_TRUE(dot->HasMask());
        EXPECT_TRUE(dot->OnMouseDown(TPoint(61, 41)));
        EXPECT_EQ(dot->GetState(), kButtonPressed);
        dot->OnMouseLeave();
        dot->OnMouseDown(TPoint(59, 41));
        EXPECT_EQ(dot->GetState(), kButtonNormal);
        dot->OnMouseDown(TPoint(61, 43));
        EXPECT_EQ(dot->GetState(), kButtonNormal);

        // A text that does not change is not laid out again.
        TText* t = Find<TText>("t");
        int passes = t->GetLayout()->GetLayoutPasses();
        t->SetText("same");
        t->SetText("same");
        EXPECT_EQ(t->GetLayout()->GetLayoutPasses(), passes + 1);
        // Scrolling all the way shows the last page, half a line on.
        t->SetText("one<br>two<br>three<br>four");
        int lastPage = t->GetLayout()->GetLastPageStart(1.0f, 0);
        EXPECT_GT(lastPage, 0);
        t->SetScale(1.0f, 0);
        EXPECT_EQ(t->GetLayout()->GetFirstVisibleLine(), 0.5f + float(lastPage));
        t->SetScale(0.0f, 0);
        EXPECT_EQ(t->GetLayout()->GetFirstVisibleLine(), 0.0f);
      },
      320, 240);
}

TEST_F(WidgetsTest, SlidersChooseTheirAxisAndReadTheirKeysOnce) {
  WritePng("thumb.png", 10, 10, [](int, int) { return kWhite; });
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        Build(
            p,
            " Slider({ name = 'wide', x = 0, y = 0, w = 200, h = 20, sliderimage = 'thumb.png' }),"
            " Slider({ name = 'upright', x = 0, y = 30, w = 200, h = 20, hslider = false,"
            "          sliderimage = 'thumb.png', yoffset = 3 })");
        TSlider* wide = Find<TSlider>("wide");
        TSlider* upright = Find<TSlider>("upright");
        ASSERT_TRUE(wide && upright) << Log();
        EXPECT_TRUE(wide->IsHorizontal());
        EXPECT_FALSE(upright->IsHorizontal());
        // Across its axis a slider is as thick as its thumb and the thumb's offset.
        EXPECT_EQ(upright->GetWidth(), 13);
        upright->SetValue(1.0f, true);
        EXPECT_EQ(upright->GetThumb()->GetRect().top, upright->GetHeight() - 10);
        EXPECT_EQ(upright->GetThumb()->GetRect().left, 3);

        // A second initialisation reads no slider keys.
        TLuaTable* table = nullptr;
        {
          lua_State* L = TWindowScript::Of(wm)->GetState();
          const char* code =
              "return { name = 'renamed', x = 0, y = 0, w = 20, h = 200, hslider = true, "
              "yoffset = 9 }";
          ASSERT_EQ(luaL_loadbuffer(L, code, strlen(code), "style"), 0);
          lua_call(L, 0, 1);
          table = new TLuaTable(L);
        }
        TWindowStyle style(table);
        upright->Init(style);
        delete table;
        EXPECT_FALSE(upright->IsHorizontal());
        EXPECT_EQ(upright->GetThumb()->GetRect().left, 3);

        // Without a rollover image the thumb keeps its image while hovered, dragged and
        // released.
        boost::shared_ptr<TTexture> normal = wide->GetThumb()->GetTexture();
        ASSERT_TRUE(normal);
        TRect thumb = wide->GetThumb()->GetRect();
        TPoint on((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
        wide->OnMouseMove(on);
        EXPECT_EQ(wide->GetThumb()->GetTexture(), normal);
        ASSERT_TRUE(wide->OnMouseDown(on));
        wide->OnMouseMove(TPoint(on.x + 40, on.y));
        EXPECT_EQ(wide->GetThumb()->GetTexture(), normal);
        thumb = wide->GetThumb()->GetRect();
        wide->OnMouseUp(TPoint((thumb.left + thumb.right) / 2, on.y));
        EXPECT_EQ(wide->GetThumb()->GetTexture(), normal);
      },
      320, 240);
}

TEST_F(WidgetsTest, TextEditsStepOverWholeCharactersAndRefuseWhatTheyCannotTake) {
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        Build(p,
              " TextEdit({ name = 'u', x = 0, y = 0, w = 100, h = 20, utf8 = true, length = 3,"
              "            font = { 'fonts/sans.mvec', 14 } }),"
              " TextEdit({ name = 'pw', x = 0, y = 30, w = 100, h = 20, password = true })");
        TTextEdit* u = Find<TTextEdit>("u");
        TTextEdit* pw = Find<TTextEdit>("pw");
        ASSERT_TRUE(u && pw) << Log();
        wm->SetFocus(u);
        const std::string eAcute = "\xc3\xa9", euro = "\xe2\x82\xac", cjk = "\xe4\xb8\x80";
        // A character no font can draw is refused; in UTF-8 mode the length counts characters.
        EXPECT_FALSE(u->OnWideChar(str(cjk.c_str())));
        for (const std::string& c : {eAcute, euro, std::string("a"), std::string("b")})
          u->OnWideChar(str(c.c_str()));
        EXPECT_EQ(u->GetText(), str((eAcute + euro + "a").c_str()));
        // Left, Right, Backspace and Delete step over whole characters; at either end they
        // change nothing.
        u->OnKeyDown(kKeyLeft & 0xFF, 0);
        u->OnKeyDown(kKeyLeft & 0xFF, 0);
        EXPECT_EQ(u->GetCursor(), 2);
        u->OnKeyDown(kKeyDelete & 0xFF, 0);
        EXPECT_EQ(u->GetText(), str((eAcute + "a").c_str()));
        u->OnWideChar(str("\b"));
        EXPECT_EQ(u->GetText(), str("a"));
        EXPECT_EQ(u->GetCursor(), 0);
        EXPECT_FALSE(u->OnWideChar(str("\b")));
        EXPECT_TRUE(u->OnKeyDown(kKeyLeft & 0xFF, 0));
        u->OnKeyDown(kKeyRight & 0xFF, 0);
        u->OnKeyDown(kKeyDelete & 0xFF, 0);
        EXPECT_EQ(u->GetText(), str("a"));
        EXPECT_EQ(u->GetCursor(), 1);

        // A character cut short at the end of the text is stepped over as far as it goes.
        u->SetText("a\xe2\x82");
        EXPECT_EQ(Utf8CharCount(u->GetText()), 2);
        u->OnKeyDown(kKeyLeft & 0xFF, 0);
        EXPECT_EQ(u->GetCursor(), 1);
        u->OnKeyDown(kKeyDelete & 0xFF, 0);
        EXPECT_EQ(u->GetText(), str("a"));

        // A password field shows one star per byte, with the caret where the cursor is
        // while it has the focus and the caret is in its shown half of the blink.
        pw->SetText("ab\xc3\xa9");
        EXPECT_EQ(pw->GetLayout()->GetText(), str("****"));
        wm->SetFocus(pw);
        pw->OnKeyDown(kKeyLeft & 0xFF, 0);
        pw->GetCaretClock().SetTime(400);
        pw->Refresh();
        EXPECT_EQ(pw->GetLayout()->GetText(), str("****"));
        pw->GetCaretClock().SetTime(401);
        pw->Refresh();
        // The caret stepped back over both bytes of the last character.
        EXPECT_EQ(pw->GetLayout()->GetText(), str("**<cursor>**"));
        EXPECT_EQ(pw->GetText(), str("ab\xc3\xa9"));
      },
      320, 240);
}

TEST_F(WidgetsTest, StyleNumbersPastTheIntRangeAreTakenAtItsEdges) {
  // Layouts are files: numbers that are not finite or too large for their field are clamped,
  // never converted with undefined results.
  RunScreen(
      [&](TPlatform* p) {
        Build(p,
              " Text({ name = 't1', x = 0, y = 0, w = 100, h = 20, defflags = 1/0,"
              "        padding = -1/0, rotationOriginX = 1e30, rotationAlign = 0/0,"
              "        label = 'a' }),"
              " Text({ name = 't2', x = 0, y = 30, w = 100, h = 20, flags = 0/0, label = 'b' }),"
              " TextEdit({ name = 'e1', x = 0, y = 60, w = 100, h = 20, length = 1/0 }),"
              " TextEdit({ name = 'e2', x = 0, y = 90, w = 100, h = 20, length = 0/0 }),"
              " Slider({ name = 's', x = 0, y = 120, w = 100, h = 20, yoffset = -1e300 })");
        TTextEdit* e1 = Find<TTextEdit>("e1");
        TTextEdit* e2 = Find<TTextEdit>("e2");
        ASSERT_TRUE(Find<TText>("t1") && Find<TText>("t2") && e1 && e2) << Log();
        p->GetWindowManager()->SetFocus(e1);
        EXPECT_TRUE(e1->OnWideChar(str("x")));
        EXPECT_EQ(e1->GetText(), str("x"));
        p->GetWindowManager()->SetFocus(e2);
        EXPECT_FALSE(e2->OnWideChar(str("x"))) << "a length that is no number takes nothing";
        Idle(p, 3);
      },
      320, 240);
}

TEST_F(WidgetsTest, PasteDropsIgnoredAndControlCharactersWhole) {
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        Build(p,
              " TextEdit({ name = 'u', x = 0, y = 0, w = 200, h = 20, utf8 = true, length = 10,"
              "            ignore = '\xc3\xa9#', font = { 'fonts/sans.mvec', 14 } })");
        TTextEdit* u = Find<TTextEdit>("u");
        ASSERT_NE(u, nullptr) << Log();
        wm->SetFocus(u);
        // Characters sharing a lead byte with an ignored one are kept whole.
        struct Case {
          const char* clip;
          const char* text;
        } cases[] = {
            {"\xc3\xa3\xc3\xa9x", "\xc3\xa3x"},
            {"\xc3\xa3#\xc3\xa9", "\xc3\xa3"},
            {"\xc3\xa9\xc3\xa0\tz\n", "\xc3\xa0z"},
            {"\xe2\x82\xac\xc3\xa9\xc3\xa9\xc3\xa9", "\xe2\x82\xac"},
        };
        for (const Case& c : cases) {
          platform::window::SetClipboardText(c.clip);
          EXPECT_TRUE(u->OnKeyDown('V', kModCtrl)) << c.clip;
          EXPECT_EQ(u->GetText(), str(c.text)) << c.clip;
        }
      },
      320, 240);
}

TEST_F(WidgetsTest, WhatIsTypedIsShownAsTypedWithTheCaretAtTheCursor) {
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        Build(p,
              " TextEdit({ name = 'who', x = 0, y = 0, w = 300, h = 20, length = 40,"
              "            font = { 'fonts/sans.mvec', 14 } })");
        TTextEdit* who = Find<TTextEdit>("who");
        ASSERT_NE(who, nullptr) << Log();
        wm->SetFocus(who);
        auto refresh = [&](uint32_t caretTime) {
          who->GetCaretClock().SetTime(caretTime);
          who->Refresh();
          return who->GetLayout();
        };
        for (const std::string typed :
             {"a<b", "<font size='200'>X", "a<br>b", "back\\slash<", "x\\<b>y\\", "<cursor>"}) {
          who->SetText("");
          Type(p, typed);
          ASSERT_EQ(who->GetText(), str(typed.c_str()));
          // Caret hidden, then shown at the end, then two characters back.
          EXPECT_EQ(ShownText(*refresh(0)), typed);
          const TTextLayout* layout = refresh(500);
          EXPECT_EQ(ShownText(*layout), typed);
          EXPECT_EQ(ShownText(*layout, true), typed);
          EXPECT_EQ(CaretMarks(*layout), 1) << typed;
          EXPECT_EQ(layout->GetLineCount(), 1) << typed;
          for (const auto& line : layout->GetLines())
            for (const TTextRun& r : line->runs)
              if (r.last >= r.first) {
                EXPECT_FALSE(r.bold) << typed;
                EXPECT_EQ(r.size, 14) << typed;
              }
          who->OnKeyDown(kKeyLeft & 0xFF, 0);
          who->OnKeyDown(kKeyLeft & 0xFF, 0);
          layout = refresh(500);
          EXPECT_EQ(ShownText(*layout, true), typed.substr(0, typed.size() - 2)) << typed;
          EXPECT_EQ(ShownText(*layout), typed);
        }
      },
      320, 240);
}

TEST_F(WidgetsTest, TheCaretDrawsAtTheCursorOfTheFocusedTextEdit) {
  WritePng("paper.png", 200, 70, [](int, int) { return 0xFFF4F0E0u; });
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        Build(p,
              "Bitmap({ name = 'paper', image = 'paper.png', x = 0, y = 0 }),"
              " TextEdit({ name = 'who', x = 10, y = 8, w = 180, h = 24, length = 20, label = "
              "'Harbour', font = { 'fonts/sans.mvec', 18, Color(20, 30, 60) } }),"
              " TextEdit({ name = 'pw', x = 10, y = 38, w = 180, h = 24, password = true, label = "
              "'tide', font = { 'fonts/sans.mvec', 18, Color(120, 20, 20) } })");
        TTextEdit* who = Find<TTextEdit>("who");
        TTextEdit* pw = Find<TTextEdit>("pw");
        ASSERT_TRUE(who && pw) << Log();
        auto frame = [&](TTextEdit* focus) {
          focus->GetCaretClock().SetTime(500);
          focus->Refresh();
          wm->Invalidate();
          Idle(p, 1);
          return Frame();
        };
        // The caret between "Harb" and "our"; the password field unfocused shows stars only.
        wm->SetFocus(who);
        for (int i = 0; i < 3; ++i) who->OnKeyDown(kKeyLeft & 0xFF, 0);
        EXPECT_TRUE(golden::MatchesGolden(frame(who), "window/text_edit_caret.png"));
        // Tab hands the caret to the password field, at the end of its stars; the first field
        // shows no caret any more.
        who->OnWideChar(str("\t"));
        EXPECT_EQ(wm->GetFocus(), pw);
        who->Refresh();
        EXPECT_EQ(who->GetLayout()->GetText(), str("Harbour"));
        EXPECT_TRUE(golden::MatchesGolden(frame(pw), "window/text_edit_password_caret.png"));
      },
      200, 70);
}

namespace {

// The sample game's assets, as ./play.sh gives them to the game.
void CopySampleAssets(const std::string& work) {
  namespace fs = std::filesystem;
  fs::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets", work + "/assets",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

}  // namespace

TEST_F(WidgetsTest, TheSampleMenuDrawsAsStored) {
  CopySampleAssets(mWork);
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        // The sample menu is built of the game's window types and calls its functions.
        for (size_t i = 0; i < kGameWindowTypeCount; ++i)
          wm->RegisterWindowType(kGameWindowTypes[i].name, kGameWindowTypes[i].creator);
        RegisterGameScriptFunctions(TWindowScript::Of(wm)->GetState());
        ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/menu.lua")) << Log();
        Idle(p, 3);
        // Every text the menu shows comes from the string table.
        EXPECT_EQ(Find<TText>("title")->GetText(), str("Harbour of Lost Things"));
        EXPECT_EQ(Find<TText>("welcome")->GetText(), str("Welcome back,"));
        for (const char* button : {"play", "options", "hiscores", "credits", "map", "quit"})
          EXPECT_NE(Find<TButton>(button), nullptr) << button;
        wm->Invalidate();
        Idle(p, 1);
        EXPECT_TRUE(golden::MatchesGolden(Frame(), "window/sample_menu.png"));
        EXPECT_FALSE(Logged("rror")) << Log();
      },
      800, 600);
}

TEST_F(WidgetsTest, TheGameOpensOnTheSampleMenuAndEndsWhenItsQuitButtonIsClicked) {
  CopySampleAssets(mWork);
  // The intro and the player chooser have tests of their own; here the game makes its player
  // itself and opens straight on the menu.
  std::filesystem::remove(mWork + "/assets/scripts/ui/intro.lua");
  std::filesystem::remove(mWork + "/assets/scripts/ui/chooseplayer.lua");
  SetGameSettings();
  Run("--multiple", [&](TPlatform* p) {
    auto* w = HeadlessWindow(p);
    using namespace platform::window;
    // The Quit button's middle, then the middle of the question's Quit: the game ends by
    // itself, with no close request.
    for (auto at : {MakeLParam(300 + 100, 530 + 22), MakeLParam(410 + 100, 316 + 22)}) {
      w->PostMessage(MakeMessage(WM_MOUSEMOVE, 0, at));
      w->PostMessage(MakeMessage(WM_LBUTTONDOWN, MK_LBUTTON, at));
      w->PostMessage(MakeMessage(WM_LBUTTONUP, 0, at));
    }
    GameMain(p, "");
    TWindowManager* wm = p->GetWindowManager();
    EXPECT_EQ(std::string(TWindowScript::Of(wm)->GetGlobalString("gReturnValue").CStr()), "quit");
    EXPECT_EQ(wm->GetTopModal(), wm->GetRoot());
    EXPECT_FALSE(Logged("Lua error")) << Log();
  });
}

TEST_F(WidgetsTest, ImagesAndSliderRailsDrawAsStored) {
  // An arrow-like picture: red on its left third, green at its top right, blue below.
  WritePng("pic.png", 30, 20, [](int x, int y) { return x < 10 ? kRed : y < 10 ? kGreen : kBlue; });
  WritePng("end.png", 8, 4, [](int, int) { return 0xFFFFC000u; });
  WritePng("mid.png", 8, 2, [](int, int) { return 0xFF808080u; });
  WritePng("thumb.png", 10, 12, [](int, int) { return kWhite; });
  RunScreen(
      [&](TPlatform* p) {
        Build(p,
              "Bitmap({ name = 'plain', image = 'pic.png', x = 5, y = 5 }),"
              " Bitmap({ name = 'mirrored', image = 'pic.png', x = 40, y = 5, hflip = true }),"
              " Bitmap({ name = 'flipped', image = 'pic.png', x = 75, y = 5, vflip = true }),"
              " Bitmap({ name = 'turned', image = 'pic.png', x = 110, y = 5, rotate = true }),"
              " Bitmap({ name = 'large', image = 'pic.png', x = 5, y = 40, scale = 2 }),"
              " Slider({ name = 'h', x = 5, y = 90, w = 100, h = 12, railtop = 'end.png',"
              "          railmid = 'mid.png', railbot = 'end.png', sliderimage = 'thumb.png' }),"
              " Slider({ name = 'v', x = 130, y = 40, w = 12, h = 70, railtop = 'end.png',"
              "          railmid = 'mid.png', railbot = 'end.png', sliderimage = 'thumb.png' })");
        TSlider* h = Find<TSlider>("h");
        ASSERT_NE(h, nullptr) << Log();
        h->SetValue(0.5f, true);
        TWindowManager::Instance()->Invalidate();
        Idle(p, 2);
        EXPECT_TRUE(golden::MatchesGolden(Frame(), "window/images_and_slider_rails.png"));
      },
      160, 120);
}
