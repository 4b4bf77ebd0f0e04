// Loading sounds by name, the rules that size their buffers and volumes, and the reader that
// feeds their streams.
#include "SoundFixture.h"

#include <cstring>

#include "sound/TMemSpooler.h"

TEST(SoundRules, VolumeBecomesAnAttenuationInHundredthsOfADecibel) {
  struct Case {
    float volume;
    int32_t attenuation;
  } cases[] = {{1.0f, 0}, {0.5f, -2500},   {0.0f, -10000}, {0.25f, -3750},
               {1.5f, 0}, {-0.5f, -10000}, {0.001f, -4995}};
  for (const Case& c : cases)
    EXPECT_EQ(TSoundStream::VolumeToAttenuation(c.volume), c.attenuation) << c.volume;
}

TEST(SoundRules, BufferOfTwoSecondsForEachFormatIsAMultipleOfEight) {
  struct Case {
    uint32_t rate, channels;
    uint32_t bytes;
  } cases[] = {{44100, 2, 352800}, {44100, 1, 176400}, {22050, 2, 176400}, {22050, 1, 88200},
               {11025, 1, 44104},  {48000, 2, 384000}, {8000, 1, 32000},   {11025, 2, 88200}};
  for (const Case& c : cases) {
    uint32_t size = TSoundStream::BufferSizeFor(c.rate * c.channels * 2, 2.0f);
    EXPECT_EQ(size, c.bytes) << c.rate << " Hz, " << c.channels << " channels";
    EXPECT_EQ(size % 8, 0u);
  }
  EXPECT_EQ(TSoundStream::BufferSizeFor(1, 0.0f), 4u);
  EXPECT_EQ(TSoundStream::BufferSizeFor(0, 2.0f), 4u);
  EXPECT_EQ(TSoundStream::BufferSizeFor(200000000, 2.0f), 0x0FFFFFFFu);
}

TEST(SoundRules, ShortSoundsInMemoryAreDecodedWholeAndTheRestStream) {
  struct Case {
    double seconds;
    bool streamFromFile, whole;
  } cases[] = {{0.1, false, true},   {1.5, false, true},   {2.0, false, true},
               {2.01, false, false}, {60.0, false, false}, {1.0, true, false}};
  for (const Case& c : cases)
    EXPECT_EQ(TSoundData::DecodesWhole(c.seconds, c.streamFromFile), c.whole) << c.seconds;
}

TEST(SoundRules, KeysJoinTheCutNameTheMemoryOptionAndTheGroup) {
  struct Case {
    const char* name;
    bool inMemory;
    int32_t group;
    const char *key, *cut;
    int32_t groupAfter;
  } cases[] = {
      {"sfx/click.ogg", true, 1001, "sfx/click.ogg;1;1001", "sfx/click.ogg", 1001},
      {"sfx/click.ogg?group=7", true, 1001, "sfx/click.ogg;1;7", "sfx/click.ogg", 7},
      {"music/theme.ogg?group=1003", false, 0, "music/theme.ogg;0;1003", "music/theme.ogg", 1003},
      {"a.ogg?loud", true, 5, "a.ogg;1;5", "a.ogg", 5},
      {"a.ogg?x=1&group=-2", true, 5, "a.ogg;1;-2", "a.ogg", -2},
      {"a.ogg?group=", true, 5, "a.ogg;1;0", "a.ogg", 0},
  };
  for (const Case& c : cases) {
    int32_t group = c.group;
    str cut;
    EXPECT_STREQ(TSound::MakeKey(c.name, c.inMemory, group, &cut).CStr(), c.key) << c.name;
    EXPECT_STREQ(cut.CStr(), c.cut) << c.name;
    EXPECT_EQ(group, c.groupAfter) << c.name;
  }
}

TEST_F(SoundTest, NameWithAGroupQueryFindsTheSameSoundAsTheGroupArgument) {
  str path = MakeOgg("click.ogg", 0.2);
  auto a = TSound::Get(str((std::string(path.CStr()) + "?group=7").c_str()), true, 1001);
  auto b = TSound::Get(path, true, 7);
  ASSERT_TRUE(a);
  EXPECT_EQ(a.get(), b.get());
  EXPECT_EQ(a->GetData()->GetVolumeGroup(), 7);
  EXPECT_STREQ(a->GetName().CStr(), path.CStr());
  auto c = TSound::Get(path, false, 7);
  EXPECT_NE(c.get(), a.get()) << "streaming from file is another entry";
  int32_t group = 7;
  EXPECT_EQ(AssetCast<TSound>(mAssets->FindAsset(TSound::MakeKey(path, true, group, nullptr))), a);
}

