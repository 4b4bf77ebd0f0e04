#include "core/TSettings.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class SettingsTest : public ::testing::Test {
protected:
  void TearDown() override {
    SetPlatformConfigHook(nullptr);
    ClearConfig();
  }
};

std::vector<std::pair<str, str>> gHookCalls;
void RecordHook(const str& name, const str& value) { gHookCalls.emplace_back(name, value); }

}  // namespace

TEST_F(SettingsTest, StoredValueWinsOverDefaultEvenWhenEmpty) {
  EXPECT_STREQ(GetConfig("x", "d").CStr(), "d");
  SetConfig("x", "");
  EXPECT_STREQ(GetConfig("x", "d").CStr(), "");
  SetConfig("x", "2");
  EXPECT_STREQ(GetConfig("x", "d").CStr(), "2");
  EXPECT_STREQ(GetConfig("X", "d").CStr(), "d");  // names are case-sensitive
  ClearConfig();
  EXPECT_STREQ(GetConfig("x", "d").CStr(), "d");
}

TEST_F(SettingsTest, FlagsReadAsWholeNumbers) {
  const std::pair<const char*, bool> cases[] = {
      {"1", true}, {"2", true},  {"-1", true},    {" 7x", true},
      {"", false}, {"0", false}, {"true", false}, {"yes", false},
  };
  for (const auto& [value, want] : cases) {
    SetConfig("flag", value);
    EXPECT_EQ(GetConfigFlag("flag"), want) << value;
  }
  EXPECT_FALSE(GetConfigFlag("unset"));
}

TEST_F(SettingsTest, OldLineWrapStaysOnOnceWritten) {
  SetConfig("heirloomlinewrap", "0");
  EXPECT_TRUE(IsOldLineWrap());
  SetConfig("heirloomlinewrap", "0");
  EXPECT_TRUE(IsOldLineWrap());
}

TEST_F(SettingsTest, PlatformHearsOfChangesOnlyOnceRegistered) {
  gHookCalls.clear();
  SetConfig(kConfigVsync, "1");  // no platform yet: stored only
  EXPECT_TRUE(gHookCalls.empty());
  EXPECT_TRUE(GetConfigFlag(kConfigVsync));
  SetPlatformConfigHook(RecordHook);
  SetConfig("viewportscale", "0.5");
  ASSERT_EQ(gHookCalls.size(), 1u);
  EXPECT_STREQ(gHookCalls[0].first.CStr(), "viewportscale");
  EXPECT_STREQ(gHookCalls[0].second.CStr(), "0.5");
}

TEST_F(SettingsTest, IsSetAnswersForStoredValuesEvenEmptyOnes) {
  EXPECT_FALSE(IsConfigSet(kConfigPublisher));
  SetConfig(kConfigPublisher, "");
  EXPECT_TRUE(IsConfigSet(kConfigPublisher));
  EXPECT_FALSE(IsConfigSet("Publisher"));  // names are case-sensitive
  ClearConfig();
  EXPECT_FALSE(IsConfigSet(kConfigPublisher));
}
