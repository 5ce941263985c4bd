#include "platform/bmp_loader/row_source.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace bmp_loader {
namespace {

static_assert(sizeof(PaletteEntry) == sizeof(gdi::RGBQUAD));
static_assert(std::endian::native == std::endian::little, "masks are stored little-endian");

// Grows a reused buffer; its pages stay touched from one source to the next.
eveda::Result<std::uint8_t*, DecodeError> Reserve(std::vector<std::uint8_t>& buffer,
                                                  std::size_t bytes) {
  try {
    if (buffer.size() < bytes) buffer.resize(bytes);
  } catch (const std::bad_alloc&) {
    return eveda::Unexpected{DecodeError::OutOfMemory};
  }
  return buffer.data();
}

}  // namespace

gdi::BITMAPINFO BitmapInfoFor(const Layout& layout) {
  gdi::BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(gdi::BITMAPINFOHEADER);
  info.bmiHeader.biWidth = layout.width;
  info.bmiHeader.biHeight = layout.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = layout.bitCount;
  info.bmiHeader.biCompression = layout.compression;
  info.bmiHeader.biClrUsed = layout.paletteSize;
  if (layout.compression == BI_BITFIELDS) {
    std::memcpy(static_cast<void*>(info.bmiColors), layout.masks.data(), sizeof(layout.masks));
  } else {
    std::memcpy(static_cast<void*>(info.bmiColors), layout.palette.data(),
                layout.paletteSize * sizeof(PaletteEntry));
  }
  return info;
}

eveda::Result<RowSource, DecodeError> RowSource::Open(const char* path, RowBuffers& own,
                                                      ScratchBuffer& scratch) {
  EVEDA_TRY(file, SourceFile::Open(path));
  if (file->size() > kMaxFileBytes) return eveda::Unexpected{DecodeError::TooLarge};
  const std::size_t first =
      file->size() <= kReadWholeBytes ? static_cast<std::size_t>(file->size()) : kHeadBytes;
  EVEDA_TRY(buffer, Reserve(own.head, first));
  EVEDA_TRY(got, file->ReadAt(0, std::span(*buffer, first)));
  return FromFile(std::move(*file), std::span(own.head).first(*got), own, scratch);
}

eveda::Result<RowSource, DecodeError> RowSource::FromFile(SourceFile file,
                                                          std::span<const std::uint8_t> start,
                                                          RowBuffers& own, ScratchBuffer& scratch) {
  if (file.size() > kMaxFileBytes) return eveda::Unexpected{DecodeError::TooLarge};
  const std::uint64_t size = file.size();
  return Start(std::move(file), start, size, own, scratch);
}

eveda::Result<RowSource, DecodeError> RowSource::FromMemory(std::span<const std::uint8_t> file,
                                                            RowBuffers& own,
                                                            ScratchBuffer& scratch) {
  return Start(std::nullopt, file, file.size(), own, scratch);
}

RowSource RowSource::Decoded(const gdi::BITMAPINFO& info, const std::uint8_t* bits) {
  RowSource source;
  source.info_ = info;
  source.decoded_ = bits;
  return source;
}

RowSource RowSource::Generated(const gdi::BITMAPINFO& info, RowGenerator& rows) {
  RowSource source;
  source.info_ = info;
  source.generator_ = &rows;
  return source;
}

eveda::Result<RowSource, DecodeError> RowSource::Start(std::optional<SourceFile> file,
                                                       std::span<const std::uint8_t> start,
                                                       std::uint64_t fileSize, RowBuffers& own,
                                                       ScratchBuffer& scratch) {
  EVEDA_TRY(plan, PlanDecode(start, fileSize));
  RowSource source;
  source.plan_ = *plan;
  // A file read whole needs its descriptor no more: thousands of small sources open at once
  // hold no descriptor each.
  if (start.size() < fileSize) source.file_ = std::move(file);
  source.start_ = start;
  source.info_ = BitmapInfoFor(plan->layout);
  const bool inPlace =
      plan->encoding == SourceEncoding::Rows && plan->sourceBitCount == plan->layout.bitCount;
  if (inPlace) {
    if (plan->topDown) source.info_.bmiHeader.biHeight = -plan->layout.height;
    return source;
  }
  EVEDA_TRY(decoded, source.DecodeWhole(own, scratch));
  return source;
}

