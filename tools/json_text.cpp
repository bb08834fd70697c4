#include "json_text.h"

#include <cmath>
#include <cstdio>

namespace kvr::host {
namespace {

// The length of the valid UTF-8 sequence at the start of `s`, or 0.
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const auto cont = [&](std::size_t i) { return i < s.size() && (b(i) & 0xC0) == 0x80; };
  const unsigned char c = b(0);
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (!cont(1) || !cont(2)) return 0;
    if (c == 0xE0 && b(1) < 0xA0) return 0;   // overlong
    if (c == 0xED && b(1) >= 0xA0) return 0;  // surrogates
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    if (c == 0xF0 && b(1) < 0x90) return 0;
    if (c == 0xF4 && b(1) >= 0x90) return 0;
    return 4;
  }
  return 0;
}

}  // namespace

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  while (!utf8.empty()) {
    const unsigned char c = static_cast<unsigned char>(utf8[0]);
    const std::size_t n = Utf8SequenceLength(utf8);
    if (n == 0) {
      out += "\\ufffd";
      utf8.remove_prefix(1);
      continue;
    }
    if (c == '"')
      out += "\\\"";
    else if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out.append(utf8.substr(0, n));
    }
    utf8.remove_prefix(n);
  }
  return out + "\"";
}

void JsonObject::Key(std::string_view key) {
  if (body_.size() > 1) body_ += ",";
  body_ += JsonString(key);
  body_ += ":";
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view utf8) {
  Key(key);
  body_ += JsonString(utf8);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
  Key(key);
  body_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, std::int64_t value) {
  Key(key);
  body_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::AddNumber(std::string_view key, double value, int decimals) {
  if (!std::isfinite(value)) return AddNull(key);
  Key(key);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  body_ += buffer;
  return *this;
}

JsonObject& JsonObject::AddNull(std::string_view key) {
  Key(key);
  body_ += "null";
  return *this;
}

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view json) {
  Key(key);
  body_ += json;
  return *this;
}

}  // namespace kvr::host
