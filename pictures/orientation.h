#pragma once
// EXIF orientation: how a stored frame is turned to be shown.
//   1 as stored           2 mirrored left-right    3 turned 180°         4 mirrored top-bottom
//   5 transposed          6 turned 90° clockwise   7 transversed         8 turned 90° anticlockwise
// Any other value is shown as stored.

#include <cstdint>
#include <span>

namespace pictures {

struct Size {
  int width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

// The frame's size once shown: 5 to 8 swap the sides.
Size OrientedSize(int width, int height, int orientation);

// Copies a frame of `width` × `height` pixels of `channels` bytes (rows packed) into `shown`,
// in display orientation, OrientedSize's rows packed. False, with nothing written, when either
// span is smaller than the frame.
bool OrientFrame(std::span<const uint8_t> stored, int width, int height, int channels,
                 int orientation, std::span<uint8_t> shown);

}  // namespace pictures
