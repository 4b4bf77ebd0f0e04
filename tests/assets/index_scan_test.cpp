#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "assets/FileLayer.h"
#include "assets/TFile.h"
#include "core/TSettings.h"
#include "file_test_folder.h"

namespace {

using IndexScan = FileTestFolder;

// An archive holding the given entries, data straight after the directory.
std::string Archive(const std::vector<std::pair<std::string, std::string>>& entries) {
  auto le32 = [](uint32_t v) {
    std::string b;
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
  };
  size_t directory = 8;
  for (const auto& e : entries) directory += 1 + e.first.size() + 8;
  std::string head = "HWPK" + le32(static_cast<uint32_t>(entries.size())), data;
  for (const auto& e : entries) {
    head += static_cast<char>(e.first.size()) + e.first;
    head += le32(static_cast<uint32_t>(directory + data.size())) +
            le32(static_cast<uint32_t>(e.second.size()));
    data += e.second;
  }
  return head + data;
}

std::string Location(const char* key) {
  auto it = GetFileIndex().find(key);
  return it == GetFileIndex().end() ? std::string("<none>") : std::string(it->second.CStr());
}

TEST_F(IndexScan, AssetsKeysAreLowerCaseAndValuesKeepTheDiskSpelling) {
  Put("assets/SCRIPTS/MainLoop.Lua", "print(1)");
  Put("assets/Top.TXT", "t");
  Put("assets/fonts/deep/Default.mvec", "f");
  Put("assets/.SVN/entries", "x");
  Put("assets/fonts/.svn/entries", "x");
  InitFileSystem();

  EXPECT_EQ(Location("scripts/mainloop.lua"), "assets/SCRIPTS/MainLoop.Lua");
  EXPECT_EQ(Location("top.txt"), "assets/Top.TXT");
  EXPECT_EQ(Location("fonts/deep/default.mvec"), "assets/fonts/deep/Default.mvec");
  for (const auto& [key, value] : GetFileIndex())
    EXPECT_EQ(std::string(key.CStr()).find(".svn"), std::string::npos) << key.CStr();

  TFile* file = FileOpen("Scripts/MAINLOOP.lua", 0);
  ASSERT_NE(file, nullptr);
  char buf[16] = {};
  EXPECT_EQ(FileRead(file, buf, sizeof buf), 8);
  FileClose(file);
  EXPECT_FALSE(FileExists("scripts/other.lua"));  // not seen by the scan, so not there
}

TEST_F(IndexScan, LooseFilesWinOverArchiveEntries) {
  Put("assets/data.hwp", Archive({{"Scripts/Packed.lua", "packed"}, {"top.txt", "from archive"}}));
  Put("assets/top.txt", "loose");
  InitFileSystem();
  EXPECT_EQ(Location("top.txt"), "assets/top.txt");
  EXPECT_EQ(Location("scripts/packed.lua")[0], '@');

  TFile* file = FileOpen("SCRIPTS/packed.lua", 0);
  ASSERT_NE(file, nullptr);
  char buf[16] = {};
  EXPECT_EQ(FileRead(file, buf, sizeof buf), 6);
  EXPECT_EQ(std::string(buf), "packed");
  FileClose(file);
}

TEST_F(IndexScan, FolderLinkCyclesEndTheScan) {
  Put("assets/top.txt", "t");
  Put("assets/loop/file.txt", "x");
  Put("user/saves/game.dat", "g");
  // Two links back up: followed, each level would double the scan.
  std::filesystem::create_directory_symlink("..", mRoot + "/assets/loop/back");
  std::filesystem::create_directory_symlink("..", mRoot + "/assets/loop/again");
  std::filesystem::create_directory_symlink("..", mRoot + "/user/saves/up");
  // A link to a folder outside the scanned chain is an ordinary folder.
  Put("music/theme.ogg", "m");
  std::filesystem::create_directory_symlink(mRoot + "/music", mRoot + "/assets/loop/music");
  InitFileSystem();
  std::vector<std::string> keys;
  for (const auto& [key, value] : GetFileIndex()) keys.push_back(key.CStr());
  EXPECT_EQ(keys, (std::vector<std::string>{"loop/file.txt", "loop/music/theme.ogg", "top.txt",
                                            "user:saves/game.dat"}));
}

TEST_F(IndexScan, FinalListKeepsFilesAndFoldersOut) {
  struct Case {
    const char* list;
    bool mainloop, debug, top;
  } cases[] = {
      {"scripts", false, false, true},
      {"\tSCRIPTS/MainLoop.lua\r\n", false, true, true},
      {"top.txt -* scripts/debug.lua", true, false, true},
      {"", true, true, true},
  };
  for (const Case& c : cases) {
    ClearFileIndex();
    ClearNameList();
    Put("assets/scripts/mainloop.lua", "");
    Put("assets/scripts/debug.lua", "");
    Put("assets/top.txt", "");
    Put("final.txt", c.list);
    InitFileSystem();
    EXPECT_EQ(Location("scripts/mainloop.lua") != "<none>", c.mainloop) << c.list;
    EXPECT_EQ(Location("scripts/debug.lua") != "<none>", c.debug) << c.list;
    EXPECT_EQ(Location("top.txt") != "<none>", c.top) << c.list;
  }
}

TEST_F(IndexScan, ExcludedPrefixedNamesDoNotResolveForReading) {
  Put("user/secret.txt", "s");
  Put("final.txt", "user:secret.txt");
  InitFileSystem();
  EXPECT_EQ(Location("user:secret.txt"), "<none>");
  EXPECT_FALSE(FileExists("user:secret.txt"));
  EXPECT_EQ(FileOpen("user:secret.txt", 0), nullptr);
}

TEST_F(IndexScan, OversizedListIsIgnored) {
  Put("assets/top.txt", "");
  Put("final.txt", "top.txt" + std::string(100000, ' '));
  InitFileSystem();
  EXPECT_NE(Location("top.txt"), "<none>");
}

TEST_F(IndexScan, UserAndCommonFoldersGetPrefixedKeys) {
  Put("user/Strings.xml", "u");
  Put("user/Sub/Deeper/File.txt", "d");
  Put("common/strings_extra.xml", "c");
  InitFileSystem();
  EXPECT_EQ(Location("user:strings.xml"), mRoot + "/user/Strings.xml");
  EXPECT_EQ(Location("user:sub/deeper/file.txt"), mRoot + "/user/Sub/Deeper/File.txt");
  EXPECT_EQ(Location("common:strings_extra.xml"), mRoot + "/common/strings_extra.xml");

  ClearFileIndex();
  SetConfig("activex", "1");
  InitFileSystem();
  SetConfig("activex", "");
  EXPECT_EQ(Location("user:strings.xml"), "<none>");
  EXPECT_EQ(Location("common:strings_extra.xml"), "<none>");
}

}  // namespace
