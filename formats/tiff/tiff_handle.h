#pragma once
// libtiff opened over a ByteInput (for reading) or a descriptor (for writing), its messages kept
// for the error instead of going to stderr.

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>

#include "formats/row_stream.h"

namespace formats::tiff {

// What libtiff's callbacks work on: the bytes, the position it asked for, and why it failed: the
// input's own error, else libtiff's last one.
struct TiffClient {
  const ByteInput* input = nullptr;  // reading
  int fd = -1;                       // writing, with positioned writes
  std::uint64_t position = 0;
  std::uint64_t end = 0;  // writing: how far the file reaches
  bool ioFailed = false;
  std::string error;
};

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// `client` must outlive the handle. Null when libtiff refused: client.error says why.
TiffPtr OpenTiffForReading(TiffClient& client);
// `mode` is "w" (classic) or "w8" (BigTIFF).
TiffPtr OpenTiffForWriting(TiffClient& client, const char* mode);

// libtiff's first words about the failure, or `fallback` when it said nothing.
std::string TiffWords(const TiffClient& client, const char* fallback);

}  // namespace formats::tiff
