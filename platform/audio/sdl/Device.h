// The desktop device: the software mix played through SDL2's audio device, mixed on SDL's
// audio thread as the device asks for more.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/Mixer.h"

namespace platform::audio::sdl {

class Device : public Mixer {
public:
  // Null, with the reason, when SDL's audio cannot be started or the device cannot be opened.
  static std::unique_ptr<Device> Open(std::string* error);
  ~Device() override;

  // The name of the SDL audio driver in use ("pulseaudio", "dummy", "disk", ...).
  const char* GetDriverName() const;

private:
  Device(uint32_t outputRate, uint32_t deviceId);
  static void Callback(void* self, uint8_t* stream, int bytes);

  uint32_t mDeviceId;
};

}  // namespace platform::audio::sdl
