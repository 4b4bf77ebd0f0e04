// The preferences file "user:prefs.dat", in its chunk form or the older XML form. Whatever
// loads must save, load again and save to the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "assets/TPrefs.h"
#include "core/TSettings.h"

namespace {

std::string LoadAndSave(const std::string& path) {
  {
    TPrefs prefs(true);
    prefs.GetString("name", "", 0);
    prefs.GetInt("volume", 0);
    if (!prefs.Save()) abort();
  }
  return fuzz::ReadDiskFile(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool configured = [] {
    fuzz::ScratchFolder();
    SetConfig(kConfigEncryptionKey, "c2VjcmV0a2AA");
    SetConfig(kConfigInstallKey, "/Games/Hidden");
    return true;
  }();
  (void)configured;
  std::string path = fuzz::PutDiskFile("user/prefs.dat", data, size);
  std::string first = LoadAndSave(path);
  std::string second = LoadAndSave(path);
  if (first != second) {
    fprintf(stderr, "Saved %zu bytes, then %zu after loading them again\n", first.size(),
            second.size());
    abort();
  }
  return 0;
}
