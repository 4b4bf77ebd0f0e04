#include "platform/host/socket/HostWindow.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::host::socket {

HostWindow::HostWindow(int fd) : mFd(fd) {
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) {
    mDead = true;
    return;
  }
  fcntl(fd, F_SETFD, FD_CLOEXEC);
}

HostWindow::~HostWindow() {
  // The descriptor was inherited for this channel alone.
  if (mFd >= 0 && !mDead) close(mFd);
}

bool HostWindow::Fill() {
  while (!mDead) {
    if (mFilled == kRecordSize) return true;
    ssize_t n = recv(mFd, mBuffer + mFilled, kRecordSize - mFilled, MSG_DONTWAIT);
    if (n > 0) {
      mFilled += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n < 0 && errno == EINTR) continue;
    mDead = true;
    close(mFd);
  }
  return false;
}

bool HostWindow::IsWindow() {
  if (mDead) return false;
  pollfd p{mFd, POLLIN, 0};
  if (poll(&p, 1, 0) < 0) return !mDead;
  if (p.revents & (POLLERR | POLLNVAL)) {
    mDead = true;
    close(mFd);
    return false;
  }
  // A hang-up may still leave records to read; the stream's end decides.
  if (p.revents & (POLLIN | POLLHUP)) return Fill();
  return true;
}

bool HostWindow::Post(const Record& record) {
  if (mDead) return false;
  uint8_t bytes[kRecordSize];
  EncodeRecord(record, bytes);
  size_t sent = 0;
  while (sent < kRecordSize) {
    ssize_t n = send(mFd, bytes + sent, kRecordSize - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{mFd, POLLOUT, 1000};
      if (poll(&p, 1, 1000) > 0 && (p.revents & POLLOUT)) continue;
    }
    mDead = true;
    close(mFd);
    return false;
  }
  return true;
}

bool HostWindow::Receive(Record& out) {
  if (!Fill() || mFilled < kRecordSize) return false;
  out = DecodeRecord(mBuffer);
  mFilled = 0;
  return true;
}

}  // namespace platform::host::socket
