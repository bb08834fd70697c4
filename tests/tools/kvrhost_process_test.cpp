// kvrhost as a person runs it: a real process, the real library, exit status and output.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

struct Outcome {
  int status = -1;
  std::string output;  // standard output and standard error
};

Outcome RunKvrhost(const std::string& arguments) {
  std::string command = std::string("KVR_LIBRARY=") + KVR_LIBRARY_PATH + " KVR_ROOT=" +
                        ::testing::TempDir() + "kvrhost-root " + KVRHOST_PATH + " " +
                        arguments + " 2>&1";
  Outcome outcome;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return outcome;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) outcome.output.append(buffer.data(), n);
  int status = ::pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

TEST(KvrhostProcess, ControlCommandSucceeds) {
  Outcome o = RunKvrhost("--control 0,/srv/station,'АЗС 1',1");
  EXPECT_EQ(o.status, 0) << o.output;
  EXPECT_NE(o.output.find("result: false\ntext: \n"), std::string::npos) << o.output;
  EXPECT_NE(o.output.find("elapsed: "), std::string::npos);
}

TEST(KvrhostProcess, UnknownReportIsAFailure) {
  Outcome o = RunKvrhost("--payment-names 'A;B' 8 0");
  EXPECT_EQ(o.status, 1) << o.output;
  EXPECT_NE(o.output.find("report: 8 [0]\nresult: false"), std::string::npos) << o.output;
}

TEST(KvrhostProcess, ErrorTextArrivesInUtf8) {
  Outcome o = RunKvrhost("'#' abc");
  EXPECT_EQ(o.status, 1) << o.output;
  EXPECT_NE(o.output.find("text: Ошибка при формировании экспортного отчета: Could not convert "
                          "variant of type (String) into type (Integer)"),
            std::string::npos)
      << o.output;
}

TEST(KvrhostProcess, UsageErrorsAndHelp) {
  EXPECT_EQ(RunKvrhost("--no-such-option 8").status, 2);
  EXPECT_EQ(RunKvrhost("").status, 2);
  EXPECT_EQ(RunKvrhost("--library /nonexistent/lib.so 8 1").status, 2);
  Outcome help = RunKvrhost("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("PARAM syntax"), std::string::npos);
  EXPECT_NE(help.output.find("Examples"), std::string::npos);
}

}  // namespace
