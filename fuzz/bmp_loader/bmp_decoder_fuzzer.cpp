// libFuzzer entry: any bytes, read through the row source the drawing pass uses, headers and
// the file-length checks included, a few rows at a time and then whole.

#include <cstddef>
#include <cstdint>

#include "platform/bmp_loader/row_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  bmp_loader::RowBuffers own;
  bmp_loader::ScratchBuffer scratch;
  auto source = bmp_loader::RowSource::FromMemory({data, size}, own, scratch);
  if (!source) return 0;
  for (std::int32_t row = 0; row < source->Height(); row += 7) (void)source->Rows(row, 7, scratch);
  (void)source->Rows(0, source->Height(), scratch);
  return 0;
}
