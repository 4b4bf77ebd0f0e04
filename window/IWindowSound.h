// Sounds as the window system plays them (a button's click and rollover). The window system
// sits below the sound library and never names it: start-up hands the window manager a source
// that the sound side implements, and without one buttons are silent.
#pragma once

#include <memory>

#include "core/str.h"

class IWindowSound {
public:
  virtual ~IWindowSound() = default;
  // Starts one more playing instance; it plays on by itself.
  virtual void Play() = 0;
};

class IWindowSoundSource {
public:
  virtual ~IWindowSoundSource() = default;
  // The sound of that name (possibly with a "?group=" query), loaded on first use; null when
  // it does not load (the source logs why).
  virtual std::shared_ptr<IWindowSound> Get(const str& name) = 0;
};
