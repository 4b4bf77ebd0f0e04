#include "platform/audio/AudioDevice.h"

#include "platform/audio/sdl/Device.h"

namespace platform::audio {

std::unique_ptr<IDevice> OpenDesktopDevice(std::string* error) { return sdl::Device::Open(error); }

}  // namespace platform::audio