// RLE streams and 2-bit rows become a bottom-up image in `own.decoded`.
eveda::Result<void, DecodeError> RowSource::DecodeWhole(RowBuffers& own, ScratchBuffer& scratch) {
  DecodePlan plan = plan_;
  EVEDA_TRY(stream, Bytes(plan.pixelOffset, plan.pixelBytes, scratch));
  if (stream->size() < plan.pixelBytes) {
    // A compressed stream that ends early keeps what it decoded; rows cannot.
    if (plan.encoding == SourceEncoding::Rows)
      return eveda::Unexpected{DecodeError::TruncatedPixels};
    plan.pixelBytes = stream->size();
  }
  plan.pixelOffset = 0;
  const std::size_t bytes = plan.layout.ByteSize();
  try {
    own.decoded.assign(bytes, 0);  // pixels an RLE stream skips keep index 0
  } catch (const std::bad_alloc&) {
    return eveda::Unexpected{DecodeError::OutOfMemory};
  }
  DecodePixels(*stream, plan, own.decoded);
  decoded_ = own.decoded.data();
  return {};
}

// `length` bytes from `offset`, fewer where the file ends: straight from the bytes at hand
// when they hold them, else read into `scratch`.
eveda::Result<std::span<const std::uint8_t>, DecodeError> RowSource::Bytes(
    std::uint64_t offset, std::size_t length, ScratchBuffer& scratch) const {
  if (offset <= start_.size() && length <= start_.size() - offset)
    return start_.subspan(static_cast<std::size_t>(offset), length);
  if (!file_) {  // a file in memory ends where its bytes end
    const std::size_t from = std::min<std::size_t>(static_cast<std::size_t>(offset), start_.size());
    return start_.subspan(from, std::min(length, start_.size() - from));
  }
  EVEDA_TRY(buffer, Reserve(scratch, length));
  EVEDA_TRY(got, file_->ReadAt(offset, std::span(*buffer, length)));
  return std::span<const std::uint8_t>(*buffer, *got);
}

eveda::Result<void, DecodeError> RowSource::ReadWhole(RowBuffers& own, ScratchBuffer& scratch) {
  if (decoded_ != nullptr || !file_) return {};  // a generated source keeps its own
  EVEDA_TRY(rows, Rows(0, Height(), scratch));
  const std::size_t bytes = plan_.layout.ByteSize();
  try {
    own.decoded.resize(bytes);
  } catch (const std::bad_alloc&) {
    return eveda::Unexpected{DecodeError::OutOfMemory};
  }
  std::memcpy(own.decoded.data(), rows->bits, bytes);
  decoded_ = own.decoded.data();
  file_.reset();
  return {};
}

std::int32_t RowSource::Height() const {
  const std::int32_t height = info_.bmiHeader.biHeight;
  return height < 0 ? -height : height;
}

eveda::Result<gdi::DibRows, DecodeError> RowSource::Rows(std::int32_t first, std::int32_t count,
                                                         ScratchBuffer& scratch) {
  if (decoded_ != nullptr) return gdi::DibRows{&info_, decoded_, 0, Height()};
  first = std::clamp(first, 0, Height());
  count = std::clamp(count, 0, Height() - first);
  if (generator_ != nullptr) return generator_->Rows(first, count);
  const std::size_t stride = plan_.layout.stride;
  // The file keeps the rows in the image's own order: one range of it holds them all.
  const std::int64_t fileRow = plan_.topDown ? first : Height() - first - count;
  const std::uint64_t offset = plan_.pixelOffset + static_cast<std::uint64_t>(fileRow) * stride;
  const std::size_t wanted = stride * static_cast<std::size_t>(count);
  // The last row of the file may lack its padding, and nothing else may be missing.
  const std::size_t available =
      std::min<std::uint64_t>(wanted, plan_.pixelOffset + plan_.pixelBytes - offset);
  // Room for the padding first, so that the rows read into `scratch` stay where they are.
  if (available < wanted) {
    EVEDA_TRY(room, Reserve(scratch, wanted));
  }
  EVEDA_TRY(bytes, Bytes(offset, available, scratch));
  if (bytes->size() < available) return eveda::Unexpected{DecodeError::TruncatedPixels};
  if (available == wanted) return gdi::DibRows{&info_, bytes->data(), first, count};
  std::uint8_t* buffer = scratch.data();
  std::memmove(buffer, bytes->data(), available);
  std::memset(buffer + available, 0, wanted - available);
  return gdi::DibRows{&info_, buffer, first, count};
}

}  // namespace bmp_loader
