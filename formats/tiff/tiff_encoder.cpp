#include "formats/tiff/tiff_encoder.h"

#include <unistd.h>

#include <algorithm>
#include <new>
#include <vector>

#include "formats/tiff/tiff_handle.h"

namespace formats {

namespace {

using tiff::TiffClient;
using tiff::TiffPtr;

// A strip of about this many bytes, and a whole number of JPEG's 16-row blocks.
constexpr std::uint64_t kStripBytes = std::uint64_t{1} << 18;
constexpr std::uint32_t kRowsPerBlock = 16;

std::uint32_t RowsPerStrip(std::uint32_t width, std::uint32_t height) {
  const std::uint64_t rows = std::max<std::uint64_t>(1, kStripBytes / (std::uint64_t{width} * 3));
  const std::uint64_t blocks = (rows + kRowsPerBlock - 1) / kRowsPerBlock;
  return std::uint32_t(std::min<std::uint64_t>(blocks * kRowsPerBlock, height));
}

eveda::Unexpected<EncodeError> TiffFailure(const TiffClient& client, const char* fallback) {
  return eveda::Unexpected(EncodeError{tiff::TiffWords(client, fallback)});
}

class TiffEncoder final : public ImageEncoder {
 public:
  TiffEncoder(std::unique_ptr<TiffClient> client, TiffPtr tif, std::uint32_t width,
              std::uint32_t height, std::uint32_t rowsPerStrip)
      : client_(std::move(client)),
        tif_(std::move(tif)),
        width_(width),
        height_(height),
        rowsPerStrip_(rowsPerStrip) {}

  eveda::Result<void, EncodeError> Allocate() {
    try {
      strip_.resize(std::size_t{width_} * 3 * rowsPerStrip_);
    } catch (const std::bad_alloc&) {
      return eveda::Unexpected(EncodeError{"no memory for a strip"});
    }
    return {};
  }

  eveda::Result<void, EncodeError> WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                                             std::int32_t rows) override {
    if (rows < 0 || std::uint32_t(rows) > height_ - rowsDone_) {
      return eveda::Unexpected(EncodeError{"more rows than the image has"});
    }
    for (std::int32_t k = 0; k < rows; ++k) {
      StoreAsRgb(topRow + k * stride, rowsDone_ % rowsPerStrip_);
      ++rowsDone_;
      if (rowsDone_ % rowsPerStrip_ == 0 || rowsDone_ == height_) {
        EVEDA_TRY(written, WriteStrip());
      }
    }
    return {};
  }

  eveda::Result<void, EncodeError> Finish() override {
    if (rowsDone_ != height_)
      return eveda::Unexpected(EncodeError{"fewer rows than the image has"});
    TIFF* tif = tif_.release();
    if (!TIFFFlush(tif) || client_->ioFailed) {
      TIFFClose(tif);
      return TiffFailure(*client_, "could not write the TIFF directory");
    }
    TIFFClose(tif);
    return {};
  }

 private:
  void StoreAsRgb(const std::uint8_t* bgr, std::uint32_t rowInStrip) {
    std::uint8_t* rgb = strip_.data() + std::size_t{rowInStrip} * width_ * 3;
    for (std::uint32_t x = 0; x < width_; ++x, bgr += 3, rgb += 3) {
      rgb[0] = bgr[2];
      rgb[1] = bgr[1];
      rgb[2] = bgr[0];
    }
  }

  eveda::Result<void, EncodeError> WriteStrip() {
    const std::uint32_t strip = (rowsDone_ - 1) / rowsPerStrip_;
    const std::uint32_t rows = rowsDone_ - strip * rowsPerStrip_;
    const tmsize_t bytes = tmsize_t(std::size_t{width_} * 3 * rows);
    if (TIFFWriteEncodedStrip(tif_.get(), strip, strip_.data(), bytes) != bytes ||
        client_->ioFailed) {
      return TiffFailure(*client_, "could not write a strip");
    }
    return {};
  }

