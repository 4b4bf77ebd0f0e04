// The desktop backend on SDL's disk audio driver: it opens, plays the sample game's music
// into a file, and closes cleanly; and a driver that cannot open leaves the game silent but
// running.
#include "SoundFixture.h"

#include <chrono>
#include <cstdlib>

#include "platform/audio/sdl/Device.h"

// SDL's start-up leaves a block in the system's message-bus library.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

TEST_F(SoundTest, DesktopDevicePlaysTheSampleMusicThroughSdlAndCloses) {
  std::string file = (mDir / "out.raw").string();
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  std::string error;
  auto device = platform::audio::OpenDesktopDevice(&error);
  ASSERT_TRUE(device) << error;
  EXPECT_STREQ(static_cast<platform::audio::sdl::Device*>(device.get())->GetDriverName(), "disk");

  // The real clock drives SDL's driver; the manager runs its thread as in the game.
  platform::os::UseVirtualClock(false);
  mManager.reset();
  mManager = std::make_unique<TSoundManager>();
  ASSERT_TRUE(mManager->Init(std::move(device), true));
  str music = str(("::" ENGINE_SOURCE_DIR "/sample/assets/audio/music.ogg"));
  auto sound = TSound::Get(music, false, 1001);
  ASSERT_TRUE(sound);
  EXPECT_NEAR(sound->GetDuration(), 12.0f, 0.01f);
  auto instance = sound->Play(true);
  ASSERT_TRUE(instance);
  ASSERT_TRUE(instance->GetStream()->HasBuffer());

  // The disk driver writes as fast as real time: wait until some music has reached the file.
  size_t loud = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (loud < 2000 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    loud = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      int16_t s = int16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8));
      if (std::abs(int(s)) > 500) ++loud;
    }
  }
  EXPECT_GE(loud, 2000u) << "the music reached the audio device";
  instance->Stop();
  mManager.reset();
  sound.reset();
  unsetenv("SDL_DISKAUDIOFILE");
  unsetenv("SDL_AUDIODRIVER");
}

TEST_F(SoundTest, TheLogNamesTheAudioDeviceTheGameOpened) {
  std::string file = (mDir / "opened.raw").string();
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  platform::os::UseVirtualClock(false);
  mManager.reset();
  mManager = std::make_unique<TSoundManager>();
  EXPECT_TRUE(mManager->Init());
  EXPECT_TRUE(mManager->HasDevice());
  mManager.reset();
  unsetenv("SDL_DISKAUDIOFILE");
  unsetenv("SDL_AUDIODRIVER");
  std::string log = Log();
  EXPECT_NE(log.find("Sound: audio device opened, 44100 Hz, 16-bit stereo"), std::string::npos)
      << log;
}

TEST_F(SoundTest, GameStartsSilentWhenTheAudioDeviceCannotOpen) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  mManager.reset();
  mManager = std::make_unique<TSoundManager>();
  EXPECT_TRUE(mManager->Init());
  EXPECT_FALSE(mManager->HasDevice());
  unsetenv("SDL_AUDIODRIVER");
  std::string log = Log();
  EXPECT_NE(log.find("File soundmanager"), std::string::npos) << log;
  EXPECT_NE(log.find("Sound: no audio device could be opened ("), std::string::npos) << log;
  EXPECT_NE(log.find("the game runs silent"), std::string::npos) << log;

  // Sounds still load, play against their clocks and end.
  auto click = TSound::Get(MakeOgg("click.ogg", 0.2), true, 1000);
  ASSERT_TRUE(click);
  auto instance = click->Play(false);
  ASSERT_TRUE(instance);
  EXPECT_FALSE(instance->GetStream()->HasBuffer());
}
