#include "format/date_time_pattern.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kvr::format {

enum class DateTimePattern::Op : std::uint8_t {
  kText,   // texts_[a]
  kYear2,  // the year's last two digits
  kYear4,  // the year, at least four digits
  kMonth,  // numbers with at least `digits` digits
  kDay,
  kHour,    // 0..23
  kHour12,  // 1..12
  kMinute,
  kSecond,
  kMillisecond,
  kMonthName,  // texts_[a + month - 1] of b names
  kDayName,    // texts_[a + day of week - 1] of b names
  kAmPm,       // texts_[a] before noon, texts_[b] from noon
  kIfTime,     // skips the next a steps when the time of day is 0:00:00.000
};

namespace {

// The pattern is read as AppendFormatDateTime reads it (date_time_text.cpp); the two must
// agree letter for letter, which the tests check on many patterns.
char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (Upper(text[at + i]) != Upper(prefix[i])) return false;
  return true;
}

// True when an AM/PM marker follows position `from` (outside quoted text).
bool HasAmPmAfter(std::string_view pattern, std::size_t from) {
  for (std::size_t i = from; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\'' || c == '"') {
      std::size_t close = pattern.find(c, i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
      continue;
    }
    if (StartsWithNoCase(pattern, i, "am/pm") || StartsWithNoCase(pattern, i, "a/p") ||
        StartsWithNoCase(pattern, i, "ampm"))
      return true;
  }
  return false;
}

// The most characters PutNumber writes for an int with at most 4 least digits: a sign and
// ten digits.
constexpr std::size_t kNumberWidth = 11;

// Writes `value` with at least `min_digits` digits at `out`; returns the end.
char* PutNumber(char* out, int value, int min_digits) {
  if (value >= 0 && value < 100 && min_digits <= 2) {  // nearly every part of a date
    if (value >= 10 || min_digits == 2) *out++ = static_cast<char>('0' + value / 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
  }
  if (value >= 1000 && value < 10000 && min_digits <= 4) {  // a year
    for (int k = 3; k >= 0; --k, value /= 10) out[k] = static_cast<char>('0' + value % 10);
    return out + 4;
  }
  char reversed[16];
  int n = 0;
  const bool negative = value < 0;
  unsigned v = negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    reversed[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n < min_digits) reversed[n++] = '0';
  if (negative) *out++ = '-';
  while (n > 0) *out++ = reversed[--n];
  return out;
}

char* PutText(char* out, const std::string& text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

}  // namespace

// Turns pattern letters into steps, following DateTimeWriter::Write step for step.
class DateTimePattern::Reader {
 public:
  Reader(DateTimePattern& target, const TFormatSettings& settings)
      : target_(target), settings_(settings) {}

  void Read(std::string_view pattern, int depth) {
    if (pattern.empty()) pattern = "c";
    char last_token = ' ';
    std::size_t i = 0;
    while (i < pattern.size()) {
      const char c = pattern[i];
      char token = Upper(c);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && last_token == 'H') token = 'N';
        last_token = token;
      }
      auto count_run = [&](char upper) {
        std::size_t n = 0;
        while (i < pattern.size() && Upper(pattern[i]) == upper) ++i, ++n;
        return static_cast<int>(n);
      };
      switch (token) {
        case 'Y': target_.AddStep(count_run('Y') <= 2 ? Op::kYear2 : Op::kYear4); break;
        case 'M': {
          int n = count_run('M');
          if (n <= 2)
            Number(Op::kMonth, n);
          else
            Names(Op::kMonthName, n == 3 ? settings_.ShortMonthNames : settings_.LongMonthNames);
          break;
        }
        case 'D': {
          int n = count_run('D');
          if (n <= 2)
            Number(Op::kDay, n);
          else if (n <= 4)
            Names(Op::kDayName, n == 3 ? settings_.ShortDayNames : settings_.LongDayNames);
          else
            Nested(n == 5 ? settings_.ShortDateFormat : settings_.LongDateFormat, depth);
          break;
        }
        case 'H': {
          const bool twelve = HasAmPmAfter(pattern, i);
          const int n = count_run('H');
          Number(twelve ? Op::kHour12 : Op::kHour, n <= 1 ? 1 : 2);
          break;
        }
        case 'N': Number(Op::kMinute, count_run(Upper(c)) <= 1 ? 1 : 2); break;
        case 'S': Number(Op::kSecond, count_run('S') <= 1 ? 1 : 2); break;
        case 'Z': Number(Op::kMillisecond, count_run('Z') <= 1 ? 1 : 3); break;
        case 'T':
          Nested(count_run('T') == 1 ? settings_.ShortTimeFormat : settings_.LongTimeFormat, depth);
          break;
        case 'C': {
          count_run('C');
          Nested(settings_.ShortDateFormat, depth);
          const std::size_t condition = target_.steps_.size();
          target_.AddStep(Op::kIfTime);
          target_.merge_from_ = target_.steps_.size();
          target_.AddText(" ");
          Nested(settings_.LongTimeFormat, depth);
          target_.steps_[condition].a =
              static_cast<std::uint32_t>(target_.steps_.size() - condition - 1);
          target_.merge_from_ = target_.steps_.size();
          break;
        }
        case 'A': i = AmPm(pattern, i); break;
        case '/':
          if (settings_.DateSeparator) target_.AddText({&settings_.DateSeparator, 1});
          ++i;
          break;
        case ':':
          if (settings_.TimeSeparator) target_.AddText({&settings_.TimeSeparator, 1});
          ++i;
          break;
        case '\'':
        case '"': {
          std::size_t close = pattern.find(c, i + 1);
          std::size_t end = close == std::string_view::npos ? pattern.size() : close;
          target_.AddText(pattern.substr(i + 1, end - i - 1));
          i = close == std::string_view::npos ? end : close + 1;
          break;
        }
        default: target_.AddText(pattern.substr(i, 1)); ++i;
      }
    }
  }

 private:
  void Number(Op op, int digits) { target_.AddStep(op, static_cast<std::uint8_t>(digits)); }

  template <std::size_t N>
  void Names(Op op, const std::array<std::string, N>& names) {
    const std::uint32_t first = static_cast<std::uint32_t>(target_.texts_.size());
    for (const std::string& name : names) target_.texts_.push_back(name);
    target_.AddStep(op, 0, first, static_cast<std::uint32_t>(N));
  }

  void Nested(std::string_view pattern, int depth) {
    if (depth < 2) Read(pattern, depth + 1);
  }

  std::size_t AmPm(std::string_view pattern, std::size_t i) {
    if (StartsWithNoCase(pattern, i, "am/pm")) {
      AmPmStep(pattern.substr(i, 2), pattern.substr(i + 3, 2));
      return i + 5;
    }
    if (StartsWithNoCase(pattern, i, "a/p")) {
      AmPmStep(pattern.substr(i, 1), pattern.substr(i + 2, 1));
      return i + 3;
    }
    if (StartsWithNoCase(pattern, i, "ampm")) {
      AmPmStep(settings_.TimeAMString, settings_.TimePMString);
      return i + 4;
    }
    target_.AddText(pattern.substr(i, 1));
    return i + 1;
  }

  void AmPmStep(std::string_view am, std::string_view pm) {
    const std::uint32_t am_index = target_.AddString(am);
    target_.AddStep(Op::kAmPm, 0, am_index, target_.AddString(pm));
  }

  DateTimePattern& target_;
  const TFormatSettings& settings_;
};

