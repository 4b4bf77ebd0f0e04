#include "platform/audio/sdl/Device.h"

#include <SDL.h>

namespace platform::audio::sdl {

std::unique_ptr<Device> Device::Open(std::string* error) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  SDL_AudioSpec want{};
  want.freq = 44100;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = &Device::Callback;
  SDL_AudioSpec have{};
  // The callback needs the device object, which needs the id: open paused, then attach.
  std::unique_ptr<Device> device(new Device(44100, 0));
  want.userdata = device.get();
  SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (id == 0) {
    if (error) *error = SDL_GetError();
    device.reset();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  device->mDeviceId = id;
  // SDL may read one callback's worth ahead of what the device reports as played.
  uint32_t aheadMs = uint32_t(have.samples) * 1000 / uint32_t(have.freq ? have.freq : 44100);
  device->SetWriteAheadMs(aheadMs + 10);
  SDL_PauseAudioDevice(id, 0);
  return device;
}

Device::Device(uint32_t outputRate, uint32_t deviceId) : Mixer(outputRate), mDeviceId(deviceId) {}

Device::~Device() {
  if (mDeviceId) {
    SDL_CloseAudioDevice(mDeviceId);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
}

const char* Device::GetDriverName() const {
  const char* name = SDL_GetCurrentAudioDriver();
  return name ? name : "";
}

void Device::Callback(void* self, uint8_t* stream, int bytes) {
  static_cast<Device*>(self)->Mix(reinterpret_cast<int16_t*>(stream), uint32_t(bytes) / 4);
}

}  // namespace platform::audio::sdl
