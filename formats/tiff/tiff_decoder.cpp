#include "formats/tiff/tiff_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "formats/frame_stream.h"
#include "formats/tiff/tiff_handle.h"
#include "formats/whole_input.h"

namespace formats {

namespace {

using bmp_loader::DecodeError;
using tiff::TiffClient;
using tiff::TiffPtr;

eveda::Unexpected<SourceError> Unreadable(std::string words) {
  return eveda::Unexpected(SourceError(DecodeError::Unreadable, std::move(words)));
}

// The first page's layout, as its tags give it.
struct Layout {
  std::uint32_t width = 0, height = 0;
  Orientation orientation = 1;
  bool tiled = false;
  std::uint32_t bandRows = 0;   // rows per strip, or the tile height
  std::uint32_t tileWidth = 0;  // tiled only
  bool alpha = false;
  std::vector<std::uint8_t> iccProfile;
};

bool HasAlpha(TIFF* tif) {
  std::uint16_t count = 0, *kinds = nullptr, samples = 1, photometric = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  if (count >= 1) return kinds[0] == EXTRASAMPLE_ASSOCALPHA || kinds[0] == EXTRASAMPLE_UNASSALPHA;
  // libtiff's RGBA reader takes a fourth RGB sample without a tag for associated alpha.
  return samples == 4 && photometric == PHOTOMETRIC_RGB;
}

eveda::Result<Layout, SourceError> ReadLayout(TIFF* tif) {
  Layout layout;
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  layout.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
  layout.tiled = TIFFIsTiled(tif);
  if (layout.tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &layout.tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &layout.bandRows);
    if (layout.tileWidth == 0 || layout.bandRows == 0) return Unreadable("tiles of no size");
  } else {
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &layout.bandRows);
    layout.bandRows = std::clamp<std::uint32_t>(layout.bandRows, 1, std::max(layout.height, 1u));
  }
  layout.alpha = HasAlpha(tif);
  std::uint32_t iccBytes = 0;
  const std::uint8_t* icc = nullptr;
  if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &iccBytes, &icc) && icc != nullptr)
    layout.iccProfile.assign(icc, icc + iccBytes);
  return layout;
}

// Uncompressed pixels take their full size in the file: fewer bytes is a cut-off file.
eveda::Result<void, SourceError> CheckUncompressedLength(TIFF* tif, const Layout& layout,
                                                         std::uint64_t fileBytes) {
  std::uint16_t compression = COMPRESSION_NONE, bits = 1, samples = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  if (compression != COMPRESSION_NONE) return {};
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  const std::uint64_t rowBytes = (std::uint64_t{layout.width} * bits * samples + 7) / 8;
  if (rowBytes * layout.height > fileBytes) return Unreadable("the file ended early");
  return {};
}

class TiffStream final : public RowStream {
 public:
  TiffStream(std::unique_ptr<TiffClient> client, TiffPtr tif, const Layout& layout)
      : client_(std::move(client)), tif_(std::move(tif)), layout_(layout) {
    info_.width = info_.storedWidth = layout.width;
    info_.height = info_.storedHeight = layout.height;
    info_.pixels = layout.alpha ? Pixels::Bgra : Pixels::Bgr;
    info_.orientation = layout.orientation;
    info_.iccProfile = layout.iccProfile;
  }

  eveda::Result<void, SourceError> Allocate() {
    try {
      band_.resize(std::size_t{layout_.width} * layout_.bandRows);
      if (layout_.tiled) tile_.resize(std::size_t{layout_.tileWidth} * layout_.bandRows);
    } catch (const std::bad_alloc&) {
      return eveda::Unexpected(SourceError(DecodeError::OutOfMemory));
    }
    return {};
  }

  const StreamInfo& Info() const override { return info_; }
  std::size_t BytesHeld() const override { return (band_.capacity() + tile_.capacity()) * 4; }

