// The asset map: extension probing order, the kinds it loads by extension, names with "\"
// and "?" parts, typed getters with and without auto-load, and sharing through the asset
// manager.
#include <fstream>

#include "assets/TAssetManager.h"
#include "engine/render/RenderFixture.h"
#include "render/TAnimatedTexture.h"
#include "render/TAssetMap.h"
#include "render/TModel.h"
#include "render/sprites/SpriteTestSupport.h"
#include "script/binding/TScriptCode.h"

namespace {

class AssetMapTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    CopyAnimFixtures(mWork + "/assets");
    std::filesystem::create_directories(mWork + "/assets/sub");
    WritePng("pic.png", 4, 4, [](int, int) { return kRed; });
    WritePng("sub/pic.png", 2, 2, [](int, int) { return kBlue; });
    WritePng("both.png", 4, 4, [](int, int) { return kGreen; });
    // A description beside a picture of the same name: the description wins.
    std::ofstream(mWork + "/assets/both.xml")
        << "<sequence name=\"both\"><img name=\"anim/sheet.png\" w=\"32\" h=\"8\" />"
           "<framelist><frame x=\"0\" y=\"0\" w=\"8\" h=\"8\" /></framelist></sequence>\n";
    WriteAsset("code.lua", "answer = 42\n");
    WriteAsset("broken.lua", "this is not lua\n");
    WriteAsset("notes.txt", "not an asset\n");
    WriteAsset("bad.png", "not a png\n");
    // An empty mesh: the magic and two zero counts.
    std::ofstream(mWork + "/assets/model.mesh", std::ios::binary) << std::string("TRIS\0\0\0\0", 8);
  }
};

}  // namespace

TEST_F(AssetMapTest, NamesWithoutExtensionProbeInOrderAndLoadByKind) {
  RunScreen([&](TPlatform*) {
    TAssetMap map;
    const char* const names[] = {"pic", "both", "anim/only", "model", "code", nullptr};
    map.AddAssets(names);
    EXPECT_EQ(map.GetSize(), 5u);

    boost::shared_ptr<TTexture> pic;
    map.GetTexture(pic, "pic");
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->GetFileName(), str("pic.png"));
    EXPECT_EQ(pic, TTexture::Get("pic.png"));  // loaded under the texture's own key

    boost::shared_ptr<TAnimatedTexture> both, only;
    map.GetAnimatedTexture(both, "both");
    ASSERT_TRUE(both);
    EXPECT_EQ(both->GetDescription().sequenceName, str("both"));
    map.GetAnimatedTexture(only, "anim/only");
    ASSERT_TRUE(only);
    EXPECT_EQ(only, TAnimatedTexture::Get("anim/only.anm"));

    boost::shared_ptr<TModel> model;
    map.GetMesh(model, "model");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->GetVertexCount(), 0u);
    boost::shared_ptr<TScriptCode> code;
    map.GetScriptCode(code, "code");
    ASSERT_TRUE(code);
    EXPECT_GT(code->GetLength(), 0);

    // An animated texture is a texture; a texture is not an animated one, and asking
    // for the wrong kind says nothing.
    boost::shared_ptr<TTexture> asTexture;
    map.GetTexture(asTexture, "both");
    EXPECT_EQ(asTexture, both);
    boost::shared_ptr<TAnimatedTexture> wrong;
    map.GetAnimatedTexture(wrong, "pic");
    EXPECT_FALSE(wrong);
    boost::shared_ptr<TModel> notMesh;
    map.GetMesh(notMesh, "code");
    EXPECT_FALSE(notMesh);
    EXPECT_FALSE(Logged("asset not found"));
  });
}

