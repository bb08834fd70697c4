// The version macros of the public header against the project's version and the change log.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

#include "kvr/host_abi.h"

namespace {

TEST(Version, HeaderMacrosAreTheProjectVersion) {
  EXPECT_STREQ(KVR_VERSION_STRING, KVR_PROJECT_VERSION);
  EXPECT_EQ(std::to_string(KVR_VERSION_MAJOR) + "." + std::to_string(KVR_VERSION_MINOR) + "." +
                std::to_string(KVR_VERSION_PATCH),
            KVR_PROJECT_VERSION);
  EXPECT_EQ(KVR_VERSION_NUMBER,
            KVR_VERSION_MAJOR * 10000 + KVR_VERSION_MINOR * 100 + KVR_VERSION_PATCH);
}

#if KVR_VERSION_NUMBER < 10000
#error "KVR_VERSION_NUMBER must be usable in #if"
#endif

// The newest entry of CHANGELOG.md ("## [x.y.z] - date") names the version being built.
TEST(Version, ChangeLogStartsWithThisVersion) {
  std::ifstream in(KVR_CHANGELOG);
  ASSERT_TRUE(in) << KVR_CHANGELOG;
  const std::regex entry(R"(^## \[(\d+\.\d+\.\d+)\] - \d{4}-\d{2}-\d{2}$)");
  std::string line;
  std::smatch m;
  while (std::getline(in, line))
    if (line.starts_with("## [") && line != "## [Unreleased]") break;
  ASSERT_TRUE(std::regex_match(line, m, entry)) << "first release heading: " << line;
  EXPECT_EQ(m[1].str(), KVR_VERSION_STRING);
}

}  // namespace
