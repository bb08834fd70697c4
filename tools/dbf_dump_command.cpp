#include "dbf_dump_command.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "dbf_text.h"

namespace kvr::host {
namespace {

constexpr char kDeleted = '*';

std::string_view TrimRight(std::string_view s, std::string_view what) {
  const std::size_t end = s.find_last_not_of(what);
  return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

std::string_view Trim(std::string_view s, std::string_view what) {
  const std::size_t begin = s.find_first_not_of(what);
  return begin == std::string_view::npos ? std::string_view() : TrimRight(s.substr(begin), what);
}

// Characters as a person sees them: one per UTF-8 lead byte.
std::size_t DisplayWidth(std::string_view utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

void AppendPadded(std::string_view utf8, std::size_t width, std::string& out) {
  out += utf8;
  for (std::size_t w = DisplayWidth(utf8); w < width; ++w) out += ' ';
}

struct Dump {
  const DbfOptions& options;
  DbfStreamReader& reader;
  TextDecoder& decoder;
  std::ostream& out;
  std::vector<std::string> names;  // UTF-8
  std::string line;

  bool Wanted(std::uint64_t shown) const { return !options.limit || shown < *options.limit; }

  void Header() {
    const DbfHead& h = reader.Head();
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", h.year, h.month, h.day);
    out << "Level:        " << DbfLevelText(h.version) << "\n"
        << "Last update:  " << date << "\n"
        << "Code page:    mark " << static_cast<int>(h.code_page_mark);
    if (int cp = CodePageOfMark(h.code_page_mark)) out << " (" << cp << ")";
    if (decoder.CodePage() != CodePageOfMark(h.code_page_mark))
      out << ", read as " << decoder.CodePage();
    out << "\n"
        << "Records:      " << h.file_records << " (header says " << h.header_records << ")\n"
        << "Header/record length: " << h.header_length << "/" << h.record_length << "\n"
        << "Fields:       " << h.columns.size() << "\n";
    for (std::size_t i = 0; i < h.columns.size(); ++i)
      out << "  " << names[i] << " " << h.columns[i].type << " " << h.columns[i].length << "."
          << static_cast<int>(h.columns[i].decimals) << "\n";
    out << "\n";
  }

  void Table() {
    Header();
    const auto& columns = reader.Head().columns;
    std::vector<std::size_t> widths;
    for (std::size_t i = 0; i < columns.size(); ++i)
      widths.push_back(std::max<std::size_t>(DisplayWidth(names[i]), columns[i].length));
    line = "  ";
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i) line += " | ";
      AppendPadded(names[i], widths[i], line);
    }
    out << line << "\n";
    std::string_view record;
    std::string cell;
    for (std::uint64_t shown = 0; Wanted(shown) && reader.Next(record); ++shown) {
      line = record[0] == kDeleted ? "* " : "  ";
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i) line += " | ";
        cell.clear();
        decoder.Append(record.substr(columns[i].offset, columns[i].length), cell);
        AppendPadded(cell, widths[i], line);
      }
      line += '\n';
      out << line;
    }
  }

  void Csv() {
    const auto& columns = reader.Head().columns;
    line.clear();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i) line += ',';
      AppendCsvField(names[i], line);
    }
    out << line << "\r\n";
    std::string_view record;
    std::string cell;
    for (std::uint64_t shown = 0; Wanted(shown) && reader.Next(record);) {
      if (record[0] == kDeleted) continue;
      line.clear();
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i) line += ',';
        cell.clear();
        AppendCellValue(columns[i], record.substr(columns[i].offset, columns[i].length), decoder,
                        cell);
        AppendCsvField(cell, line);
      }
      line += "\r\n";
      out << line;
      ++shown;
    }
  }

  void Vertical() {
    Header();
    const auto& columns = reader.Head().columns;
    std::size_t width = 0;
    for (const std::string& name : names) width = std::max(width, DisplayWidth(name));
    std::string_view record;
    for (std::uint64_t shown = 0; Wanted(shown) && reader.Next(record); ++shown) {
      line = "-- record " + std::to_string(shown + 1) +
             (record[0] == kDeleted ? " (deleted)\n" : "\n");
      for (std::size_t i = 0; i < columns.size(); ++i) {
        AppendPadded(names[i], width, line);
        line += " : ";
        AppendCellValue(columns[i], record.substr(columns[i].offset, columns[i].length), decoder,
                        line);
        line += '\n';
      }
      out << line;
    }
  }
};

}  // namespace

void AppendCellValue(const DbfColumn& column, std::string_view raw, TextDecoder& decoder,
                     std::string& out) {
  switch (column.type) {
    case 'C': decoder.Append(TrimRight(raw, std::string_view(" \0", 2)), out); return;
    case 'N':
    case 'F': out += Trim(raw, " *"); return;
    case 'D':
      if (Trim(raw, " 0").empty()) return;
      if (raw.size() == 8 &&
          std::all_of(raw.begin(), raw.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        out.append(raw.substr(0, 4))
            .append("-")
            .append(raw.substr(4, 2))
            .append("-")
            .append(raw.substr(6, 2));
        return;
      }
      break;
    case 'L':
      if (raw.size() == 1 && std::string_view("TtYy").find(raw[0]) != std::string_view::npos)
        out += 'T';
      else if (raw.size() == 1 && std::string_view("FfNn").find(raw[0]) != std::string_view::npos)
        out += 'F';
      return;
    default: break;
  }
  decoder.Append(Trim(raw, std::string_view(" \0", 2)), out);
}

void AppendCsvField(std::string_view value, std::string& out) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += value;
    return;
  }
  out += '"';
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

int DumpDbfCommand(const DbfOptions& options, std::ostream& out, std::ostream& err) {
  try {
    DbfStreamReader reader(options.file);
    TextDecoder decoder(CodePageToRead(reader.Head().code_page_mark, options.code_page));
    Dump dump{options, reader, decoder, out, {}, {}};
    for (const DbfColumn& column : reader.Head().columns)
      dump.names.push_back(decoder.ToUtf8(column.name));
    switch (options.layout) {
      case DbfOptions::Layout::kTable: dump.Table(); break;
      case DbfOptions::Layout::kCsv: dump.Csv(); break;
      case DbfOptions::Layout::kVertical: dump.Vertical(); break;
    }
    out.flush();
    return 0;
  } catch (const DbfOpenError& e) {
    err << "kvrhost: " << e.what() << "\n";
    return 2;
  } catch (const std::invalid_argument& e) {
    err << "kvrhost: dbf: " << e.what() << "\n";
    return 2;
  } catch (const DbfFormatError& e) {
    err << "kvrhost: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace kvr::host
