// The man page and the bash completion say what kvrhost --help says: every option of the help
// text is in both, the man page renders without warnings, and the completion offers the
// sub-codes of report 8 and the options in a real bash.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "command_line.h"
#include "platform/file_system.h"

namespace kvr::host {
namespace {

const std::string kManPage = std::string(KVR_TOOLS_SOURCE_DIR) + "/kvrhost.1";
const std::string kCompletion = std::string(KVR_TOOLS_SOURCE_DIR) + "/kvrhost.bash-completion";

std::set<std::string> LongOptions(const std::string& text) {
  std::set<std::string> options;
  const std::regex option("--[a-z][a-z-]+");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it)
    options.insert(it->str());
  return options;
}

std::string RunShell(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return output;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    output.append(buffer.data(), n);
  const int raw = ::pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

TEST(KvrhostDocs, ManPageAndCompletionKnowEveryOption) {
  std::string man = platform::ReadWholeFile(kManPage);
  // The man page escapes its dashes.
  for (std::size_t at; (at = man.find("\\-")) != std::string::npos;) man.replace(at, 2, "-");
  const std::string completion = platform::ReadWholeFile(kCompletion);
  const std::set<std::string> options = LongOptions(std::string(HelpText()) + DbfHelpText());
  EXPECT_GT(options.size(), 20u);
  for (const std::string& option : options) {
    EXPECT_NE(man.find(option), std::string::npos) << option << " is not in kvrhost.1";
    EXPECT_NE(completion.find(option), std::string::npos) << option << " is not completed";
  }
}

TEST(KvrhostDocs, ManPageRendersWithoutWarnings) {
  if (!std::filesystem::exists("/usr/bin/groff")) GTEST_SKIP() << "no groff";
  int status = -1;
  const std::string warnings = RunShell("/usr/bin/groff -man -ww -z " + kManPage + " 2>&1", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(warnings, "");
}

TEST(KvrhostDocs, CompletionOffersSubCodesAndOptions) {
  const auto complete = [](const std::string& words, int cword) {
    int status = -1;
    std::string out = RunShell("bash -c 'source " + kCompletion + "; COMP_WORDS=(" + words +
                                   "); COMP_CWORD=" + std::to_string(cword) +
                                   "; _kvrhost; echo \"${COMPREPLY[*]}\"' 2>&1",
                               status);
    EXPECT_EQ(status, 0) << out;
    return out;
  };
  EXPECT_EQ(complete("kvrhost --json 8 \"\"", 3), "1 2 3 4 5\n");
  EXPECT_EQ(complete("kvrhost --station X \"\"", 3), "0 1 2 6 8 dbf\n");
  EXPECT_EQ(complete("kvrhost --no-c", 1), "--no-check\n");
  EXPECT_EQ(complete("kvrhost dbf --c", 2), "--csv --code-page\n");
  EXPECT_EQ(complete("kvrhost --office-mode \"\"", 2), "true false\n");
}

}  // namespace
}  // namespace kvr::host
