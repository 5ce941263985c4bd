#include "formats/heif/heif_decoder.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "formats/frame_stream.h"
#include "formats/whole_input.h"

namespace formats {

namespace {

using bmp_loader::DecodeError;

// libheif's reader over the ByteInput; it must outlive the context.
struct HeifInput {
  const ByteInput* input = nullptr;
  std::int64_t position = 0;
};

HeifInput& InputOf(void* user) { return *static_cast<HeifInput*>(user); }

const heif_reader kReader = {
    1,
    [](void* user) -> std::int64_t { return InputOf(user).position; },
    [](void* data, size_t size, void* user) -> int {
      HeifInput& in = InputOf(user);
      auto got = in.input->ReadAt(std::uint64_t(in.position),
                                  std::span(static_cast<std::uint8_t*>(data), size));
      if (!got || *got != size) return 1;  // libheif asks only for bytes it knows are there
      in.position += std::int64_t(size);
      return 0;
    },
    [](std::int64_t position, void* user) -> int {
      HeifInput& in = InputOf(user);
      if (position < 0 || std::uint64_t(position) > in.input->Size()) return 1;
      in.position = position;
      return 0;
    },
    [](std::int64_t target, void* user) -> heif_reader_grow_status {
      return std::uint64_t(target) <= InputOf(user).input->Size()
                 ? heif_reader_grow_status_size_reached
                 : heif_reader_grow_status_size_beyond_eof;
    },
};

// Some of libheif's messages end in a newline, which would break the one line a reason is told in.
std::string WordsOf(const heif_error& error, const char* otherwise) {
  std::string words = error.message && *error.message ? error.message : otherwise;
  while (!words.empty() && std::isspace(static_cast<unsigned char>(words.back()))) words.pop_back();
  return words;
}

eveda::Unexpected<SourceError> HeifError(const heif_error& error) {
  // libheif refuses sizes beyond its own limits as a failure to allocate.
  if (error.subcode == heif_suberror_Security_limit_exceeded) {
    return eveda::Unexpected(SourceError(DecodeError::TooLarge, WordsOf(error, "")));
  }
  if (error.code == heif_error_Memory_allocation_error) {
    return eveda::Unexpected(SourceError(DecodeError::OutOfMemory));
  }
  return eveda::Unexpected(
      SourceError(DecodeError::Unreadable, WordsOf(error, "damaged HEIF data")));
}

struct Opened {
  std::unique_ptr<HeifInput> input;
  std::unique_ptr<heif_context, decltype(&heif_context_free)> context{nullptr, heif_context_free};
  std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> primary{
      nullptr, heif_image_handle_release};
};

eveda::Result<Opened, SourceError> OpenPrimary(const ByteInput& input) {
  Opened opened;
  opened.input = std::make_unique<HeifInput>(HeifInput{&input});
  opened.context.reset(heif_context_alloc());
  if (!opened.context) return eveda::Unexpected(SourceError(DecodeError::OutOfMemory));
  heif_error error =
      heif_context_read_from_reader(opened.context.get(), &kReader, opened.input.get(), nullptr);
  if (error.code != heif_error_Ok) return HeifError(error);
  heif_image_handle* primary = nullptr;
  error = heif_context_get_primary_image_handle(opened.context.get(), &primary);
  if (error.code != heif_error_Ok) return HeifError(error);
  opened.primary.reset(primary);
  return opened;
}

class HeifStream final : public RowStream {
 public:
  HeifStream(StreamInfo info, Opened opened, heif_image* image)
      : info_(std::move(info)), opened_(std::move(opened)), image_(image, heif_image_release) {
    plane_ = heif_image_get_plane_readonly(image, heif_channel_interleaved, &planeStride_);
  }
  const StreamInfo& Info() const override { return info_; }
  std::size_t BytesHeld() const override { return std::size_t(planeStride_) * info_.height; }

