#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "assets/FileLayer.h"
#include "assets/StringCipher.h"
#include "assets/TPrefs.h"
#include "core/EngineLog.h"
#include "core/TSettings.h"

namespace fs = std::filesystem;

namespace {

constexpr const char kKey[] = "c2VjcmV0a2AA";

using Bytes = std::vector<uint8_t>;

Bytes TextBytes(const std::string& s) {
  Bytes b(s.begin(), s.end());
  b.push_back(0);
  return b;
}

// Writes chunk files by hand, so tests can also write what Save never would.
struct ChunkWriter {
  StringCipher cipher{kKey};
  Bytes out;

  ChunkWriter& Raw(const char* tag, const Bytes& payload) {
    out.insert(out.end(), tag, tag + 4);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(payload.size() >> (8 * i)));
    out.insert(out.end(), payload.begin(), payload.end());
    return *this;
  }
  ChunkWriter& Enciphered(const char* tag, const Bytes& plain) {
    int size = cipher.Encipher(plain.data(), int(plain.size()), nullptr, 0, false);
    Bytes data(static_cast<size_t>(size));
    cipher.Encipher(plain.data(), int(plain.size()), data.data(), size, false);
    return Raw(tag, data);
  }
  ChunkWriter& Install(const std::string& key) { return Enciphered("IKEY", TextBytes(key)); }
  ChunkWriter& User(uint16_t n) { return Raw("USER", {uint8_t(n), uint8_t(n >> 8)}); }
  ChunkWriter& Pair(const std::string& key, const std::string& value) {
    Bytes plain = {uint8_t(key.size() + 1), 0};
    Bytes k = TextBytes(key), v = TextBytes(value);
    plain.insert(plain.end(), k.begin(), k.end());
    plain.insert(plain.end(), v.begin(), v.end());
    return Enciphered("KVPR", plain);
  }
};

struct Chunk {
  std::string tag;
  Bytes payload;  // deciphered, except for "USER"
  uint32_t length = 0;
};

std::vector<Chunk> ParseChunks(const Bytes& file) {
  StringCipher cipher(kKey);
  std::vector<Chunk> chunks;
  for (size_t at = 0; at + 8 <= file.size();) {
    Chunk c;
    c.tag.assign(file.begin() + long(at), file.begin() + long(at) + 4);
    c.length = uint32_t(file[at + 4]) | (uint32_t(file[at + 5]) << 8) |
               (uint32_t(file[at + 6]) << 16) | (uint32_t(file[at + 7]) << 24);
    Bytes raw(file.begin() + long(at) + 8, file.begin() + long(at + 8 + c.length));
    if (c.tag == "USER") {
      c.payload = raw;
    } else {
      c.payload.resize(raw.size());
      EXPECT_EQ(
          cipher.Decipher(raw.data(), int(raw.size()), c.payload.data(), int(raw.size()), false),
          0);
      c.payload.resize(size_t(cipher.GetLastLength()));
    }
    chunks.push_back(c);
    at += 8 + c.length;
  }
  return chunks;
}

class PrefsTest : public testing::Test {
protected:
  void SetUp() override {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    mRoot =
        fs::temp_directory_path() / ("prefs_" + std::to_string(::getpid()) + "_" + info->name());
    fs::remove_all(mRoot);
    fs::create_directories(mRoot / "user");
    ClearFileIndex();
    SetFileFolders(str(mRoot.c_str()) + "/user", str(mRoot.c_str()) + "/common",
                   str(mRoot.c_str()) + "/desktop");
    SetConfig(kConfigEncryptionKey, kKey);
    SetConfig(kConfigInstallKey, "/Games/Hidden");
  }
  void TearDown() override {
    ClearFileIndex();
    fs::remove_all(mRoot);
  }

  fs::path PrefsPath() const { return mRoot / "user" / "prefs.dat"; }

