#include "command_line.h"

#include <getopt.h>

#include <charconv>
#include <utility>

#include "report_catalogue.h"

namespace kvr::host {
namespace {

// The setting keys, each also an option taking a value ("--station NAME").
constexpr const char* kSettingKeys[] = {
    "library",   "root",          "database-dir", "office-mode",   "station",
    "ka-column", "payment-names", "host-kind",    "payment-codes", "control"};
constexpr int kSettingOption = 1000;  // + index into kSettingKeys

enum OptionId {
  kSettingsFile = 900,
  kNoInit,
  kJson,
  kProgress,
  kNoProgress,
  kNoCheck,
  kCsv,
  kVertical,
  kAnsi,
  kOem,
  kCodePage,
};

// getopt_long wants a mutable argv; the copies live as long as the parse.
class ArgvCopy {
 public:
  explicit ArgvCopy(const std::vector<std::string>& args) : store_(args) {
    store_.insert(store_.begin(), "kvrhost");
    for (std::string& s : store_) argv_.push_back(s.data());
    argv_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(store_.size()); }
  char** argv() { return argv_.data(); }

 private:
  std::vector<std::string> store_;
  std::vector<char*> argv_;
};

// The usage error getopt_long signalled with '?' or ':' (opterr is off: we word it). For a
// long option optopt holds its id, so the option is named from the argument itself.
UsageError OptionError(int result, char** argv, const char* subject) {
  const std::string prefix = subject;
  std::string arg = optind > 0 ? argv[optind - 1] : "";
  const bool long_option = arg.starts_with("--");
  if (long_option) arg = arg.substr(0, arg.find('='));
  const std::string name = long_option || optopt <= 0 || optopt > 127
                               ? arg
                               : std::string("-") + static_cast<char>(optopt);
  if (result == ':') return UsageError(prefix + "option '" + name + "' needs a value");
  return UsageError(prefix + "unknown or ambiguous option '" + name + "'");
}

void ResetGetopt() {
  optind = 0;  // 0 makes glibc start afresh (parses may follow one another)
  opterr = 0;
}

std::uint64_t ParseCount(const char* text) {
  std::uint64_t value = 0;
  std::string_view s = text;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || ec != std::errc() || ptr != s.data() + s.size())
    throw UsageError(std::string("dbf: -n needs a record count, not '") + text + "'");
  return value;
}

Invocation ParseDbf(const std::vector<std::string>& args) {
  static const option kLong[] = {{"csv", no_argument, nullptr, kCsv},
                                 {"vertical", no_argument, nullptr, kVertical},
                                 {"limit", required_argument, nullptr, 'n'},
                                 {"ansi", no_argument, nullptr, kAnsi},
                                 {"oem", no_argument, nullptr, kOem},
                                 {"code-page", required_argument, nullptr, kCodePage},
                                 {"help", no_argument, nullptr, 'h'},
                                 {nullptr, 0, nullptr, 0}};
  Invocation inv;
  inv.mode = Invocation::Mode::kDumpDbf;
  ArgvCopy a(std::vector<std::string>(args.begin() + 1, args.end()));
  ResetGetopt();
  int c;
  while ((c = getopt_long(a.argc(), a.argv(), ":hxn:", kLong, nullptr)) != -1) {
    switch (c) {
      case kCsv: inv.dbf.layout = DbfOptions::Layout::kCsv; break;
      case 'x':
      case kVertical: inv.dbf.layout = DbfOptions::Layout::kVertical; break;
      case 'n': inv.dbf.limit = ParseCount(optarg); break;
      case kAnsi: inv.dbf.code_page = 1251; break;
      case kOem: inv.dbf.code_page = 866; break;
      case kCodePage: {
        int cp = 0;
        std::string_view s = optarg;
        auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), cp);
        if (s.empty() || ec != std::errc() || ptr != s.data() + s.size() || cp <= 0)
          throw UsageError(std::string("dbf: --code-page needs a code page number, not '") +
                           optarg + "'");
        inv.dbf.code_page = cp;
        break;
      }
      case 'h':
        inv.mode = Invocation::Mode::kHelp;
        inv.dbf.file = "dbf";
        return inv;
      default: throw OptionError(c, a.argv(), "dbf: ");
    }
  }
  if (optind >= a.argc()) throw UsageError("dbf: a file name is needed");
  inv.dbf.file = a.argv()[optind];
  if (optind + 1 < a.argc())
    throw UsageError(std::string("dbf: unexpected argument '") + a.argv()[optind + 1] + "'");
  return inv;
}

}  // namespace

