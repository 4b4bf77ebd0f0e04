// Byte sources the XML reader pulls from: a file through the file layer or text in memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/str.h"

class TFile;

class TGetChar {
public:
  virtual ~TGetChar() = default;
  // Steps back one byte; answers the byte given, or -1 when nothing can be stepped back.
  virtual int Unget(int byte) = 0;
  // The next byte as 0..255, -1 at the end.
  virtual int Get() = 0;
  virtual void Rewind() = 0;
};

class TGetCharFile : public TGetChar {
public:
  explicit TGetCharFile(const str& name);
  ~TGetCharFile() override;
  TGetCharFile(const TGetCharFile&) = delete;
  TGetCharFile& operator=(const TGetCharFile&) = delete;

  int Unget(int byte) override;
  int Get() override;
  void Rewind() override;
  void Reopen();

  bool IsOpen() const { return mFile != nullptr; }
  TFile* GetFile() const { return mFile; }

private:
  str mName;
  TFile* mFile = nullptr;
};

// Reads `length` bytes at `text`, which it does not own.
class TGetCharString : public TGetChar {
public:
  TGetCharString(const char* text, size_t length);

  int Unget(int byte) override;
  int Get() override;
  void Rewind() override;

private:
  const char* mText;
  size_t mPosition = 0;
  size_t mLength;
};
