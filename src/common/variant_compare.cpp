#include "common/number_text.h"
#include "common/variant.h"

namespace kvr {
namespace {

using std::partial_ordering;

enum class Kind { kEmpty, kNull, kInteger, kFloat, kBoolean, kText, kArray };

Kind KindOf(const Variant& v) {
  if (v.IsArray()) return Kind::kArray;
  switch (v.Type()) {
    case VT_EMPTY: return Kind::kEmpty;
    case VT_NULL: return Kind::kNull;
    case VT_I2:
    case VT_I4:
    case VT_I8: return Kind::kInteger;
    case VT_R8:
    case VT_DATE: return Kind::kFloat;
    case VT_BOOL: return Kind::kBoolean;
    case VT_BSTR: return Kind::kText;
    default: return Kind::kArray;
  }
}

partial_ordering CompareFloats(double a, double b) { return a <=> b; }

partial_ordering CompareTexts(const std::string& a, const std::string& b) {
  int c = a.compare(b);
  return c < 0   ? partial_ordering::less
         : c > 0 ? partial_ordering::greater
                 : partial_ordering::equivalent;
}

// Both sides numbers (or Booleans, or Empty as 0); a text side has been converted already.
partial_ordering CompareNumbers(const Variant& a, const Variant& b) {
  Kind ka = KindOf(a), kb = KindOf(b);
  bool exact = ka != Kind::kFloat && kb != Kind::kFloat;
  if (exact) return a.AsInt64() <=> b.AsInt64();
  return CompareFloats(a.AsFloat(), b.AsFloat());
}

// The text converted to the type of the other side (a number, date-time or Boolean).
Variant TextAs(const Variant& text, const Variant& other) {
  switch (other.Type()) {
    case VT_DATE: return Variant::FromDateTime(text.AsDateTime());
    case VT_BOOL: return Variant(text.AsBoolean());
    case VT_R8: return Variant(text.AsFloat());
    default: {
      std::int64_t integer;
      if (TryParseInt64(text.StoredText(), integer)) return Variant(integer);
      return Variant(text.AsFloat());  // raises the cast error for a text that is no number
    }
  }
}

}  // namespace

partial_ordering VarCompare(const Variant& left, const Variant& right) {
  Kind kl = KindOf(left), kr = KindOf(right);
  if (kl == Kind::kArray || kr == Kind::kArray)
    throw EVariantInvalidOpError("Invalid variant operation");
  if (kl == Kind::kNull || kr == Kind::kNull)
    return kl == kr ? partial_ordering::equivalent : partial_ordering::unordered;
  if (kl == Kind::kText && kr == Kind::kText)
    return CompareTexts(left.StoredText(), right.StoredText());
  if (kl == Kind::kText)
    return kr == Kind::kEmpty ? CompareTexts(left.StoredText(), std::string())
                              : CompareNumbers(TextAs(left, right), right);
  if (kr == Kind::kText)
    return kl == Kind::kEmpty ? CompareTexts(std::string(), right.StoredText())
                              : CompareNumbers(left, TextAs(right, left));
  return CompareNumbers(left, right);
}

}  // namespace kvr
