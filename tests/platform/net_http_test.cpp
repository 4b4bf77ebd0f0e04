// HTTP transfers against a loopback server: replies into memory and files, error statuses,
// refused and stalled servers, oversized and truncated replies, and releasing a transfer.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/net/Http.h"
#include "support/LoopbackHttpServer.h"

using platform::net::HttpRequest;
using platform::net::HttpTransfer;
using platform::net::TransferState;

namespace {

// Waits (bounded) until the transfer leaves the running state.
TransferState Finish(const std::shared_ptr<HttpTransfer>& t) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (t->GetState() == TransferState::Running && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return t->GetState();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

LoopbackHttpServer::Reply Body(int status, std::string body) {
  LoopbackHttpServer::Reply r;
  r.status = status;
  r.body = std::move(body);
  return r;
}

HttpRequest Get(const std::string& url) {
  HttpRequest r;
  r.url = url;
  return r;
}

}  // namespace

TEST(HttpTransferTest, RepliesOfEveryStatusArriveWholeAndZeroTerminated) {
  std::string binary;
  for (int i = 0; i < 3 << 20; ++i) binary += char((i * 7 + i / 251) & 0xFF);
  struct Case {
    const char* path;
    int status;
    std::string body;
  } cases[] = {
      {"/ok", 200, "<hiscore/>"},
      {"/empty", 200, ""},
      {"/missing", 404, "<hiscore><message>no</message></hiscore>"},
      {"/broken", 500, "server trouble"},
      {"/big", 200, binary},
  };
  LoopbackHttpServer server([&](const LoopbackHttpServer::Request& r) {
    for (const Case& c : cases)
      if (r.target == c.path) return Body(c.status, c.body);
    return Body(400, "");
  });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto t = HttpTransfer::Start(Get(server.Url(c.path)));
    ASSERT_EQ(Finish(t), TransferState::Done);
    EXPECT_EQ(t->GetStatusCode(), c.status);
    ASSERT_NE(t->GetData(), nullptr);
    ASSERT_EQ(t->GetSize(), c.body.size());
    EXPECT_EQ(std::string(t->GetData(), t->GetSize()), c.body);
    EXPECT_EQ(t->GetData()[t->GetSize()], '\0');
    t->Release();
  }
}

TEST(HttpTransferTest, NoReplyOutgrowsItsLimitOrItsDeclaredLength) {
  LoopbackHttpServer server([](const LoopbackHttpServer::Request& r) {
    LoopbackHttpServer::Reply reply;
    if (r.target == "/short")
      reply.raw = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n0123456789";
    else if (r.target == "/endless")
      reply.raw = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(50000, 'x');
    return reply;
  });
  auto shortReply = HttpTransfer::Start(Get(server.Url("/short")));
  EXPECT_EQ(Finish(shortReply), TransferState::Failed);
  EXPECT_EQ(shortReply->GetData(), nullptr);

  HttpRequest limited = Get(server.Url("/endless"));
  limited.maxReplyBytes = 1000;
  auto endless = HttpTransfer::Start(limited);
  EXPECT_EQ(Finish(endless), TransferState::Failed);
  EXPECT_EQ(endless->GetData(), nullptr);
  EXPECT_NE(endless->GetError(), "");
}

TEST(HttpTransferTest, RefusedAndStalledServersFail) {
  auto refused = HttpTransfer::Start(
      Get("http://127.0.0.1:" + std::to_string(LoopbackHttpServer::RefusedPort()) + "/x"));
  EXPECT_EQ(Finish(refused), TransferState::Failed);
  EXPECT_NE(refused->GetError(), "");

  LoopbackHttpServer stalled([](const LoopbackHttpServer::Request&) {
    LoopbackHttpServer::Reply r;
    r.stall = true;
    return r;
  });
  HttpRequest request = Get(stalled.Url("/wait"));
  request.stallTimeoutSeconds = 1;
  auto t = HttpTransfer::Start(request);
  EXPECT_EQ(Finish(t), TransferState::Failed);
  EXPECT_EQ(t->GetStatusCode(), 0);
}

