#include "report_params.h"

#include <charconv>
#include <cstdio>

#include "common/date_time.h"
#include "common/number_text.h"
#include "common/variant.h"
#include "host_settings.h"

namespace kvr::host {
namespace {

bool LooksLikeDate(std::string_view text) {
  return text.size() >= 10 && text[4] == '-' && text[7] == '-';
}

bool TryDateTime(std::string_view text, double& out) {
  if (!LooksLikeDate(text)) return false;
  try {
    out = Variant(text).AsDateTime();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

HostParam Make(HostParam::Kind kind, std::string_view source) {
  HostParam p;
  p.kind = kind;
  p.source = source;
  return p;
}

}  // namespace

HostParam ParseParam(std::string_view text) {
  if (text == "null") return Make(HostParam::Kind::kNull, text);
  if (text == "empty") return Make(HostParam::Kind::kEmpty, text);
  std::string_view prefix = text.size() >= 2 && text[1] == ':' ? text.substr(0, 2) : "";
  std::string_view value = prefix.empty() ? text : text.substr(2);
  auto bad = [&](const char* what) {
    return UsageError("parameter '" + std::string(text) + "': " + what);
  };
  HostParam p;
  p.source = text;
  if (prefix == "s:") {
    p.kind = HostParam::Kind::kText;
    p.text = value;
  } else if (prefix == "i:") {
    p.kind = HostParam::Kind::kInteger;
    if (!TryParseInt64(value, p.integer)) throw bad("not an integer");
  } else if (prefix == "f:") {
    p.kind = HostParam::Kind::kFloat;
    if (!TryParseFloat(value, p.real)) throw bad("not a number");
  } else if (prefix == "d:") {
    p.kind = HostParam::Kind::kDateTime;
    if (!TryDateTime(value, p.real)) throw bad("not a date-time (yyyy-mm-dd[Thh:nn[:ss[.zzz]]])");
  } else if (prefix == "b:") {
    p.kind = HostParam::Kind::kBoolean;
    if (value == "true")
      p.integer = 1;
    else if (value != "false")
      throw bad("not true or false");
  } else if (TryParseInt64(text, p.integer)) {
    p.kind = HostParam::Kind::kInteger;
  } else if (TryDateTime(text, p.real)) {
    p.kind = HostParam::Kind::kDateTime;
  } else {
    p.kind = HostParam::Kind::kText;
    p.text = text;
  }
  return p;
}

kvr_variant BuildParamsArray(const std::vector<HostParam>& params) {
  kvr_variant result;
  kvr_variant_init(&result);
  kvr_array* array = kvr_array_create(0, static_cast<std::uint32_t>(params.size()), 0, 0);
  if (!array) throw std::bad_alloc();
  for (std::size_t i = 0; i < params.size(); ++i) {
    kvr_variant* element = kvr_array_at(array, static_cast<std::int32_t>(i), 0);
    const HostParam& p = params[i];
    switch (p.kind) {
      case HostParam::Kind::kEmpty: break;
      case HostParam::Kind::kNull: kvr_variant_set_null(element); break;
      case HostParam::Kind::kInteger:
        if (p.integer >= INT32_MIN && p.integer <= INT32_MAX)
          kvr_variant_set_i4(element, static_cast<std::int32_t>(p.integer));
        else
          kvr_variant_set_i8(element, p.integer);
        break;
      case HostParam::Kind::kFloat: kvr_variant_set_r8(element, p.real); break;
      case HostParam::Kind::kDateTime: kvr_variant_set_date(element, p.real); break;
      case HostParam::Kind::kText: kvr_variant_set_utf8(element, p.text.c_str()); break;
      case HostParam::Kind::kBoolean: kvr_variant_set_bool(element, p.integer != 0); break;
    }
  }
  kvr_variant_set_array(&result, array);
  return result;
}

std::string Describe(const HostParam& p) {
  switch (p.kind) {
    case HostParam::Kind::kEmpty: return "empty";
    case HostParam::Kind::kNull: return "null";
    case HostParam::Kind::kInteger: return std::to_string(p.integer);
    case HostParam::Kind::kFloat: return FloatToText(p.real);
    case HostParam::Kind::kBoolean: return p.integer ? "true" : "false";
    case HostParam::Kind::kText: return "\"" + p.text + "\"";
    case HostParam::Kind::kDateTime: {
      DateTimeParts t = DecodeDateTime(p.real);
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.date.year,
                    t.date.month, t.date.day, t.time.hour, t.time.minute, t.time.second,
                    t.time.msec);
      return buffer;
    }
  }
  return "?";
}

}  // namespace kvr::host
