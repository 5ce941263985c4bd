#pragma once
// Our texts are UTF-8 throughout; Qt's are UTF-16.

#include <QString>
#include <string_view>

namespace toolkit {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace toolkit