void DateTimePattern::AddStep(Op op, std::uint8_t digits, std::uint32_t a, std::uint32_t b) {
  steps_.push_back({op, digits, a, b});
  switch (op) {
    case Op::kText: max_length_ += texts_[a].size(); break;
    case Op::kMonthName:
    case Op::kDayName: {
      std::size_t longest = 0;
      for (std::uint32_t k = a; k < a + b; ++k) longest = std::max(longest, texts_[k].size());
      max_length_ += longest;
      break;
    }
    case Op::kAmPm: max_length_ += std::max(texts_[a].size(), texts_[b].size()); break;
    case Op::kIfTime: break;
    default: max_length_ += kNumberWidth;  // a number
  }
}

std::uint32_t DateTimePattern::AddString(std::string_view text) {
  texts_.emplace_back(text);
  return static_cast<std::uint32_t>(texts_.size() - 1);
}

DateTimePattern& DateTimePattern::Add(std::string_view pattern, const TFormatSettings& settings) {
  Reader(*this, settings).Read(pattern, 0);
  return *this;
}

DateTimePattern& DateTimePattern::AddText(std::string_view text) {
  if (text.empty()) return *this;
  // Adjacent texts become one, except across the edges of a step that may be skipped.
  if (steps_.size() > merge_from_ && steps_.back().op == Op::kText) {
    texts_[steps_.back().a].append(text);
    max_length_ += text.size();
    return *this;
  }
  AddStep(Op::kText, 0, AddString(text));
  return *this;
}

void DateTimePattern::AppendTo(std::string& out, TDateTime value) const {
  const DateTimeParts parts = DecodeDateTime(value);
  const TimeParts& time = parts.time;
  // Room for the longest text first, so that each step writes characters without a check.
  const std::size_t start = out.size();
  out.resize(start + max_length_);
  char* const begin = out.data();
  char* p = begin + start;
  const std::size_t count = steps_.size();
  for (std::size_t i = 0; i < count; ++i) {
    const Step& step = steps_[i];
    switch (step.op) {
      case Op::kText: p = PutText(p, texts_[step.a]); break;
      case Op::kYear2: p = PutNumber(p, parts.date.year % 100, 2); break;
      case Op::kYear4: p = PutNumber(p, parts.date.year, 4); break;
      case Op::kMonth: p = PutNumber(p, parts.date.month, step.digits); break;
      case Op::kDay: p = PutNumber(p, parts.date.day, step.digits); break;
      case Op::kHour: p = PutNumber(p, time.hour, step.digits); break;
      case Op::kHour12: {
        const int hour = time.hour % 12;
        p = PutNumber(p, hour == 0 ? 12 : hour, step.digits);
        break;
      }
      case Op::kMinute: p = PutNumber(p, time.minute, step.digits); break;
      case Op::kSecond: p = PutNumber(p, time.second, step.digits); break;
      case Op::kMillisecond: p = PutNumber(p, time.msec, step.digits); break;
      case Op::kMonthName:
      case Op::kDayName: {
        const int index = (step.op == Op::kMonthName ? parts.date.month : parts.day_of_week) - 1;
        if (index >= 0 && index < static_cast<int>(step.b))
          p = PutText(p, texts_[step.a + static_cast<std::uint32_t>(index)]);
        break;
      }
      case Op::kAmPm: p = PutText(p, texts_[time.hour >= 12 ? step.b : step.a]); break;
      case Op::kIfTime:
        if (time.hour == 0 && time.minute == 0 && time.second == 0 && time.msec == 0) i += step.a;
        break;
    }
  }
  out.resize(static_cast<std::size_t>(p - begin));
}

std::string DateTimePattern::Format(TDateTime value) const {
  std::string out;
  AppendTo(out, value);
  return out;
}

}  // namespace kvr::format
