#include "main_window/image_sources.h"

#include <utility>

#include "platform/image_codecs/load_decoded_bitmap.h"

namespace main_window {

using eveda::bmp::RowBuffers;
using eveda::bmp::RowSource;
using eveda::bmp::ScratchBuffer;

SourceOpener ImageSourceOpener(gdi::COLORREF background) {
  return [background](const std::string& path, RowBuffers& own,
                      ScratchBuffer& scratch) -> eveda::Result<RowSource, SourceRefusal> {
    // The decoder works in the source's own buffers, so that every source open at once keeps
    // its pixels and each buffer is reused by the sources after it.
    eveda::codecs::DecodedImage image;
    image.pixels.swap(own.decoded);
    image.scratch.swap(scratch);
    const auto decoded = eveda::codecs::DecodeSourceFile(path.c_str(), background, own.head, image);
    own.decoded.swap(image.pixels);
    scratch.swap(image.scratch);
    if (decoded) return RowSource::Decoded(eveda::codecs::BitmapInfoOf(image), own.decoded.data());
    if (!decoded.error().notPngOrJpeg)
      return eveda::Unexpected{SourceRefusal{decoded.error().reason, decoded.error().detail}};
    auto bmp = RowSource::Open(path.c_str(), own, scratch);
    if (!bmp) return eveda::Unexpected{SourceRefusal{bmp.error()}};
    return std::move(*bmp);
  };
}

}  // namespace main_window
