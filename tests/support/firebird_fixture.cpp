#include "support/firebird_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "firebird/database_file.h"

#ifndef KVR_TEST_SOURCE_DIR
#error "KVR_TEST_SOURCE_DIR must name the tests folder"
#endif

namespace fs = std::filesystem;

namespace kvr::test {
namespace {

constexpr const char* kIsql = "isql-fb";
constexpr const char* kServerProgram = "/usr/sbin/firebird";
constexpr const char* kFirebirdRoot = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
constexpr const char* kSecuritySql = "/usr/share/firebird/3.0/security.sql";

std::string Quoted(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

void WriteFile(const std::string& path, std::string_view data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Runs a Windows-1251 script with isql-fb; `connect` is the database argument (may be empty
// when the script itself creates or connects).
void RunIsql(const std::string& cp1251_script, const std::string& connect, const std::string& user,
             const std::string& password,
             const std::vector<std::pair<std::string, std::string>>& env = {}) {
  PrepareEmbeddedEngine();
  TempDir scratch("isql");
  const std::string script = scratch.File("script.sql");
  WriteFile(script, cp1251_script);
  ProcessOptions options;
  options.args = {kIsql, "-q", "-bail", "-ch", "WIN1251"};
  if (!user.empty()) options.args.insert(options.args.end(), {"-user", user});
  if (!password.empty()) options.args.insert(options.args.end(), {"-password", password});
  if (!connect.empty()) options.args.push_back(connect);
  options.args.insert(options.args.end(), {"-i", script});
  options.env = env;
  ProgramResult result = RunProgram(std::move(options));
  if (result.exit_code != 0 || result.output.find("Statement failed") != std::string::npos ||
      result.output.find("SQLSTATE") != std::string::npos)
    throw std::runtime_error("isql-fb failed (exit " + std::to_string(result.exit_code) +
                             "): " + codepage::Cp1251ToUtf8(result.output));
}

// A new database file without forced writes: scratch data need not survive a power cut, and
// with synchronous writes every DDL commit waits for the disk.
void CreateEmptyDatabase(const std::string& path) {
  PrepareEmbeddedEngine();
  firebird::DatabaseFileOptions options;
  options.forced_writes = false;
  try {
    firebird::CreateDatabaseFile(path, options);
  } catch (const Exception& e) {
    throw std::runtime_error("cannot create " + path + ": " + e.Message());
  }
}

int FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket() failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  close(fd);
  if (port <= 0) throw std::runtime_error("no free loopback port");
  return port;
}

bool Listening(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

// The server's configuration files, copied (not linked: the engine resolves the character
// set library relative to the real location of its directory).
void CopyServerFiles(const fs::path& dir) {
  const fs::path root = kFirebirdRoot;
  fs::create_directories(dir / "intl");
  const auto overwrite = fs::copy_options::overwrite_existing;
  fs::copy_file(root / "firebird.conf", dir / "firebird.conf", overwrite);
  fs::copy_file(root / "plugins.conf", dir / "plugins.conf", overwrite);
  fs::copy_file(root / "firebird.msg", dir / "firebird.msg", overwrite);
  fs::copy_file(root / "intl" / "libfbintl.so", dir / "intl" / "libfbintl.so", overwrite);
  fs::copy_file(root / "intl" / "fbintl.conf", dir / "intl" / "fbintl.conf", overwrite);
  WriteFile((dir / "databases.conf").string(), "");
}

void AppendServerSettings(const fs::path& dir, int port) {
  std::ofstream conf(dir / "firebird.conf", std::ios::app);
  conf << "\n# Private test server\n"
       << "RemoteServicePort = " << port << "\n"
       << "RemoteBindAddress = 127.0.0.1\n"
       << "SecurityDatabase = " << (dir / "security3.fdb").string() << "\n";
  if (!conf) throw std::runtime_error("cannot write the server configuration");
}

// A security database with the SYSDBA user, made once per process and copied for each server.
struct SecurityTemplate {
  TempDir dir{"fbsec"};
  std::string password = "Kvr-Test-" + std::to_string(getpid());

  SecurityTemplate() {
    const fs::path root = dir.path();
    CopyServerFiles(root);
    AppendServerSettings(root, 0);
    const std::string db = (root / "security3.fdb").string();
    std::ifstream sql(kSecuritySql, std::ios::binary);
    if (!sql) throw std::runtime_error(std::string("missing ") + kSecuritySql);
    std::ostringstream text;
    text << sql.rdbuf();
    const std::vector<std::pair<std::string, std::string>> env = {{"FIREBIRD", root.string()}};
    CreateEmptyDatabase(db);
    RunIsql(text.str(), db, "", "", env);
    RunIsql("CREATE OR ALTER USER SYSDBA PASSWORD " + Quoted(password) +
                " USING PLUGIN Srp;\nCOMMIT;\n",
            db, "SYSDBA", "", env);
  }
};

const SecurityTemplate& Security() {
  static SecurityTemplate instance;
  return instance;
}

}  // namespace

void PrepareEmbeddedEngine() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (const char* set = std::getenv("FIREBIRD_LOCK"); set != nullptr && *set != '\0') return;
    fs::path lock = fs::temp_directory_path() / ("kvr-firebird-lock-" + std::to_string(getuid()));
    fs::create_directories(lock);
    setenv("FIREBIRD_LOCK", lock.c_str(), 1);
  });
}

std::string ReadSqlScript(std::string_view name) {
  const std::string path = std::string(KVR_TEST_SOURCE_DIR) + "/sql/" + std::string(name);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing SQL script " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void CreateDatabaseFromScripts(
    const std::string& path, std::initializer_list<std::string_view> scripts,
    const std::vector<std::pair<std::string, std::string>>& replacements) {
  CreateEmptyDatabase(path);
  std::string sql;
  for (std::string_view name : scripts) sql += ReadSqlScript(name) + "\n";
  for (const auto& [from, to] : replacements) sql = ReplaceAll(std::move(sql), from, to);
  RunIsql(codepage::Utf8ToCp1251(sql), path, "", "");
}

void RunSql(const std::string& database, std::string_view utf8_sql, const std::string& password) {
  RunIsql(codepage::Utf8ToCp1251(utf8_sql), database, "SYSDBA", password);
}

std::string CreateStationDatabase(const std::string& dir, StationVariant variant) {
  const std::string path = dir + "/GARVEN.FDB";
  if (variant == StationVariant::kFull)
    CreateDatabaseFromScripts(path, {"station_schema.sql", "station_optional.sql",
                                     "station_data.sql", "station_optional_data.sql"});
  else
    CreateDatabaseFromScripts(path, {"station_schema.sql", "station_data.sql"});
  return path;
}

std::string CreateOfficeDatabase(const std::string& dir) {
  const std::string path = dir + "/OFFICE.FDB";
  CreateDatabaseFromScripts(path, {"office.sql"});
  return path;
}

std::string CreateShopDatabase(const std::string& dir) {
  fs::path d = fs::path(dir).lexically_normal();
  if (!d.has_filename()) d = d.parent_path();
  const std::string path = (d / (d.filename().string() + ".FDB")).string();
  CreateDatabaseFromScripts(path, {"shop.sql"});
  return path;
}

void GenerateLargeStationDatabase(const std::string& path, int sales) {
  CreateDatabaseFromScripts(path,
                            {"station_schema.sql", "station_optional.sql", "station_large.sql"},
                            {{"@SALES@", std::to_string(sales)}});
}

void GenerateLargeOfficeDatabase(const std::string& path, int cards) {
  CreateDatabaseFromScripts(path, {"office.sql", "office_large.sql"},
                            {{"@CARDS@", std::to_string(cards)}});
}

void GenerateLargeShopDatabase(const std::string& path, int documents) {
  CreateDatabaseFromScripts(path, {"shop.sql", "shop_large.sql"},
                            {{"@DOCUMENTS@", std::to_string(documents)}});
}

FirebirdServer::FirebirdServer() : dir_("fbserver") {
  PrepareEmbeddedEngine();
  const SecurityTemplate& security = Security();
  password_ = security.password;
  const fs::path root = dir_.path();
  CopyServerFiles(root);
  fs::copy_file(fs::path(security.dir.path()) / "security3.fdb", root / "security3.fdb");
  // A port taken between the probe and the server's bind makes the server exit: try again.
  for (int attempt = 0; attempt < 3 && !process_; ++attempt) {
    const int port = FreeLoopbackPort();
    CopyServerFiles(root);
    AppendServerSettings(root, port);
    ProcessOptions options;
    options.args = {kServerProgram};
    options.env = {{"FIREBIRD", root.string()}};
    options.output_file = dir_.File("server.log");
    auto child = std::make_unique<ChildProcess>(options);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline && child->Running() && !Listening(port))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (child->Running() && Listening(port)) {
      port_ = port;
      process_ = std::move(child);
    }
  }
  if (!process_) throw std::runtime_error("the Firebird server did not start");
}

FirebirdServer::~FirebirdServer() {
  Resume();
  Stop();
}

std::string FirebirdServer::DatabaseName(const std::string& path) const {
  return "127.0.0.1/" + std::to_string(port_) + ":" + path;
}

void FirebirdServer::Stop() {
  if (process_) process_->Stop();
}

void FirebirdServer::Kill() {
  if (process_) process_->Stop(std::chrono::milliseconds(0));
}

void FirebirdServer::Pause() {
  if (process_ && process_->Running()) ::kill(process_->pid(), SIGSTOP);
}

void FirebirdServer::Resume() {
  if (process_ && process_->Running()) ::kill(process_->pid(), SIGCONT);
}

}  // namespace kvr::test
