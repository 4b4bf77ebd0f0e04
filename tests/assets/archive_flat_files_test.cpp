#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "assets/FileLayer.h"
#include "assets/TFile.h"
#include "assets/TFlatFileMap.h"
#include "core/EngineLog.h"

namespace fs = std::filesystem;

namespace {

// An archive built byte by byte, so tests can also write directories that lie.
struct Archive {
  struct Entry {
    std::string name;
    std::string data;
    int32_t offset = -1;  // -1: where the data is actually placed
    int32_t size = -1;    // -1: the data's size
  };
  std::vector<Entry> entries;
  int32_t count = -1;  // -1: the number of entries

  Archive& Add(std::string name, std::string data, int32_t offset = -1, int32_t size = -1) {
    entries.push_back({std::move(name), std::move(data), offset, size});
    return *this;
  }

  std::string Bytes() const {
    std::string out = "HWPK";
    Put(out, count != -1 ? count : int32_t(entries.size()));
    size_t at = out.size();
    for (const Entry& e : entries) at += 1 + e.name.size() + 8;
    for (const Entry& e : entries) {
      out.push_back(char(e.name.size()));
      out += e.name;
      Put(out, e.offset >= 0 || e.offset < -1 ? e.offset : int32_t(at));
      Put(out, e.size != -1 ? e.size : int32_t(e.data.size()));
      at += e.data.size();
    }
    for (const Entry& e : entries) out += e.data;
    return out;
  }

  static void Put(std::string& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((uint32_t(v) >> (8 * i)) & 0xFF));
  }
};

// Written beside and renamed over, as the archive builder does, so a mapping of the old
// file stays intact.
void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  fs::path temporary = path;
  temporary += ".new";
  std::ofstream(temporary, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  fs::rename(temporary, path);
}

std::string ReadAll(const char* name, int mode = kFileReadBinary) {
  TFile file;
  if (!file.Open(name, mode)) return "<not found>";
  std::string out(size_t(file.Size()) + 1, '\0');
  out.resize(size_t(file.Read(out.data(), int(out.size()))));
  return out;
}

// Every test runs in a fresh folder holding "assets", as the program runs beside its own.
class ArchiveTest : public testing::Test {
protected:
  void SetUp() override {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    mRoot =
        fs::temp_directory_path() / ("archive_" + std::to_string(::getpid()) + "_" + info->name());
    fs::remove_all(mRoot);
    fs::create_directories(mRoot / "assets");
    mOldFolder = fs::current_path();
    fs::current_path(mRoot);
    ClearFileIndex();
  }
  void TearDown() override {
    ClearFileIndex();
    fs::current_path(mOldFolder);
    fs::remove_all(mRoot);
  }

  fs::path mRoot;
  fs::path mOldFolder;
};

}  // namespace

TEST_F(ArchiveTest, EntriesReadThroughTheFileLayerInAnyCase) {
  WriteFile("assets/game.hwp", Archive()
                                   .Add("Scripts/Main.lua", "one\r\ntwo")
                                   .Add("data.bin", std::string("\0\1\2\3", 4))
                                   .Bytes());
  size_t number = GetFlatFileTable().size();
  MountFlatFiles("assets", GetFileIndex());
  ASSERT_EQ(GetFlatFileTable().size(), number + 1);
  EXPECT_STREQ(GetFlatFileTable()[number].GetPath().CStr(), "::assets/game.hwp");

  EXPECT_EQ(ReadAll("scripts/main.lua"), "one\r\ntwo");
  EXPECT_EQ(ReadAll("SCRIPTS/main.LUA"), "one\r\ntwo");
  EXPECT_EQ(ReadAll("assets/scripts/main.lua", kFileReadText), "one\ntwo");
  EXPECT_EQ(ReadAll("data.bin"), std::string("\0\1\2\3", 4));
  // The directory holds 8 + (1 + 16 + 8) + (1 + 8 + 8) bytes before the data.
  EXPECT_STREQ(ResolveFilePath("scripts/main.lua", true).CStr(),
               str::Format("@%zu:50,8", number).CStr());
}

