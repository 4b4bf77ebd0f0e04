// The local high-score tables and "user:hiscore.dat": ranking, the row limit, one score per
// player, medals, queries into caller buffers, and the enciphered file with its checks.
#include <cstring>

#include "HiscoreFixture.h"

namespace {

struct RowView {
  int rank;
  int score;
  std::string name;
  bool operator==(const RowView&) const = default;
};

std::vector<RowView> LocalRows(const THwHiscores& h) {
  std::vector<RowView> rows;
  for (int i = 0; i < h.GetScoreCount(true); ++i) {
    int rank = 0, score = 0;
    char name[64];
    EXPECT_TRUE(h.GetScore(true, i, &rank, name, sizeof name, nullptr, &score, nullptr, 0));
    rows.push_back({rank, score, name});
  }
  return rows;
}

// "user:hiscore.dat" content for any plain bytes: enciphered, optionally without its final
// (padding) block, and followed by a correct checksum block.
std::vector<uint8_t> FileFor(const std::string& plain, bool dropLastBlock) {
  StringCipher cipher(HiscoreTest::kKey);
  int n = cipher.Encipher(plain.data(), int(plain.size()), nullptr, 0, false);
  std::vector<uint8_t> bytes(static_cast<size_t>(n), 0);
  cipher.Encipher(plain.data(), int(plain.size()), bytes.data(), n, false);
  if (dropLastBlock) bytes.resize(bytes.size() - 8);
  uint32_t sum = HiscoreChecksum(bytes.data(), bytes.size());
  uint8_t word[4] = {uint8_t(sum), uint8_t(sum >> 8), uint8_t(sum >> 16), uint8_t(sum >> 24)};
  std::vector<uint8_t> block(8);
  cipher.Encipher(word, 4, block.data(), 8, false);
  bytes.insert(bytes.end(), block.begin(), block.end());
  return bytes;
}

const char kGoodText[] =
    "<?xml version=\"1.0\"?>\n<score name=\"story\"><row rank=\"1\" score=\"9\" name=\"Ann\"/>"
    "</score>";

}  // namespace

TEST_F(HiscoreTest, ScoresRankWithTiesAndEqualScoresKeepTheirOrder) {
  THwHiscores h(true);
  Play(h, "A", "story");
  h.AddScore(50, false, "");
  EXPECT_EQ(LocalRows(h), (std::vector<RowView>{{1, 50, "A"}}));
  const std::pair<int, const char*> more[] = {{40, "B"}, {30, "C"}, {40, "D"}, {40, "E"}};
  for (auto [score, player] : more) {
    h.SetParameter(1, player);
    h.AddScore(score, false, "");
  }
  EXPECT_EQ(
      LocalRows(h),
      (std::vector<RowView>{{1, 50, "A"}, {2, 40, "B"}, {2, 40, "D"}, {2, 40, "E"}, {5, 30, "C"}}));
  h.SetParameter(2, "arcade");
  EXPECT_EQ(h.GetScoreCount(true), 0);
}

