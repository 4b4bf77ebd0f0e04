// What the fuzz targets share: a scratch folder for the file layer, inputs handed to readers
// as memory or disk files, and a cursor that splits an input into the values a target needs.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "assets/FileLayer.h"
#include "core/TSettings.h"

namespace fuzz {

// A folder of this process's own below the temporary folder, with "user", "common" and
// "desktop" below it given to the file layer; it is removed when the process ends.
inline const std::string& ScratchFolder() {
  // Never destroyed: the clean-up at exit still needs it.
  static const std::string* folder = [] {
    char pattern[] = "/tmp/engine_fuzz_XXXXXX";
    if (!mkdtemp(pattern)) abort();
    auto* root = new std::string(pattern);
    for (const char* sub : {"/user", "/common", "/desktop", "/assets"})
      std::filesystem::create_directories(*root + sub);
    SetFileFolders(str((*root + "/user").c_str()), str((*root + "/common").c_str()),
                   str((*root + "/desktop").c_str()));
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    return root;
  }();
  return *folder;
}

// Returns to the working folder it found when it goes, so that the fuzzer's own paths, which
// may be relative, stay valid whatever the target did; optionally works in the scratch folder
// meanwhile (where "assets" and "final.txt" are looked for).
class KeepWorkingFolder {
public:
  explicit KeepWorkingFolder(bool enterScratch = false) : mFolder(std::filesystem::current_path()) {
    if (enterScratch) std::filesystem::current_path(ScratchFolder());
  }
  ~KeepWorkingFolder() { std::filesystem::current_path(mFolder); }
  KeepWorkingFolder(const KeepWorkingFolder&) = delete;
  KeepWorkingFolder& operator=(const KeepWorkingFolder&) = delete;

private:
  std::filesystem::path mFolder;
};

// Makes the bytes readable under the name through the file layer. Memory files do not own
// their bytes, so a copy is kept until the same name is given again; the copy is never empty,
// so its address is never null.
inline void PutMemoryFile(const char* name, const uint8_t* data, size_t size) {
  static std::map<std::string, std::vector<uint8_t>> kept;
  std::vector<uint8_t>& copy = kept[name];
  copy.assign(data, data + size);
  copy.push_back(0);
  RegisterMemoryFile(name, copy.data(), uint32_t(size));
}

// Writes the bytes to a file below the scratch folder and answers its path.
inline std::string PutDiskFile(const std::string& relative, const uint8_t* data, size_t size) {
  std::string path = ScratchFolder() + "/" + relative;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  return path;
}

inline std::string ReadDiskFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Takes values from the front of an input; past its end every value is zero or empty.
class Input {
public:
  Input(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

  uint8_t Byte() { return mAt < mSize ? mData[mAt++] : 0; }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(Byte()) << (8 * i);
    return v;
  }
  double Number() {
    uint64_t bits = uint64_t(U32()) | (uint64_t(U32()) << 32);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }
  // A length byte, then that many bytes (fewer at the end of the input).
  std::string Text() {
    size_t n = Byte();
    n = std::min(n, mSize - mAt);
    std::string s(reinterpret_cast<const char*>(mData + mAt), n);
    mAt += n;
    return s;
  }
  // Everything not taken yet.
  std::string Rest() {
    std::string s(reinterpret_cast<const char*>(mData + mAt), mSize - mAt);
    mAt = mSize;
    return s;
  }
  bool Empty() const { return mAt >= mSize; }

private:
  const uint8_t* mData;
  size_t mSize;
  size_t mAt = 0;
};

// The settings the high-score store reads, set once.
inline void ConfigureHiscores() {
  static bool configured = [] {
    ScratchFolder();
    SetConfig(kConfigEncryptionKey, "Kd7pWq2ZtNCC");
    SetConfig(kConfigGameName, "fuzz");
    return true;
  }();
  (void)configured;
}

}  // namespace fuzz
