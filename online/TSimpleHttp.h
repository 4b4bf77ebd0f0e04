// One HTTP or HTTPS request at a time, a GET with query parameters or a form POST, whose reply
// is collected into memory or a file on a worker thread while the game runs on; the owner
// polls the status each frame.
#pragma once

#include <cstdint>
#include <memory>

#include "core/str.h"

namespace platform::net {
class HttpTransfer;
}

class TSimpleHttp {
public:
  // Options of Start.
  static constexpr uint32_t kNoCacheWrite = 1;
  static constexpr uint32_t kIgnoreCertificateName = 2;

  // Transfer states as GetStatus answers them.
  static constexpr int32_t kRunning = 0;
  static constexpr int32_t kDone = 1;
  static constexpr int32_t kFailed = 2;
  static constexpr int32_t kFileUnusable = 3;

  TSimpleHttp();
  // Releases a running transfer, which then ends by itself.
  virtual ~TSimpleHttp();
  TSimpleHttp(const TSimpleHttp&) = delete;
  TSimpleHttp& operator=(const TSimpleHttp&) = delete;

  // A new request; a null output file keeps the reply in memory. Releases a running transfer.
  void Setup(const char* url, bool post, const char* outputFile);
  // The name goes in as given, the value encoded: into the query text (GET) or the form body
  // (POST).
  void AddParam(const char* name, const char* value);
  void AddIntParam(const char* name, int32_t value);
  // Releases a running transfer and starts a new one; null when none could start.
  platform::net::HttpTransfer* Start(uint32_t options);
  // kRunning, kDone, kFailed (also when nothing was started) or kFileUnusable.
  int32_t GetStatus();
  // The zero-terminated reply once done; null before, on failure and for a reply into a file.
  const char* GetData() const;

  const str& GetUrl() const { return mUrl; }
  const str& GetFormBody() const { return mFormBody; }

private:
  void ReleaseTransfer();

  str mUrl;
  str mOutputFile;
  str mFormBody;
  bool mFirstParam = true;
  bool mPost = false;
  bool mFileUnusable = false;
  // Whether the end of the current transfer was logged yet.
  bool mEndSeen = false;
  std::shared_ptr<platform::net::HttpTransfer> mTransfer;
};

// Percent-encodes the 24 reserved and unsafe characters of a parameter value; every other
// byte, non-ASCII included, is copied unchanged. Null gives "".
str UrlEncode(const char* text);
// Two upper-case hexadecimal digits per byte, high nibble first; "" for a length below 1.
str HexEncode(const void* bytes, int32_t length);
