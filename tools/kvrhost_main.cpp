// kvrhost: the command-line host of libKVRExportCreator9.so (kvrhost --help).
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "library_session.h"
#include "dbf_dump_command.h"

int main(int argc, char** argv) {
  using namespace kvr::host;
  try {
    const Invocation invocation = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (invocation.mode) {
      case Invocation::Mode::kHelp: std::cout << HelpText(); return 0;
      case Invocation::Mode::kDumpDbf:
        return DumpDbfCommand(invocation.dbf_file, invocation.dbf_ansi, std::cout, std::cerr);
      default: return RunSession(invocation, std::cout, std::cerr);
    }
  } catch (const UsageError& e) {
    std::cerr << "kvrhost: " << e.what() << "\n(kvrhost --help explains the usage)\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "kvrhost: " << e.what() << "\n";
    return 1;
  }
}
