#include "host_settings.h"

#include <charconv>

#include "common/exceptions.h"
#include "platform/file_system.h"

namespace kvr::host {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool ParseBool(std::string_view key, std::string_view value) {
  for (std::string_view yes : {"true", "yes", "1", "on"})
    if (value == yes) return true;
  for (std::string_view no : {"false", "no", "0", "off"})
    if (value == no) return false;
  throw UsageError(std::string(key) + ": expected true or false, got '" + std::string(value) + "'");
}

template <typename Integer>
Integer ParseInteger(std::string_view key, std::string_view value) {
  Integer result{};
  auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), result);
  if (ec != std::errc() || ptr != value.data() + value.size() || value.empty())
    throw UsageError(std::string(key) + ": expected an integer, got '" + std::string(value) + "'");
  return result;
}

std::vector<PaymentCode> ParsePaymentCodes(std::string_view value) {
  std::vector<PaymentCode> codes;
  for (const std::string& item : SplitList(value, ',')) {
    std::string_view entry = item;
    PaymentCode code;
    std::size_t colon = entry.find(':');
    code.code = ParseInteger<std::int32_t>("payment-codes", entry.substr(0, colon));
    if (colon != std::string_view::npos) {
      int check = ParseInteger<int>("payment-codes", entry.substr(colon + 1));
      if (check < 0 || check > 255) throw UsageError("payment-codes: a check type is 0 to 255");
      code.check_type = static_cast<std::uint8_t>(check);
    }
    codes.push_back(code);
  }
  return codes;
}

}  // namespace

std::vector<std::string> SplitList(std::string_view text, char separator) {
  std::vector<std::string> items;
  if (Trim(text).empty()) return items;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find(separator, start);
    items.emplace_back(Trim(text.substr(start, end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return items;
}

void ApplySetting(HostSettings& s, std::string_view key, std::string_view value) {
  if (key == "library")
    s.library = value;
  else if (key == "root")
    s.root = value;
  else if (key == "database-dir")
    s.database_dir = std::string(value);
  else if (key == "office-mode")
    s.office_mode = ParseBool(key, value);
  else if (key == "station")
    s.station = std::string(value);
  else if (key == "ka-column")
    s.ka_column = ParseBool(key, value);
  else if (key == "payment-names")
    s.payment_names = SplitList(value, ';');
  else if (key == "host-kind")
    s.host_kind = ParseInteger<std::int32_t>(key, value);
  else if (key == "payment-codes")
    s.payment_codes = ParsePaymentCodes(value);
  else if (key == "control") {
    std::vector<std::string> elements = SplitList(value, ',');
    if (elements.empty() || elements.size() > 4)
      throw UsageError("control: one to four parameters (elements 1 to 4)");
    s.control = std::move(elements);
  } else {
    throw UsageError("unknown setting '" + std::string(key) + "'");
  }
}

void ApplySettingsText(HostSettings& settings, std::string_view text, std::string_view origin) {
  int line_number = 0;
  for (const std::string& raw : SplitList(text, '\n')) {
    ++line_number;
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
      throw UsageError(std::string(origin) + ":" + std::to_string(line_number) +
                       ": expected key = value");
    try {
      ApplySetting(settings, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    } catch (const UsageError& e) {
      throw UsageError(std::string(origin) + ":" + std::to_string(line_number) + ": " + e.what());
    }
  }
}

void LoadSettingsFile(HostSettings& settings, const std::string& path) {
  std::string text;
  try {
    text = platform::ReadWholeFile(path);
  } catch (const Exception& e) {
    throw UsageError("cannot read the settings file " + path + ": " + e.Message());
  }
  ApplySettingsText(settings, text, path);
}

}  // namespace kvr::host
