// The settings and environment tables of the reference against the sources: every cnf.ini key
// the library reads is documented with its section, type and default, every documented key is
// read, and every environment variable the library, the helper or kvrhost reads is documented.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "markdown_tables.h"

namespace kvr::test {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every C/C++ source under the given folders of the source tree, with its text.
std::vector<std::pair<fs::path, std::string>> Sources(std::initializer_list<const char*> folders) {
  std::vector<std::pair<fs::path, std::string>> files;
  for (const char* folder : folders) {
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(KVR_SOURCE_ROOT) / folder)) {
      const std::string ext = entry.path().extension().string();
      if (entry.is_regular_file() && (ext == ".cpp" || ext == ".h" || ext == ".c"))
        files.emplace_back(entry.path(), ReadAll(entry.path()));
    }
  }
  return files;
}

struct Key {
  std::string type, default_value;
  bool operator==(const Key&) const = default;
};

std::string DocumentedDefault(const std::string& literal) {
  if (literal == "true") return "1";
  if (literal == "false") return "0";
  if (literal == "\"\"") return "empty";
  return literal;
}

// section + "/" + key -> type and default, as the sources read them. A key built at run time
// ("GSMNames2" + StrToHex(...)) is named by its literal prefix and "<...>".
std::map<std::string, Key> KeysReadBySources() {
  static const std::regex read(
      R"re(\.Read(Bool|Integer|String)\(\s*"(\w+)",\s*("(\w+)"|(\w+)),\s*([^)]*)\))re");
  static const std::regex built(R"re("(\w+)"\s*\+\s*StrToHex)re");
  std::map<std::string, Key> keys;
  for (const auto& [path, text] : Sources({"src", "helper"})) {
    if (path.parent_path().filename() == "ini") continue;  // the INI unit itself
    for (std::sregex_iterator m(text.begin(), text.end(), read), end; m != end; ++m) {
      std::string key = (*m)[4];
      if (key.empty()) {
        std::smatch prefix;
        EXPECT_TRUE(std::regex_search(text, prefix, built))
            << path << ": key variable " << (*m)[5] << " with no literal prefix";
        key = prefix[1].str() + "<...>";
      }
      const std::string type = (*m)[1] == "Bool"      ? "0/1"
                               : (*m)[1] == "Integer" ? "integer"
                                                      : "text";
      keys[(*m)[2].str() + "/" + key] = {type, DocumentedDefault((*m)[6])};
    }
  }
  return keys;
}

std::map<std::string, Key> KeysDocumented() {
  const auto sections = ReadMarkdown(DocsPath("settings.md"));
  std::map<std::string, Key> keys;
  const auto tables = TablesWithHeader(
      sections.at(0), {"Section", "Key", "Type", "Default", "Read when", "Effect"});
  EXPECT_EQ(tables.size(), 1u);
  for (const MdTable* t : tables) {
    for (const auto& row : t->rows) {
      std::string key = Plain(row[1]);
      if (std::size_t lt = key.find('<'); lt != std::string::npos)
        key = key.substr(0, lt) + "<...>";
      keys[Plain(row[0]) + "/" + key] = {row[2], Plain(row[3])};
    }
  }
  return keys;
}

TEST(DocsSettings, EveryKeyTheLibraryReadsIsDocumentedWithItsDefault) {
  const auto read = KeysReadBySources();
  const auto documented = KeysDocumented();
  ASSERT_GE(read.size(), 9u) << "the scan of the sources found too few keys";
  for (const auto& [name, key] : read) {
    SCOPED_TRACE(name);
    auto doc = documented.find(name);
    if (doc == documented.end()) {
      ADD_FAILURE() << "not in docs/settings.md";
      continue;
    }
    EXPECT_EQ(doc->second.type, key.type);
    EXPECT_EQ(doc->second.default_value, key.default_value);
  }
  for (const auto& [name, key] : documented)
    EXPECT_TRUE(read.count(name)) << name << " is documented but no source reads it";
}

// Names the sources read from the environment: getenv, the library's EnvOr and
// GetEnvironmentVariable with a literal, the helper's k...Variable constants and the wait
// limits (WaitLimitSetting k...{"NAME", ...}).
std::set<std::string> VariablesReadBySources() {
  static const std::regex call(
      R"re((getenv|EnvOr|GetEnvironmentVariable)\(\s*"([A-Z][A-Z0-9_]*)")re");
  static const std::regex constant(
      R"re((?:k\w*Variable\w*\s*=|WaitLimitSetting\s+k\w+\s*\{)\s*"([A-Z][A-Z0-9_]*)")re");
  std::set<std::string> names;
  for (const auto& [path, text] : Sources({"src", "helper", "tools"})) {
    for (std::sregex_iterator m(text.begin(), text.end(), call), end; m != end; ++m)
      names.insert((*m)[2]);
    for (std::sregex_iterator m(text.begin(), text.end(), constant), end; m != end; ++m)
      names.insert((*m)[1]);
  }
  return names;
}

TEST(DocsDeployment, EveryEnvironmentVariableReadIsDocumented) {
  const auto sections = ReadMarkdown(DocsPath("deployment.md"));
  const MdSection* environment = FindSection(sections, "Environment");
  ASSERT_NE(environment, nullptr);
  const auto tables = TablesWithHeader(*environment, {"Variable", "Read by", "Meaning", "Default"});
  ASSERT_EQ(tables.size(), 1u);
  std::set<std::string> documented;
  for (const auto& row : tables[0]->rows) documented.insert(Plain(row[0]));

  const std::set<std::string> read = VariablesReadBySources();
  for (const char* known : {"KVR_ROOT", "KVR_WINDIR", "TMPDIR", "KVR_LOCK_DIR", "KVR_FB_TIMEOUT"})
    ASSERT_TRUE(read.count(known)) << "the scan of the sources missed " << known;
  for (const std::string& name : read) EXPECT_TRUE(documented.count(name)) << name;
}

}  // namespace
}  // namespace kvr::test
