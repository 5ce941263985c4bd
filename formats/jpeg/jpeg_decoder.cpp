// libjpeg reports errors through a callback that must not return; it jumps back with longjmp
// to the entry point of the stream that called the library. Only C frames of the library and
// our own callbacks, which hold nothing with a destructor when they jump, lie between the jump
// and its target, and the entry points create nothing with a destructor after setjmp.

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
// jpeglib.h needs <cstdio> first; jerror.h needs jpeglib.h.
#include <jerror.h>

#include <algorithm>
#include <optional>
#include <string>

#include "formats/exif_orientation.h"
#include "formats/frame_stream.h"
#include "formats/jpeg/jpeg.h"
#include "formats/stream_source.h"
#include "formats/whole_input.h"

namespace formats {
namespace {

using Kind = bmp_loader::DecodeError;
using eveda::Result;
using eveda::Unexpected;

// A progressive file may hold any number of scans, each re-reading the whole coefficient
// buffer: a few kilobytes can keep a decoder busy for minutes. Real encoders write about ten.
constexpr int kMaxScans = 256;
// Every scan visits each block of its components. A picture small enough to need no bytes
// (kSmallPixels) needs fewer visits than this floor even in dozens of scans, and a larger one,
// which needs a byte of file for every few thousand pixels, fewer than this many per byte; a
// file whose scans ask for more is refused before the scan that would pass the budget runs.
constexpr std::uint64_t kScanVisitsFloor = std::uint64_t{1} << 22;
constexpr std::uint64_t kScanVisitsPerFileByte = 1024;
// The file is read in chunks of this size, whatever its length.
constexpr std::size_t kInputChunkBytes = std::size_t{64} << 10;
// libjpeg's own state besides its row buffers and coefficients: tables, the entropy decoder.
constexpr std::size_t kDecoderStateBytes = std::size_t{32} << 10;

// CMYK as Adobe writes it is stored inverted (0 is full ink); without the Adobe marker the
// plain convention holds.
void CmykRowToBgr(const std::uint8_t* cmyk, std::uint32_t width, bool inverted, std::uint8_t* bgr) {
  for (std::uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
    bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
  }
}

// Huffman coding spends at least one bit on every block of every component in its first scan,
// so a file shorter than an eighth of a component's block count cannot hold the image: refused
// before the output is allocated. Arithmetic coding has no such floor; the pixels a byte can
// plausibly hold bound it instead.
bool TooShortForItsBlocks(const jpeg_decompress_struct& cinfo, std::uint64_t fileBytes) {
  if (cinfo.arith_code) return false;
  std::uint64_t fewest = ~std::uint64_t{0};
  for (int i = 0; i < cinfo.num_components; ++i) {
    const jpeg_component_info& c = cinfo.comp_info[i];
    fewest = std::min(fewest, std::uint64_t{c.width_in_blocks} * c.height_in_blocks);
  }
  return fewest / 8 > fileBytes;
}

// A file of several scans holds every block's coefficients (128 bytes a block) until its last
// scan. Beyond this much memory it must carry a byte for every 8 blocks, as Huffman coding's first
// scan does, so that a short arithmetic-coded file cannot claim hundreds of megabytes.
constexpr std::uint64_t kFreeCoefficientBytes = std::uint64_t{64} << 20;
bool TooShortForItsCoefficients(const jpeg_decompress_struct& cinfo, std::uint64_t fileBytes) {
  std::uint64_t blocks = 0;
  for (int i = 0; i < cinfo.num_components; ++i)
    blocks +=
        std::uint64_t{cinfo.comp_info[i].width_in_blocks} * cinfo.comp_info[i].height_in_blocks;
  return blocks * sizeof(JBLOCK) > kFreeCoefficientBytes && blocks / 8 > fileBytes;
}

// The smallest DCT scale, in eighths, whose rows are still no smaller than the hints ask.
void ChooseScale(jpeg_decompress_struct& cinfo, const OpenHints& hints) {
  if (hints.minWidth == 0 && hints.minHeight == 0) return;
  for (unsigned eighths = 1; eighths <= 8; ++eighths) {
    cinfo.scale_num = eighths;
    cinfo.scale_denom = 8;
    jpeg_calc_output_dimensions(&cinfo);
    if (cinfo.output_width >= hints.minWidth && cinfo.output_height >= hints.minHeight) return;
  }
}

Orientation SavedOrientation(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 &&
        std::memcmp(m->data, "Exif\0\0", 6) == 0)
      return ExifOrientation({m->data + 6, m->data_length - 6});
  }
  return 1;
}

