// The headless display: no screen, frames stay in memory. Tests read the shown frame back,
// save it as PNG, and turn the knobs below to provoke what a real card and desktop do.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/display/Display.h"
#include "platform/display/Image.h"

namespace platform::display::headless {

class Display : public platform::display::Display {
public:
  Display();

  // The frame last shown (the primary surface after its latest flip or blit) and how many
  // times the primary changed.
  Image Frame() const;
  uint64_t PresentCount() const { return presents_.load(); }
  bool SaveFrame(const std::string& path) const { return Frame().SavePng(path); }

  // Knobs.
  void SetDesktop(const Desktop& desktop) { desktop_ = desktop; }
  void SetClientSize(int32_t width, int32_t height);
  void SetCaps(const AdapterCaps& caps) { caps_ = caps; }
  AdapterCaps& Caps() { return caps_; }
  void SetIdentifier(const AdapterIdentifier& id) { identifier_ = id; }
  void SetModes(std::vector<DisplayMode> modes) { modes_ = std::move(modes); }
  // The n-th surface creation from now (1 = the next) fails with the result.
  void FailCreation(int32_t n, Result result) {
    failCreationAt_ = n;
    failCreationWith_ = result;
  }
  // Every existing surface becomes lost, as when another program takes the screen.
  void LoseAllSurfaces() { LoseAll(); }
  // What TestCooperativeLevel answers (kOk restores normal behaviour).
  void SetCooperativeAnswer(Result r) { cooperativeAnswer_ = r; }
  // What asking for the exclusive full-screen level answers.
  void SetExclusiveAnswer(Result r) { exclusiveAnswer_ = r; }
  // The next n flip (or blit) status queries answer kWasStillDrawing.
  void SetPendingFlips(int32_t n) { pendingFlips_ = n; }
  void SetPendingBlits(int32_t n) { pendingBlits_ = n; }
  // The next device creation fails with the result (once).
  void FailDeviceCreation(Result r) { failDeviceWith_ = r; }
  // Device creation refuses targets not asked for in video memory.
  void SetDeviceNeedsVideoMemoryTarget(bool on) { deviceNeedsVideoMemoryTarget_ = on; }

protected:
  void ClientSize(int32_t& width, int32_t& height) const override;
  void Present(Surface& primary) override;

private:
  mutable std::mutex frameMutex_;
  Image frame_;
  std::atomic<uint64_t> presents_{0};
  // Read by the pointer mapping, which the presentation thread runs too.
  std::atomic<int32_t> clientWidth_{0}, clientHeight_{0};
};

}  // namespace platform::display::headless
