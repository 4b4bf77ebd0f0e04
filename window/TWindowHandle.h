// A checked reference to a window that the holder does not own. Every window carries one small
// liveness block; handles share it, and the window's destructor empties it, so a handle taken
// before the window died reads null afterwards instead of pointing at freed memory.
#pragma once

#include <memory>
#include <vector>

class TWindow;

struct TWindowLife {
  explicit TWindowLife(TWindow* w) : window(w) {}
  TWindow* window;
};

class TWindowHandle {
public:
  TWindowHandle() = default;
  // A handle on w (an empty one for null).
  TWindowHandle(const TWindow* w);

  // The window, or null once it is gone (or for an empty handle).
  TWindow* Get() const { return mLife ? mLife->window : nullptr; }
  TWindow* operator->() const { return Get(); }
  explicit operator bool() const { return Get() != nullptr; }
  // Whether both refer to the same window (two handles of a dead window stay equal).
  bool SameAs(const TWindowHandle& other) const { return mLife == other.mLife; }
  bool Refers(const TWindow* w) const;

private:
  std::shared_ptr<TWindowLife> mLife;
};

// The windows still alive among some handles, in their order.
template <typename Handles>
std::vector<TWindow*> LiveWindows(const Handles& handles) {
  std::vector<TWindow*> out;
  for (const TWindowHandle& h : handles)
    if (TWindow* w = h.Get()) out.push_back(w);
  return out;
}
