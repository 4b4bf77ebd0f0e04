// The cross-sell window laid out from a script and filled from "xsell/xsell.xml": filled and
// hidden slots, the marked-up links, the centred buttons, the links it opens (recorded by the
// headless browser), and its script functions, which die with it.
#include <filesystem>
#include <string>

#include "core/TPlatform.h"
#include "engine/EngineFixture.h"
#include "online/TXSellDescription.h"
#include "online/TXSellWindow.h"
#include "platform/host/Browser.h"
#include "script/binding/TWindowScript.h"
#include "window/TText.h"
#include "window/TWindowManager.h"

namespace {

// Slots 1 to 8 of descriptions and buttons, the site link, the two lines and the logos.
std::string Layout() {
  std::string s =
      "PushModal('xsellscreen')\nMakeDialog({ XSellWindow({ name = 'xsell', x = 0, "
      "y = 0, w = 800, h = 600,\n";
  for (int i = 1; i <= 8; ++i) {
    s += "Text({ name = 'descrip" + std::to_string(i) +
         "', x = 200, y = " + std::to_string(60 * i) + ", w = 400, h = 40 }),\n";
    s += "Window({ name = 'xsellbutton" + std::to_string(i) +
         "', x = " + (i == 2 ? std::string("100, y = 200") : "100, y = " + std::to_string(60 * i)) +
         ", w = 40, h = 20 }),\n";
  }
  s += "Window({ name = 'gamesite', x = 400, y = 560, w = 100, h = 30 }),\n"
       "Text({ name = 'centertext1', x = 0, y = 10, w = 800, h = 20 }),\n"
       "Text({ name = 'centertext2', x = 0, y = 30, w = 800, h = 20 }),\n"
       "Window({ name = 'sitelogo', x = 60, y = 560, w = 50, h = 50 }) }) })\n";
  return s;
}

const char* kThreeGames = R"(<xsell>
 <centertext text1="More games" text2="from the harbour"/>
 <gameinfo description="Find the lost keys." linktext="Play now" link="https://example.org/keys"/>
 <gameinfo description="Sort the shells." linktext="" link="https://example.org/shells"/>
 <gameinfo description="Chart the stars." linktext="Try it" link=""/>
</xsell>
)";

bool Shown(TWindow* w) { return w && (w->GetFlags() & kWindowShown); }

}  // namespace

class XSellWindowTest : public EngineTest {
protected:
  void WriteDescription(const std::string& text) {
    std::filesystem::create_directories(mWork + "/assets/xsell");
    WriteAsset("xsell/xsell.xml", text);
  }
  static TXSellWindow* Build(TPlatform* p) {
    p->InitScreen(800, 600, false);
    TWindowManager* wm = p->GetWindowManager();
    TWindowScript::Of(wm)->DoLuaString(Layout().c_str());
    TWindow* w = wm->GetTopModal() ? wm->GetTopModal()->FindChild("xsell", -1) : nullptr;
    return w && w->IsKindOf(TXSellWindow::GetClassId()) ? static_cast<TXSellWindow*>(w) : nullptr;
  }
};

