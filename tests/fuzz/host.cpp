// The host channel: bytes arriving on the game's socket in pieces of any size become 12-byte
// records, each as it was sent, and the peer's going away is seen once the rest is read.
// Input: a piece-size byte, then the stream. The same records also travel through the
// in-process host.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/host/HostWindow.h"
#include "platform/host/headless/HostWindow.h"
#include "platform/host/socket/HostWindow.h"

using namespace platform::host;

namespace {

bool SameRecord(const Record& r, const uint8_t* bytes) {
  uint8_t encoded[kRecordSize];
  EncodeRecord(r, encoded);
  return std::memcmp(encoded, bytes, kRecordSize) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t piece = data[0] % 29 + 1;
  const uint8_t* stream = data + 1;
  size_t length = size - 1;

  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) abort();
  socket::HostWindow game(fds[0]);
  headless::Host host;
  auto view = OpenHostWindow(host.Handle(), true);
  if (!view) abort();

  size_t sent = 0, received = 0;
  Record r;
  while (sent < length) {
    size_t n = length - sent < piece ? length - sent : piece;
    if (write(fds[1], stream + sent, n) != ssize_t(n)) abort();
    sent += n;
    while (game.Receive(r)) {
      if (!SameRecord(r, stream + received)) abort();
      host.Send(r);
      Record back;
      if (!view->Receive(back) || std::memcmp(&back, &r, sizeof r) != 0) abort();
      received += kRecordSize;
    }
    if (received + kRecordSize <= sent) abort();  // a whole record was held back
  }
  close(fds[1]);
  if (game.IsWindow()) abort();
  if (game.Receive(r) || game.Post(r)) abort();
  host.Close();
  if (view->IsWindow()) abort();
  return 0;
}