TEST_F(ArchiveTest, LaterArchiveInByteOrderWins) {
  struct Case {
    const char* folder;
    std::vector<std::pair<const char*, const char*>> archives;  // file name, content
    const char* winner;
  } cases[] = {
      {"assets/lower", {{"a.hwp", "from a"}, {"b.hwp", "from b"}}, "from b"},
      // Upper-case letters sort first.
      {"assets/upper", {{"a.hwp", "from a"}, {"B.hwp", "from B"}}, "from a"},
      // The extension only has to appear somewhere in the name.
      {"assets/middle", {{"a.hwp", "from a"}, {"z.hwp.old", "from z"}, {"z.txt", "x"}}, "from z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    ClearFileIndex();
    for (auto& [file, content] : c.archives) {
      std::string bytes = std::string(file).find(".hwp") != std::string::npos
                              ? Archive().Add("same.txt", content).Bytes()
                              : std::string(content);
      WriteFile(fs::path(c.folder) / file, bytes);
    }
    MountFlatFiles(c.folder, GetFileIndex());
    EXPECT_EQ(ReadAll("same.txt"), c.winner);
  }
}

TEST_F(ArchiveTest, RemountKeepsTheNumberAndOpenEntriesKeepTheirBytes) {
  WriteFile("assets/one.hwp", Archive().Add("x.txt", "first").Bytes());
  WriteFile("assets/empty.hwp", Archive().Bytes());
  size_t base = GetFlatFileTable().size();
  MountFlatFile(GetFileIndex(), "::assets/one.hwp");
  MountFlatFile(GetFileIndex(), "::assets/empty.hwp");
  ASSERT_EQ(GetFlatFileTable().size(), base + 2);  // an empty archive still takes a number

  TFile open;
  ASSERT_TRUE(open.Open("x.txt", kFileReadBinary));
  WriteFile("assets/one.hwp", Archive().Add("x.txt", "second, longer").Bytes());
  MountFlatFile(GetFileIndex(), "::assets/one.hwp");
  EXPECT_EQ(GetFlatFileTable().size(), base + 2);
  EXPECT_STREQ(ResolveFilePath("x.txt", true).CStr(), str::Format("@%zu:22,14", base).CStr());
  EXPECT_EQ(ReadAll("x.txt"), "second, longer");

  char buffer[16] = {};
  EXPECT_EQ(open.Read(buffer, sizeof(buffer)), 5);
  EXPECT_STREQ(buffer, "first");
}

TEST_F(ArchiveTest, RemountOfADamagedFileLeavesItsEntriesUnreadable) {
  WriteFile("assets/gone.hwp", Archive().Add("y.txt", "bytes").Bytes());
  MountFlatFile(GetFileIndex(), "::assets/gone.hwp");
  size_t number = GetFlatFileTable().size() - 1;
  ASSERT_EQ(ReadAll("y.txt"), "bytes");

  OpenEngineLog(mRoot.c_str());
  WriteFile("assets/gone.hwp", "not an archive");
  MountFlatFile(GetFileIndex(), "::assets/gone.hwp");
  EXPECT_EQ(GetFlatFileTable().size(), number + 1);
  EXPECT_EQ(ReadAll("y.txt"), "<not found>");
  std::ifstream log(mRoot / "logfile.txt");
  std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  OpenEngineLog(nullptr);
  EXPECT_NE(text.find(str::Format("error reading @%zu:22,5 from flat file", number).CStr()),
            std::string::npos)
      << text;
}

TEST_F(ArchiveTest, ReadsAndSeeksStopAtTheEntryEnd) {
  WriteFile("assets/r.hwp", Archive().Add("r.bin", "0123456789").Add("next", "NEXT").Bytes());
  MountFlatFiles("assets", GetFileIndex());
  TFile file;
  ASSERT_TRUE(file.Open("r.bin", kFileReadBinary));
  char buffer[16] = {};
  EXPECT_EQ(file.Size(), 10);

  file.Seek(5, kSeekStart);
  EXPECT_EQ(file.Read(buffer, 5), 5);
  EXPECT_FALSE(file.Eof());  // exactly the last bytes: not yet at the end
  EXPECT_EQ(file.Read(buffer, 1), 0);
  EXPECT_TRUE(file.Eof());

  file.Seek(-5, kSeekEnd);
  EXPECT_FALSE(file.Eof());
  EXPECT_EQ(file.Read(buffer, 10), 5);  // never into the next entry
  EXPECT_EQ(std::string(buffer, 5), "56789");
  EXPECT_TRUE(file.Eof());

  file.Unget();
  EXPECT_FALSE(file.Eof());
  EXPECT_EQ(file.Tell(), 9);
  file.Seek(-20, kSeekCurrent);  // before the start lands at the end
  EXPECT_EQ(file.Tell(), 10);
  file.Seek(3, 7);  // unknown origin: unmoved
  EXPECT_EQ(file.Tell(), 10);

  // Writing modes open but write nothing.
  TFile writer;
  ASSERT_TRUE(writer.Open("r.bin", kFileWriteBinary));
  EXPECT_EQ(writer.Write("zz", 2), 0);
  EXPECT_EQ(ReadAll("r.bin"), "0123456789");
}

TEST_F(ArchiveTest, DamagedArchivesMountWhatIsIntact) {
  // The first entry's bytes are the start of its own name, so they survive the cut.
  std::string cut = Archive().Add("kept.txt", "", 9, 4).Add("lost.txt", "lost").Bytes();
  cut.resize(8 + 1 + 8 + 8 + 5);  // inside the second entry's name

  Archive outside;
  outside.Add("good.txt", "good")
      .Add("past_end.txt", "x", 1000, 1)
      .Add("negative_size.txt", "x", -1, -5)
      .Add("negative_offset.txt", "x", -100, 1)
      .Add("huge.txt", "x", 8, 0x7FFFFFFF)
      .Add("also_good.txt", "also");

  Archive absurd;
  absurd.Add("first.txt", "first");
  absurd.count = 0x7FFFFFFF;

  WriteFile("assets/1cut.hwp", cut);
  WriteFile("assets/2outside.hwp", outside.Bytes());
  WriteFile("assets/3absurd.hwp", absurd.Bytes());
  WriteFile("assets/4magic.hwp", "HWPX" + Archive().Add("magic.txt", "m").Bytes().substr(4));
  WriteFile("assets/5short.hwp", "HW");
  WriteFile("assets/6nocount.hwp", "HWPK\1");
  Archive negative;
  negative.Add("negative.txt", "n");
  negative.count = -3;
  WriteFile("assets/7negative.hwp", negative.Bytes());
  OpenEngineLog(mRoot.c_str());
  MountFlatFiles("assets", GetFileIndex());
  std::ifstream log(mRoot / "logfile.txt");
  std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  OpenEngineLog(nullptr);
  // Every archive left out, wholly or in part, is named in the log.
  for (const char* line : {"1cut.hwp: directory cut short after 1 of 2 entries",
                           "2outside.hwp: entry past_end.txt (offset 1000, size 1) lies outside",
                           "3absurd.hwp: directory cut short after 1 of 2147483647 entries",
                           "4magic.hwp is no archive", "5short.hwp is no archive",
                           "6nocount.hwp: no directory (entry count 0)",
                           "7negative.hwp: no directory (entry count -3)"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;

  struct Case {
    const char* name;
    const char* content;
  } cases[] = {
      {"kept.txt", "kept"},
      {"lost.txt", "<not found>"},
      {"good.txt", "good"},
      {"also_good.txt", "also"},
      {"past_end.txt", "<not found>"},
      {"negative_size.txt", "<not found>"},
      {"negative_offset.txt", "<not found>"},
      {"huge.txt", "<not found>"},
      {"first.txt", "first"},
      {"magic.txt", "<not found>"},
      {"negative.txt", "<not found>"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadAll(c.name), c.content) << c.name;
}

TEST_F(ArchiveTest, LocationsAreCheckedBeforeReading) {
  WriteFile("assets/l.hwp", Archive().Add("l.txt", "0123456789").Bytes());
  MountFlatFiles("assets", GetFileIndex());
  int number = int(GetFlatFileTable().size()) - 1;
  struct Case {
    std::string location;
    bool opens;
  } cases[] = {
      {str::Format("@%d:%d,%d", number, 22, 10).CStr(), true},
      {str::Format("@%d:%d,%d", number, 22, 0).CStr(), true},
      {str::Format("@%d:%d,%d", number + 1, 22, 10).CStr(), false},
      {str::Format("@%d:%d,%d", -1, 22, 10).CStr(), false},
      {str::Format("@%d:%d,%d", number, 22, 11).CStr(), false},  // one byte past the file
      {str::Format("@%d:%d,%d", number, -1, 2).CStr(), false},
      {str::Format("@%d:%d", number, 22).CStr(), false},
      {str::Format("@%d,%d", number, 22).CStr(), false},
      {"@x:1,2", false},
  };
  for (const Case& c : cases) {
    SetIndexedFile("probe", c.location.c_str());
    TFile file;
    EXPECT_EQ(file.Open("probe", kFileReadBinary), c.opens) << c.location;
  }
}

TEST_F(ArchiveTest, BuilderPacksAFolder) {
  fs::create_directories("content/Sub/.svn");
  std::ofstream("content/top.txt") << "top";
  std::ofstream("content/Sub/Inner.TXT") << "inner";
  std::ofstream("content/Sub/.svn/entries") << "svn";
  std::string tool = ENGINE_BINARY_DIR "/bin/hwpack";
  ASSERT_TRUE(fs::exists(tool)) << tool;
  ASSERT_EQ(std::system((tool + " assets/packed.hwp content > /dev/null").c_str()), 0);
  EXPECT_FALSE(fs::exists("assets/packed.hwp.tmp"));

  MountFlatFiles("assets", GetFileIndex());
  EXPECT_EQ(ReadAll("top.txt"), "top");
  EXPECT_EQ(ReadAll("sub/inner.txt"), "inner");
  EXPECT_EQ(ReadAll("sub/.svn/entries"), "<not found>");

  // A folder that cannot be read fails and leaves the earlier archive alone.
  EXPECT_NE(std::system((tool + " assets/packed.hwp missing 2> /dev/null").c_str()), 0);
  EXPECT_EQ(ReadAll("top.txt"), "top");
}
