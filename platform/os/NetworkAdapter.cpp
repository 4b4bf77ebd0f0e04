#include "platform/os/NetworkAdapter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace platform::os {

namespace {

constexpr int kArpLoopback = 772;

std::string ReadLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// Parses "aa:bb:cc:..." into at most 8 bytes; 0 on anything malformed.
int ParseAddress(const std::string& text, unsigned char out[8]) {
  int n = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (n == 8 || i + 2 > text.size()) return 0;
    unsigned value = 0;
    for (size_t k = i; k < i + 2; ++k) {
      const char c = text[k];
      unsigned d;
      if (c >= '0' && c <= '9')
        d = unsigned(c - '0');
      else if (c >= 'a' && c <= 'f')
        d = unsigned(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        d = unsigned(c - 'A' + 10);
      else
        return 0;
      value = value * 16 + d;
    }
    out[n++] = static_cast<unsigned char>(value);
    i += 2;
    if (i < text.size()) {
      if (text[i] != ':') return 0;
      ++i;
    }
  }
  return n;
}

}  // namespace

bool GetFirstAdapterAddress(const char* netRoot, unsigned char out[8], int* length) {
  std::memset(out, 0, 8);
  if (length) *length = 0;
  std::error_code ec;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(netRoot, ec))
    names.push_back(entry.path().filename().string());
  if (ec) return false;
  // Directory order is arbitrary; sorting keeps "first" stable from run to run.
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::filesystem::path dir = std::filesystem::path(netRoot) / name;
    const std::string type = ReadLine(dir / "type");
    if (name == "lo" || (!type.empty() && std::atoi(type.c_str()) == kArpLoopback)) continue;
    unsigned char addr[8] = {};
    const int n = ParseAddress(ReadLine(dir / "address"), addr);
    if (n == 0 || std::all_of(addr, addr + n, [](unsigned char b) { return b == 0; })) continue;
    std::memcpy(out, addr, 8);
    if (length) *length = n;
    return true;
  }
  return false;
}

bool GetFirstAdapterAddress(unsigned char out[8], int* length) {
  return GetFirstAdapterAddress("/sys/class/net", out, length);
}

}  // namespace platform::os
