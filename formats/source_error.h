#pragma once
// Why a source did not open or could not be read, as every format reports it: a reason each
// caller puts in its own words (eveda-batch in English, the window in Japanese), and the
// decoder's own words where it has them, which then say more than the reason.

#include <string>
#include <utility>

#include "platform/bmp_loader/bmp_decoder.h"

namespace formats {

struct SourceError {
  SourceError(bmp_loader::DecodeError why = bmp_loader::DecodeError::Unreadable,
              std::string words = {})
      : reason(why), detail(std::move(words)) {}
  bmp_loader::DecodeError reason;
  std::string detail;
  friend bool operator==(const SourceError&, const SourceError&) = default;
};

}  // namespace formats
