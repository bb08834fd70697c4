// Shared by the DBF suites: a scratch directory per test and small byte helpers.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/date_time.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

namespace kvr::test {

// TempDir under the names the DBF suites use.
class ScratchDir {
 public:
  std::string File(const std::string& name) const { return dir_.File(name); }
  const std::string& Path() const { return dir_.path(); }

 private:
  TempDir dir_{"kvr-dbf"};
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A 32-byte dBase III+ header with today's date, as the writer stamps it.
inline std::string Header3(std::uint32_t records, std::uint16_t header_length,
                           std::uint16_t record_length, std::uint8_t mark) {
  DateParts today = DecodeDate(platform::Today());
  std::string h(32, '\0');
  h[0] = 3;
  h[1] = static_cast<char>(today.year > 2000 ? today.year - 2000 : today.year - 1900);
  h[2] = static_cast<char>(today.month);
  h[3] = static_cast<char>(today.day);
  for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<char>(records >> (8 * i));
  h[8] = static_cast<char>(header_length);
  h[9] = static_cast<char>(header_length >> 8);
  h[10] = static_cast<char>(record_length);
  h[11] = static_cast<char>(record_length >> 8);
  h[29] = static_cast<char>(mark);
  return h;
}

// A 32-byte field descriptor as the dBase III+ writer lays it out.
inline std::string Descriptor(const std::string& name, char letter, int length, int decimals) {
  std::string d(32, '\0');
  d.replace(0, name.size(), name);
  d[11] = letter;
  d[16] = static_cast<char>(length);
  d[17] = static_cast<char>(decimals);
  return d;
}

}  // namespace kvr::test
