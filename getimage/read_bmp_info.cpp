#include "getimage/getimage.h"
#include "getimage/hidden_name.h"
#include "platform/bmp_loader/bmp_decoder.h"
#include "platform/bmp_loader/source_file.h"

namespace GetImage {
namespace {

using bmp_loader::SourceFile;

bool StartsWithSignature(std::span<const std::uint8_t> head) {
  return head.size() >= 2 && head[0] == 0x42 && head[1] == 0x4D;  // "BM"
}

// The sizes count only when the loader itself would accept the file: its header checks pass
// and, for uncompressed rows, the file is long enough for them. Anything else keeps its cell
// in the background and must not size every cell of the job.
BMPInfo BmpInfoOf(const SourceFile& file) {
  if (file.size() < 2) return {};
  SourceFile::HeadBuffer buffer;
  const auto head = file.ReadHead(buffer);
  if (!head || !StartsWithSignature(*head)) return {};
  BMPInfo info;
  info.IsBMP = 1;
  if (file.size() > bmp_loader::kMaxFileBytes) return info;
  const auto plan = bmp_loader::PlanDecode(*head, file.size());
  if (!plan) return info;
  info.Width = plan->layout.width;
  info.Height = plan->layout.height;
  info.BitCount = plan->sourceBitCount;
  return info;
}

}  // namespace

// One open that never waits, one read of the headers.
BMPInfo ReadBMPInfo(std::string FilePath) {
  if (detail::IsHiddenName(FilePath)) return {};
  const auto file = SourceFile::Open(FilePath.c_str());
  return file ? BmpInfoOf(*file) : BMPInfo{};
}

}  // namespace GetImage
