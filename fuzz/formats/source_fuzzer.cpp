// libFuzzer entry for one source format (EVEDA_FUZZ_FORMAT), read through the reader of every
// format as a job reads its sources: the header probe, the row stream to its last row, and the
// 24-bit rows the window-rule drawing takes. An input of another format is that format's
// fuzzer's to explore, so it is kept out of this corpus.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "formats/input_format.h"
#include "formats/source_reader.h"

namespace {

using formats::SourceReader;

// Rows in bands of a few, as the join reads them, into a buffer of at most a few MiB; no more
// than `most` of them, after the first `passed`, which are passed over as a cover fit's
// cropped rows are.
void ReadRows(formats::RowStream& stream, std::uint32_t most, std::uint32_t passed) {
  const formats::StreamInfo& info = stream.Info();
  const std::size_t rowBytes =
      std::size_t{info.width} * (info.pixels == formats::Pixels::Bgra ? 4 : 3);
  if (rowBytes == 0) return;
  const std::uint32_t band =
      static_cast<std::uint32_t>(std::clamp<std::size_t>((std::size_t{4} << 20) / rowBytes, 1, 7));
  static std::vector<std::uint8_t> rows;
  rows.resize(rowBytes * band);
  const std::uint32_t height = std::min(info.height, most);
  if (passed >= height || !stream.Skip(passed)) return;
  for (std::uint32_t top = passed; top < height; top += band) {
    const std::uint32_t count = std::min(band, height - top);
    if (!stream.Read(rows.data(), static_cast<std::ptrdiff_t>(rowBytes), count)) return;
  }
}

// The drawing opens sources by path: the input as a file of its own, in memory.
std::string AsFile(std::span<const std::uint8_t> bytes) {
  static const int fd = memfd_create("fuzz-source", 0);
  if (fd < 0 || ftruncate(fd, 0) != 0 ||
      pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    return {};
  return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (!formats::EVEDA_FUZZ_FORMAT.sniff(bytes.first(std::min(size, bmp_loader::kHeadBytes))))
    return -1;
  const SourceReader& reader = SourceReader::EveryFormat();
  const auto probed = reader.Probe(formats::MemoryInput(bytes));
  // The length's last three bits ask for a shrink on load to that many eighths of the size, as
  // a cell of that size would (0: none); only some decoders can, JPEG by its scaled inverse
  // DCTs, one for each eighth. A picture past a megapixel (the budgets let a small file declare
  // millions) is read as a cell would read it, an eighth of its size where the decoder can, only
  // as a stream and only its first rows: the opening and the first read cost what they would (a
  // whole-frame decoder decodes the frame there), while the rest of its rows, decoded from the
  // same few bytes, would cost the campaign most of its executions for no new code.
  formats::OpenHints hints;
  const bool large = probed && std::uint64_t{probed->width} * probed->height > (1u << 20);
  if (large)
    hints = {probed->width / 8, probed->height / 8};
  else if (const std::uint32_t eighths = size % 8; probed && eighths != 0)
    hints = {probed->width * eighths / 8, probed->height * eighths / 8};
  // The length's next two bits pass over that many quarters of the rows first.
  if (auto stream = reader.OpenStream(std::make_unique<formats::MemoryInput>(bytes), hints)) {
    const std::uint32_t height = large ? std::min((*stream)->Info().height, 64u)
                                       : (*stream)->Info().height;
    ReadRows(**stream, height, static_cast<std::uint32_t>(height * (size / 8 % 4) / 4));
  }
  if (large) return 0;

  const std::string path = AsFile(bytes);
  if (path.empty()) return 0;
  static bmp_loader::RowBuffers own;
  static bmp_loader::ScratchBuffer scratch;
  auto source = reader.Open(path, own, scratch, 0x00336699);
  if (!source) return 0;
  for (std::int32_t row = 0; row < source->Height(); row += 7) {
    if (!source->Rows(row, 7, scratch)) break;
  }
  return 0;
}
