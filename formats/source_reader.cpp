#include "formats/source_reader.h"

#include <algorithm>
#include <array>
#include <optional>

#include "formats/input_format.h"
#include "formats/stream_source.h"
#include "platform/bmp_loader/source_file.h"

namespace formats {
namespace {

using bmp_loader::DecodeError;
using bmp_loader::RowBuffers;
using bmp_loader::RowSource;
using bmp_loader::SourceFile;

constexpr std::array<const InputFormat*, 1> kBmpOnly = {&kBmpFormat};

// A source file read through the descriptor the reader opened, which it keeps: the file is
// the first base, so that it is there before the input that reads it.
struct HeldFile {
  SourceFile file;
};
class FileInput final : private HeldFile, public OpenFileInput {
 public:
  explicit FileInput(SourceFile file) : HeldFile{std::move(file)}, OpenFileInput(HeldFile::file) {}
};

eveda::Unexpected<SourceError> Refused(DecodeError reason) {
  return eveda::Unexpected{SourceError{reason}};
}

// The bytes read from a file's start: all of a small file, else enough for every header probe.
std::size_t FirstBytes(std::uint64_t size) {
  return size <= bmp_loader::kReadWholeBytes ? static_cast<std::size_t>(size)
                                             : bmp_loader::kHeadBytes;
}

eveda::Result<std::span<const std::uint8_t>, SourceError> ReadStart(
    const SourceFile& file, std::size_t bytes, std::vector<std::uint8_t>& into) {
  if (!Resize(into, bytes)) return Refused(DecodeError::OutOfMemory);
  const auto got = file.ReadAt(0, into);
  if (!got) return Refused(got.error());
  return std::span<const std::uint8_t>(into.data(), *got);
}

}  // namespace

const SourceReader& SourceReader::BmpOnly() {
  static const SourceReader reader(kBmpOnly);
  return reader;
}

// A reader of one format leaves every file to it, so that its decoder says what is wrong
// ("not a BMP file"); a reader of several names them all when none knows the file.
eveda::Result<const InputFormat*, SourceError> SourceReader::FormatOf(
    std::span<const std::uint8_t> head) const {
  const auto found = std::find_if(formats_.begin(), formats_.end(),
                                  [head](const InputFormat* f) { return f->sniff(head); });
  if (found != formats_.end()) return *found;
  if (formats_.size() == 1) return formats_.front();
  std::string names;
  for (std::size_t i = 0; i < formats_.size(); ++i) {
    if (i > 0) names += i + 1 == formats_.size() ? " or " : ", ";
    names += formats_[i]->name;
  }
  return eveda::Unexpected{SourceError{DecodeError::NotAnImage, "not a " + names + " file"}};
}

eveda::Result<ProbedImage, SourceError> SourceReader::Probe(const std::string& path) const {
  auto file = SourceFile::Open(path.c_str());
  if (!file) return Refused(file.error());
  return Probe(FileInput(std::move(*file)));
}

eveda::Result<ProbedImage, SourceError> SourceReader::Probe(const ByteInput& input) const {
  std::array<std::uint8_t, bmp_loader::kHeadBytes> buffer{};
  EVEDA_TRY(got, input.ReadAt(0, buffer));
  const std::span<const std::uint8_t> head(buffer.data(), *got);
  EVEDA_TRY(format, FormatOf(head));
  EVEDA_TRY(probed, (*format)->probe(input, head));
  // Only what the decoders would accept sizes the cells.
  if (std::uint64_t{probed->width} * probed->height > DecodeLimits{}.maxPixels)
    return Refused(DecodeError::TooLarge);
  return *probed;
}

eveda::Result<std::unique_ptr<RowStream>, SourceError> SourceReader::OpenStream(
    const std::string& path, const OpenHints& hints) const {
  auto file = SourceFile::Open(path.c_str());
  if (!file) return Refused(file.error());
  return OpenStream(std::make_unique<FileInput>(std::move(*file)), hints);
}

eveda::Result<std::unique_ptr<RowStream>, SourceError> SourceReader::OpenStream(
    std::unique_ptr<ByteInput> input, const OpenHints& hints) const {
  std::array<std::uint8_t, bmp_loader::kHeadBytes> buffer{};
  EVEDA_TRY(got, input->ReadAt(0, buffer));
  EVEDA_TRY(format, FormatOf(std::span<const std::uint8_t>(buffer.data(), *got)));
  if (!(*format)->stream) return Refused(DecodeError::Unsupported);
  return (*format)->stream(std::move(input), hints);
}

eveda::Result<RowSource, SourceError> SourceReader::Open(const std::string& path, RowBuffers& own,
                                                         bmp_loader::ScratchBuffer& scratch,
                                                         Colour background) const {
  auto file = SourceFile::Open(path.c_str());
  if (!file) return Refused(file.error());
  EVEDA_TRY(start, ReadStart(*file, FirstBytes(file->size()), own.head));
  const OpeningSource source{&*file, *start, file->size(), &own, &scratch, background};
  EVEDA_TRY(format, FormatOf(source.head));
  return (*format)->open(source);
}

}  // namespace formats
