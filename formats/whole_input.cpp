#include "formats/whole_input.h"

#include <new>

namespace formats {

using bmp_loader::DecodeError;

eveda::Result<std::vector<std::uint8_t>, SourceError> ReadWholeInput(const ByteInput& input,
                                                                     std::uint64_t limit) {
  const std::uint64_t size = input.Size();
  if (size > limit) {
    return eveda::Unexpected(SourceError(DecodeError::TooLarge, "file larger than 1 GiB"));
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return eveda::Unexpected(SourceError(DecodeError::OutOfMemory));
  }
  EVEDA_TRY(got, input.ReadAt(0, bytes));
  if (*got != bytes.size()) {
    return eveda::Unexpected(SourceError(DecodeError::Unreadable, "the file ended early"));
  }
  return bytes;
}

eveda::Result<void, SourceError> CheckDeclaredSize(std::uint64_t width, std::uint64_t height,
                                                   std::uint64_t fileBytes) {
  if (width == 0 || height == 0) return eveda::Unexpected(SourceError(DecodeError::BadDimensions));
  // Each side is at most 32 bits wide in every format we read, so the product cannot overflow.
  const std::uint64_t pixels = width * height;
  if (pixels > bmp_loader::kMaxPixels) {
    return eveda::Unexpected(SourceError(DecodeError::TooLarge));
  }
  if (pixels > kSmallPixels && pixels / kMaxPixelsPerFileByte > fileBytes) {
    return eveda::Unexpected(
        SourceError(DecodeError::TooLarge, "more pixels than the file's bytes could hold"));
  }
  return {};
}

eveda::Result<std::vector<std::uint8_t>, SourceError> ReadHead(const ByteInput& input,
                                                               std::size_t count) {
  std::vector<std::uint8_t> head(count);
  EVEDA_TRY(got, input.ReadAt(0, head));
  head.resize(*got);
  return head;
}

}  // namespace formats
