// kvrhost dbf in the process: code pages by mark, CSV quoting, the vertical layout, limits,
// the end of the records, and files that are no DBF files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "dbf_dump_command.h"
#include "dbf_text.h"

namespace kvr::host {
namespace {

struct Field {
  std::string name;
  char type;
  int length;
  int decimals = 0;
};

// A dBase III+ image: `mark` at byte 29, records given as their field texts (flag first).
std::string DbfImage(const std::vector<Field>& fields, const std::vector<std::string>& records,
                     std::uint8_t mark = 0, bool end_marker = true) {
  int record_length = 1;
  for (const Field& f : fields) record_length += f.length;
  const int header_length = 32 + 32 * static_cast<int>(fields.size()) + 1;
  std::string image(32, '\0');
  image[0] = 0x03;
  image[1] = 124;
  image[2] = 3;
  image[3] = 1;
  const std::size_t n = records.size();
  for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
  image[8] = static_cast<char>(header_length & 0xFF);
  image[9] = static_cast<char>(header_length >> 8);
  image[10] = static_cast<char>(record_length & 0xFF);
  image[11] = static_cast<char>(record_length >> 8);
  image[29] = static_cast<char>(mark);
  for (const Field& f : fields) {
    std::string d(32, '\0');
    d.replace(0, f.name.size(), f.name);
    d[11] = f.type;
    d[16] = static_cast<char>(f.length);
    d[17] = static_cast<char>(f.decimals);
    image += d;
  }
  image += '\x0D';
  for (const std::string& r : records)
    image += (r + std::string(record_length, ' ')).substr(0, record_length);
  if (end_marker) image += '\x1A';
  return image;
}

// Field texts: left-aligned (texts) and right-aligned (numbers) in `width`.
std::string L(const std::string& text, std::size_t width) {
  return (text + std::string(width, ' ')).substr(0, width);
}
std::string R(const std::string& text, std::size_t width) {
  return std::string(width - text.size(), ' ') + text;
}

class DbfDumpTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& image) {
    std::ofstream(path_, std::ios::binary) << image;
    return path_;
  }
  // The exit status; `out` and `err` receive the streams.
  int Dump(DbfOptions options, std::string& out, std::string& err) {
    if (options.file.empty()) options.file = path_;
    std::ostringstream o, e;
    const int status = DumpDbfCommand(options, o, e);
    out = o.str();
    err = e.str();
    return status;
  }
  std::string Csv(const std::string& image, int code_page = 0) {
    Write(image);
    DbfOptions options;
    options.layout = DbfOptions::Layout::kCsv;
    options.code_page = code_page;
    std::string out, err;
    EXPECT_EQ(Dump(options, out, err), 0) << err;
    return out;
  }
  void TearDown() override { std::filesystem::remove(path_); }

  std::string path_ = ::testing::TempDir() + "kvrhost-dbf-dump-test.dbf";
};

TEST_F(DbfDumpTest, TextsFollowTheCodePageMark) {
  struct Case {
    std::uint8_t mark;
    std::string bytes;
    const char* utf8;
  };
  const Case cases[] = {
      {101, "\x8A\xA0\xE1\xE1\xA0", "Касса"},   // 866
      {0x26, "\x8A\xA0\xE1\xE1\xA0", "Касса"},  // Russian OEM, 866 too
      {201, "\xCA\xE0\xF1\xF1\xE0", "Касса"},   // 1251
      {3, "Caf\xE9", "Café"},                   // 1252
      {0xC8, "\x8A\x9A", "Šš"},                 // 1250
      {0x02, "\x87\xA4", "çñ"},                 // 850
      {0, "\x8A\xA0\xE1\xE1\xA0", "Касса"},     // no mark: the library's 866
      {0x42, "\x8A\xA0\xE1\xE1\xA0", "Касса"},  // a mark no reader knows: 866 as well
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mark));
    EXPECT_EQ(Csv(DbfImage({{"NAME", 'C', 10}}, {" " + c.bytes}, c.mark)),
              std::string("NAME\r\n") + c.utf8 + "\r\n");
  }
  // --ansi / --oem / --code-page win over the mark.
  EXPECT_EQ(Csv(DbfImage({{"NAME", 'C', 10}}, {" \xCA\xE0\xF1\xF1\xE0"}, 101), 1251),
            "NAME\r\nКасса\r\n");
  // A byte the code page lacks is U+FFFD, not a stop.
  EXPECT_EQ(Csv(DbfImage({{"NAME", 'C', 4}}, {" A\x98Z"}, 201)), "NAME\r\nA\xEF\xBF\xBDZ\r\n");
  EXPECT_EQ(CodePageToRead(101, 0), 866);
  EXPECT_EQ(CodePageToRead(201, 0), 1251);
  EXPECT_EQ(CodePageToRead(201, 850), 850);
}

