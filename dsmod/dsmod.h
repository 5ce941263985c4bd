#pragma once
// The off-screen canvas (a DIB section in a memory drawing context) and the writer that
// saves it as an uncompressed BMP file.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "dsmod/file_system.h"
#include "platform/gdi/gdi.h"
#include "platform/result.h"

namespace DSMod {

// A canvas owns its handles: moved, the new record owns them; destroyed, or given to
// ReleaseCanvas, it frees them once.
struct Canvas {
  Canvas() = default;
  Canvas(Canvas&& other) noexcept;
  Canvas& operator=(Canvas&& other) noexcept;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas();

  gdi::HDC hDC;
  gdi::HBITMAP hBitmap;
  void* pBits = nullptr;
  gdi::HGDIOBJ hOldBitmap;
  std::int32_t BitCount = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;  // positive: rows stored bottom-up
  std::int32_t Stride = 0;
  // Nothing has been drawn since the canvas was created: every pixel is still 0.
  bool Blank = false;
};

enum class CanvasError {
  Overflow,     // a size computation leaves the signed 32-bit range
  BadSize,      // Width or Height below 1, or a depth the canvas does not support
  BadPalette,   // a depth of 8 bits or less without 2^BitCount palette entries
  OutOfMemory,  // the drawing context or the DIB section cannot be had
};

struct SaveError {
  // Stopped: the caller gave up through the save's progress before the file had its name;
  // nothing was written and nothing is to be told.
  enum class Kind {
    Overflow,
    NotACanvas,
    CannotCreate,
    CannotWrite,
    Stopped
  } kind = Kind::CannotWrite;
  std::string reason;  // the system's own words for the failure (strerror), when there is one
};

// Gives another name to try when the output name has been taken meanwhile, or nothing when
// none is left. Without one, the save replaces whatever has the name.
using NextOutputName = std::function<std::optional<std::string>(const std::string& taken)>;

// Creates the canvas or returns why it cannot; on failure everything already created is
// released again. `Palette` is read only for BitCount <= 8 (2^BitCount entries).
eveda::Result<Canvas, CanvasError> CreateCanvas(gdi::HDC RefDC, std::int32_t BitCount,
                                                std::int32_t Width, std::int32_t Height,
                                                std::span<const gdi::RGBQUAD> Palette);

// Puts the previous bitmap back and deletes the DIB section and the context; the record then
// owns nothing.
void ReleaseCanvas(Canvas& canvas);

// A band of a 24-bit image: a band section (platform/gdi/dib_rows.h) in a memory context,
// holding `Rows` rows from `FirstRow` and drawn on in the whole image's coordinates. A pass
// draws the image band by band into the same memory. Like a canvas, a band owns its handles.
struct Band {
  Band() = default;
  Band(Band&& other) noexcept;
  Band& operator=(Band&& other) noexcept;
  Band(const Band&) = delete;
  Band& operator=(const Band&) = delete;
  ~Band();

  gdi::HDC hDC;
  gdi::HBITMAP hBitmap;
  void* pBits = nullptr;
  gdi::HGDIOBJ hOldBitmap;
  std::int32_t Width = 0;   // of the whole image
  std::int32_t Height = 0;  // of the whole image
  std::int32_t Capacity = 0;
  std::int32_t FirstRow = 0;
  std::int32_t Rows = 0;
  std::int32_t Stride = 0;  // rows stored bottom-up, as a BMP file stores them

  // The band's top row and the step to the row below it, as an ImageEncoder takes them.
  const std::uint8_t* TopRow() const {
    return static_cast<const std::uint8_t*>(pBits) + std::ptrdiff_t{Rows - 1} * Stride;
  }
  std::ptrdiff_t RowStep() const { return -std::ptrdiff_t{Stride}; }
};

// A band of up to `Rows` rows of a Width x Height image, holding its top rows first.
eveda::Result<Band, CanvasError> CreateBand(gdi::HDC RefDC, std::int32_t Width, std::int32_t Height,
                                            std::int32_t Rows);
// Makes the band hold the rows from `FirstRow` (fewer at the bottom of the image).
void MoveBand(Band& band, std::int32_t FirstRow);
// Paints the band's rows in `colour`, the pixels a Rectangle one pixel beyond every side of the
// image draws there with that brush. Written straight into the band: an image may be 2^31 - 1
// rows high, and a rectangle edge below its last row is not a 32-bit coordinate.
void FillBand(Band& band, gdi::COLORREF colour);

// Writes the canvas as a BMP file of its own depth and colour table. The file appears whole or
// not at all (see image_file.h): on failure nothing is left behind and an existing file of
// that name is left as it was.
eveda::Result<void, SaveError> SaveCanvasBMP(
    Canvas& canvas, const std::string& FilePath,
    detail::FileSystem& fileSystem = detail::SystemFileSystem());

}  // namespace DSMod
