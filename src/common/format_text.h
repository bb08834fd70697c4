// Positional formatting with the placeholders the system's messages use:
//   %[index:][-][width][.precision]type   type: d u x s f e g n, and %% for '%'.
// A placeholder whose argument is missing or of the wrong kind raises EConvertError
// "Format '<format>' invalid or incompatible with argument", as the messages' users expect.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kvr {

class FormatArg {
 public:
  enum class Kind { kInteger, kFloat, kText };
  FormatArg(int v) : kind_(Kind::kInteger), integer_(v) {}
  FormatArg(unsigned v) : kind_(Kind::kInteger), integer_(v) {}
  FormatArg(long v) : kind_(Kind::kInteger), integer_(v) {}
  FormatArg(unsigned long v) : kind_(Kind::kInteger), integer_(static_cast<std::int64_t>(v)) {}
  FormatArg(long long v) : kind_(Kind::kInteger), integer_(v) {}
  FormatArg(double v) : kind_(Kind::kFloat), float_(v) {}
  FormatArg(std::string_view v) : kind_(Kind::kText), text_(v) {}
  FormatArg(const std::string& v) : kind_(Kind::kText), text_(v) {}
  FormatArg(const char* v) : kind_(Kind::kText), text_(v ? v : "") {}

  Kind kind() const { return kind_; }
  std::int64_t integer() const { return integer_; }
  double floating() const { return float_; }
  std::string_view text() const { return text_; }

 private:
  Kind kind_;
  std::int64_t integer_ = 0;
  double float_ = 0;
  std::string_view text_;
};

std::string Format(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace kvr
