#pragma once
// Why a PNG or JPEG could not be read or written, as a value: a kind for callers that decide by
// it and an English reason, often the library's own words, for the user.

#include <cstdint>
#include <string>

namespace eveda::codecs {

struct CodecError {
  enum class Kind {
    NotAnImage,   // neither a PNG nor a JPEG signature
    Damaged,      // truncated, a bad checksum, data the format does not allow
    Unsupported,  // a valid file of a kind we do not decode
    TooLarge,     // beyond the pixel limit, or more pixels than the file could hold
    OutOfMemory,
    System,  // the file system or the output refused (errno's words)
  };
  Kind kind = Kind::Damaged;
  std::string reason;
};

// The limit checked before any pixel memory is allocated. 2^28 pixels is 16384 x 16384, the
// same bound the BMP decoder keeps: no header can make us allocate more than about 1 GiB.
struct DecodeLimits {
  std::uint64_t maxPixels = std::uint64_t{1} << 28;
};

}  // namespace eveda::codecs
