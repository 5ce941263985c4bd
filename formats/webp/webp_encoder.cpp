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
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&picture))
      return eveda::Unexpected(EncodeError{"this libwebp is not the one eveda was built with"});
    config.lossless = options_.lossless ? 1 : 0;
    config.quality = options_.quality;
    // Halving the chroma of a contact sheet's sharp cell edges in plain averages bleeds colour
    // across them; the sharper conversion keeps lossy WebP near JPEG's error at one quality.
    config.use_sharp_yuv = 1;
    picture.use_argb = 1;
    picture.width = width_;
    picture.height = height_;
    picture.writer = [](const std::uint8_t* data, std::size_t size, const WebPPicture* p) {
      auto* self = static_cast<WebpEncoder*>(p->custom_ptr);
      if (self->writeError_ == 0) self->writeError_ = WriteAll(self->fd_, {data, size});
      return self->writeError_ == 0 ? 1 : 0;
    };
    picture.custom_ptr = this;
    const bool imported = WebPPictureImportBGR(&picture, picture_.data(), width_ * 3) != 0;
    std::vector<std::uint8_t>().swap(picture_);
    const bool encoded = imported && WebPEncode(&config, &picture) != 0;
    const WebPEncodingError error = picture.error_code;
    WebPPictureFree(&picture);
    if (writeError_ != 0) return eveda::Unexpected(EncodeError{std::strerror(writeError_)});
    if (!encoded) {
      return eveda::Unexpected(EncodeError{error == VP8_ENC_ERROR_OUT_OF_MEMORY
                                               ? "no memory to encode the WebP image"
                                               : "libwebp could not encode the image"});
    }
    return {};
  }

 private:
  int fd_;
  std::int32_t width_, height_;
  WebpOptions options_;
  std::vector<std::uint8_t> picture_;
  std::int32_t rowsHeld_ = 0;
  int writeError_ = 0;
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
