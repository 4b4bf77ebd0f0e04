#include "startup/CheatCode.h"

#include <gtest/gtest.h>

#include <vector>

#include "assets/StringCipher.h"
#include "core/TSettings.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterCheatCodeCheck(); }
  void TearDown() override {
    SetCheatCodeCheck(nullptr);
    ClearConfig();
  }
};

}  // namespace

TEST_F(SettingsTest, CheatModeOnlyForACodeIssuedForThisComputer) {
  const char* key = "gamekey";
  const str id("QBSDQDWHQFFJWKDK");
  StringCipher cipher(key);
  const int length = static_cast<int>(id.Length()) + 1;
  std::vector<char> code(static_cast<size_t>(cipher.Encipher(id.CStr(), length, nullptr, 0, true)));
  ASSERT_EQ(cipher.Encipher(id.CStr(), length, code.data(), static_cast<int>(code.size()), true),
            0);
  EXPECT_STREQ(cipher.DecipherString(code.data()).CStr(), id.CStr());

  SetConfig(kConfigComputerId, id);
  SetConfig(kConfigCheatCode, code.data());
  EXPECT_STREQ(GetConfig(kConfigCheatMode, "unset").CStr(), "unset");  // no key yet
  SetConfig(kConfigEncryptionKey, key);
  EXPECT_STREQ(GetConfig(kConfigCheatMode).CStr(), "1");

  SetConfig(kConfigCheatCode, "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
  EXPECT_STREQ(GetConfig(kConfigCheatMode).CStr(), "0");
  SetConfig(kConfigCheatCode, code.data());
  SetConfig(kConfigComputerId, "OTHERMACHINEIDXX");
  SetConfig(kConfigEncryptionKey, key);
  EXPECT_STREQ(GetConfig(kConfigCheatMode).CStr(), "0");
}
