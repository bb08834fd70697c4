#include "reports/copy_dataset.h"

#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "reports/date_time_texts.h"

namespace kvr::reports {
namespace {

// Puts both datasets back into the state they had on entry, also when the copy fails.
class ActiveStateGuard {
 public:
  ActiveStateGuard(TDataSet& source, TMemDBFTable& table)
      : source_(source),
        table_(table),
        source_active_(source.Active()),
        table_active_(table.Active()) {}
  ~ActiveStateGuard() {
    try {
      if (table_.State() == DataSetState::Insert || table_.State() == DataSetState::Edit)
        table_.Cancel();  // the record being built is not posted
      if (table_.Active() != table_active_) table_.SetActive(table_active_);
      if (source_.Active() != source_active_) source_.SetActive(source_active_);
    } catch (...) {
      // Restoring must not hide the error that brought us here.
    }
  }
  ActiveStateGuard(const ActiveStateGuard&) = delete;
  ActiveStateGuard& operator=(const ActiveStateGuard&) = delete;

 private:
  TDataSet& source_;
  TMemDBFTable& table_;
  bool source_active_;
  bool table_active_;
};

// What one table field gets from each source row.
enum class Fill { kCopy, kDateTimeText, kFalse, kZeroInteger, kZeroFloat, kEmptyText, kNull };

struct FieldPair {
  TField* source;  // null unless kCopy or kDateTimeText
  TField* target;
  Fill fill;
};

Fill NeutralFill(const TField& target) {
  if (codepage::AnsiSameText(target.FieldName(), "KA")) return Fill::kFalse;
  switch (target.DataType()) {
    case FieldType::Integer:
    case FieldType::Smallint:
    case FieldType::Largeint: return Fill::kZeroInteger;
    case FieldType::String: return Fill::kEmptyText;
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::FMTBcd: return Fill::kZeroFloat;
    default: return Fill::kNull;
  }
}

// The pairs are worked out once, before the first row.
std::vector<FieldPair> PairFields(TDataSet& source, TMemDBFTable& table, MissingFields missing) {
  std::vector<FieldPair> pairs;
  for (int i = 0; i < table.FieldCount(); ++i) {
    TField& target = table.Fields(i);
    if (TField* from = source.FindField(target.FieldName())) {
      const bool date_time = from->DataType() == FieldType::DateTime;
      pairs.push_back({from, &target, date_time ? Fill::kDateTimeText : Fill::kCopy});
    } else if (missing == MissingFields::kNeutralValues) {
      pairs.push_back({nullptr, &target, NeutralFill(target)});
    }
  }
  return pairs;
}

void CopyRow(const std::vector<FieldPair>& pairs, bool use_us_date_time, std::string& text) {
  TDateTime value;
  for (const FieldPair& pair : pairs) {
    switch (pair.fill) {
      case Fill::kCopy: pair.target->AssignUnlessNull(*pair.source); break;
      case Fill::kDateTimeText:
        if (!pair.source->TryGetDateTime(value)) break;
        use_us_date_time ? DateTimeToUSText(value, text) : DateTimeToDotText(value, text);
        pair.target->SetAsString(text);
        break;
      case Fill::kFalse: pair.target->SetAsBoolean(false); break;
      case Fill::kZeroInteger: pair.target->SetAsInteger(0); break;
      case Fill::kZeroFloat: pair.target->SetAsFloat(0); break;
      case Fill::kEmptyText: pair.target->SetAsString(""); break;
      case Fill::kNull: break;
    }
  }
}

void CopyRows(TDataSet& source, TMemDBFTable& table, const CopyOptions& options) {
  ActiveStateGuard restore(source, table);
  if (!source.Active()) source.Open();
  if (!table.Active()) table.Open();

  const std::vector<FieldPair> pairs = PairFields(source, table, options.missing_fields);
  const bool every_row = options.missing_fields == MissingFields::kNeutralValues;
  std::string text;  // reused for every date-time value
  if (options.expansion) options.expansion->Start(source, table);
  source.First();
  while (!source.Eof()) {
    const int records = options.expansion ? options.expansion->RecordsOfRow() : 1;
    for (int record = 0; record < records; ++record) {
      table.Append();
      CopyRow(pairs, options.use_us_date_time, text);
      if (options.expansion) options.expansion->FillRecord(record);
      if (every_row || table.Modified()) {
        if (options.before_post) options.before_post();
        table.Post();
      } else {
        table.Cancel();
      }
    }
    source.Next();
  }
  source.First();
}

}  // namespace

void CopyDataSet(TDataSet& source, TMemDBFTable& table, const CopyOptions& options) {
  if (options.error_context.empty()) return CopyRows(source, table, options);
  try {
    CopyRows(source, table, options);
  } catch (...) {
    ChainException(options.error_context);
  }
}

}  // namespace kvr::reports