  std::unique_ptr<TiffClient> client_;
  TiffPtr tif_;
  std::uint32_t width_, height_, rowsPerStrip_;
  std::vector<std::uint8_t> strip_;  // one strip, as RGB
  std::uint32_t rowsDone_ = 0;
};

std::uint16_t CompressionTag(TiffCompression compression) {
  switch (compression) {
    case TiffCompression::None:
      return COMPRESSION_NONE;
    case TiffCompression::Lzw:
      return COMPRESSION_LZW;
    case TiffCompression::Deflate:
      return COMPRESSION_ADOBE_DEFLATE;
    case TiffCompression::Jpeg:
      return COMPRESSION_JPEG;
  }
  return COMPRESSION_NONE;
}

bool SetTags(TIFF* tif, std::uint32_t width, std::uint32_t height, std::uint32_t rowsPerStrip,
             const TiffOptions& options) {
  const bool jpeg = options.compression == TiffCompression::Jpeg;
  bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width) &&
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height) &&
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) &&
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3) &&
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip) &&
            TIFFSetField(tif, TIFFTAG_COMPRESSION, CompressionTag(options.compression));
  if (jpeg) {
    // YCbCr with halved chroma, converted from RGB by libtiff: what JPEG-in-TIFF readers expect.
    ok = ok && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR) &&
         TIFFSetField(tif, TIFFTAG_JPEGQUALITY, options.jpegQuality) &&
         TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  } else {
    ok = ok && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    if (options.compression != TiffCompression::None) {
      ok = ok && TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    }
  }
  return ok;
}

}  // namespace

std::optional<TiffCompression> ParseTiffCompression(std::string_view word) {
  if (word == "none") return TiffCompression::None;
  if (word == "lzw") return TiffCompression::Lzw;
  if (word == "deflate") return TiffCompression::Deflate;
  if (word == "jpeg") return TiffCompression::Jpeg;
  return std::nullopt;
}

bool TiffNeedsBigTiff(std::uint32_t width, std::uint32_t height) {
  const std::uint64_t pixelBytes = std::uint64_t{width} * height * 3;
  // Room for a compressor's growth on data it cannot shrink, and for the directory and offsets.
  const std::uint64_t worstCase = pixelBytes + pixelBytes / 64 + (std::uint64_t{1} << 24);
  return worstCase >= (std::uint64_t{1} << 32);
}

EncoderFactory MakeTiffEncoderFactory(TiffOptions options) {
  return
      [options](int fd, std::int32_t width,
                std::int32_t height) -> eveda::Result<std::unique_ptr<ImageEncoder>, EncodeError> {
        if (width < 1 || height < 1) return eveda::Unexpected(EncodeError{"an image of no size"});
        // libtiff goes back to write the directory's offset: a pipe cannot take that.
        if (::lseek(fd, 0, SEEK_CUR) < 0) {
          return eveda::Unexpected(EncodeError{"TIFF needs a file it can seek in, not a pipe"});
        }
        const auto w = std::uint32_t(width), h = std::uint32_t(height);
        auto client = std::make_unique<TiffClient>();
        client->fd = fd;
        TiffPtr tif = tiff::OpenTiffForWriting(*client, TiffNeedsBigTiff(w, h) ? "w8" : "w");
        if (!tif) return TiffFailure(*client, "libtiff could not start the file");
        const std::uint32_t rowsPerStrip = RowsPerStrip(w, h);
        if (!SetTags(tif.get(), w, h, rowsPerStrip, options)) {
          return TiffFailure(*client, "libtiff refused the image's tags");
        }
        auto encoder =
            std::make_unique<TiffEncoder>(std::move(client), std::move(tif), w, h, rowsPerStrip);
        EVEDA_TRY(allocated, encoder->Allocate());
        return std::unique_ptr<ImageEncoder>(std::move(encoder));
      };
}

}  // namespace formats
