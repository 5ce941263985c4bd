#include "dsmod/png_output.h"

#include <memory>
#include <utility>

#include "platform/image_codecs/png_encoder.h"
#include "platform/stop_signals/stop_signals.h"

namespace DSMod {
namespace {

eveda::Unexpected<SaveError> WriteFailure(const eveda::codecs::CodecError& error) {
  return eveda::Unexpected{SaveError{SaveError::Kind::CannotWrite, error.reason}};
}

class PngImageEncoder : public ImageEncoder {
 public:
  eveda::Result<void, SaveError> Begin(int fd, std::int32_t width, std::int32_t height, int level) {
    // The compressing threads start here: with the stop signals held they never receive one,
    // so the handler always runs where it can see the save's temporary file.
    const stop_signals::Held held;
    auto begun = png_.Begin(fd, static_cast<std::uint32_t>(width),
                            static_cast<std::uint32_t>(height), level);
    if (!begun) return WriteFailure(begun.error());
    return {};
  }

  eveda::Result<void, SaveError> WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                                           std::int32_t rows) override {
    auto written = png_.WriteRows(topRow, stride, static_cast<std::uint32_t>(rows));
    if (!written) return WriteFailure(written.error());
    return {};
  }

  eveda::Result<void, SaveError> Finish() override {
    auto finished = png_.Finish();
    if (!finished) return WriteFailure(finished.error());
    return {};
  }

 private:
  eveda::codecs::PngEncoder png_;
};

}  // namespace

EncoderFactory PngEncoderFactory(int level) {
  return [level](int fd, std::int32_t width,
                 std::int32_t height) -> eveda::Result<std::unique_ptr<ImageEncoder>, SaveError> {
    auto encoder = std::make_unique<PngImageEncoder>();
    if (auto begun = encoder->Begin(fd, width, height, level); !begun)
      return eveda::Unexpected{begun.error()};
    return std::unique_ptr<ImageEncoder>(std::move(encoder));
  };
}

}  // namespace DSMod
