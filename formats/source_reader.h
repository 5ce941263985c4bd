#pragma once
// The formats a job reads, chosen once per job and handed to the scan and the join: the window
// reads BMP only; eveda-batch with -i reads every format (defined in formats/sources/, whose
// library links every format's, so that the window links only what it reads). Nothing else looks at
// a file's signature: each source is opened once, its first bytes tell its format, and the format's
// own probe and decoder take it from there.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "formats/decoded_image.h"
#include "formats/row_stream.h"
#include "formats/source_error.h"
#include "platform/bmp_loader/row_source.h"
#include "platform/result.h"

namespace formats {

struct InputFormat;

class SourceReader {
 public:
  // The formats tried in order; a file none of them knows is the last one's to judge when
  // there is one, else "not a ... file" naming them all.
  explicit SourceReader(std::span<const InputFormat* const> formats) : formats_(formats) {}
  static const SourceReader& BmpOnly();
  static const SourceReader& EveryFormat();

  // The size a source's header gives, without decoding a pixel.
  eveda::Result<ProbedImage, SourceError> Probe(const std::string& path) const;
  eveda::Result<ProbedImage, SourceError> Probe(const ByteInput& input) const;

  // Whether some of the formats decode a whole picture when it is opened, which then costs more
  // than drawing it: worth doing ahead, on other threads.
  bool DecodesWhole() const { return formats_.size() > 1; }

  // Opens a source for drawing: its rows, alpha blended over `background`, in buffers the caller
  // keeps for it.
  eveda::Result<bmp_loader::RowSource, SourceError> Open(const std::string& path,
                                                         bmp_loader::RowBuffers& own,
                                                         bmp_loader::ScratchBuffer& scratch,
                                                         Colour background) const;

  // Opens a source as a stream of its own rows, which keeps the file open while it lives.
  eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenStream(const std::string& path,
                                                                    const OpenHints& hints) const;
  eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenStream(
      std::unique_ptr<ByteInput> input, const OpenHints& hints) const;

 private:
  eveda::Result<const InputFormat*, SourceError> FormatOf(std::span<const std::uint8_t> head) const;

  std::span<const InputFormat* const> formats_;  // tried in order
};

}  // namespace formats
