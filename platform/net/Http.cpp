#include "platform/net/Http.h"

#include <curl/curl.h>

#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform::net {

namespace {

std::once_flag gCurlInit;

struct Sink {
  HttpTransfer* transfer = nullptr;
  std::FILE* file = nullptr;
  bool overflow = false;
};

size_t WriteReply(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  size_t bytes = size * count;
  if (sink->file) return std::fwrite(data, 1, bytes, sink->file);
  if (!sink->transfer->AppendData(data, bytes)) {
    sink->overflow = true;
    return 0;
  }
  return bytes;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  // Nonzero aborts the transfer once the owner has let go of it.
  return static_cast<HttpTransfer*>(user)->IsReleased() ? 1 : 0;
}

}  // namespace

HttpTransfer::HttpTransfer(HttpRequest request) : mRequest(std::move(request)) {
  if (mRequest.outputFile.empty()) mReply.push_back('\0');
}

HttpTransfer::~HttpTransfer() = default;

std::shared_ptr<HttpTransfer> HttpTransfer::Start(HttpRequest request) {
  std::call_once(gCurlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  std::shared_ptr<HttpTransfer> transfer(new HttpTransfer(std::move(request)));
  // The worker keeps its own reference: a released transfer lives until the worker ends.
  try {
    std::thread([transfer] { transfer->Run(); }).detach();
  } catch (const std::system_error&) {
    transfer->mError = "no thread could be started for the transfer";
    transfer->mState.store(TransferState::Failed, std::memory_order_release);
  }
  return transfer;
}

const char* HttpTransfer::GetData() const {
  if (GetState() != TransferState::Done || !mRequest.outputFile.empty()) return nullptr;
  return mReply.data();
}

size_t HttpTransfer::GetSize() const {
  if (GetState() != TransferState::Done || !mRequest.outputFile.empty()) return 0;
  return mReply.size() - 1;
}

const std::string& HttpTransfer::GetError() const {
  static const std::string kNone;
  return GetState() == TransferState::Failed ? mError : kNone;
}

bool HttpTransfer::AppendData(const void* bytes, size_t count) {
  size_t received = mReply.size() - 1;
  if (count > mRequest.maxReplyBytes || received > mRequest.maxReplyBytes - count) return false;
  const char* p = static_cast<const char*>(bytes);
  mReply.insert(mReply.end() - 1, p, p + count);
  return true;
}

void HttpTransfer::Run() {
  Sink sink;
  sink.transfer = this;
  // The reply goes into a file beside the target; the target is replaced only on success.
  std::string partial;
  if (!mRequest.outputFile.empty()) {
    // Named after this transfer: one released but still winding down may share the target.
    char tag[2 * sizeof(void*) + 2];
    std::snprintf(tag, sizeof tag, ".%zx", reinterpret_cast<size_t>(this));
    partial = mRequest.outputFile + tag + ".part";
    sink.file = std::fopen(partial.c_str(), "wb");
    if (!sink.file) {
      mState.store(TransferState::FileUnusable, std::memory_order_release);
      return;
    }
  }

  TransferState result = TransferState::Failed;
  CURL* curl = curl_easy_init();
  char errorText[CURL_ERROR_SIZE] = {0};
  if (!curl) {
    mError = "the transfer could not be set up";
  } else {
    curl_easy_setopt(curl, CURLOPT_URL, mRequest.url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "virid");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, mRequest.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, mRequest.stallTimeoutSeconds);
    if (mRequest.deadlineSeconds > 0)
      curl_easy_setopt(curl, CURLOPT_TIMEOUT, mRequest.deadlineSeconds);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, mRequest.verifyCertificates ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, mRequest.verifyCertificates ? 2L : 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteReply);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_slist* headers = nullptr;
    if (mRequest.post) {
      headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
      curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
      curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, long(mRequest.body.size()));
      curl_easy_setopt(curl, CURLOPT_POSTFIELDS, mRequest.body.c_str());
    }
    CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    mStatusCode.store(status, std::memory_order_release);
    if (code == CURLE_OK) {
      result = TransferState::Done;
    } else if (sink.overflow) {
      mError = "the reply is larger than allowed";
    } else {
      mError = errorText[0] ? errorText : curl_easy_strerror(code);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
  }

  if (sink.file) {
    bool written = std::fclose(sink.file) == 0;
    // A released transfer's owner has moved on, perhaps to a newer transfer of the same file:
    // what this one fetched must not replace that.
    bool keep =
        result == TransferState::Done && written && mStatusCode.load() < 400 && !IsReleased();
    if (keep && std::rename(partial.c_str(), mRequest.outputFile.c_str()) != 0) keep = false;
    if (!keep) {
      std::remove(partial.c_str());
      if (result == TransferState::Done) {
        mError = written ? "the server answered with an error status" : "the file was not written";
        result = TransferState::Failed;
      }
    }
  }
  mState.store(result, std::memory_order_release);
}

}  // namespace platform::net
