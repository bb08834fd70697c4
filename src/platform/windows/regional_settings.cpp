// The user's regional settings from GetLocaleInfoW, as Delphi's GetLocaleFormatSettings reads
// them.
#include "platform/regional_settings.h"

#include <string_view>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace kvr::platform {
namespace {

std::string LocaleText(LCTYPE what) {
  wchar_t buffer[128];
  const int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, what, buffer, 128);
  return n > 1 ? NarrowText(buffer, static_cast<std::size_t>(n - 1)) : std::string();
}

// Windows picture -> our pattern: M months, m minutes, H/h hours, t/tt AM-PM; quoted text kept.
std::string FromPicture(std::string_view picture) {
  std::string out;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const char c = picture[i];
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    switch (c) {
      case 'd': out.append(run >= 3 ? run : 2, 'd'); break;
      case 'M': out.append(run >= 3 ? run : 2, 'm'); break;
      case 'y': out += run >= 3 ? "yyyy" : "yy"; break;
      case 'H':
      case 'h': out += run >= 2 ? "hh" : "h"; break;
      case 'm': out += run >= 2 ? "nn" : "n"; break;
      case 's': out += run >= 2 ? "ss" : "s"; break;
      case 't': out += "ampm"; break;
      case '\'': {
        const std::size_t end = picture.find('\'', i + 1);
        out += '"';
        out.append(picture.substr(
            i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1));
        out += '"';
        i = end == std::string_view::npos ? picture.size() : end;
        continue;
      }
      default: out.append(run, c); break;
    }
    i += run - 1;
  }
  return out;
}

void Take(std::string& field, std::string value) {
  if (!value.empty()) field = std::move(value);
}

void TakeChar(char& field, const std::string& value) {
  if (value.size() == 1) field = value[0];
}

}  // namespace

RegionalSettings UserRegionalSettings() {
  RegionalSettings s;
  Take(s.short_date_format, FromPicture(LocaleText(LOCALE_SSHORTDATE)));
  Take(s.long_date_format, FromPicture(LocaleText(LOCALE_SLONGDATE)));
  Take(s.long_time_format, FromPicture(LocaleText(LOCALE_STIMEFORMAT)));
  Take(s.short_time_format, FromPicture(LocaleText(LOCALE_SSHORTTIME)));
  TakeChar(s.date_separator, LocaleText(LOCALE_SDATE));
  TakeChar(s.time_separator, LocaleText(LOCALE_STIME));
  TakeChar(s.decimal_separator, LocaleText(LOCALE_SDECIMAL));
  const std::string thousands = LocaleText(LOCALE_STHOUSAND);
  // A no-break space (0xA0) is what Russian settings give; a separator that is not one byte
  // becomes a space, as on the other port.
  s.thousand_separator = thousands.size() == 1 ? thousands[0] : ' ';
  Take(s.am_word, LocaleText(LOCALE_S1159));
  Take(s.pm_word, LocaleText(LOCALE_S2359));
  return s;
}

}  // namespace kvr::platform
