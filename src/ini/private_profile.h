// Our private-profile functions (the stand-ins for GetPrivateProfileStringA and
// WritePrivateProfileStringA) with the Windows rules the INI classes rely on:
//   - sections "[name]" and entries "key=value"; names compare without regard to letter case
//     (Cyrillic included) and surrounding blanks; the first matching section and key count;
//   - a value read is trimmed of surrounding blanks and tabs, then loses one pair of enclosing
//     double quotes (single quotes are kept: the writer only ever protects values with double
//     quotes, so stripping others would change stored values);
//   - a file that does not exist reads as empty; a write creates it (its directory must exist)
//     and keeps every other line, comment (";...") and line ending as it was;
//   - lines end in CR LF when written; LF alone is read as well.
// Reads scan the file once, up to the key they look for. Every change is written through at
// once; there is no cache, and the flush makes the file durable. Failing writes return false with
// the last error set to the Windows code: 3 missing directory, 111 over-long file name, 112 disk
// full, 123 a name or text that a profile line cannot hold (line breaks, '=' in a key, ']' in a
// section, characters Windows forbids in file names), 5 access denied.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kvr::ini {

// The value of `key`, cut to `buffer_size` - 1 characters; none when the file, section or key
// is missing.
std::optional<std::string> FindProfileString(std::string_view section, std::string_view key,
                                             std::size_t buffer_size, std::string_view file_name);
// GetPrivateProfileStringA for one key: the value, or `default_value` without trailing blanks.
std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view default_value, std::size_t buffer_size,
                             std::string_view file_name);
// The key names of a section, and the section names, in file order.
std::vector<std::string> GetProfileSectionKeys(std::string_view section,
                                               std::string_view file_name);
std::vector<std::string> GetProfileSectionNames(std::string_view file_name);

// One section of a file read once, for reading many of its keys: a multi-part value reads its
// count, hash and every part from one read, each key found in constant time. Same rules as
// FindProfileString and GetProfileString.
class ProfileSection {
 public:
  ProfileSection(std::string_view section, std::string_view file_name);
  ProfileSection(const ProfileSection&) = delete;  // the index points into the text
  ProfileSection& operator=(const ProfileSection&) = delete;
  std::optional<std::string> Find(std::string_view key, std::size_t buffer_size) const;
  std::string Get(std::string_view key, std::string_view default_value,
                  std::size_t buffer_size) const;

 private:
  std::string text_;
  std::unordered_map<std::string, std::string_view> values_;  // upper-cased key -> raw value
};

// WritePrivateProfileStringA(section, key, value, file).
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        std::string_view file_name);
// WritePrivateProfileStringA(section, key, NULL, file): removes the key; a missing one is fine.
bool DeleteProfileKey(std::string_view section, std::string_view key, std::string_view file_name);
// WritePrivateProfileStringA(section, NULL, NULL, file): removes the section and its entries.
bool DeleteProfileSection(std::string_view section, std::string_view file_name);
// WritePrivateProfileStringA(NULL, NULL, NULL, file): makes written changes durable.
bool FlushProfile(std::string_view file_name);

}  // namespace kvr::ini
