#include "formats/gif/gif_decoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "formats/frame_stream.h"
#include "formats/whole_input.h"

namespace formats {

namespace {

using bmp_loader::DecodeError;

struct GifReader {
  const ByteInput* input;
  std::uint64_t position = 0;
};

int ReadProc(GifFileType* gif, GifByteType* buffer, int size) {
  auto& reader = *static_cast<GifReader*>(gif->UserData);
  auto got = reader.input->ReadAt(reader.position, std::span(buffer, std::size_t(size)));
  if (!got) return 0;
  reader.position += *got;
  return int(*got);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int ignored;
    DGifCloseFile(gif, &ignored);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

eveda::Unexpected<SourceError> GifError(int code) {
  const char* words = GifErrorString(code);
  if (code == D_GIF_ERR_NOT_ENOUGH_MEM)
    return eveda::Unexpected(SourceError(DecodeError::OutOfMemory));
  return eveda::Unexpected(
      SourceError(DecodeError::Unreadable, words ? words : "damaged GIF data"));
}

eveda::Result<GifPtr, SourceError> OpenScreen(GifReader& reader) {
  int error = 0;
  GifPtr gif(DGifOpen(&reader, ReadProc, &error));
  if (!gif) return GifError(error);
  return gif;
}

// A palette of 256 entries pre-filled with black, so every index has a colour.
using Palette = std::array<GifColorType, 256>;

struct Frame {
  std::uint32_t left = 0, top = 0, width = 0, height = 0;
  int transparent = NO_TRANSPARENT_COLOR;
  Palette palette{};
  std::vector<GifByteType> indices;  // width * height, top-down
};

// Skips extensions up to the first image, keeping the graphic control's transparent index.
eveda::Result<void, SourceError> FindFirstImage(GifFileType* gif, Frame& frame) {
  for (;;) {
    GifRecordType record;
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) return GifError(gif->Error);
    if (record == IMAGE_DESC_RECORD_TYPE) return {};
    if (record == TERMINATE_RECORD_TYPE) {
      return eveda::Unexpected(SourceError(DecodeError::Unreadable, "a GIF without an image"));
    }
    if (record != EXTENSION_RECORD_TYPE) continue;
    int code;
    GifByteType* block;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return GifError(gif->Error);
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
      GraphicsControlBlock control;
      DGifExtensionToGCB(block[0], block + 1, &control);
      frame.transparent = control.TransparentColor;
    }
    while (block != nullptr) {
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return GifError(gif->Error);
    }
  }
}

void TakePalette(const ColorMapObject* map, Palette& palette) {
  if (map == nullptr) return;
  const int count = std::min(map->ColorCount, 256);
  std::copy_n(map->Colors, count, palette.begin());
}

// The rows of an interlaced frame come in four passes: every 8th from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1.
std::vector<std::uint32_t> RowOrder(std::uint32_t height, bool interlaced) {
  std::vector<std::uint32_t> order;
  order.reserve(height);
  if (!interlaced) {
    for (std::uint32_t y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  constexpr std::uint32_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (std::uint32_t y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  }
  return order;
}

eveda::Result<void, SourceError> ReadFrame(GifFileType* gif, std::uint64_t fileBytes,
                                           Frame& frame) {
  if (DGifGetImageDesc(gif) == GIF_ERROR) return GifError(gif->Error);
  const GifImageDesc& desc = gif->Image;
  frame.left = std::uint32_t(desc.Left);
  frame.top = std::uint32_t(desc.Top);
  frame.width = std::uint32_t(desc.Width);
  frame.height = std::uint32_t(desc.Height);
  EVEDA_TRY(sizeOk, CheckDeclaredSize(frame.width, frame.height, fileBytes));
  TakePalette(gif->SColorMap, frame.palette);
  TakePalette(desc.ColorMap, frame.palette);
  try {
    frame.indices.resize(std::size_t{frame.width} * frame.height);
  } catch (const std::bad_alloc&) {
    return eveda::Unexpected(SourceError(DecodeError::OutOfMemory));
  }
  for (std::uint32_t y : RowOrder(frame.height, desc.Interlace)) {
    if (DGifGetLine(gif, &frame.indices[std::size_t{y} * frame.width], int(frame.width)) ==
        GIF_ERROR) {
      return GifError(gif->Error);
    }
  }
  return {};
}

class GifStream final : public RowStream {
 public:
  GifStream(StreamInfo info, Frame frame) : info_(std::move(info)), frame_(std::move(frame)) {}
  const StreamInfo& Info() const override { return info_; }
  std::size_t BytesHeld() const override { return frame_.indices.capacity(); }

  eveda::Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                        std::uint32_t count) override {
    if (count > info_.height - nextRow_) return PastLastRow();
    for (std::uint32_t k = 0; k < count; ++k, ++nextRow_) MakeRow(nextRow_, out + k * stride);
    return {};
  }

 private:
  void MakeRow(std::uint32_t y, std::uint8_t* out) const {
    const bool alpha = info_.pixels == Pixels::Bgra;
    std::memset(out, 0, RowBytes(info_.width, info_.pixels));
    if (y < frame_.top || y - frame_.top >= frame_.height) return;
    const GifByteType* indices = &frame_.indices[std::size_t{y - frame_.top} * frame_.width];
    const std::uint32_t end =
        std::min<std::uint64_t>(info_.width, std::uint64_t{frame_.left} + frame_.width);
    for (std::uint32_t x = frame_.left; x < end; ++x) {
      const int index = indices[x - frame_.left];
      std::uint8_t* pixel = out + std::size_t{x} * (alpha ? 4 : 3);
      if (index == frame_.transparent) continue;  // stays transparent black
      const GifColorType& colour = frame_.palette[std::size_t(index)];
      pixel[0] = colour.Blue;
      pixel[1] = colour.Green;
      pixel[2] = colour.Red;
      if (alpha) pixel[3] = 255;
    }
  }

  StreamInfo info_;
  Frame frame_;
  std::uint32_t nextRow_ = 0;
};

bool CoversScreen(const Frame& frame, const StreamInfo& info) {
  return frame.left == 0 && frame.top == 0 && frame.width >= info.width &&
         frame.height >= info.height;
}

}  // namespace

bool SniffGif(std::span<const std::uint8_t> head) {
  return head.size() >= 6 &&
         (std::memcmp(head.data(), "GIF87a", 6) == 0 || std::memcmp(head.data(), "GIF89a", 6) == 0);
}

eveda::Result<ProbedImage, SourceError> ProbeGif(const ByteInput& input) {
  GifReader reader{&input};
  EVEDA_TRY(gif, OpenScreen(reader));
  EVEDA_TRY(sizeOk, CheckDeclaredSize((*gif)->SWidth, (*gif)->SHeight, input.Size()));
  return ProbedImage{std::uint32_t((*gif)->SWidth), std::uint32_t((*gif)->SHeight), 1};
}

eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenGif(const ByteInput& input,
                                                               const OpenHints&) {
  GifReader reader{&input};
  EVEDA_TRY(gif, OpenScreen(reader));
  StreamInfo info;
  info.width = info.storedWidth = std::uint32_t((*gif)->SWidth);
  info.height = info.storedHeight = std::uint32_t((*gif)->SHeight);
  // The stream makes the screen's rows as they are read, but a source drawn whole holds them
  // all: a few hundred bytes must not ask for a screen of hundreds of megabytes.
  EVEDA_TRY(sizeOk, CheckDeclaredSize(info.width, info.height, input.Size()));
  Frame frame;
  EVEDA_TRY(found, FindFirstImage(gif->get(), frame));
  EVEDA_TRY(read, ReadFrame(gif->get(), input.Size(), frame));
  const bool alpha = frame.transparent != NO_TRANSPARENT_COLOR || !CoversScreen(frame, info);
  info.pixels = alpha ? Pixels::Bgra : Pixels::Bgr;
  return std::unique_ptr<RowStream>(new GifStream(std::move(info), std::move(frame)));
}

}  // namespace formats
