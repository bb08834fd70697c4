// TIBDataSet: a read-only query over a Firebird database, on the dataset framework.
//
//   SelectSQL   the query text (lines joined with "\r\n"); changing it unprepares the query
//               and forgets the parameters.
//   Params      the named parameters of the text (":BegData"), each set as a date-time
//               (sent as TIMESTAMP), a 32-bit integer or null (the default); the server
//               converts them to the types it expects. A name used twice takes one value.
//   Open        prepares (once per text), starts the transaction when it is not active and
//               opens the cursor; the field definitions come from the result's columns (see
//               result_columns.h for the types). Only statements that return rows can be
//               opened. Repeated column names get "_1", "_2"... as field names.
//
// The cursor reads forward, straight into the record buffer, without keeping rows; the first
// row is kept so that going back to it (First) costs nothing. Once a cursor has given
// kRowsBeforeReadAhead rows, a thread of the dataset fetches the next ones ahead of the reader
// (firebird/row_read_ahead.h): the rows, their order and the errors stay the same, and the
// engine's work overlaps with the reader's (SetReadAhead(false) reads every row on demand). Any
// other backward move (Prior, a bookmark, RecNo) re-runs the query and reads forward to the row,
// which is correct but costs a pass over the preceding rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"
#include "dataset/data_set.h"
#include "firebird/component.h"
#include "firebird/ib_database.h"
#include "firebird/ib_strings.h"
#include "firebird/ib_transaction.h"

namespace kvr {

class IBParam {
 public:
  enum class Kind : std::uint8_t { Null, Integer, DateTime };
  explicit IBParam(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  Kind ValueKind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::Null; }
  std::int32_t AsInteger() const { return integer_; }
  TDateTime AsDateTime() const { return date_time_; }

  void SetAsInteger(std::int32_t value) {
    kind_ = Kind::Integer;
    integer_ = value;
  }
  void SetAsDateTime(TDateTime value) {
    kind_ = Kind::DateTime;
    date_time_ = value;
  }
  void Clear() { kind_ = Kind::Null; }

 private:
  std::string name_;
  Kind kind_ = Kind::Null;
  std::int32_t integer_ = 0;
  TDateTime date_time_ = 0;
};

class TIBDataSet : public TDataSet,
                   public TComponent,
                   private IBConnectionUser,
                   private IBTransactionUser {
 public:
  explicit TIBDataSet(TComponent* owner = nullptr);
  ~TIBDataSet() override;

  TIBDatabase* Database() const { return database_; }
  void SetDatabase(TIBDatabase* database);
  TIBTransaction* Transaction() const { return transaction_; }
  void SetTransaction(TIBTransaction* transaction);

  IBStrings& SelectSQL() { return select_sql_; }
  const IBStrings& SelectSQL() const { return select_sql_; }

  int ParamCount();
  IBParam& Params(int index);
  // Letter case is ignored. Raises EDatabaseError "Parameter '<name>' not found".
  IBParam& ParamByName(std::string_view name);
  IBParam* FindParam(std::string_view name);

  void Prepare();
  void Unprepare() noexcept;
  bool Prepared() const;

  bool CanModify() const override { return false; }

  // The current row's value of a DATE or TIMESTAMP column as firebird's IscTimeKey, read from
  // the fetched row without decoding it; false when the value is null or the column has
  // another type.
  bool GetTimeKey(const TField& field, std::int64_t& key) const;

  // Short queries (probes, a few rows) are read on demand and start no thread.
  static constexpr std::int64_t kRowsBeforeReadAhead = 64;
  bool ReadAhead() const { return read_ahead_; }
  void SetReadAhead(bool read_ahead) { read_ahead_ = read_ahead; }

 protected:
  std::size_t RecordBufferSize() const override;
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override;
  void InternalFirst() override;
  void InternalLast() override;
  GetResult GetRecord(char* buffer, GetMode mode, bool do_check) override;
  bool GetFieldData(const TField& field, FieldValue* value) override;
  std::size_t BookmarkSize() const override { return sizeof(std::int64_t); }
  void GetBookmarkData(const char* buffer, char* bookmark) const override;
  void SetBookmarkData(char* buffer, const char* bookmark) override;
  void InternalGotoBookmark(const char* bookmark) override;
  int GetRecordCount() const override;
  int GetRecNo() const override;
  bool InternalSetRecNo(int rec_no) override;

 private:
  struct Query;  // the client's statement, cursor and buffers

  void ConnectionClosing() noexcept override;
  void DatabaseDestroyed() noexcept override;
  void TransactionEnding() noexcept override;
  void TransactionDestroyed() noexcept override;
  void SqlChanged();
  void ParseParams();
  TIBTransaction& ActiveTransaction();
  void OpenCursor();
  void CloseCursor() noexcept;
  // Reads row `row` (1-based) into `buffer`; false when there are fewer rows.
  bool ReadRow(std::int64_t row, char* buffer);
  bool FetchNext(char* buffer);
  void ReadBlob(const void* blob_id, std::string& text);

  TIBDatabase* database_ = nullptr;
  TIBTransaction* transaction_ = nullptr;
  IBStrings select_sql_;
  std::vector<IBParam> params_;
  bool params_parsed_ = false;
  bool read_ahead_ = true;
  std::unique_ptr<Query> query_;
};

}  // namespace kvr
