// A scratch world for the high-score tests: a fresh working folder (made current, so
// "hiscoreserver.txt" and "::" names resolve inside it), a user folder for "user:hiscore.dat",
// the game's identity settings and an engine log to read back.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "assets/FileLayer.h"
#include "assets/StringCipher.h"
#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "online/THwHiscores.h"

class HiscoreTest : public ::testing::Test {
public:
  static constexpr const char* kKey = "QUILLKEY1234";

protected:
  void SetUp() override {
    char pattern[] = "/tmp/hiscore_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mRoot = pattern;
    mPrevious = std::filesystem::current_path().string();
    std::filesystem::current_path(mRoot);
    std::filesystem::create_directories(mRoot + "/user");
    ClearFileIndex();
    ClearNameList();
    SetFileFolders((mRoot + "/user").c_str(), mRoot.c_str(), mRoot.c_str());
    ClearConfig();
    SetConfig(kConfigEncryptionKey, kKey);
    SetConfig(kConfigHwGameHandle, "quill");
    SetConfig(kConfigVersion, "1.2");
    OpenEngineLog(mRoot.c_str());
  }

  void TearDown() override {
    OpenEngineLog(nullptr);
    ClearConfig();
    ClearFileIndex();
    SetFileFolders("", "", "");
    std::filesystem::current_path(mPrevious);
    std::error_code ec;
    std::filesystem::remove_all(mRoot, ec);
  }

  std::string DataFile() const { return mRoot + "/user/hiscore.dat"; }

  std::string Log() const {
    std::ifstream in(mRoot + "/logfile.txt", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::vector<uint8_t> ReadBytes(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) const {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }

  // The saved text of "hiscore.dat", without its terminating zero.
  std::string SavedText() const {
    std::vector<uint8_t> bytes = ReadBytes(DataFile());
    if (bytes.size() <= 8) return "";
    StringCipher cipher(kKey);
    int n = cipher.Decipher(bytes.data(), int(bytes.size() - 8), nullptr, 0, false);
    std::vector<char> plain(size_t(std::max(n, 1)));
    cipher.Decipher(bytes.data(), int(bytes.size() - 8), plain.data(), n, false);
    return std::string(plain.data());
  }

  // The player's name and category the game sets before it adds scores.
  static void Play(THwHiscores& h, const char* player, const char* category) {
    h.SetParameter(1, player);
    h.SetParameter(2, category);
  }

  std::string mRoot, mPrevious;
};
