// Pixel formats: their masks and conversion of pixels and rows to and from 32-bit ARGB.
// Narrow channels widen by bit replication (5-bit 31 becomes 255), so white stays white
// through a 16-bit surface; they narrow by truncation.
#pragma once

#include <cstdint>

#include "platform/display/Types.h"

namespace platform::display {

FormatInfo Describe(PixelFormat format);
int32_t BytesPerPixel(PixelFormat format);
bool HasAlpha(PixelFormat format);

uint32_t ToArgb(PixelFormat format, const uint8_t* pixel);
void FromArgb(PixelFormat format, uint32_t argb, uint8_t* pixel);

// Raw pixel value of an ARGB colour in the format (for fills).
uint32_t PackArgb(PixelFormat format, uint32_t argb);

void RowToArgb(PixelFormat format, const uint8_t* src, uint32_t* dst, int32_t count);
void RowFromArgb(PixelFormat format, const uint32_t* src, uint8_t* dst, int32_t count);

}  // namespace platform::display
