// A host window reached through an inherited stream socket. Records are written whole; reads
// never block and keep a partial record until the rest arrives. End of stream or a failed
// write marks the channel dead for good.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/host/HostWindow.h"

namespace platform::host::socket {

class HostWindow : public IHostWindow {
public:
  explicit HostWindow(int fd);
  ~HostWindow() override;

  bool IsWindow() override;
  bool Post(const Record& record) override;
  bool Receive(Record& out) override;
  // The records carry no size.
  bool GetClientSize(int&, int&) override { return false; }

private:
  // Reads what is waiting without blocking; false once the peer has gone.
  bool Fill();

  int mFd;
  bool mDead = false;
  uint8_t mBuffer[kRecordSize] = {};
  size_t mFilled = 0;
};

}  // namespace platform::host::socket
