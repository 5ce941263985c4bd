#include "platform/toolkit/characters.h"

namespace toolkit {
namespace {

bool IsContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the sequence that a lead byte announces; 1 for a stray byte.
std::size_t AnnouncedLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

std::size_t CharacterLength(std::string_view text, std::size_t at) {
  const std::size_t announced = AnnouncedLength(static_cast<unsigned char>(text[at]));
  if (at + announced > text.size()) return 1;
  for (std::size_t i = 1; i < announced; ++i) {
    if (!IsContinuationByte(static_cast<unsigned char>(text[at + i]))) return 1;
  }
  return announced;
}

}  // namespace

std::vector<std::string> SplitCharacters(std::string_view text) {
  std::vector<std::string> characters;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = CharacterLength(text, at);
    characters.emplace_back(text.substr(at, length));
    at += length;
  }
  return characters;
}

int CharacterCount(std::string_view text) {
  int count = 0;
  for (std::size_t at = 0; at < text.size(); at += CharacterLength(text, at)) ++count;
  return count;
}

}  // namespace toolkit