bool AsksForJson(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "dbf") return false;
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--json") return true;
  }
  return false;
}

std::vector<HostParam> ControlParams(const HostSettings& settings) {
  std::vector<HostParam> params{ParseParam("1000")};
  if (settings.control)
    for (const std::string& element : *settings.control) params.push_back(ParseParam(element));
  return params;
}

Invocation ParseCommandLine(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "dbf") return ParseDbf(args);
  std::vector<option> options;
  for (int i = 0; i < static_cast<int>(std::size(kSettingKeys)); ++i)
    options.push_back({kSettingKeys[i], required_argument, nullptr, kSettingOption + i});
  for (option o :
       std::initializer_list<option>{{"settings", required_argument, nullptr, kSettingsFile},
                                     {"no-init", no_argument, nullptr, kNoInit},
                                     {"json", no_argument, nullptr, kJson},
                                     {"progress", no_argument, nullptr, kProgress},
                                     {"no-progress", no_argument, nullptr, kNoProgress},
                                     {"no-check", no_argument, nullptr, kNoCheck},
                                     {"help", no_argument, nullptr, 'h'},
                                     {"version", no_argument, nullptr, 'V'},
                                     {nullptr, 0, nullptr, 0}})
    options.push_back(o);

  Invocation inv;
  std::vector<std::pair<std::string, std::string>> settings;  // key, value; "settings" = a file
  ArgvCopy a(args);
  ResetGetopt();
  int c;
  // '+': the first operand (the report code) ends the options, so "6 -1 5" keeps its -1.
  while ((c = getopt_long(a.argc(), a.argv(), "+:hV", options.data(), nullptr)) != -1) {
    if (c >= kSettingOption) {
      settings.emplace_back(kSettingKeys[c - kSettingOption], optarg);
      continue;
    }
    switch (c) {
      case 'h': return Invocation{};
      case 'V': inv.mode = Invocation::Mode::kVersion; return inv;
      case kSettingsFile: settings.emplace_back("settings", optarg); break;
      case kNoInit: inv.init = false; break;
      case kJson: inv.json = true; break;
      case kProgress: inv.progress = ProgressMode::kOn; break;
      case kNoProgress: inv.progress = ProgressMode::kOff; break;
      case kNoCheck: inv.check = false; break;
      default: throw OptionError(c, a.argv(), "");
    }
  }
  // The settings files first, so that options override them wherever they stand.
  for (const auto& [key, value] : settings)
    if (key == "settings") LoadSettingsFile(inv.settings, value);
  for (const auto& [key, value] : settings)
    if (key != "settings") ApplySetting(inv.settings, key, value);

  int i = optind;
  if (inv.settings.control && inv.check) {
    std::vector<HostParam> control = ControlParams(inv.settings);
    CheckReportParams(FindReport('#', control), control);
  }
  if (i >= a.argc()) {
    if (!inv.settings.control) throw UsageError("no report code (and no --control to send)");
    inv.mode = Invocation::Mode::kControlOnly;
    return inv;
  }
  const std::string code = a.argv()[i];
  if (code == "dbf") throw UsageError("dbf comes first: kvrhost dbf [OPTIONS] FILE");
  if (code.size() != 1)
    throw UsageError("the report code is one character (0, 1, 2, 6, 8 or #), not '" + code + "'");
  inv.mode = Invocation::Mode::kReport;
  inv.report_code = code[0];
  for (++i; i < a.argc(); ++i) inv.params.push_back(ParseParam(a.argv()[i]));
  if (inv.check) CheckReportParams(FindReport(inv.report_code, inv.params), inv.params);
  return inv;
}

}  // namespace kvr::host
