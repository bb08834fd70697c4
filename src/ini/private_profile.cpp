#include "ini/private_profile.h"

#include <utility>

#include "codepage/code_page.h"
#include "common/format_text.h"
#include "common/trim.h"
#include "platform/clock.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/system_error.h"

namespace kvr::ini {
namespace {

using platform::FileOpenMode;
using platform::FileStream;

// The C interface ends every text at its first NUL.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

// One line of the file: where it lies and what it holds.
struct Line {
  enum class Kind { kSection, kEntry, kOther };
  std::size_t begin = 0;  // first byte
  std::size_t end = 0;    // one past the line break
  Kind kind = Kind::kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // raw text after '='
};

// The line that starts at `pos`.
Line ParseLine(std::string_view text, std::size_t pos) {
  std::size_t lf = text.find('\n', pos);
  std::size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
  std::string_view body = text.substr(pos, (lf == std::string_view::npos ? text.size() : lf) - pos);
  if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
  Line line;
  line.begin = pos;
  line.end = next;
  std::string_view trimmed = TrimBlanks(body);
  if (!trimmed.empty() && trimmed.front() == '[') {
    line.kind = Line::Kind::kSection;
    std::size_t close = trimmed.find(']');
    line.name = TrimBlanks(trimmed.substr(1, close == std::string_view::npos ? close : close - 1));
  } else if (!trimmed.empty() && trimmed.front() != ';') {
    std::size_t eq = trimmed.find('=');
    if (eq != std::string_view::npos) {
      line.kind = Line::Kind::kEntry;
      line.name = TrimBlanks(trimmed.substr(0, eq));
      line.value = trimmed.substr(eq + 1);
    }
  }
  return line;
}

std::vector<Line> ParseLines(std::string_view text) {
  std::vector<Line> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    lines.push_back(ParseLine(text, pos));
    pos = lines.back().end;
  }
  return lines;
}

// Calls `visit` with each entry of the first section named `section`, in file order, until it
// returns false. Nothing is kept of the lines before the section.
template <typename Visit>
void ForEachEntry(std::string_view text, std::string_view section, Visit&& visit) {
  bool inside = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const Line line = ParseLine(text, pos);
    pos = line.end;
    if (line.kind == Line::Kind::kSection) {
      if (inside) return;
      inside = codepage::AnsiSameText(line.name, section);
    } else if (inside && line.kind == Line::Kind::kEntry && !visit(line)) {
      return;
    }
  }
}

// A value as read: trimmed, one pair of enclosing double quotes removed, cut to the buffer.
std::string ValueOf(std::string_view raw, std::size_t buffer_size) {
  std::string_view value = TrimBlanks(raw);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  if (buffer_size == 0) return std::string();
  return std::string(value.substr(0, buffer_size - 1));
}

std::string DefaultOf(std::string_view default_value, std::size_t buffer_size) {
  default_value = UpToNul(default_value);
  while (!default_value.empty() && default_value.back() == ' ') default_value.remove_suffix(1);
  return std::string(default_value.substr(0, buffer_size ? buffer_size - 1 : 0));
}

// The index range [first, last) of the entries of the first section named `section`, plus the
// index of its header; header is lines.size() when there is no such section.
struct SectionSpan {
  std::size_t header, first, last;
};
SectionSpan FindSection(const std::vector<Line>& lines, std::string_view section,
                        std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (lines[i].kind != Line::Kind::kSection || !codepage::AnsiSameText(lines[i].name, section))
      continue;
    std::size_t j = i + 1;
    while (j < lines.size() && lines[j].kind != Line::Kind::kSection) ++j;
    return {i, i + 1, j};
  }
  return {lines.size(), lines.size(), lines.size()};
}

std::size_t FindKey(const std::vector<Line>& lines, const SectionSpan& span, std::string_view key) {
  for (std::size_t i = span.first; i < span.last; ++i)
    if (lines[i].kind == Line::Kind::kEntry && codepage::AnsiSameText(lines[i].name, key)) return i;
  return lines.size();
}