  eveda::Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                        std::uint32_t count) override {
    if (count > info_.height - nextRow_) return PastLastRow();
    for (std::uint32_t k = 0; k < count; ++k, ++nextRow_) {
      if (nextRow_ >= bandTop_ + bandRowsHeld_ || bandRowsHeld_ == 0) {
        EVEDA_TRY(loaded, LoadBand(nextRow_ - nextRow_ % layout_.bandRows));
      }
      ConvertRow(RowOfBand(nextRow_ - bandTop_), out + k * stride);
    }
    return {};
  }

 private:
  eveda::Result<void, SourceError> LoadBand(std::uint32_t top) {
    bandTop_ = top;
    bandRowsHeld_ = std::min(layout_.bandRows, layout_.height - top);
    const bool ok =
        layout_.tiled ? LoadTileRow() : TIFFReadRGBAStripExt(tif_.get(), top, band_.data(), 1);
    if (!ok) {
      bandRowsHeld_ = 0;
      return Unreadable(tiff::TiffWords(*client_, "damaged TIFF data"));
    }
    return {};
  }

  // Each tile comes bottom-up in a full tile's raster; the band is kept top-down.
  bool LoadTileRow() {
    const std::uint32_t tw = layout_.tileWidth, th = layout_.bandRows;
    for (std::uint32_t x = 0; x < layout_.width; x += tw) {
      if (!TIFFReadRGBATileExt(tif_.get(), x, bandTop_, tile_.data(), 1)) return false;
      const std::uint32_t columns = std::min(tw, layout_.width - x);
      for (std::uint32_t r = 0; r < bandRowsHeld_; ++r) {
        std::copy_n(&tile_[std::size_t{th - 1 - r} * tw], columns,
                    &band_[std::size_t{r} * layout_.width + x]);
      }
    }
    return true;
  }

  // A strip comes bottom-up: its first raster row is its last image row.
  const std::uint32_t* RowOfBand(std::uint32_t r) const {
    const std::uint32_t row = layout_.tiled ? r : bandRowsHeld_ - 1 - r;
    return &band_[std::size_t{row} * layout_.width];
  }

  // libtiff hands out premultiplied alpha, whatever the file holds; rows are straight.
  void ConvertRow(const std::uint32_t* abgr, std::uint8_t* out) const {
    const bool alpha = info_.pixels == Pixels::Bgra;
    for (std::uint32_t x = 0; x < layout_.width; ++x) {
      const std::uint32_t p = abgr[x], a = TIFFGetA(p);
      std::uint32_t b = TIFFGetB(p), g = TIFFGetG(p), r = TIFFGetR(p);
      if (alpha && a != 255) {
        b = a == 0 ? 0 : std::min(255u, (b * 255 + a / 2) / a);
        g = a == 0 ? 0 : std::min(255u, (g * 255 + a / 2) / a);
        r = a == 0 ? 0 : std::min(255u, (r * 255 + a / 2) / a);
      }
      *out++ = std::uint8_t(b);
      *out++ = std::uint8_t(g);
      *out++ = std::uint8_t(r);
      if (alpha) *out++ = std::uint8_t(a);
    }
  }

  std::unique_ptr<TiffClient> client_;
  TiffPtr tif_;
  Layout layout_;
  StreamInfo info_;
  std::vector<std::uint32_t> band_, tile_;
  std::uint32_t bandTop_ = 0, bandRowsHeld_ = 0, nextRow_ = 0;
};

eveda::Result<TiffPtr, SourceError> OpenFirstPage(TiffClient& client) {
  TiffPtr tif = tiff::OpenTiffForReading(client);
  if (!tif) return Unreadable(tiff::TiffWords(client, "not a TIFF file"));
  return tif;
}

}  // namespace

bool SniffTiff(std::span<const std::uint8_t> head) {
  if (head.size() < 4) return false;
  const bool little =
      head[0] == 'I' && head[1] == 'I' && head[3] == 0 && (head[2] == 42 || head[2] == 43);
  const bool big =
      head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
  return little || big;
}

eveda::Result<ProbedImage, SourceError> ProbeTiff(const ByteInput& input) {
  TiffClient client;
  client.input = &input;
  EVEDA_TRY(tif, OpenFirstPage(client));
  EVEDA_TRY(layout, ReadLayout(tif->get()));
  return ProbedImage{layout->width, layout->height, layout->orientation};
}

eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenTiff(const ByteInput& input,
                                                                const OpenHints&) {
  auto client = std::make_unique<TiffClient>();
  client->input = &input;
  EVEDA_TRY(tif, OpenFirstPage(*client));
  EVEDA_TRY(layout, ReadLayout(tif->get()));
  const std::uint64_t fileBytes = input.Size();
  EVEDA_TRY(sizeOk, CheckDeclaredSize(layout->width, layout->height, fileBytes));
  EVEDA_TRY(bandOk, CheckDeclaredSize(std::max(layout->width, layout->tileWidth), layout->bandRows,
                                      fileBytes));
  EVEDA_TRY(lengthOk, CheckUncompressedLength(tif->get(), *layout, fileBytes));
  char words[1024] = "";
  if (!TIFFRGBAImageOK(tif->get(), words)) return Unreadable(words);
  // The rows go out as stored; the caller turns them by the tag.
  TIFFSetField(tif->get(), TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  auto stream = std::make_unique<TiffStream>(std::move(client), std::move(*tif), *layout);
  EVEDA_TRY(allocated, stream->Allocate());
  return std::unique_ptr<RowStream>(std::move(stream));
}

}  // namespace formats
