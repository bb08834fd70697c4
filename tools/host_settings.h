// What the command-line host answers to the library's queries, and how it runs. Settings come
// from a host settings file and from command-line options (options win); both use the same
// keys:
//   library          path of libKVRExportCreator9.so
//   root             directory standing for the drives ("C:\" is <root>/C); sets KVR_ROOT
//   database-dir     answer to query 5 (text; not set: an empty answer)
//   office-mode      answer to query 8 (Boolean, default false)
//   station          answer to query 13 (text; not set: an empty answer)
//   ka-column        answer to query 17 (Boolean, default false)
//   payment-names    answer to query 23: names separated by ';' (not set: no list, so the
//                    library uses its default list)
//   host-kind        answer to query 46 (integer, default 0)
//   payment-codes    answer to query 57: "code[:check]" per payment type, separated by ','
//                    (not set: 0, no catalogue object)
//   control          control command 1000 sent before the report: up to four parameters
//                    separated by ',' for elements 1 to 4 (0 allows office reports,
//                    database directory, station name, sale log mode)
// Booleans are true/false, yes/no, 1/0. All texts are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kvr::host {

// A mistake in the command line or the settings file (exit code 2).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PaymentCode {
  std::int32_t code = 0;
  std::uint8_t check_type = 0;
};

struct HostSettings {
  std::string library;
  std::string root;
  std::optional<std::string> database_dir;
  bool office_mode = false;
  std::optional<std::string> station;
  bool ka_column = false;
  std::optional<std::vector<std::string>> payment_names;
  std::int32_t host_kind = 0;
  std::optional<std::vector<PaymentCode>> payment_codes;
  std::optional<std::vector<std::string>> control;
};

// Sets one key; an unknown key or a bad value raises UsageError.
void ApplySetting(HostSettings& settings, std::string_view key, std::string_view value);

// Reads "key = value" lines; blank lines and lines starting with '#' or ';' are skipped.
void ApplySettingsText(HostSettings& settings, std::string_view text, std::string_view origin);
void LoadSettingsFile(HostSettings& settings, const std::string& path);

std::vector<std::string> SplitList(std::string_view text, char separator);

}  // namespace kvr::host
