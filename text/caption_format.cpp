#include "text/caption_format.h"

#include "text/utf.h"

namespace text {
namespace {

std::string_view FileName(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A leading dot starts a hidden name, not an extension: ".profile" has none.
std::string_view::size_type ExtensionDot(std::string_view name) {
  const auto dot = name.rfind('.');
  return dot == 0 ? std::string_view::npos : dot;
}

std::string_view BaseName(std::string_view name) { return name.substr(0, ExtensionDot(name)); }

std::string_view Extension(std::string_view name) {
  const auto dot = ExtensionDot(name);
  return dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
}

// Appends the field an escape letter names; false when the letter names none.
bool AppendField(char letter, const CaptionFields& fields, std::string& out) {
  const std::string_view name = FileName(fields.path);
  switch (letter) {
    case 'f':
      out += name;
      return true;
    case 'F':
      out += fields.path;
      return true;
    case 'b':
      out += BaseName(name);
      return true;
    case 'e':
      out += Extension(name);
      return true;
    case 'n':
      out += std::to_string(fields.cellNumber);
      return true;
    case 'N':
      out += std::to_string(fields.cellCount);
      return true;
    case 'w':
      out += std::to_string(fields.width);
      return true;
    case 'h':
      out += std::to_string(fields.height);
      return true;
    case '%':
      out += '%';
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string ExpandCaption(std::string_view format, const CaptionFields& fields) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && AppendField(format[i + 1], fields, out)) {
      ++i;
    } else {
      out += format[i];
    }
  }
  return ValidUtf8(out);
}

}  // namespace text
