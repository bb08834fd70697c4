// kvrhost: the command-line host of libKVRExportCreator9.so (kvrhost --help, man kvrhost).
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "dbf_dump_command.h"
#include "interrupt.h"
#include "json_text.h"
#include "library_session.h"
#include "preflight.h"
#include "version_text.h"

namespace {

// One line on standard error; exit status 2.
int UsageFailure(bool json, bool dbf, const std::string& message) {
  if (json)
    std::cerr << kvr::host::JsonObject().Add("error", message).Add("exit_status", 2).Text() << "\n";
  else
    std::cerr << "kvrhost: " << message << (dbf ? " (kvrhost dbf --help" : " (kvrhost --help")
              << " explains the usage)\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kvr::host;
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool json = AsksForJson(args);
  ExitOnInterrupt(json);
  try {
    Invocation invocation = ParseCommandLine(args);
    switch (invocation.mode) {
      case Invocation::Mode::kHelp:
        std::cout << (invocation.dbf.file == "dbf" ? DbfHelpText() : HelpText());
        return 0;
      case Invocation::Mode::kVersion: std::cout << VersionText() << "\n"; return 0;
      case Invocation::Mode::kDumpDbf: return DumpDbfCommand(invocation.dbf, std::cout, std::cerr);
      default:
        UseRoot(invocation.settings);
        if (invocation.check) CheckSurroundings(invocation);
        return RunSession(invocation, std::cout, std::cerr);
    }
  } catch (const UsageError& e) {
    return UsageFailure(json, !args.empty() && args[0] == "dbf", e.what());
  } catch (const std::exception& e) {
    if (json)
      std::cerr << JsonObject().Add("error", e.what()).Add("exit_status", 1).Text() << "\n";
    else
      std::cerr << "kvrhost: " << e.what() << "\n";
    return 1;
  }
}
