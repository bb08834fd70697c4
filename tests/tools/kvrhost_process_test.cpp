// kvrhost as a person runs it: a real process, the real library, exit status and output.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
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

// A dBase III file with one text field NAME (10) and two records, texts in `cp866_or_1251`.
std::string WriteDbf(const std::string& name, const std::string& first, const std::string& second) {
  std::string image(32, '\0');
  image[0] = 0x03;
  image[1] = 126;  // 2026
  image[2] = 12;
  image[3] = 7;
  image[4] = 2;           // two records
  image[8] = 32 + 32 + 1;  // header length
  image[10] = 1 + 10;     // record length
  std::string field(32, '\0');
  field.replace(0, 4, "NAME");
  field[11] = 'C';
  field[16] = 10;
  image += field;
  image += '\x0D';
  for (const std::string& text : {first, second}) image += " " + (text + std::string(10, ' ')).substr(0, 10);
  image += '\x1A';
  std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << image;
  return path;
}

TEST(KvrhostProcess, DumpsDbfFilesInBothCodePages) {
  const std::string oem = WriteDbf("kvrhost-oem.dbf", "\x8A\xA0\xE1\xE1\xA0", "Card");  // "Касса" in 866
  Outcome o = RunKvrhost("dbf " + oem);
  if (o.status == 2 && o.output.find("no DBF layer") != std::string::npos) GTEST_SKIP() << o.output;
  EXPECT_EQ(o.status, 0) << o.output;
  EXPECT_NE(o.output.find("NAME"), std::string::npos) << o.output;
  EXPECT_NE(o.output.find("Касса"), std::string::npos) << o.output;

  const std::string ansi = WriteDbf("kvrhost-ansi.dbf", "\xCA\xE0\xF1\xF1\xE0", "Card");  // in 1251
  o = RunKvrhost("dbf " + ansi + " --ansi");
  EXPECT_EQ(o.status, 0) << o.output;
  EXPECT_NE(o.output.find("Касса"), std::string::npos) << o.output;

  EXPECT_EQ(RunKvrhost("dbf /nonexistent/file.dbf").status, 1);
  std::remove(oem.c_str());
  std::remove(ansi.c_str());
}

}  // namespace
