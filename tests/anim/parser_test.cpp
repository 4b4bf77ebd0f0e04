// The property parser: typed conversions of Lua values into fields and setters.
#include "AnimTestSupport.h"
#include "anim/KLuaFloats.h"
#include "anim/KPropertyParser.h"
#include "render/TTexture.h"

TEST_F(AnimTest, ParserConvertsEachTypeAndIgnoresUnknownKeys) {
  auto parser = QMTableParserImpl::Create();
  ASSERT_TRUE(parser);
  bool flag = true;
  int whole = 0;
  unsigned int mask = 0;
  float darken = 5.0f;
  float amount = 0.0f;
  TVec2 offset(9, 9);
  TVec3 v3;
  TVec4 v4;
  TPoint point;
  str name;
  TVec2 single(7, 7);
  boost::shared_ptr<TTexture> texture = TTexture::Create(1, 1, true);
  float viaSetter = 0.0f;
  parser->AddProperty("flag", &flag);
  parser->AddProperty("whole", &whole);
  parser->AddProperty("mask", &mask);
  parser->AddProperty("darken", &darken);
  parser->AddProperty("amount", &whole);
  parser->AddProperty("amount", &amount);
  parser->AddProperty("offset", &offset);
  parser->AddProperty("v3", &v3);
  parser->AddProperty("v4", &v4);
  parser->AddProperty("point", &point);
  parser->AddProperty("name", &name);
  parser->AddProperty("single", &single);
  parser->AddProperty("image", &texture);
  parser->AddSetter<float>("set", [&](float f) { viaSetter = f; });
  EXPECT_EQ(parser->GetPropertyCount(), 13u);

  auto t = Table(
      "{ flag = false, whole = -3.9, mask = -1, darken = true, amount = '2.5', offset = {5},"
      "  v3 = {1, 'x', '2', 3}, v4 = {1, 2, 3, 4, 5}, point = {1.9, -2.9}, name = 12,"
      "  single = 4, image = 'no such picture', set = 0.25, unknown = 1 }");
  ASSERT_TRUE(t);
  static_cast<QMTableParserImpl*>(parser.get())->ApplyTable(*t);
  EXPECT_FALSE(flag);
  EXPECT_EQ(whole, -3) << "the later registration of amount replaced the int";
  EXPECT_EQ(mask, 0xFFFFFFFFu);
  EXPECT_EQ(darken, 0.0f) << "a boolean is not a number";
  EXPECT_EQ(amount, 2.5f);
  EXPECT_EQ(offset, TVec2(5, 0));
  EXPECT_EQ(v3.x, 1.0f);
  EXPECT_EQ(v3.y, 2.0f);
  EXPECT_EQ(v3.z, 3.0f);
  EXPECT_EQ(v4.w, 4.0f);
  EXPECT_EQ(point.x, 1);
  EXPECT_EQ(point.y, -2);
  EXPECT_EQ(std::string(name.CStr()), "12");
  EXPECT_EQ(single, TVec2(0, 0)) << "a plain number is no vector";
  EXPECT_EQ(texture, nullptr) << "a missing picture stores an empty handle";
  EXPECT_EQ(viaSetter, 0.25f);
}

TEST_F(AnimTest, TableVectorsAndLuaTextThroughTheWindowManager) {
  auto t = Table("{ offset = {3, 4}, half = {5}, word = 'x' }");
  ASSERT_TRUE(t);
  EXPECT_EQ(GetTableVec2(*t, "offset", TVec2(9, 9)), TVec2(3, 4));
  EXPECT_EQ(GetTableVec2(*t, "half", TVec2(9, 9)), TVec2(5, 9));
  EXPECT_EQ(GetTableVec2(*t, "word", TVec2(9, 9)), TVec2(9, 9));
  EXPECT_EQ(GetTableVec2(*t, "missing", TVec2(1, 2)), TVec2(1, 2));
  RunLuaString("gRan = 7");
  EXPECT_EQ(host->GetGlobalNumber("gRan"), 7.0);
}

// Numbers past the int range, or not numbers at all, are taken at the range's edges (0 for
// "not a number"): the plain cast is undefined there. The first table is the fuzzer's find.
TEST_F(AnimTest, ParserTakesIntsPastTheRangeAtItsEdges) {
  struct Case {
    const char* table;
    int whole;
    TPoint point;
  };
  const Case cases[] = {
      {"{ layera, point = { 1e30, }, [1] = 2,  name == \"\" }", 7, TPoint(2147483647, 0)},
      {"{ whole = 1e300, point = { -1e30, 1/0 } }", 2147483647,
       TPoint(-2147483647 - 1, 2147483647)},
      {"{ whole = -1/0, point = { 0/0, -2147483648.5 } }", -2147483647 - 1,
       TPoint(0, -2147483647 - 1)},
      {"{ whole = 0/0, point = { 1000000.9, -2.9 } }", 0, TPoint(1000000, -2)},
  };
  for (const Case& c : cases) {
    QMTableParserImpl parser;
    int whole = 7;
    TPoint point(9, 9);
    parser.AddProperty("whole", &whole);
    parser.AddProperty("point", &point);
    auto t = Table(c.table);
    ASSERT_TRUE(t) << c.table;
    parser.ApplyTable(*t);
    EXPECT_EQ(whole, c.whole) << c.table;
    EXPECT_EQ(point.x, c.point.x) << c.table;
    EXPECT_EQ(point.y, c.point.y) << c.table;
  }
}
