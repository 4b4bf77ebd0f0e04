#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/FileLayer.h"
#include "assets/TFile.h"
#include "assets/TFolderIterator.h"
#include "assets/TMemoryFile.h"
#include "core/TSettings.h"
#include "file_test_folder.h"
#include "platform/os/SpecialFolders.h"

namespace {

std::string Read(TFile* file, int count = 4096) {
  std::string out(static_cast<size_t>(count), '\0');
  int32_t got = FileRead(file, out.data(), count);
  out.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return out;
}

using FileLayer = FileTestFolder;

TEST_F(FileLayer, PlainNamesResolveOnlyThroughTheIndexIgnoringCase) {
  SetIndexedFile("Scripts/Main.lua", "loc");
  struct Case {
    const char* name;
    const char* expected;
  } cases[] = {
      {"scripts/main.lua", "loc"},        {"SCRIPTS/MAIN.LUA", "loc"},
      {"assets/scripts/main.lua", "loc"}, {"Assets\\Scripts/Main.lua", "loc"},
      {"scripts\\main.lua", ""},  // a different key
      {"assetsXscripts/main.lua", ""},    {"assets", ""},
      {"scripts/other.lua", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::string(ResolveFilePath(c.name, true).CStr()), c.expected) << c.name;
}

TEST_F(FileLayer, ColonNamesNeedAnExistingPathAndMatchItsCase) {
  Put("Data/Settings.XML", "<x/>");
  EXPECT_STREQ(ResolveFilePath("::Data/Settings.XML", false).CStr(), "Data/Settings.XML");
  // Lower-cased on the way in, the name still finds the file spelled otherwise on disk.
  EXPECT_STREQ(ResolveFilePath("::data\\settings.xml", false).CStr(), "Data/Settings.XML");
  EXPECT_TRUE(ResolveFilePath("::data/missing.xml", false).IsEmpty());
  TFile* file = FileOpen("::DATA/settings.xml", 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(Read(file), "<x/>");
  FileClose(file);
  EXPECT_EQ(FileOpen("::data/new.xml", 2), nullptr);  // "::" never creates
  EXPECT_EQ(FileOpen("::data", 0), nullptr);          // a folder is no file
}

TEST_F(FileLayer, WritingUnderUserMakesTheMissingFolders) {
  EXPECT_EQ(FileOpen("user:saves/slot1/game.dat", 0), nullptr);
  EXPECT_FALSE(FileExists("user:saves/slot1/game.dat"));

  TFile* file = FileOpen("user:Saves/Slot1/game.dat", 2);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(FileWrite(file, "hello", 5), 5);
  FileClose(file);
  EXPECT_EQ(Slurp(mRoot + "/user/Saves/Slot1/game.dat"), "hello");

  // Any spelling reaches the same file, in this run and in a fresh one.
  ClearFileIndex();
  file = FileOpen("user:SAVES/slot1/GAME.dat", 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(Read(file), "hello");
  FileClose(file);
  EXPECT_TRUE(FileExists("USER:saves/slot1/game.dat"));
}

TEST_F(FileLayer, PrefixedFilesMustBeWritableToBeRead) {
  Put("common/locked.txt", "x");
  chmod((mRoot + "/common/locked.txt").c_str(), 0444);
  EXPECT_EQ(FileOpen("common:locked.txt", 0), nullptr);
  EXPECT_FALSE(FileExists("common:locked.txt"));
  Put("desktop/open.txt", "y");
  EXPECT_TRUE(FileExists("desktop:open.txt"));
}

TEST_F(FileLayer, PrefixedNamesWithoutAFolderResolveToNothing) {
  SetFileFolders("", "", "");
  EXPECT_TRUE(ResolveFilePath("user:prefs.dat", false).IsEmpty());
  EXPECT_EQ(FileOpen("user:prefs.dat", 2), nullptr);
}

TEST_F(FileLayer, DiskTextModeFoldsLineEndsAndBinaryKeepsThem) {
  Put("user/t.txt", "a\r\nb\rc\r\n");
  TFile* text = FileOpen("user:t.txt", kFileReadText);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(Read(text), "a\nb\rc\n");
  FileClose(text);
  // A last line ended by a lone "\r" is a whole line, like one ended by "\n".
  Put("user/mac.txt", "x\r");
  text = FileOpen("user:mac.txt", kFileReadText);
  ASSERT_NE(text, nullptr);
  char line[8];
  EXPECT_EQ(FileGetS(text, line, sizeof line), line + 2);
  EXPECT_STREQ(line, "x\r");
  EXPECT_EQ(FileGetS(text, line, sizeof line), nullptr);
  FileClose(text);
  TFile* binary = FileOpen("user:t.txt", kFileReadBinary);
  ASSERT_NE(binary, nullptr);
  EXPECT_EQ(FileTell(binary), 0);
  EXPECT_EQ(binary->Size(), 8);
  EXPECT_EQ(Read(binary), "a\r\nb\rc\r\n");
  FileClose(binary);

  TFile* out = FileOpen("user:w.txt", kFileWriteText);
  ASSERT_NE(out, nullptr);
  FileWrite(out, "x\ny\n", 4);
  FileClose(out);
  EXPECT_EQ(Slurp(mRoot + "/user/w.txt"), "x\ny\n");
  out = FileOpen("user:w.txt", kFileAppendBinary);
  ASSERT_NE(out, nullptr);
  FileWrite(out, "z", 1);
  FileClose(out);
  EXPECT_EQ(Slurp(mRoot + "/user/w.txt"), "x\ny\nz");
}

TEST_F(FileLayer, ByteReadingLinesAndStepsBack) {
  Put("user/lines.txt", std::string("one\ntwo\xFF", 8));
  TFile* file = FileOpen("user:lines.txt", 0);
  ASSERT_NE(file, nullptr);
  char line[16];
  EXPECT_EQ(FileGetS(file, line, sizeof line), line + 4);  // where the 0 went
  EXPECT_STREQ(line, "one\n");
  // The last line has no line end: its bytes are stored, but the end is reported.
  EXPECT_EQ(FileGetS(file, line, sizeof line), nullptr);
  EXPECT_STREQ(line, "two\xFF");

  FileSeek(file, -1, kSeekEnd);
  EXPECT_EQ(FileGetC(file), 255);
  FileUngetC(file);
  EXPECT_EQ(FileGetC(file), 255);
  EXPECT_EQ(FileGetC(file), -1);
  EXPECT_TRUE(FileEof(file));
  FileSeek(file, 0, kSeekStart);
  EXPECT_EQ(FileGetS(file, line, 3), line + 2);
  EXPECT_STREQ(line, "on");
  EXPECT_EQ(FileGetS(file, line, 1), line);
  EXPECT_STREQ(line, "");
  FileClose(file);
}

TEST_F(FileLayer, ClosedHandlesAnswerDefaults) {
  TFile file;
  char buf[4];
  EXPECT_FALSE(file.Open("nothing-here", 0));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.Size(), 0);
  EXPECT_EQ(file.Tell(), -1);
  EXPECT_EQ(file.Read(buf, 4), 0);
  EXPECT_EQ(file.Write(buf, 4), 0);
  EXPECT_NE(FileError(&file), 0);
  EXPECT_EQ(FileGetC(nullptr), -1);
  EXPECT_NE(FileEof(nullptr), 0);
  EXPECT_EQ(FileTell(nullptr), -1);
  FileClose(nullptr);
}

TEST_F(FileLayer, MemoryFilesAreReadOnlyViewsUnderTheirName) {
  std::vector<char> block(100);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i);
  RegisterMemoryFile("Cursors/System.PNG", block.data(), 100);

  str location = ResolveFilePath("cursors/system.png", true);
  EXPECT_EQ(location[0], '&');
  TFile* file = FileOpen("cursors/system.png", 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 100);
  EXPECT_EQ(FileWrite(file, "x", 1), 0);
  FileSeek(file, 98, kSeekStart);
  char buf[8];
  EXPECT_EQ(FileRead(file, buf, 8), 2);
  EXPECT_EQ(buf[1], 99);
  EXPECT_TRUE(FileEof(file));
  FileClose(file);
  EXPECT_EQ(FileOpen("cursors/system.png", 2), nullptr);

  RegisterMemoryFile("CURSORS/system.png", nullptr, 0);
  EXPECT_TRUE(ResolveFilePath("cursors/system.png", true).IsEmpty());
}

TEST(MemoryFile, TextModeDropsCarriageReturnsAndSeeksStayInside) {
  const char bytes[] = {97, 13, 10, 98};
  str location =
      str::Format("&%lu,%lu", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(bytes)), 4ul);
  TMemoryFile text;
  ASSERT_TRUE(text.Open(location, kFileReadText));
  char out[4] = {};
  EXPECT_EQ(text.Read(out, 4), 3);
  EXPECT_EQ(std::string(out, 3), "a\nb");

  TMemoryFile file;
  ASSERT_TRUE(file.Open(location, kFileReadBinary));
  file.Seek(-1, kSeekCurrent);  // before the start lands at the end
  EXPECT_EQ(file.Tell(), 4);
  EXPECT_TRUE(file.Eof());
  file.Seek(1, kSeekStart);
  file.Unget();
  EXPECT_EQ(file.Tell(), 0);
  file.Seek(10, kSeekStart);
  EXPECT_EQ(file.Tell(), 4);

  for (const char* bad : {"&0,4", "&123", "&x,4", "&12,", "&,4", "&99999999999999999999999,1"})
    EXPECT_FALSE(TMemoryFile().Open(bad, 0)) << bad;
  EXPECT_FALSE(TMemoryFile().Open(location, kFileWriteBinary));
}

TEST_F(FileLayer, FindIndexedFileWalksTopLevelKeysOfAPrefix) {
  for (const char* key :
       {"user:a.xml", "user:b/c.xml", "user:d.txt", "userz", "common:e.xml", "f.lua"})
    SetIndexedFile(key, "x");
  std::vector<std::string> seen;
  str name;
  while (FindIndexedFile("USER:", name, false)) seen.push_back(name.CStr());
  EXPECT_EQ(seen, (std::vector<std::string>{"user:a.xml", "user:d.txt"}));

  seen.clear();
  name = str();
  while (FindIndexedFile("user:", name, true)) seen.push_back(name.CStr());
  EXPECT_EQ(seen, (std::vector<std::string>{"user:a.xml", "user:b/c.xml", "user:d.txt"}));

  seen.clear();
  name = str();
  while (FindIndexedFile("", name, false)) seen.push_back(name.CStr());
  EXPECT_EQ(seen, (std::vector<std::string>{"common:e.xml", "f.lua", "user:a.xml", "user:d.txt",
                                            "userz"}));
}

TEST_F(FileLayer, FolderIteratorListsEntriesAsOnDisk) {
  Put("list/File.TXT", "");
  Put("list/Sub/inner.txt", "");
  std::vector<std::string> files, all;
  str name;
  TFolderIterator onlyFiles((mRoot + "/list/").c_str());
  while (onlyFiles.Next(name, nullptr)) files.push_back(name.CStr());
  EXPECT_EQ(files, std::vector<std::string>{"File.TXT"});

  bool isFolder = false;
  int folders = 0;
  TFolderIterator everything((mRoot + "/list").c_str());
  while (everything.Next(name, &isFolder)) {
    all.push_back(name.CStr());
    folders += isFolder;
  }
  EXPECT_EQ(all.size(), 2u);
  EXPECT_EQ(folders, 1);
  EXPECT_FALSE(everything.Next(name, &isFolder));

  TFolderIterator none(nullptr);
  EXPECT_FALSE(none.Next(name, nullptr));
  TFolderIterator missing((mRoot + "/nope").c_str());
  EXPECT_FALSE(missing.Next(name, nullptr));
}

TEST_F(FileLayer, AppDataFolderIsMadeUnderPublisherAndGame) {
  setenv("XDG_DATA_HOME", (mRoot + "/xdg").c_str(), 1);
  ClearConfig();
  char out[512];
  ASSERT_EQ(MakeAppDataFolder(false, "Game", out, sizeof out), 0);
  EXPECT_EQ(std::string(out), mRoot + "/xdg/Hearthwell/Game/");
  EXPECT_TRUE(std::filesystem::is_directory(out));

  // A present but empty publisher drops the publisher folder.
  SetConfig("publisher", "");
  ASSERT_EQ(MakeAppDataFolder(false, "Other", out, sizeof out), 0);
  EXPECT_EQ(std::string(out), mRoot + "/xdg/Other/");
  SetConfig("publisher", "Acme");
  std::string expected = mRoot + "/xdg/Acme/Small/";
  // Too small by one byte for the text and its terminator: the size needed, nothing made.
  EXPECT_EQ(MakeAppDataFolder(false, "Small", out, static_cast<int>(expected.size())),
            static_cast<int>(expected.size() + 1));
  EXPECT_FALSE(std::filesystem::exists(mRoot + "/xdg/Acme"));
  EXPECT_EQ(MakeAppDataFolder(false, "Small", out, static_cast<int>(expected.size() + 1)), 0);
  EXPECT_EQ(std::string(out), expected);
  EXPECT_EQ(MakeAppDataFolder(false, nullptr, out, sizeof out), -1);

  // An all-users root that cannot be written fails, so the caller falls back.
  Put("blocked", "not a folder");
  platform::os::SetCommonDataFolder(mRoot + "/blocked/games");
  EXPECT_EQ(MakeAppDataFolder(true, "Game", out, sizeof out), -1);
  platform::os::SetCommonDataFolder(mRoot + "/games");
  EXPECT_EQ(MakeAppDataFolder(true, "Game", out, sizeof out), 0);
  EXPECT_EQ(std::string(out), mRoot + "/games/Acme/Game/");
  platform::os::SetCommonDataFolder("");
  ClearConfig();
  unsetenv("XDG_DATA_HOME");
}

TEST_F(FileLayer, DesktopFolderComesFromXdg) {
  setenv("XDG_DESKTOP_DIR", (mRoot + "/Bureau").c_str(), 1);
  char out[512];
  EXPECT_EQ(GetDesktopFolder(out, sizeof out), 0);
  EXPECT_EQ(std::string(out), mRoot + "/Bureau/");
  EXPECT_EQ(GetDesktopFolder(out, 4), static_cast<int>(mRoot.size() + 9));
  EXPECT_EQ(GetDesktopFolder(nullptr, 4), -1);
  unsetenv("XDG_DESKTOP_DIR");
  std::string home = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", mRoot.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(GetDesktopFolder(out, sizeof out), 0);
  EXPECT_EQ(std::string(out), mRoot + "/Desktop/");
  setenv("HOME", home.c_str(), 1);
}

}  // namespace
