#include "firebird/ib_dataset.h"

#include <cstring>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "firebird/call_watchdog.h"
#include "firebird/fb_api.h"
#include "firebird/result_columns.h"
#include "firebird/row_read_ahead.h"
#include "firebird/sql_parameters.h"
#include "firebird/timestamp_codec.h"

namespace kvr {

using firebird::Ref;
using firebird::ResultColumn;

// The client's side of one prepared query: the statement, the open cursor and the buffers.
// Row buffers (the framework's record buffers) hold the client's output message followed by
// the row's number, which is also its bookmark.
struct TIBDataSet::Query {
  firebird::Status status;
  firebird::ParsedSql sql;
  Ref<Firebird::IStatement> statement;
  Ref<Firebird::IMessageMetadata> output;
  std::vector<ResultColumn> columns;
  unsigned message_length = 0;

  Ref<Firebird::IMessageMetadata> input;
  std::vector<char> input_buffer;
  Ref<Firebird::IResultSet> cursor;
  TIBTransaction* cursor_transaction = nullptr;  // the transaction the cursor runs in
  // Declared after the cursor: its thread stops before the cursor goes.
  std::unique_ptr<firebird::RowReadAhead> read_ahead;

  std::vector<char> first_row;  // row 1, once read
  bool has_first_row = false;
  std::vector<char> scratch;    // rows read past while moving forward
  std::int64_t position = 0;    // the row the cursor stands on (0: before the first)
  std::int64_t fetched = 0;     // rows read from the server since the cursor was opened
  std::int64_t row_count = -1;  // known once the end was reached
  std::int64_t rows_seen = 0;   // the most rows read so far

