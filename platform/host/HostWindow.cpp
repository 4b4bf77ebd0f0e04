#include "platform/host/HostWindow.h"

#include "platform/host/headless/HostWindow.h"
#include "platform/host/socket/HostWindow.h"

namespace platform::host {

void EncodeRecord(const Record& record, uint8_t out[kRecordSize]) {
  const uint32_t words[3] = {record.message, record.wParam, record.lParam};
  for (int w = 0; w < 3; ++w)
    for (int b = 0; b < 4; ++b) out[w * 4 + b] = static_cast<uint8_t>(words[w] >> (8 * b));
}

Record DecodeRecord(const uint8_t in[kRecordSize]) {
  uint32_t words[3] = {0, 0, 0};
  for (int w = 0; w < 3; ++w)
    for (int b = 0; b < 4; ++b) words[w] |= static_cast<uint32_t>(in[w * 4 + b]) << (8 * b);
  return Record{words[0], words[1], words[2]};
}

std::unique_ptr<IHostWindow> OpenHostWindow(uint64_t handle, bool headless) {
  if (handle == 0) return nullptr;
  if (headless) return headless::HostWindow::Open(handle);
  if (handle > 0x7FFFFFFF) return nullptr;
  return std::make_unique<socket::HostWindow>(static_cast<int>(handle));
}

bool IsActiveXAvailable() { return false; }

const char* ActiveXUnavailableReason() { return "not available"; }

}  // namespace platform::host
