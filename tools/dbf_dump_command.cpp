#include "dbf_dump_command.h"

#include "common/exceptions.h"
#include "platform/code_page.h"

#if KVR_HAVE_DBF_DUMP
#include "dbf/dbf_dump.h"
#endif

namespace kvr::host {

int DumpDbfCommand(const std::string& file, bool ansi, std::ostream& out, std::ostream& err) {
#if KVR_HAVE_DBF_DUMP
  try {
    DumpDBFFile(file, ansi ? DumpEncoding::Ansi : DumpEncoding::Oem, out);
    return 0;
  } catch (const Exception& e) {
    err << "kvrhost: " << platform::Cp1251ToUtf8(e.Message()) << "\n";
    return 1;
  }
#else
  (void)file;
  (void)ansi;
  (void)out;
  err << "kvrhost: this build has no DBF layer\n";
  return 2;
#endif
}

}  // namespace kvr::host