TEST_F(XSellWindowTest, ThreeGamesFillTheirSlotsHideTheRestAndOpenTheirLinks) {
  WriteDescription(kThreeGames);
  Run("--multiple", [&](TPlatform* p) {
    TXSellWindow* xsell = Build(p);
    ASSERT_NE(xsell, nullptr);
    TWindowScript* script = TWindowScript::Of(p->GetWindowManager());
    script->DoLuaString("SetupXSell()");

    auto text = [&](const char* name) {
      TWindow* w = xsell->FindChild(name, -1);
      return w ? std::string(static_cast<TText*>(w)->GetText().CStr()) : std::string("?");
    };
    EXPECT_EQ(text("descrip1"),
              "Find the lost keys. <u><font color=\"003cff\"><a "
              "id='xsellbutton1'>Play now</a></font></u>");
    EXPECT_EQ(text("descrip2"), "Sort the shells.");
    EXPECT_EQ(text("descrip3"),
              "Chart the stars. <u><font color=\"003cff\"><a "
              "id='xsellbutton3'>Try it</a></font></u>");
    EXPECT_EQ(text("centertext1"), "More games");
    EXPECT_EQ(text("centertext2"), "from the harbour");
    for (int i = 1; i <= 8; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(Shown(xsell->FindChild(str::Format("descrip%d", i), -1)), i <= 3);
      EXPECT_EQ(Shown(xsell->FindChild(str::Format("xsellbutton%d", i), -1)), i <= 3);
    }
    EXPECT_FALSE(Shown(xsell->FindChild("gamesite", -1)));  // no site link in the file

    // The layout's point becomes the centre.
    TWindow* button = xsell->FindChild("xsellbutton2", -1);
    EXPECT_EQ(button->GetRect().left, 80);
    EXPECT_EQ(button->GetRect().top, 190);
    EXPECT_EQ(button->GetWidth(), 40);
    TWindow* logo = xsell->FindChild("sitelogo", -1);
    EXPECT_EQ(logo->GetRect().left, 35);
    EXPECT_EQ(logo->GetRect().top, 535);

    platform::host::ClearOpenedUrls();
    // Game 3 and the site have no link, 8 and -1 are no slots: none of them opens anything.
    script->DoLuaString(
        "LaunchGameLink(1) LaunchGameLink(3) LaunchGameLink(0) "
        "LaunchGameLink(8) LaunchGameLink(-1) LaunchGameLink(2)");
    EXPECT_EQ(platform::host::OpenedUrls(),
              (std::vector<std::string>{"https://example.org/keys", "https://example.org/shells"}));
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(XSellWindowTest, AMissingFileHidesEverySlotAndTheFunctionsDieWithTheWindow) {
  Run("--multiple", [&](TPlatform* p) {
    TXSellWindow* xsell = Build(p);
    ASSERT_NE(xsell, nullptr);
    TWindowScript* script = TWindowScript::Of(p->GetWindowManager());
    script->DoLuaString("SetupXSell()");
    for (int i = 1; i <= 8; ++i) {
      EXPECT_FALSE(Shown(xsell->FindChild(str::Format("descrip%d", i), -1)));
      EXPECT_FALSE(Shown(xsell->FindChild(str::Format("xsellbutton%d", i), -1)));
    }
    platform::host::ClearOpenedUrls();
    script->DoLuaString("LaunchGameLink(0) LaunchGameLink(1)");
    EXPECT_TRUE(platform::host::OpenedUrls().empty());

    xsell->GetParent()->RemoveChild(xsell).reset();
    script->DoLuaString("gKinds = type(SetupXSell) .. ',' .. type(LaunchGameLink)");
    EXPECT_EQ(script->GetGlobalString("gKinds"), "nil,nil");
  });
  EXPECT_TRUE(sBodyRan);
}

TEST(XSellDescription, KeepsSevenGamesAndReadsAnyBuffer) {
  std::string text = R"(<xsell><sitelink link="https://example.org"/>)";
  for (int i = 1; i <= 8; ++i) text += R"(<gameinfo link="l)" + std::to_string(i) + R"("/>)";
  text += "</xsell>";
  TXSellDescription d;
  ASSERT_TRUE(d.ReadBuffer(text.data(), text.size()));
  ASSERT_EQ(d.games.size(), 7u);
  EXPECT_STREQ(d.games[6].link.CStr(), "l7");
  EXPECT_TRUE(d.hasSiteLink);
  EXPECT_STREQ(d.siteLink.CStr(), "https://example.org");
  EXPECT_FALSE(d.hasCenterText);

  // Anything else reads as no description at all.
  const std::string broken[] = {"", "<other/>", "<xsell", "\xff\xfe<xsell>", "ZXML\x01\x02"};
  for (const std::string& b : broken) {
    TXSellDescription e;
    e.ReadBuffer(b.data(), b.size());
    EXPECT_TRUE(e.games.empty());
  }
}

TEST_F(XSellWindowTest, TheSampleGameShowsItsThreeGames) {
  namespace fs = std::filesystem;
  const fs::path sample = fs::path(ENGINE_SOURCE_DIR) / "sample" / "assets";
  fs::create_directories(mWork + "/assets/scripts");
  fs::copy(sample / "xsell", mWork + "/assets/xsell", fs::copy_options::recursive);
  fs::copy(sample / "scripts" / "xsell.lua", mWork + "/assets/scripts/xsell.lua");
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(800, 600, false);
    TWindowManager* wm = p->GetWindowManager();
    ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/xsell.lua"));
    TWindowScript::Of(wm)->DoLuaString("BuildCrossSell()");
    TWindow* top = wm->GetTopModal();
    ASSERT_NE(top, nullptr);
    TWindow* xsell = top->FindChild("xsellwindow", -1);
    ASSERT_NE(xsell, nullptr);
    EXPECT_TRUE(xsell->IsKindOf(TXSellWindow::GetClassId()));
    for (int i = 1; i <= 3; ++i) {
      SCOPED_TRACE(i);
      TWindow* d = xsell->FindChild(str::Format("descrip%d", i), -1);
      ASSERT_NE(d, nullptr);
      EXPECT_TRUE(Shown(d));
      EXPECT_NE(static_cast<TText*>(d)->GetText().Find(str("id='xsellbutton")), -1);
    }
    EXPECT_TRUE(Shown(xsell->FindChild("gamesite", -1)));
    platform::host::ClearOpenedUrls();
    TWindowScript::Of(wm)->DoLuaString("LaunchGameLink(2) LaunchGameLink(0)");
    EXPECT_EQ(platform::host::OpenedUrls(),
              (std::vector<std::string>{"https://example.org/games/shell-sorter",
                                        "https://example.org/"}));
  });
  EXPECT_TRUE(sBodyRan);
}
