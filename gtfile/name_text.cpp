#include "gtfile/name_text.h"

#include <algorithm>
#include <memory>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace GTFile {
namespace {

// Japanese collation at secondary strength: case is ignored, accents still count. Made once
// because opening a collator loads and builds its tables.
const icu::Collator* NameCollator() {
  static const std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(icu::Locale("ja"), status));
    if (U_FAILURE(status)) return std::unique_ptr<icu::Collator>();
    made->setStrength(icu::Collator::SECONDARY);
    return made;
  }();
  return collator.get();
}

struct KeyedName {
  std::string key;  // the collation sort key, compared bytewise
  std::string name;
};

std::string SortKey(const icu::Collator* collator, const std::string& name) {
  if (collator == nullptr) return {};  // no ICU data: fall back to code-point order alone
  const icu::UnicodeString text = icu::UnicodeString::fromUTF8(name);
  std::string key(name.size() * 4 + 16, '\0');
  for (;;) {
    const int32_t needed = collator->getSortKey(text, reinterpret_cast<uint8_t*>(key.data()),
                                                static_cast<int32_t>(key.size()));
    if (needed <= static_cast<int32_t>(key.size())) {
      key.resize(needed > 0 ? needed - 1 : 0);  // drop the terminating zero
      return key;
    }
    key.resize(needed);
  }
}

}  // namespace

std::string LowerCaseName(std::string_view name) {
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
  std::string lowered;
  text.toLower(icu::Locale::getRoot()).toUTF8String(lowered);
  return lowered;
}

void SortNames(std::vector<std::string>::iterator first, std::vector<std::string>::iterator last) {
  // Sort keys are built once per name, so n log n comparisons cost memcmp each rather than
  // a full collation walk.
  const icu::Collator* collator = NameCollator();
  std::vector<KeyedName> keyed;
  keyed.reserve(static_cast<std::size_t>(last - first));
  for (auto it = first; it != last; ++it) {
    std::string key = SortKey(collator, *it);
    keyed.push_back({std::move(key), std::move(*it)});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const KeyedName& a, const KeyedName& b) {
    if (const int order = a.key.compare(b.key); order != 0) return order < 0;
    return a.name < b.name;  // UTF-8 byte order is code-point order
  });
  for (auto& entry : keyed) *first++ = std::move(entry.name);
}

}  // namespace GTFile
