// Natural order: "img2" before "img10", as people number their pictures.

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gtfile/keyed_order.h"
#include "gtfile/name_text.h"

namespace GTFile {
namespace {

// One run of a name. A digit run keeps its digits without the leading zeros, so comparing by
// length, then bytewise, compares by value however long the run is.
struct Run {
  bool digits = false;
  bool beforeDigits = false;  // a text run that name order puts before "0"
  std::string key;            // the significant digits, or the text's collation key
  std::size_t leadingZeros = 0;
};

struct NaturalKey {
  std::vector<Run> runs;
  const std::string* name = nullptr;
};

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

std::vector<Run> RunsOf(std::string_view name, const std::string& zeroKey) {
  std::vector<Run> runs;
  std::size_t start = 0;
  while (start < name.size()) {
    const bool digits = IsAsciiDigit(name[start]);
    std::size_t end = start;
    while (end < name.size() && IsAsciiDigit(name[end]) == digits) ++end;
    const std::string_view text = name.substr(start, end - start);
    Run run;
    run.digits = digits;
    if (digits) {
      run.leadingZeros = std::min(text.find_first_not_of('0'), text.size());
      run.key = text.substr(run.leadingZeros);
    } else {
      run.key = NameCollationKey(text);
      run.beforeDigits = run.key < zeroKey;
    }
    runs.push_back(std::move(run));
    start = end;
  }
  return runs;
}

int Sign(int value) { return (value > 0) - (value < 0); }

int CompareRuns(const Run& a, const Run& b) {
  if (a.digits && b.digits) {
    if (a.key.size() != b.key.size()) return a.key.size() < b.key.size() ? -1 : 1;
    return Sign(a.key.compare(b.key));
  }
  if (a.digits != b.digits) {
    const Run& text = a.digits ? b : a;
    const int textFirst = text.beforeDigits ? -1 : 1;
    return a.digits ? -textFirst : textFirst;
  }
  return Sign(a.key.compare(b.key));
}

bool NaturalLess(const NaturalKey& a, const NaturalKey& b) {
  const std::size_t common = std::min(a.runs.size(), b.runs.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (const int order = CompareRuns(a.runs[i], b.runs[i]); order != 0) return order < 0;
  }
  if (a.runs.size() != b.runs.size()) return a.runs.size() < b.runs.size();
  // Equal run by run, so the runs pair up kind by kind.
  for (std::size_t i = 0; i < common; ++i) {
    if (a.runs[i].leadingZeros != b.runs[i].leadingZeros)
      return a.runs[i].leadingZeros < b.runs[i].leadingZeros;
  }
  return *a.name < *b.name;
}

}  // namespace

std::vector<std::size_t> NaturalOrder(const std::vector<std::string>& names) {
  const std::string zeroKey = NameCollationKey("0");
  std::vector<NaturalKey> keys;
  keys.reserve(names.size());
  for (const std::string& name : names) keys.push_back({RunsOf(name, zeroKey), &name});
  return StableOrder(keys, NaturalLess);
}

void SortNamesNaturally(std::vector<std::string>::iterator first,
                        std::vector<std::string>::iterator last) {
  std::vector<std::string> names(std::make_move_iterator(first), std::make_move_iterator(last));
  for (const std::size_t index : NaturalOrder(names)) *first++ = std::move(names[index]);
}

}  // namespace GTFile
