#include "dbf/dbf_filter.h"

#include <cstring>

#include "codepage/code_page.h"
#include "common/date_time.h"
#include "common/number_text.h"
#include "dataset/field_text.h"
#include "dbf/dbf_field_codec.h"

namespace kvr {

namespace {

struct OperatorText {
  std::string_view text;
  int op;
};
constexpr OperatorText kOperators[] = {{">=", 0}, {"<=", 1}, {"<>", 2},
                                       {">", 3},  {"<", 4},  {"=", 5}};

// Both kinds of decimal point: the last '.' or ',' becomes '.'.
bool ParseNumber(std::string_view text, std::string& scratch, double& out) {
  scratch.assign(text);
  const std::size_t point = scratch.find_last_of(".,");
  if (point != std::string::npos) scratch[point] = '.';
  return TryParseFloat(scratch, out);
}

bool BooleanOf(std::string_view text) {
  if (text.empty()) return false;
  return std::strchr("1TYty", text[0]) != nullptr && text[0] != '\0';
}

bool ParseRecordDate(std::string_view text, TDateTime& out) {
  if (text.size() != 8) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  auto number = [&](std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  return TryEncodeDate(number(0, 4), number(4, 2), number(6, 2), out);
}

bool ParseFilterDate(std::string_view text, TDateTime& out) {
  try {
    out = static_cast<double>(static_cast<long long>(TextToDateTime(text)));
    return true;
  } catch (const Exception&) {
    return false;
  }
}

template <typename T>
int Order(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

DBFFilter::DBFFilter(std::string_view filter, const DBFFieldList& fields) {
  for (const OperatorText& candidate : kOperators) {
    const std::size_t at = filter.find(candidate.text);
    if (at == std::string_view::npos) continue;
    op_ = static_cast<Op>(candidate.op);
    std::string_view name = TrimBlanks(filter.substr(0, at));
    // The filter value is taken in upper case (the record value only with case_insensitive).
    value_ = codepage::AnsiUpperCase(TrimBlanks(filter.substr(at + candidate.text.size())));
    value_is_number_ = ParseNumber(value_, right_, value_number_);
    value_is_date_ = ParseFilterDate(value_, value_date_);
    for (const TDBFField& field : fields)
      if (codepage::AnsiSameText(field.Name, name)) {
        field_ = &field;
        break;
      }
    return;
  }
}

bool DBFFilter::Compare(int order) const {
  switch (op_) {
    case Op::kGe: return order >= 0;
    case Op::kLe: return order <= 0;
    case Op::kNe: return order != 0;
    case Op::kGt: return order > 0;
    case Op::kLt: return order < 0;
    case Op::kEq: return order == 0;
  }
  return false;
}

bool DBFFilter::Passes(std::string_view record, bool oem, const FilterOptions& options) const {
  if (!field_) return true;
  const TDBFField& field = *field_;
  std::string_view raw;
  if (field.Offset < record.size()) raw = record.substr(field.Offset, field.Length);

  switch (field.DataType) {
    case FieldType::String: {
      left_.assign(raw);
      if (oem) codepage::OemToAnsi(left_.data(), left_.size());
      std::string_view left = TrimBlanks(left_);
      std::string_view right = value_;
      if (options.case_insensitive) {
        for (char& c : left_) c = codepage::AnsiUpperChar(c);
        left = TrimBlanks(left_);
      }
      if (op_ == Op::kEq && !options.no_partial_compare)
        return left.find(right) != std::string_view::npos;
      const int order = left.compare(right);
      return Compare(order < 0 ? -1 : (order > 0 ? 1 : 0));
    }
    case FieldType::Integer:
    case FieldType::Float: {
      double left = 0;
      if (!value_is_number_ || !ParseNumber(TrimBlanks(raw), left_, left)) return false;
      return Compare(Order(left, value_number_));
    }
    case FieldType::Boolean: return Compare(Order(BooleanOf(TrimBlanks(raw)), BooleanOf(value_)));
    case FieldType::Date: {
      TDateTime left = 0;
      if (!value_is_date_ || !ParseRecordDate(TrimBlanks(raw), left)) return false;
      return Compare(Order(left, value_date_));
    }
    default: return false;
  }
}

}  // namespace kvr
