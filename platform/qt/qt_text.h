#pragma once
// Our texts are UTF-8 throughout; Qt's are UTF-16.

#include <QString>
#include <string_view>

namespace toolkit {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Where the first `characters` characters of `text` end, in UTF-16 units: the toolkit counts
// characters, Qt counts units, and a character outside the Basic Multilingual Plane takes
// two. Past the end of the text, the text's length.
inline int Utf16Offset(const QString& text, qsizetype characters) {
  qsizetype units = 0;
  for (qsizetype counted = 0; counted < characters && units < text.size(); ++counted) {
    const bool pair = text[units].isHighSurrogate() && units + 1 < text.size() &&
                      text[units + 1].isLowSurrogate();
    units += pair ? 2 : 1;
  }
  return static_cast<int>(units);
}

}  // namespace toolkit