TEST_F(DbfDumpTest, CsvValuesAndQuoting) {
  const std::vector<Field> fields = {
      {"NAME", 'C', 12}, {"SUM", 'N', 8, 2}, {"DAY", 'D', 8}, {"OK", 'L', 1}, {"CNT", 'N', 4}};
  const std::string csv =
      Csv(DbfImage(fields,
                   {" " + L(" a, \"b\"", 12) + R("12.50", 8) + "20240301" + "T" + R("7", 4),
                    " " + L(" line\r\nnext", 12) + R("-1.00", 8) + L("", 8) + "F" + L("", 4),
                    "*" + L("deleted", 12) + R("1.00", 8) + "20240302" + "T" + R("1", 4),
                    " " + L("", 12) + "****    " + "00000000" + "?" + L("", 4)},
                   201));
  EXPECT_EQ(csv,
            "NAME,SUM,DAY,OK,CNT\r\n"
            "\" a, \"\"b\"\"\",12.50,2024-03-01,T,7\r\n"  // leading blank kept, trailing cut
            "\" line\r\nnext\",-1.00,,F,\r\n"
            ",,,,\r\n");  // blanks, '*' padding, a zero date and '?' are empty
}

TEST_F(DbfDumpTest, TableVerticalAndLimit) {
  Write(DbfImage({{"NAME", 'C', 6}, {"QTY", 'N', 3}},
                 {" one     1", "*two     2", " three  33", " four    4"}, 101));
  std::string out, err;
  DbfOptions options;
  options.limit = 2;
  ASSERT_EQ(Dump(options, out, err), 0) << err;
  EXPECT_NE(out.find("Code page:    mark 101 (866)\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Records:      4 (header says 4)\n"), std::string::npos) << out;
  EXPECT_NE(out.find("  NAME   | QTY\n  one    |   1\n* two    |   2\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("three"), std::string::npos) << out;

  options.layout = DbfOptions::Layout::kVertical;
  options.limit = 3;
  ASSERT_EQ(Dump(options, out, err), 0) << err;
  EXPECT_NE(out.find("-- record 1\nNAME : one\nQTY  : 1\n-- record 2 (deleted)\nNAME : two\n"
                     "QTY  : 2\n-- record 3\nNAME : three\nQTY  : 33\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("four"), std::string::npos);

  options.layout = DbfOptions::Layout::kCsv;
  options.limit = 2;  // counts the records written: the deleted one is left out
  ASSERT_EQ(Dump(options, out, err), 0) << err;
  EXPECT_EQ(out, "NAME,QTY\r\none,1\r\nthree,33\r\n");
  options.limit = 0;
  ASSERT_EQ(Dump(options, out, err), 0) << err;
  EXPECT_EQ(out, "NAME,QTY\r\n");
}

// Records end at the end marker or at the last complete record, whatever the header says.
TEST_F(DbfDumpTest, RecordsEndAtTheMarkerOrTheLastCompleteRecord) {
  std::string image = DbfImage({{"N", 'C', 3}}, {" abc", " def"}, 101);
  image += " ghi";  // after the 0x1A: not a record
  EXPECT_EQ(Csv(image), "N\r\nabc\r\ndef\r\n");
  image = DbfImage({{"N", 'C', 3}}, {" abc", " def"}, 101, false) + " gh";  // a partial record
  EXPECT_EQ(Csv(image), "N\r\nabc\r\ndef\r\n");
}

// Many records pass through the reader's buffer: every one arrives, in order.
TEST_F(DbfDumpTest, StreamsAFileLargerThanItsBuffer) {
  std::vector<std::string> records;
  for (int i = 0; i < 30000; ++i) {
    std::string n = std::to_string(i);
    records.push_back(" " + std::string(9 - n.size(), ' ') + n + std::string(20, 'x'));
  }
  const std::string csv = Csv(DbfImage({{"N", 'N', 9}, {"PAD", 'C', 20}}, records, 101));
  std::size_t lines = 0, at = 0;
  std::string expected_last = "29999," + std::string(20, 'x') + "\r\n";
  while ((at = csv.find("\r\n", at)) != std::string::npos) ++lines, at += 2;
  EXPECT_EQ(lines, 30001u);
  EXPECT_TRUE(csv.ends_with(expected_last));
  EXPECT_NE(csv.find("\r\n12345,"), std::string::npos);
}

TEST_F(DbfDumpTest, BrokenAndMissingFiles) {
  struct Case {
    const char* name;
    std::string image;
    const char* error;
  };
  std::string fields_past_record = DbfImage({{"N", 'C', 10}}, {" x"});
  fields_past_record[10] = 5;  // record length 5, the field needs 11
  std::string no_length = DbfImage({{"N", 'C', 10}}, {});
  no_length[10] = no_length[11] = 0;
  const Case cases[] = {
      {"empty", "", "not a DBF file (shorter than a header)"},
      {"no version", std::string(40, '\x01'), "not a DBF file (unknown version byte 1)"},
      {"cut header", DbfImage({{"N", 'C', 10}}, {}).substr(0, 50),
       "not a DBF file (the header is cut short)"},
      {"field past the record", fields_past_record, "field N reaches past the record length 5"},
      {"record length 0", no_length, "not a DBF file (record length 0)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(c.image);
    std::string out, err;
    EXPECT_EQ(Dump({}, out, err), 1);
    EXPECT_NE(err.find(c.error), std::string::npos) << err;
  }
  std::string out, err;
  DbfOptions missing;
  missing.file = "/nonexistent/kvrhost.dbf";
  EXPECT_EQ(Dump(missing, out, err), 2);
  EXPECT_EQ(err, "kvrhost: cannot open /nonexistent/kvrhost.dbf: No such file or directory\n");
  missing.file = ::testing::TempDir();
  EXPECT_EQ(Dump(missing, out, err), 2);
  EXPECT_NE(err.find("Is a directory"), std::string::npos) << err;
}

}  // namespace
}  // namespace kvr::host
