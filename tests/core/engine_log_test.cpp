#include "core/EngineLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class EngineLogTest : public ::testing::Test {
protected:
  void SetUp() override {
    mDir = fs::temp_directory_path() / ("enginelog_" + std::to_string(::getpid()));
    fs::remove_all(mDir);
  }
  void TearDown() override {
    OpenEngineLog(nullptr);
    fs::remove_all(mDir);
  }
  std::string ReadLog() const {
    std::ifstream in(mDir / "sub" / "logfile.txt", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  fs::path mDir;
};

}  // namespace

TEST_F(EngineLogTest, WritesNothingWhileOff) {
  OpenEngineLog(nullptr);
  EXPECT_TRUE(GetLogFilePath().IsEmpty());
  EngineLog("dropped %d", 1);
  EXPECT_FALSE(fs::exists(mDir));
}

TEST_F(EngineLogTest, LinesLoggedBeforeTheLogOpensAreWrittenWhenItOpens) {
  OpenEngineLog(nullptr);
  EngineLog("dropped by turning the log off");
  OpenEngineLog(nullptr);
  EngineLog("early %d", 1);
  EngineLog("early %d", 2);
  EXPECT_FALSE(fs::exists(mDir));
  const std::string folder = (mDir / "sub").string();
  OpenEngineLog(folder.c_str());
  EngineLog("late");
  const std::string text = ReadLog();
  const size_t first = text.find(": early 1\n"), second = text.find(": early 2\n");
  ASSERT_NE(first, std::string::npos) << text;
  ASSERT_NE(second, std::string::npos) << text;
  EXPECT_LT(first, second);
  EXPECT_LT(second, text.find(": late\n"));
  EXPECT_EQ(text.find("dropped"), std::string::npos);
  // Written once: a second log starts fresh.
  OpenEngineLog(folder.c_str());
  EngineLog("again");
  EXPECT_EQ(ReadLog().find("early"), std::string::npos);
}

TEST_F(EngineLogTest, EachOpenStartsAFreshLogInANewFolder) {
  const std::string folder = (mDir / "sub").string();
  OpenEngineLog(folder.c_str());
  EXPECT_STREQ(GetLogFilePath().CStr(), (folder + "/logfile.txt").c_str());
  EngineLog("first %s", "line");
  EngineLog("second");
  std::string text = ReadLog();
  // ctime form: "Www Mmm dd hh:mm:ss yyyy" then ": " and the text.
  ASSERT_GT(text.size(), 26u);
  EXPECT_EQ(text.substr(24, 2), ": ");
  // ctime's English day and month names, the day of the month padded to two places.
  const std::string days = "SunMonTueWedThuFriSat", months = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const size_t day = days.find(text.substr(0, 3)), month = months.find(text.substr(4, 3));
  EXPECT_TRUE(day != std::string::npos && day % 3 == 0) << text.substr(0, 24);
  EXPECT_TRUE(month != std::string::npos && month % 3 == 0) << text.substr(0, 24);
  EXPECT_EQ(text.substr(3, 1) + text.substr(7, 1) + text.substr(10, 1), "   ");
  EXPECT_EQ(text.substr(13, 1) + text.substr(16, 1), "::");
  EXPECT_EQ(text.substr(26, 11), "first line\n");
  EXPECT_NE(text.find(": second\n"), std::string::npos);

  for (int i = 0; i < 100; ++i) EngineLog("%0200d", i);
  // Reopening deletes the old file and starts writing at its beginning again.
  OpenEngineLog(folder.c_str());
  EngineLog("after reopen");
  text = ReadLog();
  EXPECT_EQ(text.size(), 24u + 2 + std::string("after reopen\n").size());
}

TEST_F(EngineLogTest, LogWrapsAroundPastItsLimit) {
  const std::string folder = (mDir / "sub").string();
  OpenEngineLog(folder.c_str());
  const std::string filler(973, 'x');  // 1000-byte lines with the stamp
  for (int i = 0; i < 103; ++i) EngineLog("%s", filler.c_str());
  EXPECT_EQ(ReadLog().size(), 103000u);  // still below the limit when the last line started
  EngineLog("%s", "wrapped");
  const std::string banner =
      "\n\n\n\n ****************** LOG WRAP AROUND ******************\n\n\n\n";
  std::string text = ReadLog();
  EXPECT_EQ(text.size(), 103000u);  // not truncated: old text stays after the new end
  EXPECT_EQ(text.compare(51200, banner.size(), banner), 0);
  const size_t lineAt = 51200 + banner.size();
  EXPECT_EQ(text.compare(lineAt + 26, 8, "wrapped\n"), 0);
  EXPECT_EQ(text.substr(0, 51200).find("LOG WRAP"), std::string::npos);

  EngineLog("next");  // later lines follow the wrapped one
  text = ReadLog();
  EXPECT_EQ(text.compare(lineAt + 34 + 26, 5, "next\n"), 0);
}

TEST(Identifiers, ComputerIdFromAdapterAddress) {
  const unsigned char address[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0, 0};
  EXPECT_STREQ(MakeComputerIdFromAddress(address).CStr(), "QBSDQDWHQFFJWKDK");
  const str id = MakeComputerId();
  EXPECT_EQ(id.Length(), 16u);
  for (unsigned i = 0; i < id.Length(); i += 2) {
    EXPECT_GE(id[i], 64);
    EXPECT_LE(id[i], 95);
  }
}

TEST(Identifiers, GuidStringsAreFreshHexDigits) {
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    const str g = NewGuidString();
    ASSERT_EQ(g.Length(), 32u);
    EXPECT_EQ(std::string(g.CStr()).find_first_not_of("0123456789abcdef"), std::string::npos);
    seen.insert(g.CStr());
  }
  EXPECT_EQ(seen.size(), 20u);
}
