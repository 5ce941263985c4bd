#pragma once
// How a format whose library hands out rows as a stream gives the window's drawing its 24-bit
// rows: the stream read whole when the source is opened, blended over the background into the
// source's own buffer.

#include "formats/input_format.h"

namespace formats {

eveda::Result<bmp_loader::RowSource, SourceError> OpenStreamWhole(const OpeningSource& source,
                                                                  StreamOpener stream);

// Opens `input` with a decoder that reads from it for as long as its stream lives: the stream
// returned keeps the input.
using BorrowingOpener = eveda::Result<std::unique_ptr<RowStream>, SourceError> (*)(
    const ByteInput& input, const OpenHints& hints);
eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenKeepingInput(
    std::unique_ptr<ByteInput> input, const OpenHints& hints, BorrowingOpener open);

// A stream's B,G,R or B,G,R,A row blended over `background` into B,G,R.
void BlendRow(const std::uint8_t* row, Pixels pixels, std::uint32_t width, Colour background,
              std::uint8_t* out);

}  // namespace formats
