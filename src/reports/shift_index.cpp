#include "reports/shift_index.h"

#include <algorithm>

namespace kvr::reports {
namespace {

// The subtree of the range [lo, hi) has its root in the middle.
std::size_t Root(std::size_t lo, std::size_t hi) { return lo + (hi - lo) / 2; }

}  // namespace

void ShiftIndex::Add(std::int64_t begin, std::int64_t end, std::int32_t number) {
  const auto position = static_cast<std::uint32_t>(shifts_.size());
  if (end >= begin) shifts_.push_back({begin, end, number, position});
}

void ShiftIndex::Build() {
  std::sort(shifts_.begin(), shifts_.end(), [](const Shift& a, const Shift& b) {
    return a.begin != b.begin ? a.begin < b.begin : a.position < b.position;
  });
  subtree_end_.clear();
  bool overlap = false;
  for (std::size_t i = 1; i < shifts_.size() && !overlap; ++i)
    overlap = shifts_[i].begin <= shifts_[i - 1].end;
  if (!overlap) return;
  subtree_end_.resize(shifts_.size());
  BuildSubtree(0, shifts_.size());
}

std::int64_t ShiftIndex::BuildSubtree(std::size_t lo, std::size_t hi) {
  const std::size_t root = Root(lo, hi);
  std::int64_t end = shifts_[root].end;
  if (lo < root) end = std::max(end, BuildSubtree(lo, root));  // depth: log2 of the count
  if (root + 1 < hi) end = std::max(end, BuildSubtree(root + 1, hi));
  subtree_end_[root] = end;
  return end;
}

void ShiftIndex::FindOverlapping(std::int64_t moment, std::size_t lo, std::size_t hi) {
  while (lo < hi) {
    const std::size_t root = Root(lo, hi);
    if (subtree_end_[root] < moment) return;  // every shift here ended before the moment
    FindOverlapping(moment, lo, root);
    const Shift& shift = shifts_[root];
    if (shift.begin > moment) return;  // so do all later ones
    if (shift.end >= moment) found_.push_back(&shift);
    lo = root + 1;
  }
}

void ShiftIndex::Find(std::int64_t moment, std::vector<std::int32_t>& numbers) {
  numbers.clear();
  if (!Overlapping()) {
    // The last shift beginning at or before the moment is the only one that can contain it.
    auto after = std::upper_bound(shifts_.begin(), shifts_.end(), moment,
                                  [](std::int64_t m, const Shift& s) { return m < s.begin; });
    if (after != shifts_.begin() && std::prev(after)->end >= moment)
      numbers.push_back(std::prev(after)->number);
    return;
  }
  found_.clear();
  FindOverlapping(moment, 0, shifts_.size());
  std::sort(found_.begin(), found_.end(),
            [](const Shift* a, const Shift* b) { return a->position < b->position; });
  for (const Shift* shift : found_) numbers.push_back(shift->number);
}

}  // namespace kvr::reports
