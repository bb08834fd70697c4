// Just enough JSON for kvrhost --json: one object of named values, written on one line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvr::host {

// `utf8` as a JSON string literal; invalid UTF-8 bytes become U+FFFD, so the result is
// always valid JSON.
std::string JsonString(std::string_view utf8);

class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view utf8);
  JsonObject& Add(std::string_view key, const char* utf8) {
    return Add(key, std::string_view(utf8));
  }
  JsonObject& Add(std::string_view key, bool value);
  JsonObject& Add(std::string_view key, std::int64_t value);
  JsonObject& Add(std::string_view key, int value) {
    return Add(key, static_cast<std::int64_t>(value));
  }
  // A number with `decimals` digits after the point; null when not finite.
  JsonObject& AddNumber(std::string_view key, double value, int decimals);
  JsonObject& AddNull(std::string_view key);
  // `json` is a value already written (an object or array).
  JsonObject& AddRaw(std::string_view key, std::string_view json);
  std::string Text() const { return body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string body_ = "{";
};

}  // namespace kvr::host
