#pragma once
// A source decoded whole into memory before its first row is read, handed out row by row: what
// the formats whose libraries decode only whole frames (WebP, HEIF) give the join.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/row_stream.h"
#include "platform/result.h"

namespace formats {

class FrameStream final : public RowStream {
 public:
  // `frame` holds info.height rows of info.width pixels, packed, top-down.
  FrameStream(StreamInfo info, std::vector<std::uint8_t> frame)
      : info_(std::move(info)), frame_(std::move(frame)) {}
  const StreamInfo& Info() const override { return info_; }
  eveda::Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                        std::uint32_t count) override;
  std::size_t BytesHeld() const override { return frame_.capacity(); }

 private:
  StreamInfo info_;
  std::vector<std::uint8_t> frame_;
  std::uint32_t nextRow_ = 0;
};

// A zeroed frame for info's size (transparent black where it has alpha), or OutOfMemory.
eveda::Result<std::vector<std::uint8_t>, SourceError> AllocateFrame(const StreamInfo& info);

// The error for a read that asks for rows past the last one.
eveda::Unexpected<SourceError> PastLastRow();

}  // namespace formats