TEST_F(HiscoreTest, OnePerPlayerKeepsTheBestScoreAndItsGuid) {
  THwHiscores h(true);
  Play(h, "Ann", "story");
  h.AddScore(60, true, "");
  h.SetParameter(1, "Bob");
  h.AddScore(50, true, "");
  h.SetParameter(1, "Ann");
  std::string guid = SavedText().substr(SavedText().find("guid=\"") + 6, 32);

  struct Case {
    int score;
    std::vector<RowView> expected;
  } cases[] = {
      {60, {{1, 60, "Ann"}, {2, 50, "Bob"}}},
      {40, {{1, 60, "Ann"}, {2, 50, "Bob"}}},
      {70, {{1, 70, "Ann"}, {2, 50, "Bob"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.score);
    h.AddScore(c.score, true, "");
    EXPECT_EQ(LocalRows(h), c.expected);
  }
  // The replaced row's identity goes on with the better score.
  std::string text = SavedText();
  size_t ann = text.find("name=\"Ann\"");
  ASSERT_NE(ann, std::string::npos);
  EXPECT_NE(text.rfind(guid, ann), std::string::npos);
  EXPECT_EQ(text.find(guid, text.find(guid) + 1), std::string::npos);
}

TEST_F(HiscoreTest, FullTableTakesOnlyScoresAboveItsLowest) {
  THwHiscores h(false);
  Play(h, "P", "story");
  for (int i = 0; i < THwHiscores::kMaxRows; ++i) h.AddScore(1000 - i, false, "");
  ASSERT_EQ(h.GetScoreCount(true), 500);
  struct Case {
    int score;
    int lowest;  // lowest score afterwards
    int countOfScore;
  } cases[] = {{400, 501, 0}, {501, 501, 1}, {700, 502, 2}, {2000, 503, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.score);
    h.AddScore(c.score, false, "");
    std::vector<RowView> rows = LocalRows(h);
    ASSERT_EQ(rows.size(), 500u);
    EXPECT_EQ(rows.back().score, c.lowest);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [&](const RowView& r) { return r.score == c.score; }),
              c.countOfScore);
  }
}

TEST_F(HiscoreTest, SavedScoresMedalsAndLoginsComeBack) {
  {
    THwHiscores h(true);
    Play(h, "Ann <&\"> \xE9", "story");
    h.AddScoreWithData(120, true, "chapter=3&x<y", "<extra a=\"1\"/>");
    h.SetMedal("gold", 0, "g\"d");
    h.SetMedal("gold", 0, "other");
    h.SetMedal("fast", 1, "");
    h.SetParameter(2, "arcade");
    h.SetMedal("fast", 1, "");
    h.AddScore(7, true, "");
    EXPECT_EQ(h.CountPendingMedals(), 3);
  }
  EXPECT_FALSE(std::filesystem::exists(DataFile() + ".tmp"));
  THwHiscores h(true);
  Play(h, "Ann <&\"> \xE9", "story");
  int rank = 0, score = 0;
  char name[64], data[64];
  bool anonymous = false;
  ASSERT_TRUE(h.GetScore(true, 0, &rank, name, sizeof name, &anonymous, &score, data, sizeof data));
  EXPECT_EQ(rank, 1);
  EXPECT_EQ(score, 120);
  EXPECT_STREQ(name, "Ann <&\"> \xE9");
  EXPECT_STREQ(data, "chapter=3&x<y");
  EXPECT_TRUE(anonymous);
  EXPECT_EQ(h.CountPendingMedals(), 3);
  EXPECT_NE(SavedText().find("serverData=\"&lt;extra a=&quot;1&quot;/&gt;\""), std::string::npos);
  h.SetParameter(2, "arcade");
  EXPECT_EQ(h.GetScoreCount(true), 1);
}

TEST_F(HiscoreTest, MedalsOfAPlayerWithoutANameComeBack) {
  {
    THwHiscores h(true);
    Play(h, "", "story");
    h.SetMedal("gold", 0, "");
    EXPECT_EQ(h.CountPendingMedals(), 1);
  }
  EXPECT_NE(SavedText().find("user=\"\""), std::string::npos) << SavedText();
  THwHiscores h(true);
  Play(h, "", "story");
  EXPECT_EQ(h.CountPendingMedals(), 1);
}