  eveda::Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                        std::uint32_t count) override {
    if (count > info_.height - nextRow_) return PastLastRow();
    const int channels = info_.pixels == Pixels::Bgra ? 4 : 3;
    for (std::uint32_t k = 0; k < count; ++k, ++nextRow_) {
      const std::uint8_t* from = plane_ + std::size_t(planeStride_) * nextRow_;
      std::uint8_t* to = out + k * stride;
      for (std::uint32_t x = 0; x < info_.width; ++x, from += channels, to += channels) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        if (channels == 4) to[3] = from[3];
      }
    }
    return {};
  }

 private:
  StreamInfo info_;
  Opened opened_;
  std::unique_ptr<heif_image, decltype(&heif_image_release)> image_;
  const std::uint8_t* plane_ = nullptr;
  int planeStride_ = 0;
  std::uint32_t nextRow_ = 0;
};

}  // namespace

bool SniffHeif(std::span<const std::uint8_t> head) {
  if (head.size() < 12 || std::memcmp(head.data() + 4, "ftyp", 4) != 0) return false;
  const heif_filetype_result kind = heif_check_filetype(head.data(), int(head.size()));
  return kind == heif_filetype_yes_supported || kind == heif_filetype_yes_unsupported;
}

eveda::Result<ProbedImage, SourceError> ProbeHeif(const ByteInput& input) {
  EVEDA_TRY(opened, OpenPrimary(input));
  return ProbedImage{std::uint32_t(heif_image_handle_get_width(opened->primary.get())),
                     std::uint32_t(heif_image_handle_get_height(opened->primary.get())), 1};
}

eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenHeif(const ByteInput& input,
                                                                const OpenHints&) {
  EVEDA_TRY(opened, OpenPrimary(input));
  heif_image_handle* primary = opened->primary.get();
  StreamInfo info;
  info.width = info.storedWidth = std::uint32_t(heif_image_handle_get_width(primary));
  info.height = info.storedHeight = std::uint32_t(heif_image_handle_get_height(primary));
  info.pixels = heif_image_handle_has_alpha_channel(primary) ? Pixels::Bgra : Pixels::Bgr;
  EVEDA_TRY(sizeOk, CheckDeclaredSize(info.width, info.height, input.Size()));
  if (heif_image_handle_get_color_profile_type(primary) != heif_color_profile_type_not_present &&
      heif_image_handle_get_color_profile_type(primary) != heif_color_profile_type_nclx) {
    info.iccProfile.resize(heif_image_handle_get_raw_color_profile_size(primary));
    if (heif_image_handle_get_raw_color_profile(primary, info.iccProfile.data()).code !=
        heif_error_Ok)
      info.iccProfile.clear();
  }
  // A grid or overlay makes a canvas of its own size, which the primary's header need not
  // declare: held to the declared sides (and what coding pads them to, up to AV1's 128-pixel
  // superblocks), so that 1 KB cannot make libheif fill gigabytes.
  const std::uint64_t side = std::max(info.width, info.height);
  heif_context_set_maximum_image_size_limit(
      opened->context.get(), int(std::min<std::uint64_t>(side + 129, INT32_MAX)));
  heif_image* image = nullptr;
  const heif_error error = heif_decode_image(
      primary, &image, heif_colorspace_RGB,
      info.pixels == Pixels::Bgra ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
      nullptr);
  if (error.code != heif_error_Ok) return HeifError(error);
  // The decoded picture must be the size the header promised the caller.
  if (std::uint32_t(heif_image_get_width(image, heif_channel_interleaved)) != info.width ||
      std::uint32_t(heif_image_get_height(image, heif_channel_interleaved)) != info.height ||
      heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) != 8) {
    heif_image_release(image);
    return eveda::Unexpected(
        SourceError(DecodeError::Unreadable, "decoded picture differs from its header"));
  }
  return std::unique_ptr<RowStream>(new HeifStream(std::move(info), std::move(*opened), image));
}

}  // namespace formats