// A server that sends its head and then a few bytes a second of a long body passes the stall
// check for hours; the transfer's deadline ends it.
TEST(HttpTransferTest, ATricklingServerFailsAtTheDeadline) {
  LoopbackHttpServer trickling([](const LoopbackHttpServer::Request&) {
    LoopbackHttpServer::Reply r = Body(200, std::string(100000, 'x'));
    r.trickleBytes = 4;
    r.trickleMs = 250;
    return r;
  });
  HttpRequest request = Get(trickling.Url("/slow"));
  request.deadlineSeconds = 1;
  auto t = HttpTransfer::Start(request);
  EXPECT_EQ(Finish(t), TransferState::Failed);
  EXPECT_EQ(t->GetStatusCode(), 200);
  EXPECT_NE(t->GetError(), "");
}

TEST(HttpTransferTest, ReleasedTransferStopsAndFreesItself) {
  LoopbackHttpServer stalled([](const LoopbackHttpServer::Request&) {
    LoopbackHttpServer::Reply r;
    r.stall = true;
    return r;
  });
  std::weak_ptr<HttpTransfer> watch;
  {
    auto t = HttpTransfer::Start(Get(stalled.Url("/wait")));
    watch = t;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (stalled.Requests().empty() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    t->Release();
    EXPECT_EQ(t->GetState(), TransferState::Running);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!watch.expired() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(watch.expired());
}

TEST(HttpTransferTest, FormPostSendsItsBody) {
  LoopbackHttpServer server(
      [](const LoopbackHttpServer::Request& r) { return Body(200, r.method + " " + r.body); });
  HttpRequest request = Get(server.Url("/form"));
  request.post = true;
  request.body = "a=x%20y&b=5";
  auto t = HttpTransfer::Start(request);
  ASSERT_EQ(Finish(t), TransferState::Done);
  EXPECT_STREQ(t->GetData(), "POST a=x%20y&b=5");
}

TEST(HttpTransferTest, FileIsReplacedOnlyByACompleteGoodReply) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("net_http_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::string file = (dir / "reply.xml").string();
  std::ofstream(file) << "old";
  LoopbackHttpServer server([](const LoopbackHttpServer::Request& r) {
    return r.target == "/good" ? Body(200, "new content") : Body(503, "busy");
  });

  HttpRequest bad = Get(server.Url("/bad"));
  bad.outputFile = file;
  auto failed = HttpTransfer::Start(bad);
  EXPECT_EQ(Finish(failed), TransferState::Failed);
  EXPECT_EQ(ReadFile(file), "old");

  HttpRequest good = Get(server.Url("/good"));
  good.outputFile = file;
  auto done = HttpTransfer::Start(good);
  EXPECT_EQ(Finish(done), TransferState::Done);
  EXPECT_EQ(done->GetData(), nullptr);
  EXPECT_EQ(ReadFile(file), "new content");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
      << "no partial file is left";

  HttpRequest nowhere = Get(server.Url("/good"));
  nowhere.outputFile = (dir / "no" / "such" / "folder.xml").string();
  EXPECT_EQ(Finish(HttpTransfer::Start(nowhere)), TransferState::FileUnusable);
  fs::remove_all(dir);
}

// A transfer released while it still winds down does not take the partial file of a new
// transfer to the same file.
TEST(HttpTransferTest, TwoTransfersToOneFileKeepTheirPartialFilesApart) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("net_http_two_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::string file = (dir / "reply.xml").string();
  std::mutex mutex;
  std::condition_variable opened;
  bool gate = false;
  LoopbackHttpServer server([&](const LoopbackHttpServer::Request& r) {
    if (r.target == "/old") {
      LoopbackHttpServer::Reply stalled;
      stalled.stall = true;
      return stalled;
    }
    // The new transfer's reply waits until the old one has ended.
    std::unique_lock<std::mutex> lock(mutex);
    opened.wait_for(lock, std::chrono::seconds(10), [&] { return gate; });
    return Body(200, "new content");
  });
  auto WaitForRequests = [&](size_t n) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (server.Requests().size() < n && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  };
  HttpRequest oldRequest = Get(server.Url("/old"));
  oldRequest.outputFile = file;
  auto old = HttpTransfer::Start(oldRequest);
  WaitForRequests(1);
  HttpRequest newRequest = Get(server.Url("/new"));
  newRequest.outputFile = file;
  auto current = HttpTransfer::Start(newRequest);
  WaitForRequests(2);
  old->Release();
  EXPECT_NE(Finish(old), TransferState::Running);
  {
    std::lock_guard<std::mutex> lock(mutex);
    gate = true;
  }
  opened.notify_all();
  EXPECT_EQ(Finish(current), TransferState::Done) << current->GetError();
  EXPECT_EQ(ReadFile(file), "new content");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}
