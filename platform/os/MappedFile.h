// A whole file mapped into memory read-only. The view never moves while the file is open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::os {

class MappedFile {
public:
  MappedFile() = default;
  ~MappedFile() { Close(); }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps the whole file, closing any earlier mapping. An empty file opens with no view.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return mOpen; }
  // Null when closed or empty.
  const uint8_t* Data() const { return mData; }
  size_t Size() const { return mSize; }

private:
  const uint8_t* mData = nullptr;
  size_t mSize = 0;
  bool mOpen = false;
};

}  // namespace platform::os