TEST_F(HiscoreTest, DamagedFileLoadsNothingAndSaysSo) {
  {
    THwHiscores h(true);
    Play(h, "Ann", "story");
    h.AddScore(10, false, "");
    h.AddScore(20, false, "");
  }
  const std::vector<uint8_t> good = ReadBytes(DataFile());
  ASSERT_GT(good.size(), 16u);
  std::vector<std::vector<uint8_t>> damaged;
  for (size_t at :
       {size_t(0), good.size() / 2, good.size() - 9, good.size() - 8, good.size() - 1}) {
    std::vector<uint8_t> bytes = good;
    bytes[at] ^= 0x01;
    damaged.push_back(bytes);
  }
  damaged.push_back(std::vector<uint8_t>(good.begin(), good.end() - 3));
  // Checksums that match, but the text lacks its final zero, or has a zero inside, or the
  // padding is not what the cipher writes.
  damaged.push_back(FileFor(kGoodText, false));
  damaged.push_back(FileFor(std::string(kGoodText) + '\0' + "tail" + '\0', false));
  std::string padded = std::string(kGoodText) + '\0';
  while ((padded.size() + 2) % 8 != 0) padded.insert(padded.size() - 1, " ");
  damaged.push_back(FileFor(padded + "X\x02", true));
  // That last file passes the cipher's own padding removal: only the exact check stops it.
  {
    WriteBytes(DataFile(), FileFor(padded + "\x02\x02", true));
    THwHiscores h(false);
    Play(h, "Ann", "story");
    ASSERT_EQ(h.GetScoreCount(true), 1);
  }

  for (size_t i = 0; i < damaged.size(); ++i) {
    SCOPED_TRACE(i);
    WriteBytes(DataFile(), damaged[i]);
    size_t before = Log().size();
    THwHiscores h(false);
    Play(h, "Ann", "story");
    EXPECT_EQ(h.GetScoreCount(true), 0);
    EXPECT_NE(Log().find("HiScores: Checksum did not match! Ignoring saved score data.", before),
              std::string::npos);
    EXPECT_EQ(ReadBytes(DataFile()), damaged[i]) << "a load must not rewrite the file";
  }
}

TEST_F(HiscoreTest, ARejectedFileIsKeptAsideBeforeASaveReplacesIt) {
  {
    THwHiscores h(true);
    Play(h, "Ann", "story");
    h.AddScore(10, false, "");
  }
  std::vector<uint8_t> damaged = ReadBytes(DataFile());
  damaged[damaged.size() / 2] ^= 0x01;
  WriteBytes(DataFile(), damaged);
  const std::string aside = DataFile() + ".damaged";
  {
    THwHiscores h(true);
    Play(h, "Bob", "story");
    h.AddScore(5, false, "");
    EXPECT_NE(Log().find("HiScores: the rejected user:hiscore.dat is kept as " + aside),
              std::string::npos)
        << Log();
    // Only the first save after the rejected load keeps it.
    h.AddScore(6, false, "");
  }
  EXPECT_EQ(ReadBytes(aside), damaged);
  EXPECT_FALSE(std::filesystem::exists(aside + ".2"));
  THwHiscores h(false);
  Play(h, "Bob", "story");
  EXPECT_EQ(h.GetScoreCount(true), 2);
}

TEST_F(HiscoreTest, LoadedTablesAreCappedAndSorted) {
  std::string text = "<?xml version=\"1.0\"?>\n<score name=\"story\">";
  for (int i = 0; i < 600; ++i)
    text += "<row rank=\"1\" score=\"" + std::to_string(i % 3 == 0 ? 5 : i) + "\" name=\"p" +
            std::to_string(i) + "\"/>";
  text += "</score>";
  WriteBytes(DataFile(), FileFor(text + '\0', false));
  THwHiscores h(false);
  Play(h, "p0", "story");
  std::vector<RowView> rows = LocalRows(h);
  ASSERT_EQ(rows.size(), 500u);
  EXPECT_EQ(rows.front().score, 599);
  for (size_t i = 1; i < rows.size(); ++i) ASSERT_GE(rows[i - 1].score, rows[i].score);
  // Equal scores keep the file's order.
  std::vector<std::string> fives;
  for (const RowView& r : rows)
    if (r.score == 5) fives.push_back(r.name);
  ASSERT_GE(fives.size(), 2u);
  EXPECT_EQ(fives[0], "p0");
  EXPECT_EQ(fives[1], "p3");
}

