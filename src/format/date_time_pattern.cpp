#include "format/date_time_pattern.h"

#include <algorithm>
#include <cstring>

#include "format/date_time_reader.h"

namespace kvr::format {

using detail::DateTimeName;
using detail::DateTimeNumber;
using detail::kNumberWidth;
using detail::PutNumber;

// The numbers first, in the order of DateTimeNumber, so that a number's step is its number.
enum class DateTimePattern::Op : std::uint8_t {
  kYear2,  // numbers with at least `digits` digits
  kYear4,
  kMonth,
  kDay,
  kHour,
  kHour12,
  kMinute,
  kSecond,
  kMillisecond,
  kText,       // texts_[a]
  kMonthName,  // texts_[a + month - 1] of b names
  kDayName,    // texts_[a + day of week - 1] of b names
  kAmPm,       // texts_[a] before noon, texts_[b] from noon
  kIfTime,     // skips the next a steps when the time of day is 0:00:00.000
};

namespace {

char* PutText(char* out, const std::string& text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

}  // namespace

// What the pattern reader finds, as steps.
class DateTimePattern::Builder {
 public:
  explicit Builder(DateTimePattern& target) : target_(target) {}

  void Text(std::string_view text) { target_.AddText(text); }
  void Number(DateTimeNumber number, int digits) {
    static_assert(static_cast<int>(Op::kMillisecond) ==
                  static_cast<int>(DateTimeNumber::kMillisecond));
    target_.AddStep(static_cast<Op>(number), static_cast<std::uint8_t>(digits));
  }
  template <std::size_t N>
  void Names(DateTimeName name, const std::array<std::string, N>& names) {
    const std::uint32_t first = static_cast<std::uint32_t>(target_.texts_.size());
    for (const std::string& text : names) target_.texts_.push_back(text);
    target_.AddStep(name == DateTimeName::kMonth ? Op::kMonthName : Op::kDayName, 0, first,
                    static_cast<std::uint32_t>(N));
  }
  void AmPm(std::string_view am, std::string_view pm) {
    const std::uint32_t am_index = target_.AddString(am);
    target_.AddStep(Op::kAmPm, 0, am_index, target_.AddString(pm));
  }
  template <class Add>
  void WhenTimeOfDay(Add add) {
    const std::size_t condition = target_.steps_.size();
    target_.AddStep(Op::kIfTime);
    target_.merge_from_ = target_.steps_.size();
    add();
    target_.steps_[condition].a = static_cast<std::uint32_t>(target_.steps_.size() - condition - 1);
    target_.merge_from_ = target_.steps_.size();
  }

 private:
  DateTimePattern& target_;
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
  Builder builder(*this);
  detail::DateTimeReader(builder, settings).Read(pattern);
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
      case Op::kMonthName:
      case Op::kDayName: {
        const int index = detail::NameIndexOf(
            step.op == Op::kMonthName ? DateTimeName::kMonth : DateTimeName::kDay, parts);
        if (index >= 0 && index < static_cast<int>(step.b))
          p = PutText(p, texts_[step.a + static_cast<std::uint32_t>(index)]);
        break;
      }
      case Op::kAmPm: p = PutText(p, texts_[time.hour >= 12 ? step.b : step.a]); break;
      case Op::kIfTime:
        if (!detail::HasTimeOfDay(parts)) i += step.a;
        break;
      default:  // a number
        p = PutNumber(p, detail::NumberOf(static_cast<DateTimeNumber>(step.op), parts),
                      step.digits);
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
