// The debug log and the program's identifiers.
#include "core/EngineLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/os/Guid.h"
#include "platform/os/NetworkAdapter.h"

namespace {

constexpr long kWrapLimit = 102400;
constexpr long kWrapTarget = 51200;
const char kWrapBanner[] = "\n\n\n\n ****************** LOG WRAP AROUND ******************\n\n\n\n";

// Display and sound code log from their own threads, so the log state is guarded.
std::mutex gLogMutex;
str gLogPath;
long gLogPosition = 0;
// Lines logged before the log file is open (start-up logs before it knows the user's folder);
// bounded, so a run that never opens its log keeps only the first of them.
constexpr size_t kMaxPendingLines = 256;
std::vector<str> gPending;

// ctime's form ("Mon Dec  7 22:48:07 2026") with its fixed English names: a script may
// change the locale, and the stamp must not follow it.
str TimeStamp(const std::tm& t) {
  static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int day = t.tm_wday >= 0 && t.tm_wday < 7 ? t.tm_wday : 0;
  const int month = t.tm_mon >= 0 && t.tm_mon < 12 ? t.tm_mon : 0;
  return str::Format("%s %s %2d %02d:%02d:%02d %d", kDays[day], kMonths[month], t.tm_mday,
                     t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900);
}

// Appends one finished line at the log's position, wrapping past the limit; lock held.
void AppendLine(const str& line) {
  FILE* f = std::fopen(gLogPath.CStr(), "r+b");
  if (!f) f = std::fopen(gLogPath.CStr(), "wb");
  if (!f) return;
  if (gLogPosition <= kWrapLimit) {
    std::fseek(f, gLogPosition, SEEK_SET);
  } else {
    std::fseek(f, kWrapTarget, SEEK_SET);
    gLogPosition = kWrapTarget;
    std::fwrite(kWrapBanner, 1, sizeof kWrapBanner - 1, f);
  }
  std::fwrite(line.CStr(), 1, line.Length(), f);
  const long pos = std::ftell(f);
  if (pos >= 0) gLogPosition = pos;
  std::fflush(f);
  std::fclose(f);
}

}  // namespace

void OpenEngineLog(const char* folder) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  gLogPosition = 0;
  if (!folder) {
    // Turning the log off also drops what was kept for it.
    gLogPath = str();
    gPending.clear();
    return;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  gLogPath = str(folder) + "/logfile.txt";
  std::filesystem::remove(gLogPath.CStr(), ec);
  for (const str& line : gPending) AppendLine(line);
  gPending.clear();
}

str GetLogFilePath() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  return str(gLogPath.CStr());  // a private copy: the counted body is not shared across threads
}

void EngineLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const str text = str::FormatV(format, args);
  va_end(args);

  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const str line = TimeStamp(local) + ": " + text + "\n";

  std::lock_guard<std::mutex> lock(gLogMutex);
  if (gLogPath.IsEmpty()) {
    if (gPending.size() < kMaxPendingLines) gPending.push_back(str(line.CStr()));
    return;
  }
  AppendLine(line);
}

void NewGuid(unsigned char out[16]) { platform::os::CreateGuid(out); }

str NewGuidString() {
  unsigned char guid[16];
  NewGuid(guid);
  uint32_t w[4];
  std::memcpy(w, guid, sizeof w);
  return str::Format("%08x%08x%08x%08x", w[0], w[1], w[2], w[3]);
}

str MakeComputerIdFromAddress(const unsigned char address[8]) {
  unsigned char a[8];
  std::memcpy(a, address, 8);
  a[6] = a[3];
  a[7] = a[4];
  str id;
  for (int i = 0; i < 8; ++i) {
    const unsigned x = a[i] ^ a[(i + 1) % 8];
    id += static_cast<char>(64 + (x & 31));
    id += static_cast<char>(66 + i + (x >> 5));
  }
  return id;
}

str MakeComputerId() {
  unsigned char address[8] = {};
  if (!platform::os::GetFirstAdapterAddress(address, nullptr)) {
    // Without an adapter the identifier differs on every run of such a machine.
    unsigned char guid[16];
    NewGuid(guid);
    std::memcpy(address, guid, 8);
  }
  return MakeComputerIdFromAddress(address);
}
