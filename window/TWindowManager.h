// The window manager: owner of the window tree and of the bytes the event pump and the
// presentation thread read (frames suspended, mouse blocked). This holds what the platform's
// start-up and pump use of it; routing events through the tree comes with the window system.
#pragma once

#include <atomic>
#include <cstdint>

class TScreen;
class TWindowScript;

class TWindowManager {
public:
  TWindowManager() = default;
  ~TWindowManager();
  TWindowManager(const TWindowManager&) = delete;
  TWindowManager& operator=(const TWindowManager&) = delete;

  // The script host that holds the global Lua state; the manager owns it.
  void SetScriptHost(TWindowScript* host);
  TWindowScript* GetScriptHost() const { return mScriptHost; }
  // Whether text windows translate their labels through the string table.
  void SetScriptHostMode(bool localised) { mLocalised = localised; }
  bool GetScriptHostMode() const { return mLocalised; }

  void SetRoot(TScreen* root);
  TScreen* GetRoot() const { return mRoot; }

  // Asks for a redraw at the next frame.
  void Invalidate() { mNeedsRedraw = true; }
  bool NeedsRedraw() const { return mNeedsRedraw; }

  // Read without a lock by the presentation thread.
  std::atomic<uint8_t> mFramesSuspended{0};
  std::atomic<uint8_t> mMouseBlocked{0};

private:
  TWindowScript* mScriptHost = nullptr;
  TScreen* mRoot = nullptr;
  bool mLocalised = false;
  bool mNeedsRedraw = true;
};
