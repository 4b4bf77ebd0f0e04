#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/TAssetManager.h"

namespace {

std::vector<std::string> gCalls;

class FakeTexture : public TAsset {
  T_CLASS_IDENTITY(FakeTexture, TAsset)
public:
  explicit FakeTexture(std::string tag) : tag(std::move(tag)) {}
  void Release() override { gCalls.push_back("release " + tag); }
  void Restore() override { gCalls.push_back("restore " + tag); }
  std::string tag;
};

class FakeAnimatedTexture : public FakeTexture {
  T_CLASS_IDENTITY(FakeAnimatedTexture, FakeTexture)
public:
  using FakeTexture::FakeTexture;
};

class FakeSound : public TAsset {
  T_CLASS_IDENTITY(FakeSound, TAsset)
};

TEST(AssetManager, KeepsOnlyWeakReferencesByExactName) {
  TAssetManager manager;
  EXPECT_EQ(TAssetManager::Instance(), &manager);
  auto texture = boost::shared_ptr<TAsset>(new FakeTexture("a"));
  manager.RegisterAsset("A.png:tex", texture);
  EXPECT_EQ(manager.FindAsset("A.png:tex"), texture);
  EXPECT_FALSE(manager.FindAsset("a.png:tex"));  // another name, and now another entry
  EXPECT_EQ(manager.GetAssetCount(), 2u);

  // A second asset under the name hides the first, which lives on with its owner.
  auto replacement = boost::shared_ptr<TAsset>(new FakeTexture("b"));
  manager.RegisterAsset("A.png:tex", replacement);
  EXPECT_EQ(manager.FindAsset("A.png:tex"), replacement);
  EXPECT_EQ(texture.use_count(), 1);

  replacement.reset();
  EXPECT_FALSE(manager.FindAsset("A.png:tex"));
  EXPECT_EQ(manager.GetAssetCount(), 2u);  // gone assets keep their entry until a release

  manager.RegisterAsset("null", boost::shared_ptr<TAsset>());
  EXPECT_FALSE(manager.FindAsset("null"));
  manager.RemoveAsset("null");
  EXPECT_EQ(manager.GetAssetCount(), 2u);
}

TEST(AssetManager, ReleaseAndRestoreReachEveryLiveAssetInKeyOrder) {
  TAssetManager manager;
  auto b = boost::shared_ptr<TAsset>(new FakeTexture("b"));
  auto a = boost::shared_ptr<TAsset>(new FakeTexture("a"));
  manager.RegisterAsset("2", b);
  manager.RegisterAsset("1", a);
  {
    auto gone = boost::shared_ptr<TAsset>(new FakeTexture("gone"));
    manager.RegisterAsset("3", gone);
  }
  gCalls.clear();
  manager.RestoreAll();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"restore a", "restore b"}));
  EXPECT_EQ(manager.GetAssetCount(), 3u);
  gCalls.clear();
  manager.ReleaseAll();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"release a", "release b"}));
  EXPECT_EQ(manager.GetAssetCount(), 2u);
}

TEST(AssetManager, InstanceIsTheLivingManager) {
  {
    TAssetManager first;
    TAssetManager second;
    EXPECT_EQ(TAssetManager::Instance(), &first);
  }
  EXPECT_EQ(TAssetManager::Instance(), nullptr);
}

TEST(AssetCast, FollowsClassIdentityAndSharesOwnership) {
  auto animated = boost::shared_ptr<TAsset>(new FakeAnimatedTexture("anim"));
  auto plain = boost::shared_ptr<TAsset>(new FakeTexture("plain"));

  boost::shared_ptr<FakeTexture> asTexture = AssetCast<FakeTexture>(animated.get());
  ASSERT_TRUE(asTexture);
  EXPECT_EQ(asTexture.get(), animated.get());
  EXPECT_EQ(animated.use_count(), 2);
  EXPECT_TRUE(AssetCast<FakeAnimatedTexture>(animated));
  EXPECT_FALSE(AssetCast<FakeAnimatedTexture>(plain));
  EXPECT_FALSE(AssetCast<FakeSound>(plain));
  EXPECT_FALSE(AssetCast<FakeTexture>(static_cast<TAsset*>(nullptr)));

  EXPECT_STREQ(animated->GetClassName(), "FakeAnimatedTexture");
  EXPECT_TRUE(animated->IsKindOf(TAsset::GetClassId()));
  EXPECT_FALSE(plain->IsKindOf(FakeSound::GetClassId()));

  // An asset no shared pointer owns cannot hand out shared ownership.
  FakeTexture unowned("stack");
  EXPECT_FALSE(AssetCast<FakeTexture>(&unowned));
}

}  // namespace