TEST_F(HiscoreTest, FailedSaveKeepsThePreviousFile) {
  {
    THwHiscores h(true);
    Play(h, "Ann", "story");
    h.AddScore(10, false, "");
  }
  const std::vector<uint8_t> before = ReadBytes(DataFile());
  std::filesystem::create_directory(DataFile() + ".tmp");
  {
    THwHiscores h(true);
    Play(h, "Ann", "story");
    h.AddScore(99, false, "");
  }
  EXPECT_EQ(ReadBytes(DataFile()), before);
  EXPECT_NE(Log().find("the previous scores are kept"), std::string::npos);
  std::filesystem::remove(DataFile() + ".tmp");
  THwHiscores h(false);
  Play(h, "Ann", "story");
  EXPECT_EQ(h.GetScoreCount(true), 1);
}

TEST_F(HiscoreTest, QueriesCopyIntoBuffersWithinTheirSize) {
  THwHiscores h(false);
  Play(h, "Annabelle", "story");
  h.AddScore(30, true, "chapter seven");

  char name[6] = "?????", data[4] = "???";
  EXPECT_TRUE(h.GetScore(true, 0, nullptr, name, sizeof name, nullptr, nullptr, data, sizeof data));
  EXPECT_STREQ(name, "Annab");
  EXPECT_STREQ(data, "cha");
  for (int index : {-1, 1}) {
    char untouched[4] = "abc";
    int score = -5;
    EXPECT_FALSE(h.GetScore(true, index, nullptr, untouched, 4, nullptr, &score, nullptr, 0));
    EXPECT_STREQ(untouched, "abc");
    EXPECT_EQ(score, -5);
  }
  EXPECT_FALSE(h.GetScore(false, 0, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0));

  int score = 0, rank = 0;
  char one[1] = {'z'};
  char big[32];
  EXPECT_TRUE(h.FindPlayerScore(0, &score, &rank, one, 0));
  EXPECT_EQ(one[0], 'z') << "a size below 1 copies nothing";
  EXPECT_TRUE(h.FindPlayerScore(0, &score, &rank, one, 1));
  EXPECT_EQ(one[0], '\0');
  EXPECT_TRUE(h.FindPlayerScore(0, &score, &rank, big, sizeof big));
  EXPECT_STREQ(big, "chapter seven");
  EXPECT_EQ(score, 30);
  EXPECT_EQ(rank, 1);
  EXPECT_FALSE(h.FindPlayerScore(1, &score, &rank, big, sizeof big));
  EXPECT_FALSE(h.FindPlayerScore(2, &score, &rank, big, sizeof big));
  h.SetParameter(1, "Nobody");
  EXPECT_FALSE(h.FindPlayerScore(0, &score, &rank, big, sizeof big));
  EXPECT_FALSE(h.GetCategoryName(0, big, sizeof big));
  EXPECT_FALSE(h.GetPlayerLogin(nullptr, nullptr));
}

TEST_F(HiscoreTest, MedalsAreRecordedOncePerKind) {
  THwHiscores h(true);
  Play(h, "Ann", "story");
  h.SetMedal("gold", 0, "");
  h.SetMedal("gold", 0, "");
  h.SetMedal("gold", 1, "");
  h.SetParameter(2, "arcade");
  h.SetMedal("gold", 0, "");
  h.SetMedal("gold", 1, "");
  EXPECT_EQ(h.CountPendingMedals(), 3);
  h.SetParameter(1, "Bob");
  EXPECT_EQ(h.CountPendingMedals(), 0);
  std::string text = SavedText();
  EXPECT_NE(text.find("medalname=\"gold\""), std::string::npos);
  EXPECT_NE(text.find("type=\"type\""), std::string::npos);
  EXPECT_NE(text.find("mode=\"arcade\""), std::string::npos);
}

TEST_F(HiscoreTest, TextAndChecksumHelpers) {
  struct Case {
    std::string text;
    bool singleByte;
  } texts[] = {
      {"", true}, {"Ann Lee", true}, {"caf\xBF", true}, {"caf\xC3\xA9", false}, {"\xFF", false}};
  for (const Case& c : texts) EXPECT_EQ(IsSingleByteText(c.text.c_str()), c.singleByte) << c.text;

  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x10, 0x20};
  EXPECT_EQ(HiscoreChecksum(bytes, 0), 0u);
  EXPECT_EQ(HiscoreChecksum(bytes, 6), 0x04032211u);
}