// Reads the whole file; a missing or unreadable file reads as empty.
std::string ReadProfile(std::string_view file_name) {
  FileStream file;
  std::string text;
  if (!file.Open(file_name, FileOpenMode::kRead)) return text;
  std::int64_t size = file.Size();
  if (size <= 0) return text;
  text.resize(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < text.size()) {
    std::size_t n;
    if (!file.Read(text.data() + done, text.size() - done, n) || n == 0) break;
    done += n;
  }
  text.resize(done);
  return text;
}

bool IsValidFileName(std::string_view file_name) {
  if (file_name.empty()) return false;
  for (std::size_t i = 0; i < file_name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(file_name[i]);
    if (c < 32 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*')
      return false;
    if (c == ':' && i != 1) return false;  // only a drive letter's colon
  }
  return true;
}

bool Fail(std::uint32_t code) {
  platform::SetLastError(code);
  return false;
}

bool IsBlank(std::string_view text, const Line& line) {
  std::string_view body = text.substr(line.begin, line.end - line.begin);
  return body.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// Opens the file for a change. `create` makes a missing file; without it a missing file leaves
// `file` closed and succeeds (nothing to change).
bool OpenForChange(std::string_view file_name, bool create, FileStream& file, std::string& text) {
  if (!IsValidFileName(file_name)) return Fail(platform::kErrorInvalidName);
  if (!file.Open(file_name, create ? FileOpenMode::kCreateOrOpen : FileOpenMode::kReadWrite)) {
    std::uint32_t code = platform::GetLastError();
    if (!create && code == platform::kErrorFileNotFound) return true;
    // The profile functions report a name too long for their buffers as a buffer overflow.
    if (code == platform::kErrorFilenameExcedRange) code = platform::kErrorBufferOverflow;
    return Fail(code);
  }
  std::int64_t size = file.Size();
  if (size < 0) return false;
  text.resize(static_cast<std::size_t>(size));
  return file.ReadExactly(text.data(), text.size());
}

bool StoreInPlace(FileStream& file, std::string_view text) {
  return file.Seek(0) && file.Write(text) && file.SetSize(static_cast<std::int64_t>(text.size())) &&
         file.Close();
}

// The new text goes to a file beside the old one, which it then replaces by a rename: a write
// that fails (a full disk) leaves the old file whole. Where no file can be created beside it
// (a directory others own), the file is rewritten in place as before.
bool Store(FileStream& file, std::string_view text) {
  const std::string temp_name = Format(
      "%s.%d_%d~", {file.NativePath(), platform::CurrentProcessId(), platform::CurrentThreadId()});
  FileStream temp;
  if (!temp.Open(temp_name, FileOpenMode::kCreateNew)) {
    const std::uint32_t code = platform::GetLastError();
    if (code == platform::kErrorAccessDenied) return StoreInPlace(file, text);
    return Fail(code);
  }
  const bool written = temp.TakeAccessOf(file) && temp.Write(text) && temp.Close();
  std::uint32_t code = platform::GetLastError();
  if (written) {
    file.Close();
    if (platform::RenameFileReplacing(temp_name, file.NativePath())) return true;
    code = platform::GetLastError();
  }
  temp.Close();
  platform::DeleteFile(temp_name);
  return Fail(code);
}

}  // namespace

std::optional<std::string> FindProfileString(std::string_view section, std::string_view key,
                                             std::size_t buffer_size, std::string_view file_name) {
  section = TrimBlanks(UpToNul(section));
  key = TrimBlanks(UpToNul(key));
  const std::string text = ReadProfile(file_name);
  std::optional<std::string> found;
  ForEachEntry(text, section, [&](const Line& line) {
    if (!codepage::AnsiSameText(line.name, key)) return true;
    found = ValueOf(line.value, buffer_size);
    return false;
  });
  return found;
}

std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view default_value, std::size_t buffer_size,
                             std::string_view file_name) {
  if (auto value = FindProfileString(section, key, buffer_size, file_name)) return *value;
  return DefaultOf(default_value, buffer_size);
}

ProfileSection::ProfileSection(std::string_view section, std::string_view file_name)
    : text_(ReadProfile(file_name)) {
  section = TrimBlanks(UpToNul(section));
  ForEachEntry(text_, section, [&](const Line& line) {
    values_.emplace(codepage::AnsiUpperCase(line.name), line.value);  // the first one counts
    return true;
  });
}

