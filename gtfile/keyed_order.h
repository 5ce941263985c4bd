#pragma once
// Sorting through precomputed keys: each entry's key is built once, so n log n comparisons
// never repeat the work of building it, and the entries move only once, into place.

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <numeric>
#include <utility>
#include <vector>

namespace GTFile {

// The indices of `keys` in the order `less` puts them; equal keys keep index order.
template <class Key, class Less>
std::vector<std::size_t> StableOrder(const std::vector<Key>& keys, Less less) {
  std::vector<std::size_t> order(keys.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return less(keys[a], keys[b]); });
  return order;
}

// Rearranges [first, first + order.size()) so that position i holds what was at order[i].
template <class It>
void ApplyOrder(It first, const std::vector<std::size_t>& order) {
  std::vector<typename std::iterator_traits<It>::value_type> moved;
  moved.reserve(order.size());
  for (const std::size_t index : order) moved.push_back(std::move(first[index]));
  std::move(moved.begin(), moved.end(), first);
}

}  // namespace GTFile