TEST_F(AssetMapTest, FilesThatAreMissingOrDoNotLoadAreLoggedAndLeftOut) {
  RunScreen([&](TPlatform*) {
    TAssetMap map;
    const struct {
      const char* name;
      const char* line;
    } cases[] = {
        {"ghost",
         "TAssetMap::AddAsset: Failed to find asset ghost with any standard extension "
         "(jpg/png/anm/xml/ogg/mesh)"},
        {"sub\\ghost?alpha",
         "TAssetMap::AddAsset: Failed to find asset sub/ghost?alpha with any standard extension"},
        {"notes.txt", "TAssetMap::AddAsset: Error loading notes.txt"},
        {"bad", "TAssetMap::AddAsset: Error loading bad.png"},
        {"bad.png?alpha", "TAssetMap::AddAsset: Error loading bad.png?alpha"},
        {"broken.lua", "TAssetMap::AddAsset: Error loading broken.lua"},
        {"anim/huge_frames", "TAssetMap::AddAsset: Error loading anim/huge_frames.anm"},
    };
    for (const auto& c : cases) {
      map.AddAsset(c.name);
      EXPECT_TRUE(Logged(c.line)) << c.line;
    }
    EXPECT_EQ(map.GetSize(), 0u);
  });
}

TEST_F(AssetMapTest, SlashesAndQueriesBelongToTheEntryName) {
  RunScreen([&](TPlatform*) {
    TAssetMap map;
    map.AddAsset("sub\\pic");
    map.AddAsset("pic.png?alpha");
    boost::shared_ptr<TTexture> a, b, c;
    map.GetTexture(a, "sub/pic");
    map.GetTexture(b, "sub\\pic");
    ASSERT_TRUE(a);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->GetWidth(), 2);
    map.GetTexture(c, "pic.png?alpha");
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->HasAlpha());
    EXPECT_EQ(c->GetFileName(), str("pic.png?alpha"));
  });
}

TEST_F(AssetMapTest, GettersLoadOnlyWithAutoLoadAndSayWhatIsMissing) {
  RunScreen([&](TPlatform*) {
    TAssetMap map;
    boost::shared_ptr<TTexture> t;
    map.GetTexture(t, "pic");
    EXPECT_FALSE(t);
    EXPECT_TRUE(Logged("Texture asset not found: pic (auto load set to false)"));

    map.SetAutoLoad(true);
    map.GetTexture(t, "pic");
    EXPECT_TRUE(t);
    boost::shared_ptr<TAnimatedTexture> a;
    map.GetAnimatedTexture(a, "anim\\walk");
    EXPECT_TRUE(a);
    EXPECT_TRUE(map.GetSize() >= 2u);

    map.GetAnimatedTexture(a, "nowhere");
    EXPECT_FALSE(a);
    EXPECT_TRUE(Logged("Failed to find asset nowhere"));
    EXPECT_TRUE(Logged("Animated texture asset not found: nowhere (auto load set to true)"));
    boost::shared_ptr<TModel> m;
    map.GetMesh(m, "nomesh");
    EXPECT_TRUE(Logged("Mesh asset not found: nomesh (auto load set to true)"));
    boost::shared_ptr<TScriptCode> s;
    map.GetScriptCode(s, "noscript");
    EXPECT_TRUE(Logged("Script asset not found: noscript (auto load set to true)"));
  });
}

TEST_F(AssetMapTest, MapsShareAssetsAndReleaseThemWhenDestroyed) {
  RunScreen([&](TPlatform*) {
    TAssetManager* am = TAssetManager::Instance();
    ASSERT_TRUE(am);
    {
      auto first = std::make_unique<TAssetMap>();
      auto second = std::make_unique<TAssetMap>();
      first->AddAsset("pic");
      second->AddAsset("pic.png");
      boost::shared_ptr<TTexture> a, b;
      first->GetTexture(a, "pic");
      second->GetTexture(b, "pic.png");
      ASSERT_TRUE(a);
      EXPECT_EQ(a, b);

      // A given asset is stored as it is, without the file layer.
      boost::shared_ptr<TTexture> made = TTexture::Create(4, 4, true);
      first->AddAsset("made\\here", made);
      boost::shared_ptr<TTexture> back;
      first->GetTexture(back, "made/here");
      EXPECT_EQ(back, made);
      EXPECT_FALSE(Logged("made"));
    }
    EXPECT_FALSE(am->FindAsset("pic.png:tex"));
  });
}