class JpegStream final : public RowStream {
 public:
  explicit JpegStream(std::unique_ptr<ByteInput> input) : input_(std::move(input)) {}
  ~JpegStream() override {
    if (created_) jpeg_destroy_decompress(&cinfo_);
  }
  JpegStream(const JpegStream&) = delete;
  JpegStream& operator=(const JpegStream&) = delete;

  Result<void, SourceError> Open(const OpenHints& hints, const DecodeLimits& limits);
  const StreamInfo& Info() const override { return info_; }
  Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                 std::uint32_t count) override;
  std::size_t BytesHeld() const override { return held_; }
  Result<void, SourceError> Skip(std::uint32_t count) override;

 private:
  void FinishAtLastRow();
  static JpegStream& Of(j_common_ptr cinfo) {
    return *static_cast<JpegStream*>(cinfo->client_data);
  }
  [[noreturn]] void Stop(Kind kind, const char* words) {
    error_ = SourceError{kind, words};
    std::longjmp(jump_, 1);
  }
  [[noreturn]] static void OnError(j_common_ptr cinfo);
  static void OnMessage(j_common_ptr cinfo, int level);
  static void OnProgress(j_common_ptr cinfo);
  static void InitSource(j_decompress_ptr) {}
  static boolean FillInput(j_decompress_ptr cinfo);
  static void SkipInput(j_decompress_ptr cinfo, long count);
  static void TermSource(j_decompress_ptr) {}
  std::size_t ReadChunk();
  void CountScanVisits();
  Result<void, SourceError> Refused(Kind kind, const char* words);
  void Describe();
  std::size_t EstimateHeld() const;

  std::unique_ptr<ByteInput> input_;
  jpeg_decompress_struct cinfo_{};
  jpeg_error_mgr errors_{};
  jpeg_source_mgr source_{};
  jpeg_progress_mgr progress_{};
  std::jmp_buf jump_{};
  std::optional<SourceError> error_;  // once set, the stream is spent
  bool created_ = false;
  std::vector<std::uint8_t> chunk_;
  std::uint64_t nextOffset_ = 0;  // of the byte after the chunk at hand
  std::vector<std::uint8_t> cmykRow_;
  bool cmyk_ = false;
  int countedScans_ = 0;
  std::uint64_t scanVisits_ = 0;
  std::uint64_t scanVisitsBudget_ = 0;
  std::size_t held_ = 0;
  StreamInfo info_;
};

void JpegStream::OnError(j_common_ptr cinfo) {
  const int code = cinfo->err->msg_code;
  if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE)
    Of(cinfo).Stop(Kind::OutOfMemory, "out of memory");
  char words[JMSG_LENGTH_MAX] = {};
  (*cinfo->err->format_message)(cinfo, words);
  Of(cinfo).Stop(Kind::Damaged, words);
}

// Warnings pass, except the end of the file, and Huffman data that ends while blocks still need
// bits (every block takes at least one): the library would fill the rest with grey and call it a
// picture.
void JpegStream::OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  if (cinfo->err->msg_code == JWRN_HIT_MARKER)
    Of(cinfo).Stop(Kind::Damaged, "the image data ends before its last rows");
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) {
    char words[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, words);
    Of(cinfo).Stop(Kind::Damaged, words);
  }
}

// Called before each row of blocks is decoded, in every scan. Arithmetic-coded data that ends
// early cannot be told here: its encoder drops the zero bytes its data ends with, so a picture
// of one colour or a blank page's lower half is coded in next to nothing and decoded from the
// zeros that follow its last byte. What such a file can cost is bounded by its length instead.
void JpegStream::OnProgress(j_common_ptr common) {
  auto& self = Of(common);
  const auto& cinfo = *reinterpret_cast<j_decompress_ptr>(common);
  if (cinfo.input_scan_number > kMaxScans)
    self.Stop(Kind::Unsupported, "more than 256 progressive scans");
  if (cinfo.input_scan_number != self.countedScans_) self.CountScanVisits();
}

