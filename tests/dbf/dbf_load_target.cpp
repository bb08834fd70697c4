#include "dbf_load_target.h"

#include <cstdio>
#include <cstdlib>

#include "dbf/dbf_access.h"
#include "dbf/memory_stream.h"

namespace kvr::test {

namespace {

bool Documented(const std::string& message) {
  return message == "Incorrect DBF file" || message == "Access out of range" ||
         message == "Wrong record size" || message.rfind("Wrong field definition - ", 0) == 0;
}

}  // namespace

std::string LoadArbitraryDBF(const std::uint8_t* data, std::size_t size) {
  TDBFAccess access;
  TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
  try {
    access.LoadFromStream(stream);
  } catch (const Exception& e) {
    if (!Documented(e.Message())) {
      std::fprintf(stderr, "undocumented rejection: %s\n", e.Message().c_str());
      std::abort();
    }
    return e.Message();
  }
  // A loaded file must write back to something that loads again with the same records.
  const int count = access.Structure().Records.Count();
  std::string written;
  try {
    written = access.BuildFile(true, DateParts{2026, 12, 7});
  } catch (const Exception&) {
    return {};  // fields this level cannot write are refused before writing: fine
  }
  TDBFAccess again;
  TMemoryStream reread(std::move(written));
  again.LoadFromStream(reread);
  if (again.Structure().Records.Count() != count) {
    std::fprintf(stderr, "records changed on a round trip: %d -> %d\n", count,
                 again.Structure().Records.Count());
    if (FILE* f = std::fopen("/tmp/dbf-roundtrip-failure.bin", "wb")) {
      std::fwrite(data, 1, size, f);
      std::fclose(f);
    }
    std::abort();
  }
  return {};
}

}  // namespace kvr::test
