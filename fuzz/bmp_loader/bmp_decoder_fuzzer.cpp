// libFuzzer entry: any bytes, decoded fully into memory of the decoder's own.

#include <cstddef>
#include <cstdint>

#include "platform/bmp_loader/bmp_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)eveda::bmp::Decode({data, size});
  return 0;
}
