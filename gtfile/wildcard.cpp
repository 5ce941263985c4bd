#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/utf8.h>

#include "gtfile/gtfile.h"

namespace GTFile {
namespace {

// Patterns and names are compared character by character, not byte by byte, so "?" takes
// one whole non-ASCII letter.
std::u32string DecodeUtf8(std::string_view text) {
  std::u32string decoded;
  decoded.reserve(text.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    decoded.push_back(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c));
  }
  return decoded;
}

// One pattern element: a run of any characters, or a test of exactly one character.
struct Token {
  enum class Kind { AnyRun, AnyOne, Digit, Literal, List };
  Kind kind = Kind::Literal;
  char32_t literal = 0;
  bool negated = false;
  std::vector<std::pair<char32_t, char32_t>> ranges;  // of a [list], inclusive

  static Token Of(Kind kind, char32_t literal = 0) {
    Token token;
    token.kind = kind;
    token.literal = literal;
    return token;
  }

  bool Accepts(char32_t c) const {
    switch (kind) {
      case Kind::AnyOne:
        return true;
      case Kind::Digit:
        return c >= U'0' && c <= U'9';
      case Kind::Literal:
        return c == literal;
      case Kind::List: {
        bool listed = false;
        for (const auto& [low, high] : ranges) listed = listed || (c >= low && c <= high);
        return listed != negated;
      }
      case Kind::AnyRun:
        break;
    }
    return false;
  }
};

// Reads "[...]" starting after the "[". A hyphen first or last in the list stands for itself.
// Returns nothing for an unclosed list or a range written backwards (z-a): such a pattern is
// malformed and matches no name.
std::optional<Token> ParseList(const std::u32string& pattern, std::size_t& pos) {
  Token token = Token::Of(Token::Kind::List);
  if (pos < pattern.size() && pattern[pos] == U'!') {
    token.negated = true;
    ++pos;
  }
  while (pos < pattern.size() && pattern[pos] != U']') {
    const char32_t low = pattern[pos];
    const bool isRange =
        pos + 2 < pattern.size() && pattern[pos + 1] == U'-' && pattern[pos + 2] != U']';
    if (isRange) {
      if (pattern[pos + 2] < low) return std::nullopt;
      token.ranges.emplace_back(low, pattern[pos + 2]);
      pos += 3;
    } else {
      token.ranges.emplace_back(low, low);
      ++pos;
    }
  }
  if (pos == pattern.size()) return std::nullopt;
  ++pos;  // the closing "]"
  return token;
}

std::optional<std::vector<Token>> ParsePattern(std::string_view text) {
  const std::u32string pattern = DecodeUtf8(text);
  std::vector<Token> tokens;
  for (std::size_t pos = 0; pos < pattern.size();) {
    const char32_t c = pattern[pos++];
    if (c == U'*') {
      if (tokens.empty() || tokens.back().kind != Token::Kind::AnyRun)
        tokens.push_back(Token::Of(Token::Kind::AnyRun));
    } else if (c == U'?') {
      tokens.push_back(Token::Of(Token::Kind::AnyOne));
    } else if (c == U'#') {
      tokens.push_back(Token::Of(Token::Kind::Digit));
    } else if (c == U'[') {
      const std::size_t listStart = pos;
      std::optional<Token> list = ParseList(pattern, pos);
      if (!list) return std::nullopt;
      // "[]" stands for nothing at all: it takes no character.
      if (pos - listStart > 1) tokens.push_back(std::move(*list));
    } else {
      tokens.push_back(Token::Of(Token::Kind::Literal, c));
    }
  }
  return tokens;
}

// Every token but a run takes exactly one character, so on a mismatch it is enough to let the
// most recent run take one more character and retry from there.
bool MatchTokens(const std::vector<Token>& tokens, const std::u32string& name) {
  std::size_t t = 0, n = 0;
  std::optional<std::size_t> runToken, runResume;
  while (n < name.size()) {
    if (t < tokens.size() && tokens[t].kind == Token::Kind::AnyRun) {
      runToken = t++;
      runResume = n;
    } else if (t < tokens.size() && tokens[t].Accepts(name[n])) {
      ++t;
      ++n;
    } else if (runToken) {
      t = *runToken + 1;
      n = ++*runResume;
    } else {
      return false;
    }
  }
  while (t < tokens.size() && tokens[t].kind == Token::Kind::AnyRun) ++t;
  return t == tokens.size();
}

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  const std::optional<std::vector<Token>> tokens = ParsePattern(pattern);
  return tokens && MatchTokens(*tokens, DecodeUtf8(name));
}

}  // namespace GTFile
