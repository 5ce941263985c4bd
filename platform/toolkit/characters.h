#pragma once
// Text boxes count characters, not bytes: a limit of 4 admits four Japanese characters as
// well as four digits. Texts are UTF-8; a byte that does not belong to a well-formed
// sequence counts as one character of its own, so every text splits without loss.

#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

std::vector<std::string> SplitCharacters(std::string_view text);

int CharacterCount(std::string_view text);

}  // namespace toolkit
