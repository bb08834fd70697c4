#include "dbf_dump_command.h"

#include "common/exceptions.h"
#include "dbf/dbf_dump.h"
#include "platform/code_page.h"

namespace kvr::host {

int DumpDbfCommand(const std::string& file, bool ansi, std::ostream& out, std::ostream& err) {
  try {
    DumpDBFFile(file, ansi ? DumpEncoding::kAnsi : DumpEncoding::kOem, out);
    return 0;
  } catch (const Exception& e) {
    err << "kvrhost: " << platform::Cp1251ToUtf8(e.Message()) << "\n";
    return 1;
  }
}

}  // namespace kvr::host
