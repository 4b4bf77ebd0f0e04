// A block of marked-up text as the renderer's debug overlay needs it. The renderer sits below
// the window system, which lays out and draws text: the window system hands the renderer a
// factory for these blocks once its text renderer exists.
#pragma once

#include <memory>

#include "core/TColor.h"
#include "core/TRect.h"
#include "core/str.h"

class IRendererText {
public:
  virtual ~IRendererText() = default;
  // Lays the text out again only when it changed.
  virtual void SetText(const str& text) = 0;
  // Draws at the box's top-left; the box's height limits the lines drawn.
  virtual void Draw(const TRect& box, float scale) = 0;
};

using RendererTextFactory = std::unique_ptr<IRendererText> (*)(int width, int height, int size,
                                                               const TColor& colour);
