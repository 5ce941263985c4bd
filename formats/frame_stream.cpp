#include "formats/frame_stream.h"

#include <cstring>
#include <new>

namespace formats {

eveda::Result<void, SourceError> FrameStream::Read(std::uint8_t* out, std::ptrdiff_t stride,
                                                   std::uint32_t count) {
  if (count > info_.height - nextRow_) return PastLastRow();
  const std::size_t rowBytes = RowBytes(info_.width, info_.pixels);
  for (std::uint32_t k = 0; k < count; ++k, ++nextRow_) {
    std::memcpy(out + k * stride, frame_.data() + nextRow_ * rowBytes, rowBytes);
  }
  return {};
}

eveda::Result<std::vector<std::uint8_t>, SourceError> AllocateFrame(const StreamInfo& info) {
  try {
    return std::vector<std::uint8_t>(RowBytes(info.width, info.pixels) * info.height);
  } catch (const std::bad_alloc&) {
    return eveda::Unexpected(SourceError(bmp_loader::DecodeError::OutOfMemory));
  }
}

eveda::Unexpected<SourceError> PastLastRow() {
  return eveda::Unexpected(
      SourceError(bmp_loader::DecodeError::Unreadable, "read past the last row"));
}

}  // namespace formats
