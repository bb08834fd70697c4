// The station's shifts in memory, to find the shifts a moment falls in as the join
// "x.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME" finds them: every shift with
// begin <= moment <= end, in the order the shift log stores them (the order in which the
// engine's join gives them).
//
// Moments are integer keys (firebird's IscTimeKey). Shifts are kept sorted by begin, 24 bytes
// each. Where no two shifts overlap (the usual station), a binary search answers; where some
// do, the sorted shifts also form an implicit interval tree (each entry holds the greatest end
// of its subtree), so that a lookup visits only the subtrees that can hold a match.
#pragma once

#include <cstdint>
#include <vector>

namespace kvr::reports {

class ShiftIndex {
 public:
  // Shifts in the order the shift log stores them. A shift whose end lies before its begin
  // contains no moment and is left out.
  void Add(std::int64_t begin, std::int64_t end, std::int32_t number);
  // Sorts the shifts; call once after the last Add and before the first Find.
  void Build();

  // The numbers of the shifts containing `moment`, in storage order, into `numbers` (cleared
  // first; its capacity is kept, so a lookup per row allocates nothing once it has grown).
  void Find(std::int64_t moment, std::vector<std::int32_t>& numbers);

  std::size_t size() const { return shifts_.size(); }
  bool Overlapping() const { return !subtree_end_.empty(); }

 private:
  struct Shift {
    std::int64_t begin;
    std::int64_t end;
    std::int32_t number;
    std::uint32_t position;  // in storage order
  };
  std::int64_t BuildSubtree(std::size_t lo, std::size_t hi);
  void FindOverlapping(std::int64_t moment, std::size_t lo, std::size_t hi);

  std::vector<Shift> shifts_;
  // Only where shifts overlap: the greatest end in the subtree whose root is entry i (the
  // middle entry of a range is the root of that range).
  std::vector<std::int64_t> subtree_end_;
  std::vector<const Shift*> found_;  // reused by every lookup
};

}  // namespace kvr::reports
