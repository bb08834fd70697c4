// The shift index against a plain scan of the same shifts, with and without overlaps, at the
// size of a station with a long history.
#include "reports/shift_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kvr::reports {
namespace {

struct Shift {
  std::int64_t begin, end;
  std::int32_t number;
};

// What the join gives: every containing shift, in the order stored.
std::vector<std::int32_t> Scan(const std::vector<Shift>& shifts, std::int64_t moment) {
  std::vector<std::int32_t> numbers;
  for (const Shift& s : shifts)
    if (s.begin <= moment && moment <= s.end) numbers.push_back(s.number);
  return numbers;
}

TEST(ShiftIndexTest, FindsWhatAScanFinds) {
  constexpr int kShifts = 100000;
  std::vector<Shift> consecutive;  // 12-hour shifts with a gap of one unit, stored newest first
  for (int i = kShifts; i > 0; --i) consecutive.push_back({i * 1000LL, i * 1000LL + 998, i});
  std::vector<Shift> overlapping = consecutive;
  overlapping.push_back({500, 50000500, 0});  // a shift never closed properly
  overlapping.push_back({7000, 7000, -5});    // a moment
  overlapping.push_back({9000, 8000, 77});    // reversed: contains nothing
  overlapping.push_back({consecutive[5].begin, consecutive[5].end, 99995});  // a copy
  for (const auto* shifts : {&consecutive, &overlapping}) {
    ShiftIndex index;
    for (const Shift& s : *shifts) index.Add(s.begin, s.end, s.number);
    index.Build();
    EXPECT_EQ(index.Overlapping(), shifts == &overlapping);
    std::vector<std::int32_t> found;
    for (std::int64_t moment :
         {0LL, 499LL, 500LL, 999LL, 1000LL, 1998LL, 1999LL, 7000LL, 8500LL, 50000500LL, 50000501LL,
          99995000LL, 99995998LL, 100000998LL, 100000999LL}) {
      index.Find(moment, found);
      EXPECT_EQ(found, Scan(*shifts, moment)) << "moment " << moment;
    }
  }
}

}  // namespace
}  // namespace kvr::reports
