#pragma once
// Our own raster layer: device contexts, DIB sections and brushes with the calls the
// window's drawing code needs, under the Win32 GDI's names and signatures: a vocabulary most
// readers of drawing code already know. Everything runs on the one user-interface thread.
//
// Handles are small numbers into one object table. A handle is never reused, so a call
// with a null, deleted or wrong-kind handle is recognised and fails with 0; it never
// touches memory it does not own.

#include <cstdint>

#include "platform/bmp_format/bmp_format.h"

namespace gdi {

using BOOL = int;
using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using COLORREF = std::uint32_t;  // 0x00BBGGRR

// Brushes and bitmaps share one handle type, so that SelectObject can hand back the previous
// object of the same kind without the caller naming the kind.
struct HGDIOBJ {
  std::uint32_t id = 0;
  explicit operator bool() const { return id != 0; }
  friend bool operator==(HGDIOBJ, HGDIOBJ) = default;
};
using HBITMAP = HGDIOBJ;
using HBRUSH = HGDIOBJ;

struct HDC {
  std::uint32_t id = 0;
  explicit operator bool() const { return id != 0; }
  friend bool operator==(HDC, HDC) = default;
};

inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr UINT DIB_RGB_COLORS = 0;
using bmp_format::BI_BITFIELDS;
using bmp_format::BI_RGB;
using bmp_format::BI_RLE4;
using bmp_format::BI_RLE8;
inline constexpr UINT IMAGE_BITMAP = 0;
inline constexpr UINT LR_LOADFROMFILE = 0x0010;
inline constexpr UINT LR_CREATEDIBSECTION = 0x2000;

inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}
inline constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c); }
inline constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>(c >> 8); }
inline constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>(c >> 16); }

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};
static_assert(sizeof(RGBQUAD) == 4);

struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;  // positive: rows bottom-up; negative: top-down
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// The header and room for a full colour table. With BI_BITFIELDS (16 and 32 bits per
// pixel) the first three entries hold the red, green and blue masks as little-endian
// DWORDs, where they follow the 40-byte header in a BMP file, so a file's bytes can be
// copied in as they are.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

// What GetObjectA reports of a bitmap.
struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 0;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};

// A memory drawing context. `reference` 0 stands for the screen; a non-null reference must
// be a live context. A new context holds a 1x1 monochrome stock bitmap and a white stock
// brush; its pen is always one pixel of solid black.
HDC CreateCompatibleDC(HDC reference);
BOOL DeleteDC(HDC dc);

// The depths a DIB section can have: 1, 4, 8, 16, 24 or 32 bits per pixel.
bool IsDibDepth(long bitCount);

// A DIB section of 1, 4, 8, 16, 24 or 32 bits per pixel, uncompressed (BI_RGB) or, at 16 and
// 32 bits, BI_BITFIELDS. Rows are bmp_format::RowStride(width, bits) bytes, bottom row first
// for a positive height, top row first for a negative one; the memory starts zero-filled.
// `*bits` receives the pixel memory (null on failure). Fails with a null handle on a bad
// header, sizes beyond 2^31 - 1 bytes, or memory that cannot be had.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset);

// Makes a bitmap or brush the context's current one of its kind and returns the previous
// one. A bitmap can be selected into one context at a time. Null on failure.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

// Deletes a brush or bitmap. Fails (0) for stock objects and for objects still selected
// into a context.
BOOL DeleteObject(HGDIOBJ object);

HBRUSH CreateSolidBrush(COLORREF colour);

// Interior filled with the current brush, one-pixel outline in the black pen; the right and
// bottom coordinates are excluded (the outline runs along left, right - 1, top, bottom - 1).
// Clipped to the selected bitmap.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);

// Fills `out` for a bitmap handle and returns the bytes written; 0 for anything else, and for
// a `size` (the caller's record size) under 24 bytes, too small to hold the bitmap's fields.
int GetObjectA(HGDIOBJ object, int size, BITMAP* out);

// 1:1 copy (SRCCOPY) of cx x cy pixels from the source context's bitmap at (xs, ys) to the
// destination's at (x, y), clipped at every edge of both bitmaps, converting the source's
// pixel format to the destination's.
BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int xs, int ys, DWORD rop);

// Scaled copy (SRCCOPY) in the initial stretch mode BLACKONWHITE: shrinking merges the
// source pixels that fall into one destination pixel by a bitwise AND of their colours,
// enlarging repeats pixels.
BOOL StretchBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int xs, int ys, int cxs, int cys,
                DWORD rop);

// Copies up to `count` colour-table entries of the DIB section selected into `dc`, from
// `start`, into `colours`; returns how many were copied.
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colours);

// Loads a BMP file as a DIB section at its own size (type IMAGE_BITMAP, flags
// LR_LOADFROMFILE | LR_CREATEDIBSECTION, cx = cy = 0), or returns a null handle when the
// file cannot be read or decoded.
HGDIOBJ LoadImageA(void* instance, const char* path, UINT type, int cx, int cy, UINT flags);

}  // namespace gdi
