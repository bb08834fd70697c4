#include "dbf/dbf_dump.h"

#include <algorithm>
#include <vector>

#include "codepage/code_page.h"
#include "common/format_text.h"
#include "dbf/dbf_access.h"
#include "platform/file_system.h"

namespace kvr {

namespace {

char LetterOf(const TDBFField& field) {
  if (field.DataType == FieldType::Integer) return 'N';
  if (field.DataType == FieldType::Float) return field.Decimals > 0 ? 'N' : 'F';
  const char letter = DBFTypeLetter(field.DataType, false);
  return letter ? letter : '?';
}

// Characters as a person sees them: one UTF-8 character per byte of the file.
std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++width;
  return width;
}

void PutCell(std::ostream& out, std::string_view utf8, std::size_t width) {
  out << utf8;
  for (std::size_t w = DisplayWidth(utf8); w < width; ++w) out << ' ';
}

}  // namespace

void DumpDBFFile(std::string_view file_name, DumpEncoding encoding, std::ostream& out) {
  DumpDBFImage(platform::ReadWholeFile(file_name), encoding, out);
}

void DumpDBFImage(std::string image, DumpEncoding encoding, std::ostream& out) {
  const std::uint8_t code_page_mark = image.size() > 29 ? static_cast<std::uint8_t>(image[29]) : 0;
  const std::uint32_t header_records =
      image.size() >= 8
          ? static_cast<std::uint8_t>(image[4]) | static_cast<std::uint8_t>(image[5]) << 8 |
                static_cast<std::uint8_t>(image[6]) << 16 |
                static_cast<std::uint32_t>(static_cast<std::uint8_t>(image[7])) << 24
          : 0;
  TMemoryStream stream(std::move(image));
  TDBFAccess access;
  access.LoadFromStream(stream);
  const TDBFStructure& s = access.Structure();
  auto decode = [encoding](std::string_view text) {
    return encoding == DumpEncoding::kOem ? codepage::Cp866ToUtf8(text)
                                          : codepage::Cp1251ToUtf8(text);
  };

  out << "Level:        " << DBFLevelText(s.Level) << "\n";
  out << "Last update:  "
      << Format("%.4d-%.2d-%.2d",
                {DBFYearOfByte(s.Year), static_cast<int>(s.Month), static_cast<int>(s.Day)})
      << "\n";
  out << "Code page:    mark " << static_cast<int>(code_page_mark);
  if (std::uint16_t cp = DBFCodePageOfMark(code_page_mark)) out << " (" << cp << ")";
  out << "\n";
  out << "Records:      " << s.Records.Count() << " (header says " << header_records << ")\n";
  out << "Header/record length: " << s.HeaderLength << "/" << s.RecordLength << "\n";
  out << "Fields:       " << s.Fields.size() << "\n";
  for (const TDBFField& field : s.Fields)
    out << "  " << decode(field.Name) << " " << LetterOf(field) << " " << field.Length << "."
        << static_cast<int>(field.Decimals) << "\n";
  out << "\n";

  // The table: one column per field, as wide as its name or its widest value.
  const int count = s.Records.Count();
  std::vector<std::size_t> widths;
  for (const TDBFField& field : s.Fields)
    widths.push_back(std::max<std::size_t>(field.Name.size(), field.Length));
  out << "  ";
  for (std::size_t i = 0; i < s.Fields.size(); ++i) {
    out << (i ? " | " : "");
    PutCell(out, decode(s.Fields[i].Name), widths[i]);
  }
  out << "\n";
  for (int r = 0; r < count; ++r) {
    std::string_view record = s.Records.Text(r);
    out << (record[0] == '*' ? "* " : "  ");
    for (std::size_t i = 0; i < s.Fields.size(); ++i) {
      const TDBFField& field = s.Fields[i];
      out << (i ? " | " : "");
      PutCell(out, decode(record.substr(field.Offset, field.Length)), widths[i]);
    }
    out << "\n";
  }
}

}  // namespace kvr
