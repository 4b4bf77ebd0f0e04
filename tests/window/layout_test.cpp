#include <gtest/gtest.h>

#include "support/WindowOwnership.h"

#include <memory>
#include <vector>

#include "WindowTestSupport.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/TLayeredWindow.h"
#include "window/TWindowStyle.h"

namespace {

// Runs the chunk, which sets the global gT, and holds that table.
std::unique_ptr<TLuaTable> StyleTable(lua_State* L, const char* chunk) {
  lua_dostring(L, chunk);
  lua_pushstring(L, "gT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  return std::make_unique<TLuaTable>(L);
}

// Lays out a fresh child of an 800x600 parent from a Lua table text.
TRect Layout(lua_State* L, TWindow* parent, const char* table, TRect start = TRect()) {
  std::unique_ptr<TLuaTable> t = StyleTable(L, (std::string("gT = ") + table).c_str());
  TWindowStyle style(t.get());
  TWindow* w = new TWindow();
  parent->AddChild(Own(w));
  w->SetPosition(start.left, start.top);
  w->SetSize(start.Width(), start.Height());
  w->ApplyLayout(style);
  TRect r = w->GetRect();
  parent->RemoveChild(w);
  return r;
}

}  // namespace

TEST_F(WindowTest, LayoutEncodingsResolveAgainstTheParent) {
  lua_State* L = lua_open();
  TWindow* parent = new TWindow();
  parent->SetSize(800, 600);
  mScreen->AddChild(Own(parent));
  struct Case {
    const char* table;
    TRect want;
  } cases[] = {
      {"{x = 10, y = 20, w = 30, h = 40}", TRect(10, 20, 40, 60)},
      {"{x = 160000 - 100, w = 100, h = 10}", TRect(700, 0, 800, 10)},
      {"{x = 80000, y = 80000, w = 100, h = 50}", TRect(350, 275, 450, 325)},
      {"{x = -10, w = 5, h = 5}", TRect(790, 0, 795, 5)},
      {"{x = 790, w = 100, h = 5, align = 2}", TRect(690, 0, 790, 5)},
      {"{x = 400, y = 300, w = 100, h = 50, align = 5}", TRect(350, 275, 450, 325)},
      {"{x = 10, w = 160000 - 20, h = 5}", TRect(10, 0, 780, 5)},
      {"{x = 80000, w = 160000 - 100, h = 5}", TRect(0, 0, 700, 5)},
      {"{x = 100, w = -40, h = 5}", TRect(60, 0, 100, 5)},
      {"{x = 80000, w = 0}", TRect(0, 0, 0, 0)},  // a centred nothing is skipped
  };
  for (const Case& c : cases) {
    TRect r = Layout(L, parent, c.table);
    EXPECT_EQ(r.left, c.want.left) << c.table;
    EXPECT_EQ(r.top, c.want.top) << c.table;
    EXPECT_EQ(r.right, c.want.right) << c.table;
    EXPECT_EQ(r.bottom, c.want.bottom) << c.table;
  }
  // A window that already has a position and size keeps them.
  TRect kept = Layout(L, parent, "{x = 10, y = 10, w = 10, h = 10}", TRect(5, 6, 25, 36));
  EXPECT_EQ(kept.left, 5);
  EXPECT_EQ(kept.Width(), 20);
  EXPECT_EQ(kept.Height(), 30);
  lua_close(L);
}

TEST_F(WindowTest, StyleKeysFallBackToTheDefaultStyleChainButNotTheTablesOwnParent) {
  lua_State* L = lua_open();
  lua_dostring(L,
               "gBase = {font = 'base', flag = true}\n"
               "gCurrentDefaultStyle = {colour = 'red', parent = gBase}\n"
               "gT = {name = 'n', off = false, parent = {own = 'x'}, n = '12', bad = 'abc'}");
  lua_pushstring(L, "gT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  auto* t = new TLuaTable(L);
  TWindowStyle style(t);
  int top = lua_gettop(L);
  EXPECT_EQ(style.GetString("colour", "none"), str("red"));
  EXPECT_EQ(style.GetString("font", "none"), str("base"));
  EXPECT_EQ(style.GetString("own", "none"), str("none"));
  EXPECT_FALSE(style.GetBool("off", true));
  EXPECT_TRUE(style.GetBool("flag", false));
  EXPECT_EQ(style.GetInt("n", 0), 12);
  EXPECT_EQ(style.GetNumber("bad", 5), 0);
  EXPECT_EQ(style.GetNumber("missing", 5), 5);
  EXPECT_EQ(lua_gettop(L), top);
  lua_dostring(L, "gCurrentDefaultStyle = nil");
  EXPECT_EQ(style.GetString("colour", "none"), str("none"));
  // A loop of parents ends instead of hanging.
  lua_dostring(L, "local a = {} ; a.parent = a ; gCurrentDefaultStyle = a");
  EXPECT_EQ(style.GetString("colour", "none"), str("none"));
  delete t;
  lua_close(L);
}

TEST_F(WindowTest, LayersShowOneGroupOfChildrenAtATime) {
  TLayeredWindow* lw = new TLayeredWindow(3);
  mScreen->AddChild(Own(lw));
  TWindow* a = new TWindow();
  TWindow* b = new TWindow();
  TWindow* all = new TWindow();
  lw->AddChild(Own(a));
  lw->SelectLayer(1);
  lw->AddChild(Own(b));
  lw->SelectLayer(TLayeredWindow::kAllLayers);
  lw->AddChild(Own(all));
  lw->SelectLayer(1);
  EXPECT_FALSE(a->GetFlags() & kWindowShown);
  EXPECT_TRUE(b->GetFlags() & kWindowShown);
  EXPECT_TRUE(all->GetFlags() & kWindowShown);
  // Selecting the current layer changes nothing, even flags changed meanwhile.
  a->SetFlags(kWindowShown);
  lw->SelectLayer(1);
  EXPECT_TRUE(a->GetFlags() & kWindowShown);
  // Out of range: ignored.
  lw->SelectLayer(7);
  EXPECT_EQ(lw->GetCurrentLayer(), 1u);
  lw->SelectLayer(TLayeredWindow::kAllLayers);
  EXPECT_TRUE(a->GetFlags() & kWindowShown);
  EXPECT_FALSE(b->GetFlags() & kWindowShown);
  std::unique_ptr<TWindow> removed = lw->RemoveChild(all);
  for (uint32_t i = 0; i < lw->GetLayerCount(); ++i)
    EXPECT_EQ(std::count(lw->GetLayer(i).begin(), lw->GetLayer(i).end(), all), 0);
}

TEST_F(WindowTest, ExtremeLayoutValuesStayInsideTheCoordinateRange) {
  lua_State* L = lua_open();
  TWindow* parent = new TWindow();
  parent->SetSize(800, 600);
  mScreen->AddChild(Own(parent));
  const char* tables[] = {
      "{x = 2147483647, y = 2147483647, w = 2147483647, h = 2147483647}",
      "{x = -2147483648, y = -2147483648, w = -2147483648, h = -2147483648}",
      "{x = 1e300, y = -1e300, w = 1e300, h = -1e300, align = 15}",
      "{x = 90000, y = 120000, w = -2147483648, h = 2147483647}",
      "{x = 10, y = 10, w = -2147483648, h = -100000}",
  };
  for (const char* table : tables) {
    TRect r = Layout(L, parent, table);
    for (int v : {r.left, r.top, r.right, r.bottom}) {
      EXPECT_LE(v, 1 << 28) << table;
      EXPECT_GE(v, -(1 << 28)) << table;
    }
  }
  // Moving and sizing at the extremes saturates instead of wrapping.
  TWindow* w = new TWindow();
  parent->AddChild(Own(w));
  w->SetPosition(2147483647, -2147483647 - 1);
  w->SetSize(2147483647, 2147483647);
  TRect s;
  w->GetScreenRect(s);
  EXPECT_GE(s.Width(), 0);
  EXPECT_GE(s.Height(), 0);
  lua_close(L);
}

TEST_F(WindowTest, AChildAddedTwiceLeavesNoLayerEntryBehindWhenRemoved) {
  TLayeredWindow* lw = new TLayeredWindow(2);
  mScreen->AddChild(Own(lw));
  TWindow* c = new TWindow();
  lw->AddChild(Own(c));
  lw->AddToCurrentLayer(c);
  lw->SelectLayer(1);
  lw->AddToCurrentLayer(c);  // the same window may belong to several layers
  EXPECT_EQ(std::count(lw->GetLayer(0).begin(), lw->GetLayer(0).end(), c), 1);
  EXPECT_EQ(std::count(lw->GetLayer(1).begin(), lw->GetLayer(1).end(), c), 1);
  lw->RemoveChild(c);
  for (uint32_t i = 0; i < lw->GetLayerCount(); ++i) EXPECT_TRUE(lw->GetLayer(i).empty());
  lw->SelectLayer(0);  // would touch the freed window if an entry had stayed
}

TEST_F(WindowTest, TypedStyleGettersConvertTheirValueOrGiveTheDefault) {
  lua_State* L = lua_open();
  auto t = StyleTable(
      L,
      "gCurrentDefaultStyle = {inherited = {0.5, 0.25}}\n"
      "gT = {colour = {1, 0.5, 0.25, 0.75}, list = {7}, fn = function() end,\n"
      "      notatable = 3, num = 2, zero = 0, text = 'yes', ratio = '2.5', neg = -3.9}");
  TWindowStyle style(t.get());
  int top = lua_gettop(L);

  float r, g, b, a;
  style.GetColor("colour", r, g, b, a, 0, 0, 0, 0);
  EXPECT_EQ((std::vector<float>{r, g, b, a}), (std::vector<float>{1, 0.5f, 0.25f, 0.75f}));
  style.GetColor("missing", r, g, b, a, 0.1f, 0.2f, 0.3f, 0.4f);
  EXPECT_EQ((std::vector<float>{r, g, b, a}), (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
  style.GetColor("inherited", r, g, b, a, 0, 0, 0, 1);  // found through the default style
  EXPECT_EQ((std::vector<float>{r, g, b, a}), (std::vector<float>{0.5f, 0.25f, 0, 1}));

  struct BoolCase {
    const char* key;
    bool def, want;
  } bools[] = {{"num", false, true},
               {"zero", true, false},
               {"text", true, false},
               {"list", true, false},
               {"missing", true, true}};
  for (const BoolCase& c : bools) EXPECT_EQ(style.GetBool(c.key, c.def), c.want) << c.key;

  EXPECT_EQ(style.GetNumber("ratio", 0), 2.5);
  EXPECT_EQ(style.GetInt("neg", 0), -3);  // truncated toward zero
  EXPECT_EQ(style.GetString("num", ""), str("2"));

  std::unique_ptr<TLuaTable> list(style.GetTable("list"));
  ASSERT_TRUE(list);
  EXPECT_TRUE(list->IsTable());
  EXPECT_EQ(style.GetTable("notatable"), nullptr);
  EXPECT_EQ(style.GetTable("missing"), nullptr);
  std::unique_ptr<TLuaFunction> fn(style.GetFunction("fn"));
  EXPECT_TRUE(fn);
  EXPECT_EQ(style.GetFunction("list"), nullptr);
  EXPECT_EQ(lua_gettop(L), top);
  list.reset();
  fn.reset();
  t.reset();
  lua_close(L);
}

TEST_F(WindowTest, StyleNumberListsAndColoursReadOverTheirDefaults) {
  lua_State* L = lua_open();
  auto t = StyleTable(
      L,
      "gCurrentDefaultStyle = {inherited = {9}}\n"
      "gT = {pair = {3, 4}, long = {1, 2, 3}, mixed = {5, 'x', 7}, holed = {1, nil, 3},\n"
      "      scalar = 6, half = {0.5, 0.25}, green = {[2] = 1}}");
  TWindowStyle style(t.get());
  const int top = lua_gettop(L);

  struct FloatCase {
    const char* key;
    std::vector<float> want;
  } floats[] = {
      {"pair", {3, 4}},      {"long", {1, 2, 3}},     // a longer table lengthens the list
      {"mixed", {5, -1, 7}},                          // a non-number keeps its default
      {"holed", {1, -1}},                             // the entries end at the first nil
      {"scalar", {-1, -1}},                           // not a table: the defaults stay
      {"missing", {-1, -1}}, {"inherited", {9, -1}},  // found through the default style
  };
  for (const FloatCase& c : floats) {
    std::vector<float> values{-1, -1};
    GetStyleFloats(&style, c.key, values);
    EXPECT_EQ(values, c.want) << c.key;
  }

  const TColor def(0.1f, 0.2f, 0.3f, 0.4f);
  EXPECT_EQ(GetStyleColor(&style, "half", def), TColor(0.5f, 0.25f, 0.3f, 0.4f));
  EXPECT_EQ(GetStyleColor(&style, "green", def), TColor(0.1f, 1, 0.3f, 0.4f));
  EXPECT_EQ(GetStyleColor(&style, "missing", def), def);
  EXPECT_EQ(GetStyleColor(&style, "scalar", def), def);
  EXPECT_EQ(GetStyleColor(nullptr, "half", def), def);
  EXPECT_EQ(lua_gettop(L), top);
  t.reset();
  lua_close(L);
}
