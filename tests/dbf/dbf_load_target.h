// One fuzzing step shared by the seeded mutation test and the libFuzzer target: load the
// bytes, and when they load, read every field of every record through a table, filter and
// write the file back. Only the DBF layer's own messages may come out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvr::test {

// Returns the message of the rejection, or an empty text when the input loaded.
// Anything but a documented rejection aborts (so that fuzzers and tests notice).
std::string LoadArbitraryDBF(const std::uint8_t* data, std::size_t size);

}  // namespace kvr::test
