// The layer puzzle's grid: cell numbers from points (the nearest grid point's cell), cell
// positions, the snap point while a piece is dragged over it, and layouts with odd sizes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "game/puzzles/layer/QMLayerGrid.h"
#include "script/LuaApi.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScript.h"
#include "window/TText.h"
#include "window/TWindowStyle.h"

namespace {

// A grid made from a layout table, placed at (left, top) in a puzzle-sized parent.
struct GridFixture {
  GridFixture(const std::string& table, int left, int top, int w, int h) {
    script.DoLuaString(("gGrid = " + table).c_str());
    lua_State* L = script.GetState();
    lua_pushstring(L, "gGrid");
    lua_gettable(L, LUA_GLOBALSINDEX);
    TLuaTable layout(L);
    TWindowStyle style(&layout);
    parent.SetSize(800, 600);
    auto made = std::make_unique<QMLayerGrid>();
    grid = made.get();
    parent.AddChild(std::move(made));
    grid->SetPosition(left, top);
    grid->SetSize(w, h);
    grid->Init(style);
  }
  TScript script;
  TWindow parent;
  QMLayerGrid* grid = nullptr;
};

TEST(LayerGridTest, PointsMapToTheCellOfTheirNearestGridPoint) {
  // Placed at the puzzle's origin and away from it: cells follow the grid, not the puzzle.
  for (TPoint origin : {TPoint(0, 0), TPoint(40, 30)}) {
    GridFixture f("{ x = 0, y = 0, w = 300, h = 200, gridWidth = 100, gridHeight = 100 }", origin.x,
                  origin.y, 300, 200);
    const struct {
      int x, y, cell;
    } cases[] = {
        {0, 0, 1},
        {149, 0, 2},
        {150, 0, 3},
        {0, 49, 1},
        {0, 50, 4},
        {249, 149, 6},
        {299, 199, 10},
        {-49, 0, 1},
        {-50, 0, -1},
        {-80, 70, -1},
        // No right or bottom bound: past the last column is the next row's cell.
        {350, 0, 5},
        {0, 260, 10},
    };
    for (const auto& c : cases)
      EXPECT_EQ(f.grid->GetCellIndex(TPoint(c.x + origin.x, c.y + origin.y)), c.cell)
          << c.x << "," << c.y << " at " << origin.x << "," << origin.y;
    const TPoint five = f.grid->GetCellPosition(5);
    EXPECT_EQ(five, TPoint(100 + origin.x, 100 + origin.y));
    EXPECT_EQ(f.grid->GetCellPosition(1), origin);
    EXPECT_EQ(f.grid->GetCellPosition(3), TPoint(200 + origin.x, origin.y));
    EXPECT_EQ(f.grid->GetName(), str("QMLAYERGRID"));
  }
}

TEST(LayerGridTest, OddLayoutsKeepOneColumnAndDefaultCellSizes) {
  // Narrower than a cell: one column, so every row is one cell.
  GridFixture narrow("{ w = 50, h = 300, gridWidth = 100, gridHeight = 100 }", 0, 0, 50, 300);
  EXPECT_EQ(narrow.grid->GetColumns(), 1);
  EXPECT_EQ(narrow.grid->GetCellIndex(TPoint(0, 100)), 2);
  EXPECT_EQ(narrow.grid->GetCellPosition(3), TPoint(0, 200));

  // Sizes of 0 or less take the default cell size.
  GridFixture zero("{ w = 100, h = 100, gridWidth = 0, gridHeight = -5 }", 0, 0, 100, 100);
  EXPECT_EQ(zero.grid->GetCellWidth(), QMLayerGrid::kDefaultCellSize);
  EXPECT_EQ(zero.grid->GetCellHeight(), QMLayerGrid::kDefaultCellSize);
  EXPECT_EQ(zero.grid->GetColumns(), 5);
  EXPECT_EQ(zero.grid->GetCellIndex(TPoint(25, 25)), 7);

  // Numbers beyond any screen hold at the int range's ends, with their sign.
  GridFixture huge("{ w = 1e30, h = 100, gridWidth = 1e30, gridHeight = 0/0 }", 0, 0, 100, 100);
  EXPECT_EQ(huge.grid->GetCellWidth(), 2147483647);
  EXPECT_EQ(huge.grid->GetCellHeight(), QMLayerGrid::kDefaultCellSize);
  EXPECT_EQ(huge.grid->GetColumns(), 1);

  // Keys the layout leaves out: a 100 x 100 area of 20-pixel cells.
  GridFixture bare("{}", 0, 0, 100, 100);
  EXPECT_EQ(bare.grid->GetColumns(), 5);
  EXPECT_EQ(bare.grid->GetCellPosition(6), TPoint(0, 20));
}

TEST(LayerGridTest, DraggingOverTheGridSnapsToTheNearestGridPointUntilThePointerLeaves) {
  GridFixture f("{ debugGridOutline = true, w = 300, h = 200, gridWidth = 100, gridHeight = 100 }",
                40, 30, 300, 200);
  auto info = std::make_unique<TText>();
  TText* text = info.get();
  info->SetName("DebugInfo");
  info->SetupText("", 300, 100, 0, "", 12, TColor(1, 1, 1, 1));
  f.grid->AddChild(std::move(info));

  // The picture's top-left lies 30 left of and 20 above the pointer.
  f.grid->SetDragOffset(TPoint(-30, -20));
  LayerSnapPoint = TPoint(0, 0);
  f.grid->OnMouseMove(TPoint(170, 80));  // picture at (140, 60): nearest point (100, 100)
  EXPECT_EQ(LayerSnapPoint, TPoint(140, 130));
  EXPECT_EQ(text->GetText(),
            str("170,80\nSnap 100,100\nWorld 210,110\nWorld Snap 140,130\n Offset -30,-20"));
  f.grid->OnMouseMove(TPoint(79, 69));  // picture at (49, 49): the grid's origin
  EXPECT_EQ(LayerSnapPoint, TPoint(40, 30));
  EXPECT_TRUE(f.grid->OnMouseLeave());
  EXPECT_EQ(LayerSnapPoint, TPoint(0, 0));
  // A press starts a new drag: an old snap point is forgotten until the next move over it.
  f.grid->OnMouseMove(TPoint(170, 80));
  EXPECT_FALSE(f.grid->OnMouseDown(TPoint(10, 10)));
  EXPECT_EQ(LayerSnapPoint, TPoint(0, 0));
}

}  // namespace
