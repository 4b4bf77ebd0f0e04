#include "online/TSimpleHttp.h"

#include <cstring>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "platform/net/Http.h"

namespace {

// Settings that tune the transfers: certificate checks stay on unless "httpsnoverify" is 1;
// the time-outs are in seconds. A score request that has not ended after two minutes has
// failed, however slowly bytes still come.
constexpr const char kNoVerifySetting[] = "httpsnoverify";
constexpr const char kConnectTimeoutSetting[] = "httpconnecttimeout";
constexpr const char kStallTimeoutSetting[] = "httpstalltimeout";
constexpr const char kDeadlineSetting[] = "httptimeout";

long SecondsSetting(const char* name, long fallback) {
  int value = GetConfig(name).ToInt();
  return value > 0 ? value : fallback;
}

bool StartsWith(const str& s, const char* head) {
  return std::strncmp(s.CStr(), head, std::strlen(head)) == 0;
}

}  // namespace

str UrlEncode(const char* text) {
  static const char kEncoded[] = " \"#$%&+,/:;<=>?@[\\]^`{|}";
  static const char kDigits[] = "0123456789ABCDEF";
  str out;
  if (!text) return out;
  for (const char* p = text; *p; ++p) {
    if (std::strchr(kEncoded, *p)) {
      unsigned char c = static_cast<unsigned char>(*p);
      out += '%';
      out += kDigits[c >> 4];
      out += kDigits[c & 15];
    } else {
      out += *p;
    }
  }
  return out;
}

str HexEncode(const void* bytes, int32_t length) {
  static const char kDigits[] = "0123456789ABCDEF";
  str out;
  if (!bytes || length <= 0) return out;
  out.Reserve(static_cast<unsigned>(length) * 2);
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  for (int32_t i = 0; i < length; ++i) {
    out += kDigits[p[i] >> 4];
    out += kDigits[p[i] & 15];
  }
  return out;
}

TSimpleHttp::TSimpleHttp() = default;

TSimpleHttp::~TSimpleHttp() { ReleaseTransfer(); }

void TSimpleHttp::ReleaseTransfer() {
  if (mTransfer) mTransfer->Release();
  mTransfer.reset();
  mFileUnusable = false;
  mEndSeen = false;
}

void TSimpleHttp::Setup(const char* url, bool post, const char* outputFile) {
  mUrl = url ? url : "";
  mPost = post;
  mOutputFile = outputFile ? outputFile : "";
  mFormBody = str();
  mFirstParam = true;
  ReleaseTransfer();
}

void TSimpleHttp::AddParam(const char* name, const char* value) {
  str& target = mPost ? mFormBody : mUrl;
  if (mPost) {
    if (!mFirstParam) target += '&';
  } else {
    target += mFirstParam ? '?' : '&';
  }
  target += name ? name : "";
  target += '=';
  target += UrlEncode(value);
  mFirstParam = false;
}

void TSimpleHttp::AddIntParam(const char* name, int32_t value) {
  AddParam(name, str::Format("%d", value).CStr());
}

platform::net::HttpTransfer* TSimpleHttp::Start(uint32_t options) {
  (void)options;  // No reply is ever cached; certificate checks follow the setting alone.
  ReleaseTransfer();
  platform::net::HttpRequest request;
  request.url = mUrl.CStr();
  request.post = mPost;
  request.body = mFormBody.CStr();
  if (!mOutputFile.IsEmpty()) {
    // Only a plain file on disk can take a reply.
    str location = ResolveFilePath(mOutputFile, false);
    if (location.IsEmpty() || location[0] == '&' || location[0] == '@') {
      mFileUnusable = true;
      return nullptr;
    }
    request.outputFile = location.CStr();
  }
  if (GetConfig(kNoVerifySetting).ToInt() != 0) {
    request.verifyCertificates = false;
    if (StartsWith(mUrl, "https:"))
      EngineLog("HTTPS certificate checks are off (setting %s) for %s", kNoVerifySetting,
                mUrl.CStr());
  }
  request.connectTimeoutSeconds = SecondsSetting(kConnectTimeoutSetting, 30);
  request.stallTimeoutSeconds = SecondsSetting(kStallTimeoutSetting, 60);
  request.deadlineSeconds = SecondsSetting(kDeadlineSetting, 120);
  mTransfer = platform::net::HttpTransfer::Start(std::move(request));
  return mTransfer.get();
}

int32_t TSimpleHttp::GetStatus() {
  if (mFileUnusable) return kFileUnusable;
  if (!mTransfer) return kFailed;
  auto state = static_cast<int32_t>(mTransfer->GetState());
  if (state != kRunning && !mEndSeen) {
    mEndSeen = true;
    long status = mTransfer->GetStatusCode();
    if (state == kFailed && !mTransfer->GetError().empty())
      EngineLog("HTTP request failed: %s (%s)", mTransfer->GetError().c_str(), mUrl.CStr());
    if (status >= 400) EngineLog("HTTP status %ld from %s", status, mUrl.CStr());
  }
  return state;
}

const char* TSimpleHttp::GetData() const { return mTransfer ? mTransfer->GetData() : nullptr; }
