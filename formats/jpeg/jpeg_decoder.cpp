// libjpeg reports errors through a callback that must not return; it jumps back here with
// longjmp. Only C frames of the library lie between the jump and its target, and every object
// of this function with a destructor is created before setjmp, so nothing is skipped.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
// jpeglib.h needs <cstdio> first; jerror.h needs jpeglib.h.
#include <jerror.h>

#include <algorithm>
#include <string>

#include "formats/jpeg/jpeg.h"

namespace formats {
namespace {

using Kind = bmp_loader::DecodeError;
using eveda::Result;
using eveda::Unexpected;

// A progressive file may hold any number of scans, each re-reading the whole coefficient
// buffer: a few kilobytes can keep a decoder busy for minutes. Real encoders write about ten.
constexpr int kMaxScans = 256;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  Kind kind = Kind::Damaged;
  char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void JumpBack(j_common_ptr cinfo, Kind kind) {
  auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  manager->kind = kind;
  (*cinfo->err->format_message)(cinfo, manager->message);
  std::longjmp(manager->jump, 1);
}

[[noreturn]] void OnError(j_common_ptr cinfo) {
  const int code = cinfo->err->msg_code;
  JumpBack(cinfo, code == JERR_OUT_OF_MEMORY ? Kind::OutOfMemory : Kind::Damaged);
}

// Warnings pass, except the end of the data: the library would fill the rest with grey and
// call it a picture.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) JumpBack(cinfo, Kind::Damaged);
}

struct ScanLimit {
  jpeg_progress_mgr pub;
};
void OnProgress(j_common_ptr cinfo) {
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > kMaxScans) {
    cinfo->err->msg_code = JERR_NOTIMPL;  // replaced by our own words below
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    manager->kind = Kind::Unsupported;
    std::snprintf(manager->message, sizeof manager->message, "more than %d progressive scans",
                  kMaxScans);
    std::longjmp(manager->jump, 1);
  }
}

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
// before the output is allocated. Arithmetic coding has no such floor; the pixel limit holds.
bool TooShortForItsBlocks(const jpeg_decompress_struct& cinfo, std::size_t fileBytes) {
  if (cinfo.arith_code) return false;
  std::uint64_t fewest = ~std::uint64_t{0};
  for (int i = 0; i < cinfo.num_components; ++i) {
    const jpeg_component_info& c = cinfo.comp_info[i];
    fewest = std::min(fewest, std::uint64_t{c.width_in_blocks} * c.height_in_blocks);
  }
  return fewest / 8 > fileBytes;
}

}  // namespace

Result<void, SourceError> DecodeJpeg(std::span<const std::uint8_t> file, DecodedImage& out,
                                     const DecodeLimits& limits) {
  jpeg_decompress_struct cinfo{};
  ErrorManager errors;
  ScanLimit progress{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = OnError;
  errors.pub.emit_message = OnMessage;
  progress.pub.progress_monitor = OnProgress;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return Unexpected{SourceError{errors.kind, errors.message}};
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &progress.pub;
  // The library's own allocations (coefficient buffers of progressive files) stay within
  // what the pixel limit allows the output.
  cinfo.mem->max_memory_to_use = static_cast<long>(limits.maxPixels * 8);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  const std::uint64_t pixels = std::uint64_t{cinfo.image_width} * cinfo.image_height;
  if (pixels > limits.maxPixels) {
    jpeg_destroy_decompress(&cinfo);
    return Unexpected{SourceError{Kind::TooLarge, "the image has more pixels than the limit"}};
  }
  if (TooShortForItsBlocks(cinfo, file.size())) {
    jpeg_destroy_decompress(&cinfo);
    return Unexpected{
        SourceError{Kind::Damaged, "the file is too short for the image it declares"}};
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  const std::uint64_t rowBytes = std::uint64_t{cinfo.output_width} * 4;
  if (!ResizeBgr(out, cinfo.output_width, cinfo.output_height) ||
      (cmyk && !Resize(out.scratch, rowBytes))) {
    jpeg_destroy_decompress(&cinfo);
    return Unexpected{SourceError{Kind::OutOfMemory, "out of memory"}};
  }
  const bool inverted = cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    std::uint8_t* dst = out.pixels.data() + std::size_t{cinfo.output_scanline} * out.stride;
    JSAMPROW row = cmyk ? out.scratch.data() : dst;
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (cmyk) CmykRowToBgr(out.scratch.data(), out.width, inverted, dst);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return {};
}

}  // namespace formats
