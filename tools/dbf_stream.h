// A DBF file read record by record: the header and field descriptors first, then one record
// at a time through a buffer of whole records, so that a file of any size is shown with little
// memory. Reads what the library writes (dBase III+) and the dBase IV / Windows headers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kvr::host {

// The file cannot be opened (missing, unreadable): a usage error of kvrhost (exit 2).
class DbfOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// The file is not a DBF file kvrhost can read (exit 1).
class DbfFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DbfColumn {
  std::string name;  // bytes as in the descriptor, up to the first NUL
  char type = 'C';
  std::uint16_t offset = 0;  // in the record; the deletion flag is at 0
  std::uint16_t length = 0;
  std::uint8_t decimals = 0;
};

struct DbfHead {
  std::uint8_t version = 0;
  int year = 0, month = 0, day = 0;
  std::uint32_t header_records = 0;  // the count the header states
  std::uint64_t file_records = 0;    // complete records the file holds
  std::uint16_t header_length = 0;
  std::uint16_t record_length = 0;
  std::uint8_t code_page_mark = 0;
  std::vector<DbfColumn> columns;
};

// "dBase III+", "dBase IV", "dBase/Win" or "dBase ?".
const char* DbfLevelText(std::uint8_t version);

class DbfStreamReader {
 public:
  // Opens `path` and reads the header; raises DbfOpenError or DbfFormatError.
  explicit DbfStreamReader(const std::string& path);
  const DbfHead& Head() const { return head_; }
  // The next record, flag byte first; false at the end (end marker, end of file, or a
  // partial record). The view stays valid until the next call.
  bool Next(std::string_view& record);

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::string path_;
  DbfHead head_;
  std::string buffer_;
  std::size_t buffered_ = 0, next_ = 0;
  bool ended_ = false;
};

}  // namespace kvr::host
