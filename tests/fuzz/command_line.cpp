// The command line, read by the engine's entry on the headless platform: options anywhere in
// the line ("-wnd=", "-wd=", "--cheat", "options=", "--multiple", ...), each run starting the
// engine and ending it again through a game main function that returns at once.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "EngineFuzz.h"
#include "FuzzSupport.h"
#include "startup/PlatformMain.h"
#include "core/TSettings.h"
#include "platform/os/Clock.h"
#include "platform/os/SpecialFolders.h"
#include "platform/window/headless/Window.h"

namespace {

int Game(TPlatform*, const char*) { return 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string work = fuzz::PrepareEngine();
  // The line is text up to its first zero byte; a start-up folder of our own comes last, so
  // a "-wd=" of the input wins.
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.substr(0, line.find('\0'));
  line += " -wd=" + work;
  fuzz::KeepWorkingFolder keep;  // start-up moves to the program's folder and to "-wd="
  PlatformMain(nullptr, nullptr, line.c_str(), 1, Game, false);
  ClearConfig();
  return 0;
}