void JpegStream::CountScanVisits() {
  countedScans_ = cinfo_.input_scan_number;
  for (int i = 0; i < cinfo_.comps_in_scan; ++i) {
    const jpeg_component_info& c = *cinfo_.cur_comp_info[i];
    scanVisits_ += std::uint64_t{c.width_in_blocks} * c.height_in_blocks;
  }
  if (scanVisits_ > scanVisitsBudget_)
    Stop(Kind::Damaged, "more scans than the file's length can carry");
}

// The next chunk of the file; 0 at its end, or where it cannot be read (error_ then says why).
std::size_t JpegStream::ReadChunk() {
  const auto got = input_->ReadAt(nextOffset_, chunk_);
  if (!got) {
    error_ = got.error();
    return 0;
  }
  nextOffset_ += *got;
  return *got;
}

boolean JpegStream::FillInput(j_decompress_ptr cinfo) {
  auto& self = Of(reinterpret_cast<j_common_ptr>(cinfo));
  const std::size_t got = self.ReadChunk();
  if (self.error_) std::longjmp(self.jump_, 1);
  if (got == 0) WARNMS(cinfo, JWRN_JPEG_EOF);  // does not come back
  cinfo->src->next_input_byte = self.chunk_.data();
  cinfo->src->bytes_in_buffer = got;
  return TRUE;
}

void JpegStream::SkipInput(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr& source = *cinfo->src;
  if (static_cast<std::size_t>(count) <= source.bytes_in_buffer) {
    source.next_input_byte += count;
    source.bytes_in_buffer -= static_cast<std::size_t>(count);
    return;
  }
  auto& self = Of(reinterpret_cast<j_common_ptr>(cinfo));
  self.nextOffset_ += static_cast<std::uint64_t>(count) - source.bytes_in_buffer;
  source.bytes_in_buffer = 0;
}

Result<void, SourceError> JpegStream::Refused(Kind kind, const char* words) {
  error_ = SourceError{kind, words};
  return Unexpected{*error_};
}

// The orientation and the profile, from the markers saved while the header was read.
void JpegStream::Describe() {
  info_.orientation = SavedOrientation(cinfo_);
  JOCTET* icc = nullptr;
  unsigned int iccBytes = 0;
  if (jpeg_read_icc_profile(&cinfo_, &icc, &iccBytes)) {
    info_.iccProfile.assign(icc, icc + iccBytes);
    std::free(icc);
  }
}

// The row buffers of the upsampler and the colour converter, the whole coefficient buffer of
// a file of several scans, the chunk of input and the decoder's own state.
std::size_t JpegStream::EstimateHeld() const {
  std::uint64_t bytes = kDecoderStateBytes + chunk_.capacity() + cmykRow_.capacity() +
                        std::uint64_t{cinfo_.output_width} * cinfo_.out_color_components *
                            cinfo_.max_v_samp_factor * DCTSIZE * 3;
  if (jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&cinfo_))) {
    for (int i = 0; i < cinfo_.num_components; ++i) {
      const jpeg_component_info& c = cinfo_.comp_info[i];
      bytes += std::uint64_t{c.width_in_blocks + c.h_samp_factor} *
               (c.height_in_blocks + c.v_samp_factor) * sizeof(JBLOCK);
    }
  }
  return static_cast<std::size_t>(bytes);
}

