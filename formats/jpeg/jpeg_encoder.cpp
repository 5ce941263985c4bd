#include "formats/jpeg/jpeg_encoder.h"

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs FILE declared first.
#include <jpeglib.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "formats/fd_writes.h"

namespace formats {

namespace {

constexpr std::size_t kOutputBufferBytes = std::size_t{1} << 16;
// Into memory, where many encoders are open at once, a small buffer each.
constexpr std::size_t kMemoryBufferBytes = std::size_t{1} << 12;
constexpr int kFullChromaQuality = 90;

// libjpeg reports a failure by calling error_exit, which must not return: it jumps back to the
// call that started the work. Only plain data lives between the jump and its target.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf back;
  char words[JMSG_LENGTH_MAX];
};

// The compressed bytes go to the descriptor (or the memory) a buffer at a time; the first failed
// write is kept and later output dropped, so libjpeg never has to hear of it.
struct Destination {
  jpeg_destination_mgr base;
  int fd;
  std::vector<std::uint8_t>* memory;
  std::vector<JOCTET> buffer;
  std::string writeError;

  void Flush(std::size_t size) {
    if (writeError.empty() && size > 0 && memory != nullptr) {
      try {
        memory->insert(memory->end(), buffer.data(), buffer.data() + size);
      } catch (const std::bad_alloc&) {
        writeError = "out of memory";
      }
    } else if (writeError.empty() && size > 0) {
      if (const int error = WriteAll(fd, {buffer.data(), size})) writeError = std::strerror(error);
    }
    base.next_output_byte = buffer.data();
    base.free_in_buffer = buffer.size();
  }
};

Destination& DestinationOf(j_compress_ptr cinfo) {
  return *static_cast<Destination*>(cinfo->client_data);
}

class JpegEncoder final : public ImageEncoder {
 public:
  JpegEncoder(int fd, std::vector<std::uint8_t>* memory, std::int32_t width) : width_(width) {
    cinfo_.err = jpeg_std_error(&errors_.base);
    errors_.base.error_exit = [](j_common_ptr cinfo) {
      auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
      cinfo->err->format_message(cinfo, errors->words);
      std::longjmp(errors->back, 1);
    };
    errors_.base.output_message = [](j_common_ptr) {};
    destination_.fd = fd;
    destination_.memory = memory;
    destination_.buffer.resize(memory != nullptr ? kMemoryBufferBytes : kOutputBufferBytes);
    destination_.base.init_destination = [](j_compress_ptr cinfo) {
      DestinationOf(cinfo).Flush(0);
    };
    destination_.base.empty_output_buffer = [](j_compress_ptr cinfo) -> boolean {
      Destination& d = DestinationOf(cinfo);
      d.Flush(d.buffer.size());
      return TRUE;
    };
    destination_.base.term_destination = [](j_compress_ptr cinfo) {
      Destination& d = DestinationOf(cinfo);
      d.Flush(d.buffer.size() - d.base.free_in_buffer);
    };
  }
  ~JpegEncoder() override {
    if (created_) jpeg_destroy_compress(&cinfo_);
  }

  eveda::Result<void, EncodeError> Start(std::int32_t height, const JpegOptions& options) {
    if (setjmp(errors_.back)) return Failed();
    jpeg_create_compress(&cinfo_);
    created_ = true;
    cinfo_.client_data = &destination_;
    cinfo_.dest = &destination_.base;
    cinfo_.image_width = JDIMENSION(width_);
    cinfo_.image_height = JDIMENSION(height);
    cinfo_.input_components = 3;
    cinfo_.in_color_space = JCS_EXT_BGR;  // the rows as they come
    jpeg_set_defaults(&cinfo_);
    jpeg_set_quality(&cinfo_, options.quality, TRUE);
    const bool whole = options.chroma == ChromaSampling::ByQuality
                           ? options.quality >= kFullChromaQuality
                           : options.chroma == ChromaSampling::Whole;
    const int chromaSampling = whole ? 1 : 2;
    cinfo_.comp_info[0].h_samp_factor = cinfo_.comp_info[0].v_samp_factor = chromaSampling;
    cinfo_.comp_info[1].h_samp_factor = cinfo_.comp_info[1].v_samp_factor = 1;
    cinfo_.comp_info[2].h_samp_factor = cinfo_.comp_info[2].v_samp_factor = 1;
    jpeg_start_compress(&cinfo_, TRUE);
    return WriteFailure();
  }

  eveda::Result<void, EncodeError> WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                                             std::int32_t rows) override {
    if (rows < 0 || JDIMENSION(rows) > cinfo_.image_height - cinfo_.next_scanline) {
      return eveda::Unexpected(EncodeError{"more rows than the image has"});
    }
    rowPointers_.resize(std::size_t(rows));
    for (std::int32_t k = 0; k < rows; ++k) {
      rowPointers_[std::size_t(k)] = const_cast<JSAMPROW>(topRow + k * stride);  // only read
    }
    if (setjmp(errors_.back)) return Failed();
    JDIMENSION done = 0;
    while (done < JDIMENSION(rows)) {
      done += jpeg_write_scanlines(&cinfo_, rowPointers_.data() + done, JDIMENSION(rows) - done);
    }
    return WriteFailure();
  }

  eveda::Result<void, EncodeError> Finish() override {
    if (cinfo_.next_scanline != cinfo_.image_height) {
      return eveda::Unexpected(EncodeError{"fewer rows than the image has"});
    }
    if (setjmp(errors_.back)) return Failed();
    jpeg_finish_compress(&cinfo_);
    return WriteFailure();
  }

 private:
  eveda::Result<void, EncodeError> Failed() {
    return eveda::Unexpected(EncodeError{errors_.words});
  }
  eveda::Result<void, EncodeError> WriteFailure() {
    if (destination_.writeError.empty()) return {};
    return eveda::Unexpected(EncodeError{destination_.writeError});
  }

  std::int32_t width_;
  jpeg_compress_struct cinfo_{};
  ErrorManager errors_{};
  Destination destination_{};
  bool created_ = false;
  std::vector<JSAMPROW> rowPointers_;
};

eveda::Result<std::unique_ptr<ImageEncoder>, EncodeError> MakeJpegEncoder(
    int fd, std::vector<std::uint8_t>* memory, std::int32_t width, std::int32_t height,
    const JpegOptions& options) {
  if (width < 1 || height < 1 || !JpegFitsSize(std::uint32_t(width), std::uint32_t(height))) {
    return eveda::Unexpected(EncodeError{"JPEG allows at most 65535 pixels a side"});
  }
  if (options.quality < 1 || options.quality > 100) {
    return eveda::Unexpected(EncodeError{"JPEG quality must be 1 to 100"});
  }
  auto encoder = std::make_unique<JpegEncoder>(fd, memory, width);
  EVEDA_TRY(started, encoder->Start(height, options));
  return std::unique_ptr<ImageEncoder>(std::move(encoder));
}

}  // namespace

EncoderFactory MakeJpegEncoderFactory(JpegOptions options) {
  return [options](int fd, std::int32_t width, std::int32_t height) {
    return MakeJpegEncoder(fd, nullptr, width, height, options);
  };
}

eveda::Result<std::unique_ptr<ImageEncoder>, EncodeError> MakeJpegEncoderInto(
    std::vector<std::uint8_t>& out, std::int32_t width, std::int32_t height,
    const JpegOptions& options) {
  return MakeJpegEncoder(-1, &out, width, height, options);
}

}  // namespace formats
