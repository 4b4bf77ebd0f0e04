// Sounds in the asset map: found by name with the probing order, loaded with their volume
// group, registered under the entry name, and missing ones said so.
#include "assets/TAssetManager.h"
#include "engine/render/RenderFixture.h"
#include "render/TAssetMap.h"
#include "sound/TSound.h"
#include "sound/TSoundData.h"
#include "support/OggEncode.h"

namespace {

class AssetMapSoundTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    std::filesystem::create_directories(mWork + "/assets/sfx");
    const std::vector<uint8_t> tone =
        testsupport::EncodeOgg(testsupport::SineFrames(22050, 1, 0.1, 440.0), 1, 22050);
    ASSERT_FALSE(tone.empty());
    for (const char* name : {"sfx/click.ogg", "sfx/both.ogg", "music.ogg"})
      ASSERT_TRUE(testsupport::WriteBytes(mWork + "/assets/" + name, tone));
    // A picture of the same name as a sound comes first in the probing order.
    WritePng("sfx/both.png", 2, 2, [](int, int) { return kRed; });
    WriteAsset("sfx/broken.ogg", "not an ogg file\n");
  }
};

}  // namespace

TEST_F(AssetMapSoundTest, SoundsAreFoundByNameAndTheirKind) {
  RunScreen([&](TPlatform*) {
    TAssetMap map;
    map.AddAsset("sfx\\click");
    map.AddAsset("sfx/both");
    map.AddAsset("music.ogg?group=2");
    map.AddAsset("sfx/broken");
    EXPECT_TRUE(Logged("TAssetMap::AddAsset: Error loading sfx/broken.ogg"));

    boost::shared_ptr<TSound> click, music, both, broken;
    map.GetSound(click, "sfx/click");
    ASSERT_TRUE(click);
    EXPECT_EQ(click->GetName(), str("sfx/click.ogg"));
    EXPECT_GT(click->GetDuration(), 0.05f);
    // The picture won the probe: asking it for a sound answers nothing, quietly.
    map.GetSound(both, "sfx/both");
    EXPECT_FALSE(both);
    boost::shared_ptr<TTexture> picture;
    map.GetTexture(picture, "sfx/both");
    EXPECT_TRUE(picture);
    boost::shared_ptr<TTexture> notPicture;
    map.GetTexture(notPicture, "sfx/click");
    EXPECT_FALSE(notPicture);
    EXPECT_FALSE(Logged("asset not found"));

    // The query picks the group and stays part of the entry's name and asset-manager key.
    map.GetSound(music, "music.ogg?group=2");
    ASSERT_TRUE(music);
    EXPECT_EQ(music->GetData()->GetVolumeGroup(), 2);
    TAssetManager* am = TAssetManager::Instance();
    ASSERT_TRUE(am);
    EXPECT_EQ(am->FindAsset("music.ogg?group=2;0;2"), music);
    EXPECT_EQ(am->FindAsset("sfx/click;0;0"), click);

    map.GetSound(broken, "sfx/broken");
    EXPECT_FALSE(broken);
    EXPECT_TRUE(Logged("Sound asset not found: sfx/broken"));
  });
}

TEST_F(AssetMapSoundTest, MissingSoundsAreLoggedAndLoadOnlyWithAutoLoad) {
  RunScreen([&](TPlatform*) {
    TAssetMap map;
    boost::shared_ptr<TSound> s;
    map.GetSound(s, "sfx\\click");
    EXPECT_FALSE(s);
    EXPECT_TRUE(Logged("Sound asset not found: sfx/click"));
    EXPECT_FALSE(Logged("Sound asset not found: sfx/click ("));  // no auto-load part

    map.SetAutoLoad(true);
    map.GetSound(s, "sfx\\click");
    ASSERT_TRUE(s);
    // Maps share one sound through the asset manager.
    TAssetMap other;
    other.AddAsset("sfx/click.ogg");
    boost::shared_ptr<TSound> again;
    other.GetSound(again, "sfx/click.ogg");
    EXPECT_EQ(again, s);

    map.GetSound(s, "sfx/silence");
    EXPECT_FALSE(s);
    EXPECT_TRUE(Logged("Failed to find asset sfx/silence with any standard extension"));
    EXPECT_TRUE(Logged("Sound asset not found: sfx/silence"));
  });
}
