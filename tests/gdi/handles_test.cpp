#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"
#include "tests/gdi/raster_support.h"

namespace {

using namespace gdi;
using eveda::testing::Dib;
using eveda::testing::Rgb24;

std::size_t Live() { return detail::ObjectTable::Instance().LiveCount(); }

TEST(Handles, NullHandlesFailEverywhere) {
  BITMAP record;
  RGBQUAD colours[2];
  EXPECT_EQ(DeleteDC(HDC{}), 0);
  EXPECT_EQ(DeleteObject(HGDIOBJ{}), 0);
  EXPECT_FALSE(SelectObject(HDC{}, HGDIOBJ{}));
  EXPECT_EQ(Rectangle(HDC{}, 0, 0, 1, 1), 0);
  EXPECT_EQ(GetObjectA(HGDIOBJ{}, sizeof record, &record), 0);
  EXPECT_EQ(BitBlt(HDC{}, 0, 0, 1, 1, HDC{}, 0, 0, SRCCOPY), 0);
  EXPECT_EQ(StretchBlt(HDC{}, 0, 0, 1, 1, HDC{}, 0, 0, 1, 1, SRCCOPY), 0);
  EXPECT_EQ(GetDIBColorTable(HDC{}, 0, 2, colours), 0u);
}

TEST(Handles, StaleHandlesFailAndAreNeverReused) {
  const HDC dc = CreateCompatibleDC(HDC{});
  const HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  ASSERT_TRUE(dc);
  ASSERT_TRUE(brush);
  EXPECT_EQ(DeleteDC(dc), 1);
  EXPECT_EQ(DeleteObject(brush), 1);

  EXPECT_EQ(DeleteDC(dc), 0);
  EXPECT_EQ(DeleteObject(brush), 0);
  EXPECT_FALSE(SelectObject(dc, brush));
  EXPECT_EQ(Rectangle(dc, 0, 0, 1, 1), 0);
  EXPECT_FALSE(CreateCompatibleDC(dc));

  const HDC next = CreateCompatibleDC(HDC{});
  EXPECT_NE(next.id, dc.id);
  EXPECT_NE(next.id, brush.id);
  DeleteDC(next);
}

TEST(Handles, WrongKindFails) {
  const HDC dc = CreateCompatibleDC(HDC{});
  const HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  BITMAP record;
  EXPECT_EQ(DeleteObject(HGDIOBJ{dc.id}), 0);  // a context is not an object
  EXPECT_EQ(DeleteDC(HDC{brush.id}), 0);       // nor a brush a context
  EXPECT_FALSE(SelectObject(HDC{brush.id}, brush));
  EXPECT_FALSE(SelectObject(dc, HGDIOBJ{dc.id}));
  EXPECT_EQ(GetObjectA(brush, sizeof record, &record), 0);  // only bitmaps are described
  EXPECT_FALSE(CreateCompatibleDC(HDC{brush.id}));
  EXPECT_EQ(DeleteObject(brush), 1);
  EXPECT_EQ(DeleteDC(dc), 1);
}

TEST(Handles, StockBitmapRoundTrip) {
  const std::size_t before = Live();
  const HDC dc = CreateCompatibleDC(HDC{});
  const BITMAPINFO info = eveda::testing::MakeInfo(Rgb24(3, 3));
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_TRUE(bitmap);

  const HGDIOBJ stock = SelectObject(dc, bitmap);
  ASSERT_TRUE(stock);
  BITMAP record;
  ASSERT_NE(GetObjectA(stock, 24, &record), 0);
  EXPECT_EQ(record.bmWidth, 1);
  EXPECT_EQ(record.bmHeight, 1);
  EXPECT_EQ(record.bmBitsPixel, 1);
  EXPECT_EQ(DeleteObject(stock), 0);   // stock objects live for ever
  EXPECT_EQ(DeleteObject(bitmap), 0);  // still selected

  EXPECT_EQ(SelectObject(dc, stock), bitmap);
  EXPECT_EQ(DeleteObject(bitmap), 1);
  EXPECT_EQ(DeleteObject(bitmap), 0);
  EXPECT_EQ(DeleteDC(dc), 1);
  EXPECT_EQ(Live(), before);
}

TEST(Handles, BitmapIsSelectedIntoOneContextAtATime) {
  const std::size_t before = Live();
  const HDC first = CreateCompatibleDC(HDC{});
  const HDC second = CreateCompatibleDC(first);
  ASSERT_TRUE(second);
  const BITMAPINFO info = eveda::testing::MakeInfo(Rgb24(3, 3));
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(HDC{}, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ stock = SelectObject(first, bitmap);
  ASSERT_TRUE(stock);
  EXPECT_EQ(SelectObject(first, bitmap), bitmap);  // selecting it again is harmless
  EXPECT_FALSE(SelectObject(second, bitmap));

  EXPECT_EQ(DeleteDC(first), 1);  // lets the bitmap go without deleting it
  EXPECT_EQ(SelectObject(second, bitmap), stock);
  EXPECT_EQ(SelectObject(second, stock), bitmap);
  EXPECT_EQ(DeleteObject(bitmap), 1);
  EXPECT_EQ(DeleteDC(second), 1);
  EXPECT_EQ(Live(), before);
}

TEST(Handles, BrushesMayBeSharedButNotDeletedWhileSelected) {
  const std::size_t before = Live();
  const HDC first = CreateCompatibleDC(HDC{});
  const HDC second = CreateCompatibleDC(HDC{});
  const HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
  const HGDIOBJ stockBrush = SelectObject(first, brush);
  ASSERT_TRUE(stockBrush);
  EXPECT_EQ(SelectObject(second, brush), stockBrush);
  EXPECT_EQ(DeleteObject(stockBrush), 0);
  EXPECT_EQ(DeleteObject(brush), 0);
  EXPECT_EQ(SelectObject(first, stockBrush), brush);
  EXPECT_EQ(DeleteObject(brush), 0);  // still in `second`
  EXPECT_EQ(DeleteDC(second), 1);
  EXPECT_EQ(DeleteObject(brush), 1);
  EXPECT_EQ(DeleteDC(first), 1);
  EXPECT_EQ(Live(), before);
}

}  // namespace
