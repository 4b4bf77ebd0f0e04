// The assets index "final.txt": the list of names kept out of the file index, read at
// start-up; afterwards names are resolved and checked against it.
#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "assets/TFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool prepared = [] {
    std::filesystem::create_directories(fuzz::ScratchFolder() + "/assets/scripts");
    for (const char* name : {"assets/scripts/main.lua", "assets/top.txt", "user/save.dat"})
      fuzz::PutDiskFile(name, reinterpret_cast<const uint8_t*>("x"), 1);
    return true;
  }();
  (void)prepared;
  fuzz::KeepWorkingFolder inScratch(true);
  fuzz::PutDiskFile("final.txt", data, size);
  ClearFileIndex();
  ClearNameList();
  InitFileSystem();
  for (const char* name :
       {"scripts/main.lua", "top.txt", "user:save.dat", "SCRIPTS/Main.lua", "assets/top.txt", ""}) {
    IsAllowedName(name);
    ResolveFilePath(name, true);
    if (TFile* file = FileOpen(name, kFileReadBinary)) FileClose(file);
  }
  ClearFileIndex();
  ClearNameList();
  return 0;
}
