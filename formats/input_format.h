#pragma once
// What each source format offers the reader (source_reader.h): its signature, its header probe
// and its decoder. Each format's folder defines one; the reader's table lists them.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "formats/decoded_image.h"
#include "formats/row_stream.h"
#include "formats/source_error.h"
#include "platform/bmp_loader/row_source.h"
#include "platform/bmp_loader/source_file.h"
#include "platform/result.h"

namespace formats {

// A source being opened: its file, the bytes already read from its start (all of it for a
// file read whole), and the buffers the drawing keeps for it.
struct OpeningSource {
  bmp_loader::SourceFile* file = nullptr;  // none when the bytes at hand are the whole file
  std::span<const std::uint8_t> head;
  std::uint64_t size = 0;
  bmp_loader::RowBuffers* own = nullptr;
  bmp_loader::ScratchBuffer* scratch = nullptr;
  Colour background = 0;
};

// Opens a source as a stream of its own rows (straight alpha, its orientation and profile
// described, not applied); the stream keeps the input and may read from it as rows are asked for.
using StreamOpener = eveda::Result<std::unique_ptr<RowStream>, SourceError> (*)(
    std::unique_ptr<ByteInput> input, const OpenHints& hints);

struct InputFormat {
  std::string_view name;
  bool (*sniff)(std::span<const std::uint8_t> head);
  eveda::Result<ProbedImage, SourceError> (*probe)(const ByteInput& file,
                                                   std::span<const std::uint8_t> head);
  // 24-bit rows blended over the background, as the window's drawing takes them.
  eveda::Result<bmp_loader::RowSource, SourceError> (*open)(const OpeningSource& source);
  StreamOpener stream = nullptr;  // none: the format is drawn through `open` only
};

// The formats of the tables, defined in their folders.
extern const InputFormat kBmpFormat;
extern const InputFormat kPngFormat;
extern const InputFormat kJpegFormat;
extern const InputFormat kWebpFormat;
extern const InputFormat kTiffFormat;
extern const InputFormat kGifFormat;
extern const InputFormat kHeifFormat;

}  // namespace formats
