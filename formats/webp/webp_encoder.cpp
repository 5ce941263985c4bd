#include "formats/webp/webp_encoder.h"

#include <webp/encode.h>

#include <cstring>

#include "formats/fd_writes.h"

namespace formats {

namespace {

class WebpEncoder final : public ImageEncoder {
 public:
  WebpEncoder(int fd, WebpOptions options) : fd_(fd), options_(options) {}
  ~WebpEncoder() override { WebPPictureFree(&picture_); }
  WebpEncoder(const WebpEncoder&) = delete;
  WebpEncoder& operator=(const WebpEncoder&) = delete;

  // The picture is held as libwebp's own ARGB words from the start, so it is in memory once.
  eveda::Result<void, EncodeError> Allocate(std::int32_t width, std::int32_t height) {
    if (!WebPConfigInit(&config_) || !WebPPictureInit(&picture_))
      return eveda::Unexpected(EncodeError{"this libwebp is not the one eveda was built with"});
    config_.lossless = options_.lossless ? 1 : 0;
    config_.quality = options_.quality;
    picture_.use_argb = 1;
    picture_.width = width;
    picture_.height = height;
    if (!WebPPictureAlloc(&picture_))
      return eveda::Unexpected(EncodeError{"no memory for the whole picture"});
    picture_.writer = [](const std::uint8_t* data, std::size_t size, const WebPPicture* p) {
      auto* self = static_cast<WebpEncoder*>(p->custom_ptr);
      if (self->writeError_ == 0) self->writeError_ = WriteAll(self->fd_, {data, size});
      return self->writeError_ == 0 ? 1 : 0;
    };
    picture_.custom_ptr = this;
    return {};
  }

  eveda::Result<void, EncodeError> WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                                             std::int32_t rows) override {
    if (rows < 0 || rows > picture_.height - rowsHeld_)
      return eveda::Unexpected(EncodeError{"more rows than the image has"});
    for (std::int32_t k = 0; k < rows; ++k, ++rowsHeld_) {
      const std::uint8_t* bgr = topRow + k * stride;
      std::uint32_t* argb = picture_.argb + std::ptrdiff_t(rowsHeld_) * picture_.argb_stride;
      for (std::int32_t x = 0; x < picture_.width; ++x, bgr += 3) {
        argb[x] = 0xFF000000u | std::uint32_t{bgr[2]} << 16 | std::uint32_t{bgr[1]} << 8 | bgr[0];
      }
    }
    return {};
  }

  eveda::Result<void, EncodeError> Finish() override {
    if (rowsHeld_ != picture_.height)
      return eveda::Unexpected(EncodeError{"fewer rows than the image has"});
    const bool encoded = WebPEncode(&config_, &picture_) != 0;
    const WebPEncodingError error = picture_.error_code;
    WebPPictureFree(&picture_);
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
  WebpOptions options_;
  WebPConfig config_{};
  WebPPicture picture_{};
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
        auto encoder = std::make_unique<WebpEncoder>(fd, options);
        EVEDA_TRY(allocated, encoder->Allocate(width, height));
        return std::unique_ptr<ImageEncoder>(std::move(encoder));
      };
}

}  // namespace formats
