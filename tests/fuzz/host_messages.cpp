// Records from the host window reaching a running engine: the engine starts hosted by an
// in-process host (as a portal page would host it), the input's 12-byte records are sent to
// it, and its event pump turns them into window messages and events.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "EngineFuzz.h"
#include "FuzzSupport.h"
#include "startup/PlatformMain.h"
#include "core/TPlatform.h"
#include "core/TSettings.h"
#include "platform/host/HostWindow.h"
#include "platform/host/headless/HostWindow.h"
#include "platform/os/Clock.h"
#include "platform/os/SpecialFolders.h"
#include "platform/window/headless/Window.h"

namespace {

const uint8_t* gRecords = nullptr;
size_t gRecordCount = 0;
platform::host::headless::Host* gHost = nullptr;

int Game(TPlatform* platform, const char*) {
  // The game opens its screen before it asks for events: until then the platform answers each
  // call with an attempt to bring the display back, and no record would reach the window.
  if (!platform->InitScreen(800, 600, false)) return 0;
  TPlatformEvent event;
  for (size_t i = 0; i < gRecordCount; ++i) {
    gHost->Send(platform::host::DecodeRecord(gRecords + i * platform::host::kRecordSize));
    platform->GetEvent(event);
    platform->GetEvent(event);
    platform::host::Record posted;
    while (gHost->TakePosted(posted)) {}
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string work = fuzz::PrepareEngine();
  platform::host::headless::Host host;
  gHost = &host;
  gRecords = data;
  gRecordCount = size / platform::host::kRecordSize;
  std::ostringstream line;
  line << "-zylom -wnd=" << std::hex << host.Handle() << " -wd=" << work;
  fuzz::KeepWorkingFolder keep;  // start-up moves to the program's folder and to "-wd="
  PlatformMain(nullptr, nullptr, line.str().c_str(), 1, Game, false);
  gHost = nullptr;
  ClearConfig();
  return 0;
}
