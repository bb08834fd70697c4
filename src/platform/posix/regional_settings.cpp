#include "platform/regional_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <string_view>

#include "codepage/code_page.h"

namespace kvr::platform {
namespace {

// Owns a locale object from newlocale().
class LocaleHandle {
 public:
  LocaleHandle() : handle_(::newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0))) {}
  ~LocaleHandle() {
    if (handle_) ::freelocale(handle_);
  }
  LocaleHandle(const LocaleHandle&) = delete;
  LocaleHandle& operator=(const LocaleHandle&) = delete;
  locale_t get() const { return handle_; }

 private:
  locale_t handle_;
};

// strftime pattern -> our pattern; unknown conversions are dropped.
std::string FromStrftime(std::string_view pattern) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c != '%' || i + 1 == pattern.size()) {
      out += c;
      continue;
    }
    char conversion = pattern[++i];
    if (conversion == 'E' || conversion == 'O') {  // alternative-representation modifiers
      if (i + 1 == pattern.size()) break;
      conversion = pattern[++i];
    }
    switch (conversion) {
      case 'd':
      case 'e': out += "dd"; break;
      case 'm': out += "mm"; break;
      case 'y': out += "yy"; break;
      case 'Y': out += "yyyy"; break;
      case 'H':
      case 'I':
      case 'k':
      case 'l': out += "hh"; break;
      case 'M': out += "nn"; break;
      case 'S': out += "ss"; break;
      case 'p':
      case 'P': out += "ampm"; break;
      case 'D': out += "mm/dd/yy"; break;
      case 'F': out += "yyyy-mm-dd"; break;
      case 'T': out += "hh:nn:ss"; break;
      case 'R': out += "hh:nn"; break;
      case 'r': out += "hh:nn:ss ampm"; break;
      case '%': out += '%'; break;
      default: break;
    }
  }
  return out;
}

// The first character of a pattern that is not a pattern letter or blank: its separator.
char SeparatorOf(std::string_view pattern, char fallback) {
  for (char c : pattern) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && c != ' ') return c;
  }
  return fallback;
}

// Windows texts are single-byte: a locale word that is not plain ASCII is kept only when it
// converts to Windows-1251.
std::string Word(const char* utf8, const std::string& fallback) {
  if (!utf8 || !*utf8) return fallback;
  std::string w = codepage::Utf8ToCp1251(utf8);
  return w.find('?') == std::string::npos ? w : fallback;
}

}  // namespace

RegionalSettings UserRegionalSettings() {
  RegionalSettings s;
  LocaleHandle locale;
  if (!locale.get()) return s;
  std::string date = FromStrftime(::nl_langinfo_l(D_FMT, locale.get()));
  std::string time = FromStrftime(::nl_langinfo_l(T_FMT, locale.get()));
  if (!date.empty()) s.short_date_format = s.long_date_format = date;
  if (!time.empty()) s.long_time_format = time;
  s.date_separator = SeparatorOf(s.short_date_format, s.date_separator);
  s.time_separator = SeparatorOf(s.long_time_format, s.time_separator);
  std::string_view radix = ::nl_langinfo_l(RADIXCHAR, locale.get());
  if (radix.size() == 1) s.decimal_separator = radix[0];
  std::string_view thousands = ::nl_langinfo_l(THOUSEP, locale.get());
  s.thousand_separator = thousands.size() == 1 ? thousands[0] : '\0';
  if (s.thousand_separator == '\0') s.thousand_separator = s.decimal_separator == ',' ? ' ' : ',';
  s.am_word = Word(::nl_langinfo_l(AM_STR, locale.get()), s.am_word);
  s.pm_word = Word(::nl_langinfo_l(PM_STR, locale.get()), s.pm_word);
  return s;
}

}  // namespace kvr::platform
