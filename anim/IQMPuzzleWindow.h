// A scene window that can hand a snapshot of itself to a sprite window ("window:" textures).
#pragma once

#include <boost/shared_ptr.hpp>

#include "core/TClassId.h"

class TTexture;

class IQMPuzzleWindow {
public:
  virtual ~IQMPuzzleWindow() = default;
  // The window drawn into a new texture of its size.
  virtual boost::shared_ptr<TTexture> RenderToTexture() = 0;
};