  // The lines logged since OpenEngineLog(mRoot), closing the log.
  std::string CloseLog() const {
    std::ifstream log(mRoot / "logfile.txt");
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    OpenEngineLog(nullptr);
    return text;
  }

  Bytes ReadPrefs() const {
    std::ifstream in(PrefsPath(), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  void WritePrefs(const Bytes& bytes) const {
    std::ofstream(PrefsPath(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  void WriteInstallFile(const std::string& text) {
    fs::path path = mRoot / "install.txt";
    std::ofstream(path, std::ios::binary) << text;
    SetIndexedFile("install.txt", path.c_str());
  }

  fs::path mRoot;
};

}  // namespace

TEST_F(PrefsTest, SaveWritesTheCurrentInstallKeyThenEverySection) {
  {
    TPrefs prefs(true);
    prefs.SetString("a", "b");
    prefs.SetInt("level", 3, 0);
    prefs.SetString("name", "Ann", 1);
  }
  std::vector<Chunk> chunks = ParseChunks(ReadPrefs());
  std::vector<std::string> tags;
  for (const Chunk& c : chunks) tags.push_back(c.tag);
  EXPECT_EQ(tags, (std::vector<std::string>{"IKEY", "IKEY", "USER", "KVPR", "USER", "KVPR", "USER",
                                            "KVPR"}));
  EXPECT_EQ(chunks[0].payload, TextBytes("/games/hidden"));
  EXPECT_EQ(chunks[1].payload, TextBytes("/games/hidden"));
  EXPECT_EQ(chunks[2].payload, (Bytes{0, 0}));
  EXPECT_EQ(chunks[2].length, 2u);
  // Key "a" with text "b": K = 2, then "a\0b\0", six plain bytes padded to one block.
  EXPECT_EQ(chunks[3].payload, (Bytes{2, 0, 'a', 0, 'b', 0}));
  EXPECT_EQ(chunks[3].length, 8u);
  EXPECT_EQ(chunks[4].payload, (Bytes{1, 0}));
  EXPECT_EQ(chunks[6].payload, (Bytes{2, 0}));
  EXPECT_EQ(chunks[7].length, 16u);  // 2 + 5 + 4 plain bytes
}

TEST_F(PrefsTest, FileReadsBackByteForByte) {
  const uint8_t blob[] = {0, 1, 2, 0xFF, 0, 7};
  {
    SetConfig(kConfigInstallKey, "other");
    TPrefs prefs(true);
    prefs.SetString("curuser", "1");
    prefs.SetString("name", "Zed", 2);
  }
  {
    SetConfig(kConfigInstallKey, "/Games/Hidden");
    TPrefs prefs(true);
    EXPECT_EQ(prefs.GetUserCount(), 0);  // the other installation's users stay apart
    prefs.SetString("curuser", "0");
    prefs.SetString("name", "Ann", 0);
    prefs.SetData("blob", blob, sizeof(blob), 0);
    prefs.SetString("name", "Bob", 1);
    prefs.SetInt("score", -42, 1);
  }
  Bytes written = ReadPrefs();
  {
    TPrefs prefs(true);
    ASSERT_EQ(prefs.GetUserCount(), 2);
    EXPECT_STREQ(prefs.GetString("curuser", "").CStr(), "0");
    EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Ann");
    EXPECT_STREQ(prefs.GetString("name", "", 1).CStr(), "Bob");
    EXPECT_EQ(prefs.GetInt("score", 0, 1), -42);
    uint8_t back[sizeof(blob)] = {};
    EXPECT_EQ(prefs.GetData("blob", back, sizeof(back), 0), 0);
    EXPECT_EQ(Bytes(back, back + sizeof(back)), Bytes(blob, blob + sizeof(blob)));
  }
  EXPECT_EQ(ReadPrefs(), written);

  SetConfig(kConfigInstallKey, "OTHER");
  TPrefs other(false);
  EXPECT_EQ(other.GetUserCount(), 3);
  EXPECT_STREQ(other.GetString("name", "", 1).CStr(), "");
  EXPECT_STREQ(other.GetString("name", "", 2).CStr(), "Zed");
}

TEST_F(PrefsTest, GettersAnswerForMissingSlotsKeysAndSmallBuffers) {
  TPrefs prefs(false);
  prefs.SetString("name", "Ann", 0);
  prefs.SetString("name", "Bob", 1);
  prefs.SetString("name", "Cid", 2);

  EXPECT_STREQ(prefs.GetString("name", "none", 5).CStr(), "none");
  EXPECT_STREQ(prefs.GetString("missing", "none", 0).CStr(), "none");
  EXPECT_EQ(prefs.GetInt("missing", 17, 0), 17);
  EXPECT_EQ(prefs.GetData("name", nullptr, 0, 5), 0);
  EXPECT_EQ(prefs.GetData("missing", nullptr, 0, 0), -1);
  EXPECT_EQ(prefs.GetData("name", nullptr, 0, 0), 4);
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(prefs.GetData("name", buffer, 3, 0), 4);
  EXPECT_EQ(std::string(buffer, 4), "xxxx");
  EXPECT_EQ(prefs.GetData("name", buffer, 4, 0), 0);
  EXPECT_STREQ(buffer, "Ann");

  prefs.DeleteUser(0);
  EXPECT_EQ(prefs.GetUserCount(), 2);
  EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Bob");
  prefs.DeleteUser(2);
  prefs.DeleteUser(-1);
  EXPECT_EQ(prefs.GetUserCount(), 2);

  // The file cannot hold slots past its limit or payloads past its chunk size.
  prefs.SetString("name", "Far", TPrefs::kMaxSlot);
  EXPECT_EQ(prefs.GetUserCount(), 2);
  std::vector<uint8_t> big(TPrefs::kMaxPayload, 1);
  prefs.SetData("big", big.data(), int(big.size()), 0);
  EXPECT_EQ(prefs.GetData("big", nullptr, 0, 0), -1);
}

TEST_F(PrefsTest, DamagedFilesLoadWhatIsIntact) {
  auto good = [] {
    ChunkWriter w;
    w.Install("/games/hidden").Install("/games/hidden").User(0).Pair("curuser", "0");
    return w;
  };
  struct Case {
    const char* what;
    Bytes file;
    std::vector<std::pair<const char*, const char*>> expect;  // global keys
    int users;
  };
  std::vector<Case> cases;
  {
    ChunkWriter w = good();
    w.User(1).Pair("name", "Ann");
    Bytes cut = w.out;
    cut.resize(cut.size() - 3);
    cases.push_back({"cut inside the last chunk", cut, {{"curuser", "0"}}, 1});
  }
  {
    ChunkWriter w = good();
    w.Raw("KVPR", Bytes(16, 0)).Pair("late", "x");
    w.out[w.out.size() - 16 - 8 - 24 + 4] = 0x01;  // length field of the raw chunk
    w.out[w.out.size() - 16 - 8 - 24 + 6] = 0x40;  // 0x400001
    cases.push_back({"oversized chunk", w.out, {{"curuser", "0"}, {"late", ""}}, 0});
  }
  {
    ChunkWriter w = good();
    w.User(1025).Pair("late", "x");
    cases.push_back({"user past the limit", w.out, {{"curuser", "0"}, {"late", ""}}, 0});
  }
  {
    ChunkWriter w = good();
    w.Raw("USER", {1}).Pair("after", "y");
    cases.push_back({"short user marker is skipped", w.out, {{"curuser", "0"}, {"after", "y"}}, 0});
  }
  {
    ChunkWriter w;
    w.Install("/games/hidden").Install("/games/hidden").Pair("stray", "s");
    w.User(0).Pair("ok", "1");
    cases.push_back(
        {"pair before any user marker is skipped", w.out, {{"stray", ""}, {"ok", "1"}}, 0});
  }
  {
    ChunkWriter w = good();
    w.Raw("XXXX", {1, 2}).Pair("late", "x");
    cases.push_back({"unknown tag ends the reading", w.out, {{"curuser", "0"}, {"late", ""}}, 0});
  }
  {
    ChunkWriter w;
    w.User(0).Pair("curuser", "0");
    cases.push_back({"first chunk not an install key", w.out, {{"curuser", ""}}, 0});
  }
  {
    ChunkWriter w = good();
    w.Raw("KVPR", Bytes(8, 0x55));
    cases.push_back({"chunk that does not decipher", w.out, {{"curuser", "0"}}, 0});
  }

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WritePrefs(c.file);
    TPrefs prefs(false);
    for (auto& [key, value] : c.expect) EXPECT_STREQ(prefs.GetString(key, "").CStr(), value);
    EXPECT_EQ(prefs.GetUserCount(), c.users);
    // Loading never rewrites the file.
    EXPECT_EQ(ReadPrefs(), c.file);
  }
}

TEST_F(PrefsTest, AFileThatIsNoPreferencesFileIsNamedInTheLog) {
  ChunkWriter w;
  w.User(0).Pair("curuser", "0");
  WritePrefs(w.out);
  OpenEngineLog(mRoot.c_str());
  { TPrefs prefs(false); }
  const std::string text = CloseLog();
  EXPECT_NE(text.find("prefs.dat does not begin with an installation record"), std::string::npos)
      << text;
}

// Names in the file index under "user:", as the engine's own listing finds them.
std::vector<std::string> UserIndex() {
  std::vector<std::string> names;
  str name;
  while (FindIndexedFile("user:", name, true)) names.push_back(name.CStr());
  return names;
}

TEST_F(PrefsTest, SavesLeaveNoTemporaryNameInTheFileIndex) {
  for (int round = 0; round < 2; ++round) {  // a new file, then one replaced
    SCOPED_TRACE(round);
    TPrefs prefs(true);
    prefs.SetString("name", round ? "Bob" : "Ann", 0);
    ASSERT_TRUE(prefs.Save());
    EXPECT_FALSE(FileExists("user:prefs.dat.tmp"));
    EXPECT_TRUE(FileExists("user:prefs.dat"));
    for (const std::string& name : UserIndex())
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  }
  // A failed save forgets the name as well.
  fs::create_directories(mRoot / "user" / "prefs.dat.tmp" / "x");
  TPrefs prefs(true);
  prefs.SetString("name", "Cy", 0);
  EXPECT_FALSE(prefs.Save());
  fs::remove_all(mRoot / "user" / "prefs.dat.tmp");
  EXPECT_FALSE(FileExists("user:prefs.dat.tmp"));
}

TEST_F(PrefsTest, FailedSaveKeepsThePreviousFile) {
  {
    TPrefs prefs(true);
    prefs.SetString("name", "Ann", 0, true);
  }
  Bytes before = ReadPrefs();
  ASSERT_FALSE(before.empty());
  // The temporary file cannot be made: a folder stands in its place.
  fs::create_directories(mRoot / "user" / "prefs.dat.tmp" / "x");
  {
    TPrefs prefs(true);
    prefs.SetString("name", "Changed", 0);
    EXPECT_FALSE(prefs.Save());
  }
  EXPECT_EQ(ReadPrefs(), before);
  fs::remove_all(mRoot / "user" / "prefs.dat.tmp");

  // A file the player made read-only is not replaced.
  fs::permissions(PrefsPath(), fs::perms::owner_read | fs::perms::group_read);
  {
    TPrefs prefs(true);
    prefs.SetString("name", "Changed", 0);
    EXPECT_FALSE(prefs.Save());
  }
  EXPECT_EQ(ReadPrefs(), before);
  EXPECT_FALSE(fs::exists(mRoot / "user" / "prefs.dat.tmp"));
  fs::permissions(PrefsPath(), fs::perms::owner_read | fs::perms::owner_write);

  TPrefs readOnly(false);
  readOnly.SetString("name", "Unsaved", 0);
  EXPECT_TRUE(readOnly.Save());
  EXPECT_EQ(ReadPrefs(), before);
}

TEST_F(PrefsTest, InstallFileChoosesTheInstallation) {
  {
    SetConfig(kConfigInstallKey, "First");
    TPrefs prefs(true);
    prefs.SetString("name", "Ann", 0);
  }
  // An empty install file adopts the file's leading install key.
  WriteInstallFile("");
  SetConfig(kConfigInstallKey, "somewhere else");
  {
    TPrefs prefs(false);
    EXPECT_STREQ(prefs.GetInstallKey().CStr(), "first");
    EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Ann");
  }
  // A non-empty one names it, in any case.
  WriteInstallFile("FIRST");
  {
    TPrefs prefs(false);
    EXPECT_STREQ(prefs.GetInstallKey().CStr(), "first");
    EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Ann");
  }
  WriteInstallFile("Second");
  {
    TPrefs prefs(false);
    EXPECT_STREQ(prefs.GetInstallKey().CStr(), "second");
    EXPECT_EQ(prefs.GetUserCount(), 0);
  }
}

TEST_F(PrefsTest, OlderXmlFormIsReadAndConverted) {
  const std::string inner =
      "<><install hwinstallkey=\"/Games/Hidden\"><global curuser=\"1\"/>"
      "<user name=\"Ann\" level=\"4\"/><user name=\"Bob\"/></install>"
      "<install hwinstallkey=\"other\"><global curuser=\"0\"/></install></>";
  StringCipher cipher(kKey);
  int size = cipher.Encipher(inner.c_str(), int(inner.size() + 1), nullptr, 0, true);
  std::string text(static_cast<size_t>(size), '\0');
  cipher.Encipher(inner.c_str(), int(inner.size() + 1), text.data(), size, true);
  text.resize(text.size() - 1);
  uint32_t sum = 0;
  for (size_t i = 0; i < inner.size(); ++i)
    sum ^= uint32_t(int32_t(int8_t(inner[i]))) << (8 * (i % 4));

  auto enciphered = [&](uint32_t checksum) {
    std::string doc = "<><data1 data=\"" + text + "\"/><data2 data=\"" +
                      std::to_string(int32_t(checksum)) + "\"/></>";
    return Bytes(doc.begin(), doc.end());
  };

  WritePrefs(enciphered(sum ^ 1));
  {
    TPrefs prefs(true);
    EXPECT_EQ(prefs.GetUserCount(), 0);  // wrong checksum: no records
  }

  WritePrefs(enciphered(sum));
  {
    TPrefs prefs(true);
    ASSERT_EQ(prefs.GetUserCount(), 2);
    EXPECT_STREQ(prefs.GetString("curuser", "").CStr(), "1");
    EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Ann");
    EXPECT_EQ(prefs.GetInt("level", 0, 0), 4);
    EXPECT_STREQ(prefs.GetString("name", "", 1).CStr(), "Bob");
  }
  // Converted on load: the file is now in chunks and still holds both installations.
  Bytes converted = ReadPrefs();
  ASSERT_GE(converted.size(), 4u);
  EXPECT_EQ(std::string(converted.begin(), converted.begin() + 4), "IKEY");
  SetConfig(kConfigInstallKey, "other");
  TPrefs other(false);
  EXPECT_STREQ(other.GetString("curuser", "").CStr(), "0");

  // Without a key the older file was plain XML.
  SetConfig(kConfigEncryptionKey, "");
  SetConfig(kConfigInstallKey, "/Games/Hidden");
  WritePrefs(Bytes(inner.begin(), inner.end()));
  TPrefs plain(false);
  EXPECT_STREQ(plain.GetString("name", "", 1).CStr(), "Bob");
}

// An installation of the older form with no record in it is not carried into the chunk form,
// which cannot write one that reads back: the converted file saves again to the same bytes.
// (Found by fuzzing: the enciphered document "<install".)
TEST_F(PrefsTest, ConvertedFilesSaveAgainToTheSameBytes) {
  SetConfig(kConfigEncryptionKey, "");
  const char* const documents[] = {
      "<><install/></>",
      "<><install hwinstallkey=\"empty\"/><install hwinstallkey=\"/Games/Hidden\">"
      "<global curuser=\"0\"/><user name=\"Ann\"/></install><install "
      "hwinstallkey=\"x\"></install></>",
  };
  for (const char* doc : documents) {
    WritePrefs(Bytes(doc, doc + std::strlen(doc)));
    { TPrefs converted(true); }
    const Bytes first = ReadPrefs();
    { TPrefs again(true); }
    EXPECT_EQ(ReadPrefs(), first) << doc;
  }
  TPrefs prefs(false);
  EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Ann");
}

TEST_F(PrefsTest, ConvertedPairTooLargeForAChunkIsLeftOutAlone) {
  // A value past the chunk size limit would end the reading of the converted file there;
  // the pairs after it in key order must survive.
  SetConfig(kConfigEncryptionKey, "");
  std::string doc = "<><install hwinstallkey=\"/Games/Hidden\"><global big=\"" +
                    std::string(TPrefs::kMaxPayload, 'x') + "\" zz=\"after\"/></install></>";
  WritePrefs(Bytes(doc.begin(), doc.end()));
  { TPrefs converted(true); }
  TPrefs prefs(false);
  EXPECT_STREQ(prefs.GetString("zz", "").CStr(), "after");
  EXPECT_STREQ(prefs.GetString("big", "none").CStr(), "none");
}

TEST_F(PrefsTest, ADamagedFileIsLoggedAndKeptAsideWhenReplaced) {
  ChunkWriter intact;
  intact.Install("/games/hidden").Install("/games/hidden").User(0).Pair("curuser", "0");
  intact.User(1).Pair("save", "level 4");
  Bytes cut = intact.out;
  cut.resize(cut.size() - 5);
  Bytes garbled = intact.out;
  garbled[garbled.size() - 16 - 8] = 'Z';  // the tag of the last record
  ChunkWriter stranger;
  stranger.User(0).Pair("curuser", "0");
  struct Case {
    const char* what;
    Bytes file;
    const char* logged;  // nullptr: nothing about damage
  };
  const std::vector<Case> cases = {
      {"intact", intact.out, nullptr},
      {"empty", {}, nullptr},
      {"cut inside the last record", cut, "prefs.dat is damaged after record 5"},
      {"garbled last record", garbled, "prefs.dat is damaged after record 5"},
      {"no installation record", stranger.out, "does not begin with an installation record"},
  };
  auto ReadFile = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  };
  const fs::path aside = PrefsPath().string() + ".damaged";
  // Lines kept from earlier tests go to the log as it opens; each case reads only its own.
  OpenEngineLog(mRoot.c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(aside);
    WritePrefs(c.file);
    size_t logged = ReadFile(mRoot / "logfile.txt").size();
    {
      TPrefs prefs(true);
      EXPECT_TRUE(prefs.Save());
    }
    Bytes log = ReadFile(mRoot / "logfile.txt");
    std::string text(log.begin() + long(logged), log.end());
    if (c.logged == nullptr) {
      EXPECT_EQ(text.find("damaged"), std::string::npos) << text;
      EXPECT_FALSE(fs::exists(aside));
      continue;
    }
    EXPECT_NE(text.find(c.logged), std::string::npos) << text;
    EXPECT_NE(text.find("is kept as"), std::string::npos) << text;
    // The damaged file is kept byte for byte; the new one holds what could be read of it.
    EXPECT_EQ(ReadFile(aside), c.file);
    TPrefs again(false);
    if (c.file != stranger.out) {
      EXPECT_STREQ(again.GetString("curuser", "").CStr(), "0");
    }
  }
  OpenEngineLog(nullptr);
  // A later save of the now intact file leaves the kept copy alone.
  Bytes kept = ReadFile(aside);
  {
    TPrefs prefs(true);
    prefs.SetString("name", "Ann", 0, true);
  }
  EXPECT_EQ(ReadFile(aside), kept);
}

TEST_F(PrefsTest, ASaveStoppedBetweenKeepingTheDamagedFileAndReplacingItLosesNoPlayer) {
  ChunkWriter intact;
  intact.Install("/games/hidden").Install("/games/hidden").User(0).Pair("curuser", "0");
  intact.User(1).Pair("name", "Ann").User(2).Pair("name", "Bob");
  Bytes damaged = intact.out;
  damaged.resize(damaged.size() - 5);  // Bob's name is cut
  WritePrefs(damaged);
  const fs::path folder = mRoot / "user";
  auto StopAt = [](FileReplaceStep stop) {
    return [stop](FileReplaceStep step) { return step != stop; };
  };
  {
    TPrefs prefs(true);
    prefs.SetString("name", "Cy", 1);
    prefs.SetReplaceHook(StopAt(FileReplaceStep::kReplace));
    EXPECT_FALSE(prefs.Save());
  }
  // Killed there: the damaged file still carries the name, its copy beside it.
  EXPECT_EQ(ReadPrefs(), damaged);
  EXPECT_TRUE(fs::exists(folder / "prefs.dat.damaged"));
  {
    TPrefs prefs(true);
    EXPECT_EQ(prefs.GetUserCount(), 2);
    EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Ann");
    EXPECT_TRUE(prefs.Save());
  }
  // A second damaged load keeps its own copy; the first stays.
  EXPECT_TRUE(fs::exists(folder / "prefs.dat.damaged"));
  EXPECT_TRUE(fs::exists(folder / "prefs.dat.damaged.2"));
  TPrefs after(false);
  EXPECT_STREQ(after.GetString("name", "", 0).CStr(), "Ann");
}

TEST_F(PrefsTest, AStartWithoutTheFileReadsACompleteReplacementLeftBeside) {
  {
    TPrefs prefs(true);
    prefs.SetString("curuser", "0");
    prefs.SetString("name", "Ann", 0);
    prefs.SetReplaceHook([](FileReplaceStep step) { return step != FileReplaceStep::kReplace; });
    EXPECT_FALSE(prefs.Save());
  }
  const fs::path spare = mRoot / "user" / "prefs.dat.tmp";
  ASSERT_TRUE(fs::exists(spare));
  ASSERT_FALSE(fs::exists(PrefsPath()));
  OpenEngineLog(mRoot.c_str());
  {
    TPrefs prefs(false);
    EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Ann");
    EXPECT_STREQ(prefs.GetString("curuser", "").CStr(), "0");
  }
  // One cut short is not trusted.
  fs::resize_file(spare, fs::file_size(spare) - 3);
  {
    TPrefs prefs(false);
    EXPECT_EQ(prefs.GetUserCount(), 0);
  }
  const std::string text = CloseLog();
  EXPECT_NE(text.find("the complete user:prefs.dat.tmp is used"), std::string::npos) << text;
  EXPECT_NE(text.find("user:prefs.dat.tmp is incomplete"), std::string::npos) << text;
}

TEST_F(PrefsTest, ASaveIsOnTheDiskBeforeItReplacesTheFileAndTheFolderAfter) {
  using S = FileReplaceStep;
  ChunkWriter cut;
  cut.Install("/games/hidden").Install("/games/hidden").User(0).Pair("curuser", "0");
  cut.out.resize(cut.out.size() - 2);
  struct Case {
    const char* what;
    Bytes file;
    std::vector<S> steps;
  };
  const std::vector<Case> cases = {
      {"no file yet", {}, {S::kFlushNew, S::kReplace, S::kFlushFolder}},
      {"damaged file", cut.out, {S::kFlushNew, S::kKeepAside, S::kReplace, S::kFlushFolder}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(PrefsPath());
    if (!c.file.empty()) WritePrefs(c.file);
    std::vector<S> steps;  // outlives the store, which saves once more as it goes
    TPrefs prefs(true);
    prefs.SetReplaceHook([&steps](S step) {
      steps.push_back(step);
      return true;
    });
    EXPECT_TRUE(prefs.Save());
    EXPECT_EQ(steps, c.steps);
  }
}

TEST_F(PrefsTest, APlayerRecordWhoseSlotTheFileCannotHoldIsDamage) {
  auto players = [](uint16_t third, uint16_t fourth) {
    ChunkWriter w;
    w.Install("/games/hidden").Install("/games/hidden").User(0).Pair("curuser", "1");
    w.User(1).Pair("name", "Ann").User(2).Pair("name", "Bob");
    w.User(third).Pair("name", "Cy").User(fourth).Pair("name", "Di");
    return w.out;
  };
  struct Case {
    const char* what;
    Bytes file;
    int users;  // read before the damage
  };
  const std::vector<Case> cases = {
      {"slot flipped far past the records", players(90, 4), 2},
      {"second record for a slot", players(3, 2), 3},
      {"slot a little past the records (hand-edited)", players(3, 8), 8},
  };
  const fs::path aside = PrefsPath().string() + ".damaged";
  OpenEngineLog(mRoot.c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(aside);
    WritePrefs(c.file);
    {
      TPrefs prefs(true);
      EXPECT_EQ(prefs.GetUserCount(), c.users);
      EXPECT_STREQ(prefs.GetString("name", "", 1).CStr(), "Bob");
      EXPECT_STREQ(prefs.GetString("curuser", "").CStr(), "1");
      EXPECT_TRUE(prefs.Save());
    }
    // Refused records are damage like any other: the file is kept as it was.
    EXPECT_EQ(fs::exists(aside), c.users < 8);
    TPrefs again(false);
    EXPECT_EQ(again.GetUserCount(), c.users);
  }
  const std::string text = CloseLog();
  EXPECT_NE(text.find("prefs.dat is damaged after record 8"), std::string::npos) << text;
}

TEST_F(PrefsTest, ADamagedInstallationRecordLosesNoPlayerAfterIt) {
  ChunkWriter w;
  w.Install("/games/hidden").Install("/games/hidden").User(0).Pair("curuser", "1");
  w.User(1).Pair("name", "Ann").User(2).Pair("name", "Bob");
  const Bytes intact = w.out;
  struct Case {
    const char* what;
    size_t at;  // byte of the first record flipped
  };
  const Case cases[] = {{"tag", 0}, {"length", 4}, {"install key", 20}};
  const fs::path aside = PrefsPath().string() + ".damaged";
  OpenEngineLog(mRoot.c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(aside);
    Bytes damaged = intact;
    damaged[c.at] ^= 0x20;
    WritePrefs(damaged);
    {
      TPrefs prefs(true);
      EXPECT_EQ(prefs.GetUserCount(), 2);
      EXPECT_STREQ(prefs.GetString("curuser", "").CStr(), "1");
      EXPECT_STREQ(prefs.GetString("name", "", 1).CStr(), "Bob");
      EXPECT_TRUE(prefs.Save());
    }
    EXPECT_TRUE(fs::exists(aside));
    TPrefs again(false);
    EXPECT_STREQ(again.GetString("name", "", 0).CStr(), "Ann");
  }
  const std::string text = CloseLog();
  EXPECT_NE(text.find("the installation record of user:prefs.dat is damaged; reading on from byte"),
            std::string::npos)
      << text;
}