TEST_F(SoundTest, SoundsThatDoNotLoadAnswerEmptyWithTheirLogLine) {
  EXPECT_FALSE(TSound::Get("", true, 0));
  EXPECT_FALSE(TSound::Get(str(("::" + (mDir / "readme.txt").string()).c_str()), true, 0));
  EXPECT_EQ(Log().find("TSound::Get"), std::string::npos) << "a name without .ogg is quiet";

  EXPECT_FALSE(TSound::Get("::/nowhere/missing.ogg", true, 0));
  EXPECT_NE(Log().find("TSound::Get: OGG file not found: ::/nowhere/missing.ogg"),
            std::string::npos);

  std::string junk = (mDir / "junk.ogg").string();
  testsupport::WriteBytes(junk, std::vector<uint8_t>(500, 'x'));
  EXPECT_FALSE(TSound::Get(str(("::" + junk).c_str()), true, 0));
  EXPECT_FALSE(TSound::Get(str(("::" + junk).c_str()), false, 0));
  std::string log = Log();
  EXPECT_NE(log.find("OGG file could not be opened"), std::string::npos);
  EXPECT_NE(log.find("TSound::Get: Error loading ::" + junk), std::string::npos);
}

TEST_F(SoundTest, ShortSoundIsDecodedAtLoadAndALongerOneKeepsItsDecoder) {
  auto shortOne = TSound::Get(MakeOgg("short.ogg", 1.5), true, 0);
  ASSERT_TRUE(shortOne);
  const TSoundData& d = *shortOne->GetData();
  EXPECT_TRUE(d.IsDecoded());
  EXPECT_FALSE(d.HasDecoder());
  EXPECT_EQ(d.GetCapacity(), d.GetDecodedBytes());
  EXPECT_EQ(d.GetDecodedBytes(), 66150 * 4) << "every frame of 1.5 s, no more";
  EXPECT_NEAR(shortOne->GetDuration(), 1.5f, 1e-3f);

  auto longer = TSound::Get(MakeOgg("longer.ogg", 2.5), true, 0);
  ASSERT_TRUE(longer);
  EXPECT_FALSE(longer->GetData()->IsDecoded());
  EXPECT_TRUE(longer->GetData()->HasDecoder());
  auto streamed = TSound::Get(MakeOgg("streamed.ogg", 0.5), false, 0);
  ASSERT_TRUE(streamed);
  EXPECT_TRUE(streamed->GetData()->HasDecoder());
}

// Reads from both kinds of source: the decoded block and the open decoder.
TEST_F(SoundTest, LoopingReadAcrossTheEndWrapsToTheFirstBytes) {
  for (bool inMemory : {true, false}) {
    auto sound = TSound::Get(MakeOgg(inMemory ? "m.ogg" : "f.ogg", 0.25), inMemory, 0);
    ASSERT_TRUE(sound);
    const uint32_t total = 11025 * 4;
    TMemSpooler head(sound->GetData());
    std::vector<uint8_t> start(4000);
    uint32_t got = 0;
    ASSERT_TRUE(head.Read(4000, start.data(), got, false));

    TMemSpooler spooler(sound->GetData());
    std::vector<uint8_t> skip(total - 1000);
    ASSERT_TRUE(spooler.Read(uint32_t(skip.size()), skip.data(), got, true));
    std::vector<uint8_t> out(5000, 0xEE);
    ASSERT_TRUE(spooler.Read(5000, out.data(), got, true)) << inMemory;
    EXPECT_EQ(got, 5000u);
    EXPECT_TRUE(std::equal(out.begin() + 1000, out.end(), start.begin())) << inMemory;

    TMemSpooler once(sound->GetData());
    ASSERT_TRUE(once.Read(uint32_t(skip.size()), skip.data(), got, false));
    std::fill(out.begin(), out.end(), 0xEE);
    EXPECT_FALSE(once.Read(5000, out.data(), got, false)) << inMemory;
    EXPECT_EQ(got, 1000u);
    EXPECT_TRUE(std::all_of(out.begin() + 1000, out.end(), [](uint8_t b) { return b == 0; }));
  }
}

TEST_F(SoundTest, ReaderOfAGoneSoundDeliversNothing) {
  auto sound = TSound::Get(MakeOgg("gone.ogg", 0.25), true, 0);
  ASSERT_TRUE(sound);
  TMemSpooler spooler(sound->GetData());
  spooler.Seek(0.1f);
  EXPECT_EQ(spooler.GetPosition(), 4410 * 4);
  spooler.Rewind();
  EXPECT_EQ(spooler.GetPosition(), 4410 * 4) << "a decoded block keeps its place on rewind";
  EXPECT_NEAR(spooler.GetLength(), 0.25f, 1e-3f);
  sound.reset();
  std::vector<uint8_t> out(100, 0xEE);
  uint32_t got = 7;
  EXPECT_FALSE(spooler.Read(100, out.data(), got, true));
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(spooler.GetLength(), 0.0f);
}