Result<void, SourceError> JpegStream::Open(const OpenHints& hints, const DecodeLimits& limits) {
  if (!Resize(chunk_, kInputChunkBytes)) return Refused(Kind::OutOfMemory, "out of memory");
  const std::uint64_t fileBytes = input_->Size();
  scanVisitsBudget_ = std::max(kScanVisitsFloor, kScanVisitsPerFileByte * fileBytes);
  cinfo_.err = jpeg_std_error(&errors_);
  errors_.error_exit = OnError;
  errors_.emit_message = OnMessage;
  progress_.progress_monitor = OnProgress;
  source_.init_source = InitSource;
  source_.fill_input_buffer = FillInput;
  source_.skip_input_data = SkipInput;
  source_.resync_to_restart = jpeg_resync_to_restart;
  source_.term_source = TermSource;
  if (setjmp(jump_) != 0) return Unexpected{*error_};
  jpeg_create_decompress(&cinfo_);
  created_ = true;
  cinfo_.client_data = this;
  cinfo_.progress = &progress_;
  cinfo_.src = &source_;
  // The library's own allocations (coefficient buffers of progressive files) stay within
  // what the pixel limit allows the output.
  cinfo_.mem->max_memory_to_use = static_cast<long>(limits.maxPixels * 8);
  jpeg_save_markers(&cinfo_, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&cinfo_, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(&cinfo_, TRUE);
  if (std::uint64_t{cinfo_.image_width} * cinfo_.image_height > limits.maxPixels)
    return Refused(Kind::TooLarge, "the image has more pixels than the limit");
  if (TooShortForItsBlocks(cinfo_, fileBytes))
    return Refused(Kind::Damaged, "the file is too short for the image it declares");
  if (auto plausible = CheckDeclaredSize(cinfo_.image_width, cinfo_.image_height, fileBytes);
      !plausible)
    return Refused(plausible.error().reason, "more pixels than the file's bytes could hold");
  if (jpeg_has_multiple_scans(&cinfo_) && TooShortForItsCoefficients(cinfo_, fileBytes))
    return Refused(Kind::TooLarge, "more coefficients than the file's bytes could hold");
  Describe();
  cmyk_ = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
  cinfo_.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGR;
  ChooseScale(cinfo_, hints);
  jpeg_calc_output_dimensions(&cinfo_);
  info_.width = cinfo_.output_width;
  info_.height = cinfo_.output_height;
  info_.storedWidth = cinfo_.image_width;
  info_.storedHeight = cinfo_.image_height;
  if (cmyk_ && !Resize(cmykRow_, std::uint64_t{info_.width} * 4))
    return Refused(Kind::OutOfMemory, "out of memory");
  // A file of several scans is read whole into the coefficient buffer here.
  jpeg_start_decompress(&cinfo_);
  held_ = EstimateHeld();
  return {};
}

Result<void, SourceError> JpegStream::Read(std::uint8_t* out, std::ptrdiff_t stride,
                                           std::uint32_t count) {
  if (error_) return Unexpected{*error_};
  if (count > info_.height - cinfo_.output_scanline) return PastLastRow();
  if (setjmp(jump_) != 0) return Unexpected{*error_};
  for (std::uint32_t k = 0; k < count; ++k) {
    std::uint8_t* row = out + k * stride;
    JSAMPROW sample = cmyk_ ? cmykRow_.data() : row;
    jpeg_read_scanlines(&cinfo_, &sample, 1);
    if (cmyk_) CmykRowToBgr(cmykRow_.data(), info_.width, cinfo_.saw_Adobe_marker, row);
  }
  FinishAtLastRow();
  return {};
}

// The rows a cover fit crops off the top: their data is still decoded (or, from a file of
// several scans, already was), but not their inverse DCT, upsampling and colour.
Result<void, SourceError> JpegStream::Skip(std::uint32_t count) {
  if (error_) return Unexpected{*error_};
  if (count > info_.height - cinfo_.output_scanline) return PastLastRow();
  if (setjmp(jump_) != 0) return Unexpected{*error_};
  while (count > 0) {
    const JDIMENSION skipped = jpeg_skip_scanlines(&cinfo_, count);
    if (skipped == 0) return PastLastRow();
    count -= skipped;
  }
  FinishAtLastRow();
  return {};
}

void JpegStream::FinishAtLastRow() {
  if (cinfo_.output_scanline != info_.height) return;
  jpeg_finish_decompress(&cinfo_);
  held_ = chunk_.capacity();
}

}  // namespace

Result<std::unique_ptr<RowStream>, SourceError> OpenJpegStream(std::unique_ptr<ByteInput> input,
                                                               const OpenHints& hints,
                                                               const DecodeLimits& limits) {
  auto stream = std::make_unique<JpegStream>(std::move(input));
  EVEDA_TRY(opened, stream->Open(hints, limits));
  return std::unique_ptr<RowStream>(std::move(stream));
}

Result<void, SourceError> DecodeJpeg(std::span<const std::uint8_t> file, DecodedImage& out,
                                     const DecodeLimits& limits) {
  EVEDA_TRY(stream, OpenJpegStream(std::make_unique<MemoryInput>(file), {}, limits));
  return DecodeStreamWhole(**stream, 0, out);
}

}  // namespace formats
