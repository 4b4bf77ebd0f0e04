// Texture creation and loading as the texture data needs them: a texture surface sized and
// formatted for what the adapter allows, and 32-bit ARGB pixels written into one.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/display/Display.h"

namespace platform::display {

// Makes a texture of at least width x height (raised to powers of two and made square when
// the adapter requires it, cut to its maximum size) in the wanted format or the nearest one
// the adapter samples (keeping an alpha channel when the wanted format has one). The result's
// Desc() tells the size and format obtained. With uncleared its pixels start undefined, for a
// caller that writes every one (a decoded image) before any is read.
Result CreateTexture(Display& display, int32_t width, int32_t height, PixelFormat wanted,
                     std::shared_ptr<Surface>& out, bool uncleared = false);

// Writes width x height ARGB pixels (rows pitchPixels apart) into the texture's top-left corner,
// converting to its format; pixels beyond the texture are left out.
Result LoadTexture(Surface& texture, const uint32_t* argb, int32_t pitchPixels, int32_t width,
                   int32_t height);

}  // namespace platform::display