  std::int64_t RowNumber(const char* buffer) const {
    std::int64_t row;
    std::memcpy(&row, buffer + message_length, sizeof row);
    return row;
  }
  void SetRowNumber(char* buffer, std::int64_t row) const {
    std::memcpy(buffer + message_length, &row, sizeof row);
  }
};

namespace {

// Releases a client object that closes itself on success (result set, statement, blob): on
// failure the object is still alive and is released instead.
template <class I, class CloseCall>
void CloseOrRelease(Ref<I>& ref, CloseCall close) noexcept {
  if (!ref) return;
  firebird::Status status;
  close(ref.get(), status.get());
  if (status.Failed())
    ref.reset();
  else
    ref.forget();
}

// The watchdog of a dataset's connection, if it has one (the database may be gone already).
firebird::CallWatchdog* WatchdogOf(const TIBDatabase* database) {
  return database != nullptr ? database->Watchdog() : nullptr;
}

// Field names: the column alias, with "_1", "_2"... for repeats (letter case ignored).
std::string UniqueFieldName(const TFieldDefs& defs, const std::string& name) {
  if (defs.IndexOf(name) < 0) return name;
  for (int n = 1;; ++n) {
    std::string candidate = name + "_" + std::to_string(n);
    if (defs.IndexOf(candidate) < 0) return candidate;
  }
}

}  // namespace

TIBDataSet::TIBDataSet(TComponent* owner) : TComponent(owner) {
  select_sql_.OnChange = [this] { SqlChanged(); };
}

TIBDataSet::~TIBDataSet() {
  CloseNoThrow();
  Unprepare();
  if (transaction_ != nullptr) transaction_->RemoveUser(*this);
  if (database_ != nullptr) database_->RemoveUser(*this);
}

// ---------------------------------------------------------------- connection

void TIBDataSet::SetDatabase(TIBDatabase* database) {
  if (database == database_) return;
  CloseNoThrow();
  Unprepare();
  if (database_ != nullptr) database_->RemoveUser(*this);
  database_ = database;
  if (database_ != nullptr) database_->AddUser(*this);
}

void TIBDataSet::SetTransaction(TIBTransaction* transaction) {
  if (transaction == transaction_) return;
  CloseNoThrow();
  if (transaction_ != nullptr) transaction_->RemoveUser(*this);
  transaction_ = transaction;
  if (transaction_ != nullptr) transaction_->AddUser(*this);
}

TIBTransaction& TIBDataSet::ActiveTransaction() {
  if (database_ == nullptr) throw EIBClientError("Database not assigned");
  if (!database_->Connected()) throw EIBClientError("Database not connected");
  TIBTransaction* transaction =
      transaction_ != nullptr ? transaction_ : database_->DefaultTransaction();
  if (transaction == nullptr) throw EIBClientError("Transaction not assigned");
  if (!transaction->InTransaction()) {
    if (transaction->DefaultDatabase() == nullptr) transaction->SetDefaultDatabase(database_);
    transaction->StartTransaction();
  }
  return *transaction;
}

void TIBDataSet::ConnectionClosing() noexcept {
  CloseNoThrow();
  Unprepare();
}

void TIBDataSet::DatabaseDestroyed() noexcept { database_ = nullptr; }

void TIBDataSet::TransactionEnding() noexcept { CloseNoThrow(); }

void TIBDataSet::TransactionDestroyed() noexcept {
  if (query_ != nullptr) query_->cursor_transaction = nullptr;
  transaction_ = nullptr;
}

// ---------------------------------------------------------------- SQL and parameters

void TIBDataSet::SqlChanged() {
  CloseNoThrow();
  Unprepare();
  params_.clear();
  params_parsed_ = false;
}

void TIBDataSet::ParseParams() {
  if (params_parsed_) return;
  firebird::ParsedSql parsed = firebird::ParseSqlParameters(select_sql_.Text());
  params_.clear();
  for (std::string& name : parsed.names) params_.emplace_back(std::move(name));
  params_parsed_ = true;
}

int TIBDataSet::ParamCount() {
  ParseParams();
  return static_cast<int>(params_.size());
}

IBParam& TIBDataSet::Params(int index) {
  ParseParams();
  return params_.at(index);
}

IBParam* TIBDataSet::FindParam(std::string_view name) {
  ParseParams();
  for (IBParam& param : params_)
    if (codepage::AnsiSameText(param.Name(), name)) return &param;
  return nullptr;
}

IBParam& TIBDataSet::ParamByName(std::string_view name) {
  if (IBParam* param = FindParam(name)) return *param;
  throw EDatabaseError("Parameter '" + std::string(name) + "' not found");
}

bool TIBDataSet::Prepared() const { return query_ != nullptr; }

void TIBDataSet::Prepare() {
  if (Prepared()) return;
  TIBTransaction& transaction = ActiveTransaction();
  ParseParams();
  auto query = std::make_unique<Query>();
  query->sql = firebird::ParseSqlParameters(select_sql_.Text());
  if (query->sql.text.find_first_not_of(" \t\r\n") == std::string::npos)
    throw EIBClientError("Empty query");
  firebird::ServerCall call(database_->Watchdog());
  Firebird::IStatement* statement = database_->Handle()->prepare(
      query->status.get(), transaction.Handle(), 0, query->sql.text.c_str(), SQL_DIALECT_V6,
      Firebird::IStatement::PREPARE_PREFETCH_METADATA);
  query->statement.reset(statement);
  query->status.Check();
  const unsigned flags = query->statement->getFlags(query->status.get());
  query->status.Check();
  if ((flags & Firebird::IStatement::FLAG_HAS_CURSOR) == 0)
    throw EIBClientError("Cannot open a statement that returns no rows");
  query->output.reset(query->statement->getOutputMetadata(query->status.get()));
  query->status.Check();
  query->columns = firebird::DescribeColumns(query->status, query->output.get());
  query->message_length = query->output->getMessageLength(query->status.get());
  query->status.Check();
  query->first_row.resize(query->message_length);
  query->scratch.resize(query->message_length);
  query_ = std::move(query);
}

void TIBDataSet::Unprepare() noexcept {
  if (query_ == nullptr) return;
  CloseCursor();
  firebird::ServerCall call(WatchdogOf(database_));
  CloseOrRelease(query_->statement,
                 [](Firebird::IStatement* s, Firebird::CheckStatusWrapper* st) { s->free(st); });
  query_.reset();
}

// ---------------------------------------------------------------- cursor

void TIBDataSet::OpenCursor() {
  Query& q = *query_;
  TIBTransaction& transaction = ActiveTransaction();
  // The input message: one field per '?', typed after the value given (the server converts).
  Ref<Firebird::IMessageMetadata> declared(q.statement->getInputMetadata(q.status.get()));
  q.status.Check();
  const unsigned count = declared->getCount(q.status.get());
  q.status.Check();
  if (count != q.sql.positions.size())
    throw EIBClientError("The query has " + std::to_string(count) + " parameters, its text " +
                         std::to_string(q.sql.positions.size()));
  Ref<Firebird::IMetadataBuilder> builder(declared->getBuilder(q.status.get()));
  q.status.Check();
  std::vector<const IBParam*> values(count, nullptr);
  for (unsigned i = 0; i < count; ++i) {
    if (!q.sql.positions[i].empty()) values[i] = FindParam(q.sql.positions[i]);
    if (values[i] == nullptr || values[i]->IsNull()) continue;
    const bool integer = values[i]->ValueKind() == IBParam::Kind::Integer;
    builder->setType(q.status.get(), i, (integer ? SQL_LONG : SQL_TIMESTAMP) | 1);
    builder->setSubType(q.status.get(), i, 0);
    builder->setScale(q.status.get(), i, 0);
    builder->setLength(q.status.get(), i, integer ? 4 : 8);
    q.status.Check();
  }
  q.input.reset(builder->getMetadata(q.status.get()));
  q.status.Check();
  const unsigned input_length = q.input->getMessageLength(q.status.get());
  q.status.Check();
  q.input_buffer.assign(input_length, 0);
  for (unsigned i = 0; i < count; ++i) {
    const unsigned null_offset = q.input->getNullOffset(q.status.get(), i);
    const unsigned offset = q.input->getOffset(q.status.get(), i);
    q.status.Check();
    const std::int16_t null_flag = (values[i] == nullptr || values[i]->IsNull()) ? -1 : 0;
    std::memcpy(&q.input_buffer[null_offset], &null_flag, sizeof null_flag);
    if (null_flag != 0) continue;
    if (values[i]->ValueKind() == IBParam::Kind::Integer) {
      const std::int32_t v = values[i]->AsInteger();
      std::memcpy(&q.input_buffer[offset], &v, sizeof v);
    } else {
      const firebird::IscTimestamp ts = firebird::IscFromDateTime(values[i]->AsDateTime());
      std::memcpy(&q.input_buffer[offset], &ts.date, 4);
      std::memcpy(&q.input_buffer[offset + 4], &ts.time, 4);
    }
  }
  firebird::ServerCall call(database_->Watchdog());
  Firebird::IResultSet* cursor =
      q.statement->openCursor(q.status.get(), transaction.Handle(), q.input.get(),
                              q.input_buffer.data(), q.output.get(), 0);
  q.cursor.reset(cursor);
  q.status.Check();
  q.cursor_transaction = &transaction;
  transaction.AddUser(*this);
  q.fetched = 0;
}

void TIBDataSet::CloseCursor() noexcept {
  if (query_ == nullptr) return;
  Query& q = *query_;
  q.read_ahead.reset();
  firebird::ServerCall call(WatchdogOf(database_));
  CloseOrRelease(q.cursor,
                 [](Firebird::IResultSet* r, Firebird::CheckStatusWrapper* st) { r->close(st); });
  if (q.cursor_transaction != nullptr && q.cursor_transaction != transaction_)
    q.cursor_transaction->RemoveUser(*this);
  q.cursor_transaction = nullptr;
  q.fetched = 0;
}

bool TIBDataSet::FetchNext(char* buffer) {
  Query& q = *query_;
  if (!q.cursor) OpenCursor();
  if (!q.read_ahead && read_ahead_ && q.fetched >= kRowsBeforeReadAhead)
    q.read_ahead = std::make_unique<firebird::RowReadAhead>(q.cursor.get(), q.message_length,
                                                            database_->Watchdog());
  bool got_row;
  if (q.read_ahead) {
    got_row = q.read_ahead->Next(buffer);
  } else {
    int result;
    {
      firebird::ServerCall call(database_->Watchdog());
      result = q.cursor->fetchNext(q.status.get(), buffer);
    }
    q.status.Check();
    got_row = result == Firebird::IStatus::RESULT_OK;
  }
  if (!got_row) {
    q.row_count = q.fetched;
    return false;
  }
  ++q.fetched;
  if (q.fetched > q.rows_seen) q.rows_seen = q.fetched;
  if (q.fetched == 1) {
    std::memcpy(q.first_row.data(), buffer, q.message_length);
    q.has_first_row = true;
  }
  return true;
}

bool TIBDataSet::ReadRow(std::int64_t row, char* buffer) {
  Query& q = *query_;
  if (row < 1 || (q.row_count >= 0 && row > q.row_count)) return false;
  if (row == 1 && q.has_first_row) {
    std::memcpy(buffer, q.first_row.data(), q.message_length);
  } else {
    if (row <= q.fetched) CloseCursor();  // behind the server's cursor: read again from the start
    while (q.fetched < row - 1)
      if (!FetchNext(q.scratch.data())) return false;
    if (!FetchNext(buffer)) return false;
  }
  q.SetRowNumber(buffer, row);
  return true;
}

std::size_t TIBDataSet::RecordBufferSize() const {
  return query_ != nullptr ? query_->message_length + sizeof(std::int64_t) : 0;
}

void TIBDataSet::InternalOpen() {
  Prepare();
  Query& q = *query_;
  q.has_first_row = false;
  q.position = 0;
  q.row_count = -1;
  q.rows_seen = 0;
  OpenCursor();
  TFieldDefs& defs = FieldDefs();
  defs.Clear();
  for (const ResultColumn& column : q.columns) {
    TFieldDef& def =
        defs.Add(UniqueFieldName(defs, column.name), column.type, column.size, !column.nullable);
    if (column.type == FieldType::BCD) def.SetPrecision(column.scale);
  }
}

void TIBDataSet::InternalClose() { CloseCursor(); }

bool TIBDataSet::IsCursorOpen() const { return query_ != nullptr && query_->cursor; }

void TIBDataSet::InternalFirst() { query_->position = 0; }

void TIBDataSet::InternalLast() {
  Query& q = *query_;
  // Reads on from wherever the server's cursor stands; only the count is needed.
  if (q.row_count < 0)
    while (FetchNext(q.scratch.data())) {
    }
  q.position = q.row_count + 1;
}

GetResult TIBDataSet::GetRecord(char* buffer, GetMode mode, bool /*do_check*/) {
  Query& q = *query_;
  switch (mode) {
    case GetMode::Next:
      if (ReadRow(q.position + 1, buffer)) {
        ++q.position;
        return GetResult::Ok;
      }
      q.position = q.row_count >= 0 ? q.row_count + 1 : q.position + 1;
      return GetResult::Eof;
    case GetMode::Prior:
      if (q.position - 1 < 1) {
        q.position = 0;
        return GetResult::Bof;
      }
      if (ReadRow(q.position - 1, buffer)) {
        --q.position;
        return GetResult::Ok;
      }
      return GetResult::Eof;
    case GetMode::Current:
      if (q.position < 1) return GetResult::Bof;
      return ReadRow(q.position, buffer) ? GetResult::Ok : GetResult::Eof;
  }
  return GetResult::Error;
}

bool TIBDataSet::GetFieldData(const TField& field, FieldValue* value) {
  const char* row = CurrentRecordBuffer();
  if (row == nullptr || query_ == nullptr) return false;
  const int index = field.FieldNo() - 1;
  if (index < 0 || index >= static_cast<int>(query_->columns.size())) return false;
  const ResultColumn& column = query_->columns[index];
  if (firebird::IsNull(column, row)) return false;
  if (value == nullptr) return true;
  if (column.sql_type == SQL_BLOB)
    ReadBlob(row + column.offset, value->text);
  else
    firebird::DecodeValue(column, row, *value);
  return true;
}

bool TIBDataSet::GetTimeKey(const TField& field, std::int64_t& key) const {
  const char* row = CurrentRecordBuffer();
  const int index = field.FieldNo() - 1;
  if (row == nullptr || query_ == nullptr || index < 0 ||
      index >= static_cast<int>(query_->columns.size()))
    return false;
  const ResultColumn& column = query_->columns[index];
  if (firebird::IsNull(column, row)) return false;
  const char* at = row + column.offset;
  std::int32_t date;
  std::memcpy(&date, at, sizeof date);
  if (column.sql_type == SQL_TYPE_DATE) {
    key = firebird::IscTimeKey(date);
    return true;
  }
  if (column.sql_type != SQL_TIMESTAMP) return false;
  std::uint32_t time;
  std::memcpy(&time, at + sizeof date, sizeof time);
  key = firebird::IscTimeKey(date, time);
  return true;
}

void TIBDataSet::ReadBlob(const void* blob_id, std::string& text) {
  Query& q = *query_;
  text.clear();
  if (q.cursor_transaction == nullptr || database_ == nullptr || !database_->Connected())
    throw EIBClientError("Cannot read a blob without an active transaction");
  ISC_QUAD id;
  std::memcpy(&id, blob_id, sizeof id);
  firebird::ServerCall call(database_->Watchdog());
  Ref<Firebird::IBlob> blob(database_->Handle()->openBlob(
      q.status.get(), q.cursor_transaction->Handle(), &id, 0, nullptr));
  q.status.Check();
  char segment[32768];
  for (;;) {
    unsigned length = 0;
    const int result = blob->getSegment(q.status.get(), sizeof segment, segment, &length);
    q.status.Check();
    if (result != Firebird::IStatus::RESULT_OK && result != Firebird::IStatus::RESULT_SEGMENT)
      break;
    text.append(segment, length);
  }
  CloseOrRelease(blob, [](Firebird::IBlob* b, Firebird::CheckStatusWrapper* st) { b->close(st); });
}

// ---------------------------------------------------------------- position

void TIBDataSet::GetBookmarkData(const char* buffer, char* bookmark) const {
  std::memcpy(bookmark, buffer + query_->message_length, sizeof(std::int64_t));
}

void TIBDataSet::SetBookmarkData(char* buffer, const char* bookmark) {
  std::memcpy(buffer + query_->message_length, bookmark, sizeof(std::int64_t));
}

void TIBDataSet::InternalGotoBookmark(const char* bookmark) {
  std::int64_t row;
  std::memcpy(&row, bookmark, sizeof row);
  query_->position = row;
}

int TIBDataSet::GetRecordCount() const {
  if (query_ == nullptr) return 0;
  return static_cast<int>(query_->row_count >= 0 ? query_->row_count : query_->rows_seen);
}

int TIBDataSet::GetRecNo() const {
  if (query_ == nullptr) return -1;
  const char* row = CurrentRecordBuffer();
  return row != nullptr ? static_cast<int>(query_->RowNumber(row)) : -1;
}

bool TIBDataSet::InternalSetRecNo(int rec_no) {
  if (query_ == nullptr || rec_no < 1) return false;
  query_->position = rec_no;
  return true;
}

}  // namespace kvr