TEST_F(SoundTest, LoopingReadOfAnEmptySoundStops) {
  std::string path = (mDir / "empty.ogg").string();
  ASSERT_TRUE(testsupport::WriteBytes(path, testsupport::EncodeOgg({}, 2, 44100)));
  for (bool inMemory : {true, false}) {
    auto sound = TSound::Get(str(("::" + path).c_str()), inMemory, 0);
    ASSERT_TRUE(sound) << inMemory;
    TMemSpooler spooler(sound->GetData());
    std::vector<uint8_t> out(4096, 0xEE);
    uint32_t got = 1;
    EXPECT_FALSE(spooler.Read(4096, out.data(), got, true)) << inMemory;
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0; }));
    // And playing it in a loop neither hangs nor plays anything.
    auto instance = sound->Play(true);
    Run(1500);
    EXPECT_EQ(PeakOf(mDevice->TakeMixed(), 0, 44100), 0);
  }
}

TEST_F(SoundTest, DamagedStreamIsReadToItsEndWithoutHanging) {
  auto pcm = testsupport::SineFrames(44100, 2, 20.0, 441.0);
  auto bytes = testsupport::EncodeOgg(pcm, 2, 44100);
  // Garbage inside one audio page in the middle: its checksum fails, the decoder reports a
  // hole and goes on with the next page.
  std::vector<size_t> pages;
  for (size_t i = 0; i + 4 <= bytes.size(); ++i)
    if (std::memcmp(&bytes[i], "OggS", 4) == 0) pages.push_back(i);
  ASSERT_GT(pages.size(), 6u);
  size_t page = pages[pages.size() / 2];
  for (size_t i = page + 60; i < page + 110; ++i) bytes[i] ^= 0x5A;
  std::string path = (mDir / "damaged.ogg").string();
  ASSERT_TRUE(testsupport::WriteBytes(path, bytes));
  auto sound = TSound::Get(str(("::" + path).c_str()), true, 0);
  ASSERT_TRUE(sound);
  TMemSpooler spooler(sound->GetData());
  std::vector<uint8_t> out(44100 * 4);
  uint32_t got = 0, total = 0;
  int reads = 0;
  bool more = true;
  while (more && reads < 100) {
    more = spooler.Read(uint32_t(out.size()), out.data(), got, false);
    total += got;
    ++reads;
  }
  EXPECT_FALSE(more);
  EXPECT_LT(reads, 100);
  EXPECT_GT(total, 15u * 44100 * 4) << "what follows the damage still plays";
  EXPECT_LT(total, 20u * 44100 * 4) << "the damaged page is left out";
}

namespace {

// Offsets of the pages of an Ogg file.
std::vector<size_t> PageStarts(const std::vector<uint8_t>& bytes) {
  std::vector<size_t> pages;
  for (size_t i = 0; i + 27 <= bytes.size(); ++i)
    if (std::memcmp(&bytes[i], "OggS", 4) == 0) pages.push_back(i);
  return pages;
}

// Lets edit change the header and body of the page at `at`, then sets its checksum again.
template <typename Edit>
void EditPage(std::vector<uint8_t>& bytes, size_t at, Edit edit) {
  ogg_page page;
  page.header = bytes.data() + at;
  page.header_len = 27 + bytes[at + 26];
  page.body = page.header + page.header_len;
  page.body_len = 0;
  for (int i = 0; i < bytes[at + 26]; ++i) page.body_len += bytes[at + 27 + size_t(i)];
  edit(page.header, page.body);
  ogg_page_checksum_set(&page);
}

// The first page holds the identification packet alone: "\x01vorbis", version, channels,
// then the rate as four little-endian bytes.
void ClaimRate(std::vector<uint8_t>& bytes, uint32_t rate) {
  EditPage(bytes, 0, [&](uint8_t*, uint8_t* body) {
    ASSERT_EQ(std::memcmp(body, "\x01vorbis", 7), 0);
    std::memcpy(body + 12, &rate, 4);
  });
}

}  // namespace

// A file whose header claims an absurd sample rate: left unbounded, sizing the decoded block
// by the rate would ask for gigabytes (or wrap to a negative size).
TEST_F(SoundTest, HeaderWithAnAbsurdSampleRateDoesNotLoad) {
  auto bytes = testsupport::EncodeOgg(testsupport::SineFrames(44100, 2, 0.3, 441.0), 2, 44100);
  ClaimRate(bytes, 0xFFFFFFF0u);
  std::string path = (mDir / "rate.ogg").string();
  ASSERT_TRUE(testsupport::WriteBytes(path, bytes));
  for (bool inMemory : {true, false})
    EXPECT_FALSE(TSound::Get(str(("::" + path).c_str()), inMemory, 0)) << inMemory;
  EXPECT_NE(Log().find("OGG file could not be opened"), std::string::npos);
}

