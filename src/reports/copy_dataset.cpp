#include "reports/copy_dataset.h"

#include <string>
#include <vector>

#include "common/exceptions.h"
#include "reports/date_time_texts.h"

namespace kvr::reports {
namespace {

// Puts both datasets back into the state they had on entry, also when the copy fails.
class ActiveStateGuard {
 public:
  ActiveStateGuard(TDataSet& source, TMemDBFTable& table)
      : source_(source), table_(table), source_active_(source.Active()),
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

struct FieldPair {
  TField* source;
  TField* target;
  bool date_time;
};

}  // namespace

void CopyDataSet(TDataSet& source, TMemDBFTable& table, bool use_us_date_time) {
  try {
    ActiveStateGuard restore(source, table);
    if (!source.Active()) source.Open();
    if (!table.Active()) table.Open();

    std::vector<FieldPair> pairs;
    for (int i = 0; i < table.FieldCount(); ++i) {
      TField& target = table.Fields(i);
      if (TField* from = source.FindField(target.FieldName()))
        pairs.push_back({from, &target, from->DataType() == FieldType::DateTime});
    }

    std::string text;  // reused for every date-time value
    source.First();
    while (!source.Eof()) {
      table.Append();
      for (const FieldPair& pair : pairs) {
        if (pair.source->IsNull()) continue;
        if (pair.date_time) {
          TDateTime value = pair.source->AsDateTime();
          use_us_date_time ? DateTimeToUSText(value, text) : DateTimeToDotText(value, text);
          pair.target->SetAsString(text);
        } else {
          pair.target->Assign(*pair.source);
        }
      }
      if (table.Modified())
        table.Post();
      else
        table.Cancel();
      source.Next();
    }
    source.First();
  } catch (...) {
    ChainException("CopyDataSet");
  }
}

}  // namespace kvr::reports
