#include "formats/webp/webp_encoder.h"

#include <webp/encode.h>

#include <cstring>
#include <new>
#include <vector>

#include "formats/fd_writes.h"

namespace formats {

namespace {

class WebpEncoder final : public ImageEncoder {
 public:
  WebpEncoder(int fd, std::int32_t width, std::int32_t height, WebpOptions options,
              std::vector<std::uint8_t> picture)
      : fd_(fd), width_(width), height_(height), options_(options), picture_(std::move(picture)) {}

  eveda::Result<void, EncodeError> WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                                             std::int32_t rows) override {
    if (rows < 0 || rows > height_ - rowsHeld_)
      return eveda::Unexpected(EncodeError{"more rows than the image has"});
    const std::size_t rowBytes = std::size_t(width_) * 3;
    for (std::int32_t k = 0; k < rows; ++k, ++rowsHeld_) {
      std::memcpy(picture_.data() + rowsHeld_ * rowBytes, topRow + k * stride, rowBytes);
    }
    return {};
  }

  eveda::Result<void, EncodeError> Finish() override {
    if (rowsHeld_ != height_)
      return eveda::Unexpected(EncodeError{"fewer rows than the image has"});
    std::uint8_t* out = nullptr;
    const int stride = width_ * 3;
    const std::size_t size =
        options_.lossless
            ? WebPEncodeLosslessBGR(picture_.data(), width_, height_, stride, &out)
            : WebPEncodeBGR(picture_.data(), width_, height_, stride, options_.quality, &out);
    std::vector<std::uint8_t>().swap(picture_);
    if (size == 0) {
      WebPFree(out);
      return eveda::Unexpected(EncodeError{"libwebp could not encode the image"});
    }
    const int error = WriteAll(fd_, {out, size});
    WebPFree(out);
    if (error != 0) return eveda::Unexpected(EncodeError{std::strerror(error)});
    return {};
  }

 private:
  int fd_;
  std::int32_t width_, height_;
  WebpOptions options_;
  std::vector<std::uint8_t> picture_;
  std::int32_t rowsHeld_ = 0;
};

}  // namespace

EncoderFactory MakeWebpEncoderFactory(WebpOptions options) {
  return
      [options](int fd, std::int32_t width,
                std::int32_t height) -> eveda::Result<std::unique_ptr<ImageEncoder>, EncodeError> {
        if (width < 1 || height < 1 || !WebpFitsSize(std::uint32_t(width), std::uint32_t(height))) {
          return eveda::Unexpected(EncodeError{"WebP allows at most 16383 pixels a side"});
        }
        std::vector<std::uint8_t> picture;
        try {
          picture.resize(std::size_t(width) * 3 * std::size_t(height));
        } catch (const std::bad_alloc&) {
          return eveda::Unexpected(EncodeError{"no memory for the whole picture"});
        }
        return std::unique_ptr<ImageEncoder>(
            new WebpEncoder(fd, width, height, options, std::move(picture)));
      };
}

}  // namespace formats