// The mixer plays mono and stereo buffers only: a sound with more channels could never play,
// and its header alone would size a decoded block of up to 255 channels.
TEST_F(SoundTest, SoundsWithMoreChannelsThanTheMixerPlaysDoNotLoad) {
  for (int channels : {1, 2, 3, 8}) {
    str path = MakeOgg("c" + std::to_string(channels) + ".ogg", 0.2, 441.0, 44100, channels);
    for (bool inMemory : {true, false}) {
      auto sound = TSound::Get(path, inMemory, 0);
      EXPECT_EQ(bool(sound), channels <= 2) << channels << " channels, " << inMemory;
      if (sound) {
        EXPECT_TRUE(bool(sound->Play(false))) << channels;
      }
    }
  }
  EXPECT_NE(Log().find("OGG file has 8 channels; only mono and stereo sounds play"),
            std::string::npos);
}

// The header's rate and length only guess the decoded size: a short file may claim two
// seconds at the highest rate, and a long one may claim to be short.
TEST_F(SoundTest, TheDecodedBlockHoldsWhatTheDecoderDeliversAndLargeOnesStream) {
  // 4 s of audio (pages enough that the last is not also the first) whose last page claims
  // 1.9 s at 768 kHz.
  auto bytes = testsupport::EncodeOgg(testsupport::SineFrames(44100, 2, 4.0, 441.0), 2, 44100);
  ASSERT_GT(PageStarts(bytes).size(), 3u);
  ClaimRate(bytes, 768000);
  const int64_t claimed = int64_t(1.9 * 768000);
  EditPage(bytes, PageStarts(bytes).back(),
           [&](uint8_t* header, uint8_t*) { std::memcpy(header + 6, &claimed, 8); });
  std::string path = (mDir / "claims.ogg").string();
  ASSERT_TRUE(testsupport::WriteBytes(path, bytes));
  auto sound = TSound::Get(str(("::" + path).c_str()), true, 0);
  ASSERT_TRUE(sound);
  const TSoundData& d = *sound->GetData();
  EXPECT_NEAR(d.GetLength(), 1.9, 0.01);
  ASSERT_TRUE(d.IsDecoded());
  // Every frame there is (the last packet's few padding frames are not trimmed away).
  EXPECT_GE(d.GetDecodedBytes(), 4 * 44100 * 4);
  EXPECT_LT(d.GetDecodedBytes(), (4 * 44100 + 2048) * 4);
  EXPECT_EQ(d.GetCapacity(), d.GetDecodedBytes()) << "and no room for the frames claimed";

  // 6.5 s of audio at 44.1 kHz that claims 768 kHz, so 0.37 s: it decodes to more than a
  // short sound may hold, and plays from its decoder, every frame of it.
  const int frames = int(6.5 * 44100);
  bytes = testsupport::EncodeOgg(testsupport::SineFrames(44100, 2, 6.5, 441.0), 2, 44100, 0.0f);
  ClaimRate(bytes, 768000);
  path = (mDir / "dense.ogg").string();
  ASSERT_TRUE(testsupport::WriteBytes(path, bytes));
  sound = TSound::Get(str(("::" + path).c_str()), true, 0);
  ASSERT_TRUE(sound);
  ASSERT_TRUE(TSoundData::DecodesWhole(sound->GetData()->GetLength(), false));
  EXPECT_FALSE(sound->GetData()->IsDecoded());
  EXPECT_TRUE(sound->GetData()->HasDecoder());
  TMemSpooler spooler(sound->GetData());
  std::vector<uint8_t> out(size_t(frames) * 4 + 4096);
  uint32_t got = 0;
  EXPECT_FALSE(spooler.Read(uint32_t(out.size()), out.data(), got, false));
  EXPECT_EQ(got, uint32_t(frames) * 4);
}

TEST_F(SoundTest, SeekBeyondTheEndOfADecodedSoundReadsNothing) {
  auto sound = TSound::Get(MakeOgg("seek.ogg", 0.25), true, 0);
  ASSERT_TRUE(sound);
  ASSERT_TRUE(sound->GetData()->IsDecoded());
  const int32_t decoded = sound->GetData()->GetDecodedBytes();
  // 600,000,000 frames: four bytes each no longer fit a 32-bit offset.
  for (float seconds : {0.5f, 600000000.0f / 44100.0f, 1e30f}) {
    TMemSpooler spooler(sound->GetData());
    spooler.Seek(seconds);
    EXPECT_EQ(spooler.GetPosition(), decoded) << seconds;
    std::vector<uint8_t> out(4096, 0xEE);
    uint32_t got = 1;
    EXPECT_FALSE(spooler.Read(4096, out.data(), got, false)) << seconds;
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0; }));
  }
  TMemSpooler back(sound->GetData());
  back.Seek(-1.0f);
  EXPECT_EQ(back.GetPosition(), 0);
}