std::optional<std::string> ProfileSection::Find(std::string_view key,
                                                std::size_t buffer_size) const {
  auto at = values_.find(codepage::AnsiUpperCase(TrimBlanks(UpToNul(key))));
  if (at == values_.end()) return std::nullopt;
  return ValueOf(at->second, buffer_size);
}

std::string ProfileSection::Get(std::string_view key, std::string_view default_value,
                                std::size_t buffer_size) const {
  if (auto value = Find(key, buffer_size)) return *value;
  return DefaultOf(default_value, buffer_size);
}

std::vector<std::string> GetProfileSectionKeys(std::string_view section,
                                               std::string_view file_name) {
  section = TrimBlanks(UpToNul(section));
  const std::string text = ReadProfile(file_name);
  std::vector<std::string> keys;
  ForEachEntry(text, section, [&](const Line& line) {
    keys.emplace_back(line.name);
    return true;
  });
  return keys;
}

std::vector<std::string> GetProfileSectionNames(std::string_view file_name) {
  const std::string text = ReadProfile(file_name);
  std::vector<std::string> names;
  for (std::size_t pos = 0; pos < text.size();) {
    const Line line = ParseLine(text, pos);
    pos = line.end;
    if (line.kind == Line::Kind::kSection) names.emplace_back(line.name);
  }
  return names;
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        std::string_view file_name) {
  section = TrimBlanks(UpToNul(section));
  key = TrimBlanks(UpToNul(key));
  value = UpToNul(value);
  if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
      HasLineBreak(value) || section.find(']') != std::string_view::npos ||
      key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';')
    return Fail(platform::kErrorInvalidName);
  FileStream file;
  std::string text;
  if (!OpenForChange(file_name, true, file, text)) return false;
  const std::vector<Line> lines = ParseLines(text);
  const SectionSpan span = FindSection(lines, section);
  std::string entry;
  entry.reserve(key.size() + value.size() + 3);
  entry.append(key).append("=").append(value).append("\r\n");
  std::string out;
  out.reserve(text.size() + entry.size() + section.size() + 8);
  if (span.header == lines.size()) {  // new section at the end
    out = text;
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    out.append("[").append(section).append("]\r\n").append(entry);
  } else if (std::size_t at = FindKey(lines, span, key); at != lines.size()) {  // replace
    out.append(text, 0, lines[at].begin).append(entry).append(text, lines[at].end);
  } else {  // new key after the section's last non-blank line
    std::size_t after = span.header;
    for (std::size_t i = span.first; i < span.last; ++i)
      if (!IsBlank(text, lines[i])) after = i;
    std::size_t pos = lines[after].end;
    out.append(text, 0, pos);
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    out.append(entry).append(text, pos);
  }
  return Store(file, out);
}

bool DeleteProfileKey(std::string_view section, std::string_view key, std::string_view file_name) {
  section = TrimBlanks(UpToNul(section));
  key = TrimBlanks(UpToNul(key));
  FileStream file;
  std::string text;
  if (!OpenForChange(file_name, false, file, text)) return false;
  if (!file.IsOpen()) return true;
  const std::vector<Line> lines = ParseLines(text);
  const std::size_t at = FindKey(lines, FindSection(lines, section), key);
  if (at == lines.size()) return true;
  text.erase(lines[at].begin, lines[at].end - lines[at].begin);
  return Store(file, text);
}

bool DeleteProfileSection(std::string_view section, std::string_view file_name) {
  section = TrimBlanks(UpToNul(section));
  FileStream file;
  std::string text;
  if (!OpenForChange(file_name, false, file, text)) return false;
  if (!file.IsOpen()) return true;
  const std::vector<Line> lines = ParseLines(text);
  std::string out;
  std::size_t copied = 0;
  for (SectionSpan span = FindSection(lines, section); span.header < lines.size();
       span = FindSection(lines, section, span.last)) {
    out.append(text, copied, lines[span.header].begin - copied);
    copied = span.last < lines.size() ? lines[span.last].begin : text.size();
  }
  if (copied == 0) return true;
  out.append(text, copied);
  return Store(file, out);
}

bool FlushProfile(std::string_view file_name) {
  FileStream file;
  if (!file.Open(file_name, FileOpenMode::kRead))
    return platform::GetLastError() == platform::kErrorFileNotFound;
  return file.Flush();
}

}  // namespace kvr::ini
