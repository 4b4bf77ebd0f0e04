#include "platform/os/NetworkAdapter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <fstream>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void AddInterface(const fs::path& root, const std::string& name, const std::string& type,
                  const std::string& address) {
  fs::create_directories(root / name);
  std::ofstream(root / name / "type") << type << "\n";
  std::ofstream(root / name / "address") << address << "\n";
}

}  // namespace

TEST(NetworkAdapter, FirstAdapterSkipsLoopbackAndEmptyAddresses) {
  const fs::path root = fs::temp_directory_path() / ("netroot_" + std::to_string(::getpid()));
  fs::remove_all(root);
  AddInterface(root, "lo", "772", "00:00:00:00:00:00");
  AddInterface(root, "a0", "1", "00:00:00:00:00:00");  // tunnel without address
  AddInterface(root, "b1", "1", "zz:11");              // malformed
  AddInterface(root, "eth0", "1", "00:11:22:33:44:5f");
  AddInterface(root, "wlan0", "1", "aa:bb:cc:dd:ee:ff");

  unsigned char out[8];
  int length = -1;
  ASSERT_TRUE(platform::os::GetFirstAdapterAddress(root.c_str(), out, &length));
  EXPECT_EQ(length, 6);
  const unsigned char want[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x5f, 0, 0};
  EXPECT_EQ(std::memcmp(out, want, 8), 0);

  fs::remove_all(root / "eth0");
  fs::remove_all(root / "wlan0");
  EXPECT_FALSE(platform::os::GetFirstAdapterAddress(root.c_str(), out, &length));
  EXPECT_EQ(length, 0);
  EXPECT_FALSE(platform::os::GetFirstAdapterAddress((root / "missing").c_str(), out, &length));
  fs::remove_all(root);
}
