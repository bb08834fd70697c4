#include "ini/ini_file.h"

#include <algorithm>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "format/date_time_parse.h"
#include "format/date_time_text.h"
#include "format/float_text.h"
#include "format/int_text.h"
#include "ini/private_profile.h"
#include "ini/typed_values.h"
#include "platform/paths.h"

namespace kvr::ini {
namespace {
constexpr std::size_t kReadBufferSize = 2048;
const format::TFormatSettings& Settings() { return format::DefaultFormatSettings(); }
}  // namespace

TIniFile::TIniFile(std::string_view file_name) : file_name_(file_name) {}

void TIniFile::RaiseWriteError() const {
  throw EIniFileException("Unable to write to " + platform::MapPath(file_name_));
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view default_value) {
  return GetProfileString(section, key, default_value, kReadBufferSize, file_name_);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!WriteProfileString(section, key, value, file_name_)) RaiseWriteError();
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t default_value) {
  return format::StrToIntDef(ReadString(section, key, ""), default_value);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

TDateTime TIniFile::ReadDate(std::string_view section, std::string_view key,
                             TDateTime default_value) {
  return ParseOr(ReadString(section, key, ""), default_value, format::TryStrToDate, Settings());
}
TDateTime TIniFile::ReadDateTime(std::string_view section, std::string_view key,
                                 TDateTime default_value) {
  return ParseOr(ReadString(section, key, ""), default_value, format::TryStrToDateTime, Settings());
}
double TIniFile::ReadFloat(std::string_view section, std::string_view key, double default_value) {
  return ParseOr(ReadString(section, key, ""), default_value, format::TryStrToFloat, Settings());
}
TDateTime TIniFile::ReadTime(std::string_view section, std::string_view key,
                             TDateTime default_value) {
  return ParseOr(ReadString(section, key, ""), default_value, format::TryStrToTime, Settings());
}
void TIniFile::WriteDate(std::string_view section, std::string_view key, TDateTime value) {
  WriteString(section, key, format::DateToStr(value, Settings()));
}
void TIniFile::WriteDateTime(std::string_view section, std::string_view key, TDateTime value) {
  WriteString(section, key, format::DateTimeToStr(value, Settings()));
}
void TIniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
  WriteString(section, key, format::FloatToStr(value, Settings()));
}
void TIniFile::WriteTime(std::string_view section, std::string_view key, TDateTime value) {
  WriteString(section, key, format::TimeToStr(value, Settings()));
}

void TIniFile::ReadSection(std::string_view section, TStrings& keys) {
  keys = GetProfileSectionKeys(section, file_name_);
}

void TIniFile::ReadSections(TStrings& sections) { sections = GetProfileSectionNames(file_name_); }

void TIniFile::ReadSubSections(std::string_view section, TStrings& sub_sections) {
  TStrings all;
  ReadSections(all);
  sub_sections.clear();
  const std::string prefix = std::string(section) + "\\";
  for (const std::string& name : all) {
    if (name.size() <= prefix.size() ||
        !codepage::AnsiSameText(name.substr(0, prefix.size()), prefix))
      continue;
    std::string sub = name.substr(prefix.size(), name.find('\\', prefix.size()) - prefix.size());
    if (sub.empty()) continue;
    bool seen = std::any_of(sub_sections.begin(), sub_sections.end(),
                            [&](const std::string& s) { return codepage::AnsiSameText(s, sub); });
    if (!seen) sub_sections.push_back(std::move(sub));
  }
}

void TIniFile::ReadSectionValues(std::string_view section, TStrings& lines) {
  TStrings keys;
  ReadSection(section, keys);
  lines.clear();
  for (const std::string& key : keys) lines.push_back(key + "=" + ReadString(section, key, ""));
}

void TIniFile::EraseSection(std::string_view section) {
  if (!DeleteProfileSection(section, file_name_)) RaiseWriteError();
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  DeleteProfileKey(section, key, file_name_);
}

void TIniFile::UpdateFile() { FlushProfile(file_name_); }

bool TIniFile::SectionExists(std::string_view section) {
  TStrings keys;
  ReadSection(section, keys);
  return !keys.empty();
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) {
  TStrings keys;
  ReadSection(section, keys);
  return std::any_of(keys.begin(), keys.end(),
                     [&](const std::string& k) { return codepage::AnsiSameText(k, key); });
}

}  // namespace kvr::ini
