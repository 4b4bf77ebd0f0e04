// The host window: the program that embeds the game as a child window and receives its
// messages. Messages travel as 12-byte little-endian records (message, wParam, lParam).
// Headless hosts are in-process queues; on the desktop "-wnd=" names, in hex, an inherited
// socket descriptor. A dead channel counts as a window that does not exist.
#pragma once

#include <cstdint>
#include <memory>

namespace platform::host {

struct Record {
  uint32_t message = 0;
  uint32_t wParam = 0;
  uint32_t lParam = 0;
};

constexpr int kRecordSize = 12;

void EncodeRecord(const Record& record, uint8_t out[kRecordSize]);
Record DecodeRecord(const uint8_t in[kRecordSize]);

class IHostWindow {
public:
  virtual ~IHostWindow() = default;
  // False once the other side has gone.
  virtual bool IsWindow() = 0;
  // Sends a record to the host; false when the channel is dead.
  virtual bool Post(const Record& record) = 0;
  // Takes a record the host sent to the game; false when none is waiting.
  virtual bool Receive(Record& out) = 0;
  // The size of the area the host gives the game; false when the host does not say.
  virtual bool GetClientSize(int& width, int& height) = 0;
};

// The host named by a "-wnd=" handle: an in-process host when headless, else the inherited
// socket of that number. Null for handle 0.
std::unique_ptr<IHostWindow> OpenHostWindow(uint64_t handle, bool headless);

// Embedding ActiveX controls has no counterpart here; hosting them always fails.
bool IsActiveXAvailable();
const char* ActiveXUnavailableReason();

}  // namespace platform::host
