// libFuzzer entry point for the DBF reader (built only with clang; see CMakeLists.txt).
#include "dbf_load_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kvr::test::LoadArbitraryDBF(data, size);
  return 0;
}
