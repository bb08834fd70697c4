// Running a program to its end: the same on every platform, over ChildProcess.
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kvr::test {

ProgramResult RunProgram(ProcessOptions options, std::chrono::milliseconds timeout) {
  TempDir scratch("run");
  if (options.output_file.empty()) options.output_file = scratch.File("output.txt");
  ChildProcess child(options);
  auto code = child.WaitFor(timeout);
  if (!code) {
    child.Stop(std::chrono::milliseconds(100));
    throw std::runtime_error("program timed out: " + options.args[0]);
  }
  ProgramResult result;
  result.exit_code = *code;
  std::ifstream in(options.output_file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  result.output = text.str();
  return result;
}

}  // namespace kvr::test
