#include "reports/row_shifts.h"

#include "codepage/code_page.h"
#include "firebird/ib_dataset.h"
#include "platform/environment.h"

namespace kvr::reports {

const char* const kShiftJoinVariable = "KVR_SHIFT_JOIN";

namespace {

constexpr const char* kShiftLogSql = "SELECT SMNUM, BEGTIME, ENDTIME FROM SMLOG";

bool ServerJoinAsked() {
  return codepage::AnsiSameText(platform::GetEnvironmentVariable(kShiftJoinVariable).value_or(""),
                                "server");
}

bool IsMoment(const TField& field) {
  return field.DataType() == FieldType::Date || field.DataType() == FieldType::DateTime;
}

// The SQL type of a shift number the index holds, or null.
const char* NumberType(const TField& field) {
  switch (field.DataType()) {
    case FieldType::Smallint: return "SMALLINT";
    case FieldType::Integer: return "INTEGER";
    default: return nullptr;
  }
}

std::string QuotedName(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

}  // namespace

std::unique_ptr<RowShifts> RowShifts::Load(TIBDataSet& query) {
  if (ServerJoinAsked() || query.Database() == nullptr) return nullptr;
  // On the query's own transaction (the database's default one unless the query has another).
  auto log = std::make_unique<TIBDataSet>();
  log->SetDatabase(query.Database());
  log->SetTransaction(query.Transaction());
  log->SelectSQL().SetText(kShiftLogSql);
  try {
    log->Open();
  } catch (...) {
    return nullptr;  // no shift log as expected: the join says what it says
  }
  TField& number = log->Fields(0);
  TField& begin = log->Fields(1);
  TField& end = log->Fields(2);
  const char* type = NumberType(number);
  if (type == nullptr || !IsMoment(begin) || !IsMoment(end)) return nullptr;

  auto shifts = std::make_unique<RowShifts>();
  for (log->First(); !log->Eof(); log->Next()) {
    std::int64_t from, to;
    if (!log->GetTimeKey(begin, from) || !log->GetTimeKey(end, to)) continue;  // never matches
    if (number.IsNull()) return nullptr;  // a shift without a number: left to the join
    shifts->index_.Add(from, to, static_cast<std::int32_t>(number.AsInteger()));
  }
  shifts->index_.Build();
  shifts->null_column_ =
      std::string("CAST(NULL AS ") + type + ") AS " + QuotedName(number.FieldName());
  return shifts;
}

bool RowShifts::CanFill(TIBDataSet& query) {
  const TField* moment = query.FindField("DATA");
  return moment != nullptr && IsMoment(*moment);
}

void RowShifts::Start(TDataSet& source, TMemDBFTable& table) {
  source_ = &dynamic_cast<TIBDataSet&>(source);
  moment_ = &source.FieldByName("DATA");
  shift_ = &table.FieldByName("SMNUM");
}

int RowShifts::RecordsOfRow() {
  std::int64_t moment;
  if (!source_->GetTimeKey(*moment_, moment)) {
    numbers_.clear();
    return 1;
  }
  index_.Find(moment, numbers_);
  return numbers_.empty() ? 1 : static_cast<int>(numbers_.size());
}

void RowShifts::FillRecord(int index) {
  if (index < static_cast<int>(numbers_.size())) shift_->SetAsLargeInt(numbers_[index]);
}

std::unique_ptr<RowShifts> OpenWithRowShifts(
    TIBDataSet& query, const std::function<std::string(std::string_view)>& make_sql,
    const std::function<void(TIBDataSet&)>& set_params) {
  std::unique_ptr<RowShifts> shifts = RowShifts::Load(query);
  if (shifts) {
    query.SelectSQL().SetText(make_sql(shifts->NullColumn()));
    set_params(query);
    query.Open();
    if (RowShifts::CanFill(query)) return shifts;
    shifts.reset();  // no time to find the shifts by: the join decides
  }
  query.SelectSQL().SetText(make_sql({}));
  set_params(query);
  query.Open();
  return nullptr;
}

}  // namespace kvr::reports
