// BMP in the reader's table: the loader's own header plan and row source, so that every reader
// of a BMP, the window's included, decodes it the one way.

#include "formats/input_format.h"
#include "platform/bmp_loader/bmp_decoder.h"

namespace formats {
namespace {

using bmp_loader::DecodeError;

bool Sniff(std::span<const std::uint8_t> head) {
  return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

// Sizes count only when the loader itself would accept the file: its header checks pass and,
// for uncompressed rows, the file is long enough for them.
eveda::Result<ProbedImage, SourceError> Probe(const ByteInput& file,
                                              std::span<const std::uint8_t> head) {
  if (file.Size() < 2 || !Sniff(head)) return eveda::Unexpected{SourceError{DecodeError::NotBmp}};
  if (file.Size() > bmp_loader::kMaxFileBytes)
    return eveda::Unexpected{SourceError{DecodeError::TooLarge}};
  const auto plan = bmp_loader::PlanDecode(head, file.Size());
  if (!plan) return eveda::Unexpected{SourceError{plan.error()}};
  return ProbedImage{static_cast<std::uint32_t>(plan->layout.width),
                     static_cast<std::uint32_t>(plan->layout.height)};
}

eveda::Result<bmp_loader::RowSource, SourceError> Open(const OpeningSource& source) {
  auto opened = source.file
                    ? bmp_loader::RowSource::FromFile(std::move(*source.file), source.head,
                                                      *source.own, *source.scratch)
                    : bmp_loader::RowSource::FromMemory(source.head, *source.own, *source.scratch);
  if (!opened) return eveda::Unexpected{SourceError{opened.error()}};
  return std::move(*opened);
}

}  // namespace

const InputFormat kBmpFormat{"BMP", Sniff, Probe, Open};

}  // namespace formats
