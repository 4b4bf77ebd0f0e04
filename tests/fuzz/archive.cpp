// Flat-file archives mounted from the assets folder; every entry they list is then read
// whole, in pieces and after seeks, through the file layer.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "assets/FlatFileArchive.h"
#include "assets/TFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::KeepWorkingFolder inScratch(true);
  ClearFileIndex();
  fuzz::PutDiskFile("assets/fuzz.hwp", data, size);
  MountFlatFiles("assets", GetFileIndex());

  std::vector<str> names;
  for (const auto& [name, location] : GetFileIndex()) names.push_back(name);
  char buffer[256];
  for (const str& name : names) {
    for (int mode : {kFileReadBinary, kFileReadText}) {
      TFile file;
      if (!file.Open(name, mode)) continue;
      while (file.Read(buffer, 97) > 0) {}
      file.Seek(-3, kSeekEnd);
      file.Read(buffer, sizeof buffer);
      file.Seek(file.Size() / 2, kSeekStart);
      file.Read(buffer, sizeof buffer);
    }
  }
  ClearFileIndex();
  return 0;
}
