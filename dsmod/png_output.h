#pragma once
// A PNG output for the drawing pass: 8-bit RGB, not interlaced, compressed on two threads as
// the bands arrive, so a PNG of any size takes no more memory than a BMP.

#include "dsmod/image_encoder.h"

namespace DSMod {

// Encoders for PNG files at zlib `level` (0 to 9).
EncoderFactory PngEncoderFactory(int level);

}  // namespace DSMod
