// The renderer's text blocks (its debug overlay) made from text layouts.
#pragma once

#include <memory>

#include "render/IRendererText.h"

std::unique_ptr<IRendererText> MakeLayoutTextBlock(int width, int height, int size,
                                                   const TColor& colour);
