// A small HTTP server on 127.0.0.1 for tests: one thread accepts connections one at a time,
// records each request's target (path and query) and body, and answers what the test's
// handler says: a status and body, raw bytes, or nothing at all (a stalled server, which holds
// the connection open until the server stops). Everything ends when the object is destroyed.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackHttpServer {
public:
  struct Reply {
    int status = 200;
    std::string body;
    // Sent verbatim in place of a status line, headers and body when not empty.
    std::string raw;
    // Read the request, then answer nothing and keep the connection open.
    bool stall = false;
    // Send the head at once and then the body this many bytes at a time, one piece every
    // trickleMs, until it is all sent, the client has gone or the server stops. 0: at once.
    size_t trickleBytes = 0;
    int trickleMs = 0;
  };
  struct Request {
    std::string method;
    std::string target;
    std::string body;
  };
  using Handler = std::function<Reply(const Request&)>;

  explicit LoopbackHttpServer(Handler handler) : mHandler(std::move(handler)) {
    // Loopback requests must never go through a proxy the environment names.
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    mListen = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(mListen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(mListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::listen(mListen, 16) == 0) {
      socklen_t len = sizeof addr;
      ::getsockname(mListen, reinterpret_cast<sockaddr*>(&addr), &len);
      mPort = ntohs(addr.sin_port);
      mThread = std::thread([this] { Serve(); });
    }
  }

  ~LoopbackHttpServer() {
    mStop.store(true);
    if (mThread.joinable()) mThread.join();
    if (mListen >= 0) ::close(mListen);
  }

  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  int Port() const { return mPort; }
  std::string Url(const std::string& path = "/") const {
    return "http://127.0.0.1:" + std::to_string(mPort) + path;
  }
  std::vector<Request> Requests() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return mRequests;
  }

  // A loopback port on which nothing listens: connecting is refused.
  static int RefusedPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(s);
    return ntohs(addr.sin_port);
  }

private:
  static constexpr size_t kMaxRequest = 1 << 20;

  void Serve() {
    std::vector<int> held;
    while (!mStop.load()) {
      pollfd p{mListen, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      int c = ::accept(mListen, nullptr, nullptr);
      if (c < 0) continue;
      Request request;
      if (!ReadRequest(c, request)) {
        ::close(c);
        continue;
      }
      {
        std::lock_guard<std::mutex> lock(mMutex);
        mRequests.push_back(request);
      }
      Reply reply = mHandler(request);
      if (reply.stall) {
        held.push_back(c);
        continue;
      }
      std::string out = reply.raw;
      if (out.empty())
        out = "HTTP/1.1 " + std::to_string(reply.status) +
              " Answer\r\nContent-Type: text/xml\r\nContent-Length: " +
              std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n" +
              (reply.trickleBytes ? std::string() : reply.body);
      if (SendAll(c, out) && reply.trickleBytes) Trickle(c, reply);
      ::shutdown(c, SHUT_WR);
      ::close(c);
    }
    for (int c : held) ::close(c);
  }

  bool ReadRequest(int c, Request& request) {
    std::string data;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    size_t headEnd = std::string::npos;
    size_t need = 0;
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline && data.size() < kMaxRequest) {
      if (headEnd != std::string::npos && data.size() >= headEnd + 4 + need) break;
      pollfd p{c, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) {
        if (mStop.load()) return false;
        continue;
      }
      ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      data.append(buffer, size_t(n));
      if (headEnd == std::string::npos) {
        headEnd = data.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
          size_t at = data.find("Content-Length: ");
          if (at != std::string::npos && at < headEnd)
            need = std::strtoul(data.c_str() + at + 16, nullptr, 10);
        }
      }
    }
    if (headEnd == std::string::npos) return false;
    size_t space1 = data.find(' ');
    size_t space2 = data.find(' ', space1 + 1);
    if (space1 == std::string::npos || space2 == std::string::npos) return false;
    request.method = data.substr(0, space1);
    request.target = data.substr(space1 + 1, space2 - space1 - 1);
    request.body = data.substr(headEnd + 4);
    return true;
  }

  static bool SendAll(int c, const std::string& out) {
    size_t sent = 0;
    while (sent < out.size()) {
      ssize_t n = ::send(c, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += size_t(n);
    }
    return true;
  }

  void Trickle(int c, const Reply& reply) {
    for (size_t at = 0; at < reply.body.size() && !mStop.load(); at += reply.trickleBytes) {
      // Waits on the socket, so a client that hangs up ends the trickle at once.
      pollfd p{c, POLLIN, 0};
      if (::poll(&p, 1, reply.trickleMs) > 0) {
        char b;
        if (::recv(c, &b, 1, MSG_DONTWAIT) <= 0) return;
      }
      if (!SendAll(c, reply.body.substr(at, reply.trickleBytes))) return;
    }
  }

  Handler mHandler;
  int mListen = -1;
  int mPort = 0;
  std::atomic<bool> mStop{false};
  std::thread mThread;
  mutable std::mutex mMutex;
  std::vector<Request> mRequests;
};
