// The display: the adapter and screen that surfaces and the drawing device live on. It answers
// for the desktop, display modes, cooperative levels, capabilities and video memory, creates
// surfaces and devices, and hands updated front buffers to the backend that shows them.
// The backends (headless/, sdl/) derive from it; the knobs tests use to provoke failures live
// here as protected fields so that both backends share one set of rules.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/display/Device.h"
#include "platform/display/Surface.h"
#include "platform/display/Types.h"

namespace platform::display {

class Display {
public:
  Display();
  virtual ~Display();
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  Desktop GetDesktop() const { return desktop_; }

  Result SetCooperativeLevel(CooperativeLevel level);
  CooperativeLevel GetCooperativeLevel() const { return level_; }
  // kOk while the display may be used as set up; otherwise why not.
  Result TestCooperativeLevel() const;

  std::vector<DisplayMode> EnumerateModes() const;
  // Needs the exclusive full-screen level. A real change loses every surface.
  Result SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel);
  Result RestoreDisplayMode();
  DisplayMode GetDisplayMode() const;
  PixelFormat ModeFormat() const;
  int32_t GetMonitorFrequency() const { return GetDisplayMode().refreshRate; }
  Result WaitForVerticalBlank() const { return kOk; }
  Result FlipToGdiSurface() const { return kOk; }

  const AdapterCaps& GetCaps() const { return caps_; }
  const AdapterIdentifier& GetIdentifier() const { return identifier_; }
  uint64_t FreeVideoMemory() const;
  uint64_t FreeTextureMemory() const;
  // Texture formats the device may sample, and z-buffer formats, in preference order.
  std::vector<PixelFormat> TextureFormats() const;
  std::vector<PixelFormat> ZBufferFormats() const { return {PixelFormat::D16, PixelFormat::D32}; }

  // A primary surface with backBufferCount 1 is a flip chain (exclusive level only); a primary
  // at the normal level is the window's client area, of the desc's size when given.
  Result CreateSurface(const SurfaceDesc& desc, std::shared_ptr<Surface>& out);
  Result RestoreAllSurfaces();
  Result CreateDevice(const std::shared_ptr<Surface>& target, std::unique_ptr<Device>& out);

  // Called by surfaces when the visible surface changed (flip, blit, fill or unlock).
  void PrimaryChanged(Surface& primary);

  // A backend that may show frames on the main thread only keeps a frame presented on another
  // thread until the main thread asks for it. Backends that show every frame where it is
  // presented (headless) never have one waiting.
  virtual bool HasPending() const { return false; }
  // Shows the frame kept waiting, if any; main thread only.
  virtual void ShowPending() {}
  // The size a full-screen frame is shown at: the area a desktop backend stretches it over.
  void GetShownSize(int32_t& width, int32_t& height) const { ClientSize(width, height); }

protected:
  // The window's client size, for a primary surface created at the normal level.
  virtual void ClientSize(int32_t& width, int32_t& height) const;
  // Shows the primary surface; runs on whichever thread changed it.
  virtual void Present(Surface& primary) = 0;
  // The level changed (the desktop backend switches its window to or from full screen).
  virtual void LevelChanged(CooperativeLevel) {}

  void LoseAll();

  Desktop desktop_;
  AdapterCaps caps_;
  AdapterIdentifier identifier_;
  std::vector<DisplayMode> modes_;  // empty: a standard list up to the desktop size
  Result cooperativeAnswer_ = kOk;  // what TestCooperativeLevel reports when not kOk
  Result exclusiveAnswer_ = kOk;    // what SetCooperativeLevel(exclusive) reports when not kOk
  int32_t failCreationAt_ = 0;      // the n-th next creation fails (0: none)
  Result failCreationWith_ = kOutOfVideoMemory;
  std::atomic<int32_t> pendingFlips_{0};  // flip status queries still answering "drawing"
  std::atomic<int32_t> pendingBlits_{0};
  bool deviceNeedsVideoMemoryTarget_ = false;  // device creation wants kCapsVideoMemory targets
  Result failDeviceWith_ = kOk;                // the next device creation fails with this

private:
  friend class Surface;
  void Unregister(Surface* surface);
  Result Charge(Surface& surface);
  void Discharge(Surface& surface);

  CooperativeLevel level_ = CooperativeLevel::Normal;
  bool modeSet_ = false;
  DisplayMode mode_;
  mutable std::mutex mutex_;
  std::vector<Surface*> surfaces_;
  uint64_t videoUsed_ = 0;
  uint64_t textureUsed_ = 0;
};

}  // namespace platform::display
