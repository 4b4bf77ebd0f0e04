// HTTP and HTTPS transfers, each on a worker thread of its own. The owner starts a transfer,
// polls its state and releases it; nothing blocks the owner. The worker writes the state last,
// after the reply is complete, so a reader that saw "done" may read the reply.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::net {

enum class TransferState : int32_t {
  Running = 0,
  Done = 1,
  Failed = 2,
  // The output file could not be opened; nothing was read.
  FileUnusable = 3,
};

struct HttpRequest {
  std::string url;
  // POST sends body as a form ("application/x-www-form-urlencoded"); GET sends none.
  bool post = false;
  std::string body;
  // Empty: the reply goes into memory. Otherwise into this file, which is replaced only when
  // the whole reply arrived with a status below 400. Each transfer writes a partial file of
  // its own beside it, so two transfers to one file never remove each other's.
  std::string outputFile;
  // Certificate and host-name checks of HTTPS; off only when a caller's setting says so.
  bool verifyCertificates = true;
  // Seconds to establish the connection, and seconds without a byte after which a stalled
  // server fails the transfer.
  long connectTimeoutSeconds = 30;
  long stallTimeoutSeconds = 60;
  // Seconds the whole transfer may take: a server that trickles just fast enough to pass the
  // stall check still fails then. 0 for no limit.
  long deadlineSeconds = 300;
  // A reply into memory larger than this fails instead of growing without end.
  size_t maxReplyBytes = size_t(64) << 20;
};

class HttpTransfer {
public:
  // Starts the worker; never null.
  static std::shared_ptr<HttpTransfer> Start(HttpRequest request);

  HttpTransfer(const HttpTransfer&) = delete;
  HttpTransfer& operator=(const HttpTransfer&) = delete;
  ~HttpTransfer();

  TransferState GetState() const { return mState.load(std::memory_order_acquire); }
  // The reply, zero-terminated, once the state is Done and the reply went to memory; null
  // otherwise.
  const char* GetData() const;
  size_t GetSize() const;
  // The server's status code once the transfer ended (0 when no reply came).
  long GetStatusCode() const { return mStatusCode.load(std::memory_order_acquire); }
  // The transport's reason for a failure, once the state is Failed; empty otherwise.
  const std::string& GetError() const;
  // Asks the worker to stop; a running transfer ends within a moment and keeps its state.
  void Release() { mStopped.store(true, std::memory_order_release); }
  bool IsReleased() const { return mStopped.load(std::memory_order_acquire); }

  // Adds bytes to the reply; false when the reply would grow past its limit.
  bool AppendData(const void* bytes, size_t count);

private:
  explicit HttpTransfer(HttpRequest request);
  void Run();

  HttpRequest mRequest;
  // Written by the worker only, read by the owner only after it saw the final state.
  std::vector<char> mReply;
  std::string mError;
  std::atomic<TransferState> mState{TransferState::Running};
  std::atomic<long> mStatusCode{0};
  std::atomic<bool> mStopped{false};
};

}  // namespace platform::net
