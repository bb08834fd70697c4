// TIniFile: an INI file read and written through the private-profile functions, one call per
// operation. The typed readers and writers go through ReadString / WriteString, so a class that
// overrides those two changes them all.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"

namespace kvr::ini {

using TStrings = std::vector<std::string>;

class TIniFile {
 public:
  explicit TIniFile(std::string_view file_name);
  virtual ~TIniFile() = default;
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return file_name_; }

  virtual std::string ReadString(std::string_view section, std::string_view key,
                                 std::string_view default_value);
  // Raises EIniFileException "Unable to write to <path>" (last error set) when the write fails.
  virtual void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Decimal or hexadecimal ("$1F", "0x1F"); anything else gives the default.
  virtual std::int32_t ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t default_value);
  virtual void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  // An integer other than 0 is true; a text that is no integer gives the default.
  virtual bool ReadBool(std::string_view section, std::string_view key, bool default_value);
  virtual void WriteBool(std::string_view section, std::string_view key, bool value);  // "1"/"0"
  // Dates, times and floats with the process's default format settings; a text that does not
  // convert gives the default.
  virtual TDateTime ReadDate(std::string_view section, std::string_view key,
                             TDateTime default_value);
  virtual TDateTime ReadDateTime(std::string_view section, std::string_view key,
                                 TDateTime default_value);
  virtual double ReadFloat(std::string_view section, std::string_view key, double default_value);
  virtual TDateTime ReadTime(std::string_view section, std::string_view key,
                             TDateTime default_value);
  virtual void WriteDate(std::string_view section, std::string_view key, TDateTime value);
  virtual void WriteDateTime(std::string_view section, std::string_view key, TDateTime value);
  virtual void WriteFloat(std::string_view section, std::string_view key, double value);
  virtual void WriteTime(std::string_view section, std::string_view key, TDateTime value);

  virtual void ReadSection(std::string_view section, TStrings& keys);
  virtual void ReadSections(TStrings& sections);
  // The sections named "<section>\<sub>", as "<sub>" (their first level only).
  virtual void ReadSubSections(std::string_view section, TStrings& sub_sections);
  // "key=value" for each key of the section, values read with ReadString.
  virtual void ReadSectionValues(std::string_view section, TStrings& lines);
  // Raises EIniFileException "Unable to write to <path>" when the file cannot be changed.
  virtual void EraseSection(std::string_view section);
  virtual void DeleteKey(std::string_view section, std::string_view key);
  virtual void UpdateFile();
  bool SectionExists(std::string_view section);
  bool ValueExists(std::string_view section, std::string_view key);

 protected:
  [[noreturn]] void RaiseWriteError() const;

 private:
  std::string file_name_;
};

}  // namespace kvr::ini
