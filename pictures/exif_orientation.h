#pragma once
// The orientation tag of a picture's EXIF block. EXIF is a hint: absent, damaged or odd, it
// means "as stored" and never stops the picture from being drawn.

#include <cstdint>
#include <span>

namespace pictures {

// 1 to 8 from the first IFD's Orientation (a SHORT); 1 when there is none or it is damaged.
// `payload` is a JPEG APP1 segment's body ("Exif\0\0" then the TIFF header) or a PNG eXIf
// chunk's (the TIFF header directly).
int ReadExifOrientation(std::span<const uint8_t> payload);

}  // namespace pictures
