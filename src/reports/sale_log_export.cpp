#include <exception>
#include <functional>
#include <unordered_map>
#include <vector>

#include "codepage/code_page.h"
#include "common/text.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "reports/copy_dataset.h"
#include "reports/export_connections.h"
#include "reports/export_conventions.h"
#include "reports/export_sql.h"
#include "reports/exports.h"
#include "reports/row_shifts.h"

namespace kvr::reports {

using namespace kvr::literals;

namespace {

constexpr const char* kCardFile = "C:\\MOLT\\BeznalCardINN.DBF";

// The fields both layouts share, from the counterparty to the tank and dispenser.
void AddSaleFields(TFieldDefs& d, const SaleLogSqlSwitches& l) {
  d.Add("INN", FieldType::String, 30);
  d.Add("Cnt", FieldType::String, 50);
  d.Add("Driver", FieldType::String, 40);
  d.Add("PListNum", FieldType::String, 15);
  d.Add("INDEXSALE", FieldType::Integer);
  if (l.has_silonum) d.Add("SILONUM", FieldType::Integer);
  if (l.has_trknum) d.Add("TRKNUM", FieldType::Integer);
}

// The fields both layouts share, from the KA flag to the dispenser's density.
void AddIdFields(TFieldDefs& d, const SaleLogSqlSwitches& l) {
  if (l.ka_column) d.Add("KA", FieldType::Boolean);
  d.Add("IDCnt", FieldType::String, 8);
  d.Add("IDCar", FieldType::String, 8);
  d.Add("IDDrv", FieldType::String, 8);
  if (l.has_trkdensity) d.Add("TRKDENS", FieldType::Float);
}

void DefineFuelFields(TFieldDefs& d, const SaleLogSqlSwitches& l, int fuel_width) {
  d.Add("SmNum", FieldType::Integer);
  d.Add("Data", FieldType::DateTime);
  d.Add("Pokupatel", FieldType::String, 100);
  d.Add("VidOpl", FieldType::Integer);
  d.Add("GSMName", FieldType::String, fuel_width);
  d.Add("KodGsm", FieldType::Integer);
  for (const char* name : {"Liter", "GSMPrice", "BasePrice", "Summa", "BaseSumma", "Plotn"})
    d.Add(name, FieldType::Float);
  AddSaleFields(d, l);
  if (l.has_nkkm) d.Add("NKKM", FieldType::Integer);
  if (l.has_id2cnt) {
    d.Add("GPINN", FieldType::String, 30);
    d.Add("GPNAME", FieldType::String, 50);
  }
  AddIdFields(d, l);
  if (l.has_kkmnum) d.Add("KKMNUM", FieldType::Integer);
}

// Fuel rows and goods rows in one layout; it has no shift, receipt or second counterparty.
void DefineShopFields(TFieldDefs& d, const SaleLogSqlSwitches& l, int fuel_width) {
  d.Add("Data", FieldType::DateTime);
  d.Add("IsTovar", FieldType::Integer);
  d.Add("TovVozvrat", FieldType::Integer);
  d.Add("TovKomiss", FieldType::Integer);
  d.Add("TovarCode", FieldType::String, 15);
  d.Add("TovarName", FieldType::String, 50);
  d.Add("Pokupatel", FieldType::String, 100);
  d.Add("VidOpl", FieldType::Integer);
  d.Add("GSMName", FieldType::String, fuel_width);
  d.Add("KodGsm", FieldType::Integer);
  for (const char* name : {"Liter", "TovKolvo", "TovZPrice", "TovZSum", "TovPPrice", "TovPSum",
                           "TovSkidka", "GSMPrice", "BasePrice", "Summa", "BaseSumma", "Plotn"})
    d.Add(name, FieldType::Float);
  AddSaleFields(d, l);
  AddIdFields(d, l);
}

// The copy step of the sale log: every query row becomes a record; table fields the query
// lacks get neutral values so that fuel and goods rows line up. Failures keep their text.
// `finish` completes each record before it is posted.
void AppendQueryRows(TMemDBFTable& table, TIBDataSet& query, bool use_us_date_time,
                     std::function<void()> finish, RowExpansion* shifts = nullptr) {
  CopyDataSet(query, table,
              {.use_us_date_time = use_us_date_time,
               .missing_fields = MissingFields::kNeutralValues,
               .error_context = {},
               .before_post = std::move(finish),
               .expansion = shifts});
}

// Card sales (payment codes ending in 01) take the counterparty of their card from the
// station's card file. Only live card records count: a record marked as deleted is a card
// withdrawn or handed to another holder, and the first live record of a card number wins.
// The card numbers compare exactly, as a locate without options compares them.
class CardContractors {
 public:
  // Reads the card file when there is one. A file that cannot be read is reported by
  // RaiseReadError, which the export calls where the fuel rows are complete, so that a
  // failure of the fuel query still comes first.
  explicit CardContractors(TMemDBFTable& table) {
    if (!platform::FileExists(kCardFile)) return;
    try {
      Read();
    } catch (...) {
      read_error_ = std::current_exception();
      return;
    }
    vid_opl_ = &table.FieldByName("VidOpl");
    buyer_ = &table.FieldByName("Pokupatel");
    inn_ = &table.FieldByName("INN");
    cnt_ = &table.FieldByName("Cnt");
  }

  void RaiseReadError() const {
    if (read_error_) std::rethrow_exception(read_error_);
  }

  // On the record being inserted.
  void Apply() const {
    if (!vid_opl_ || vid_opl_->AsInteger() % 100 != 1) return;
    const auto holder = holders_.find(buyer_->AsString());
    if (holder == holders_.end()) return;
    inn_->SetAsString(holder->second.inn);
    cnt_->SetAsString(holder->second.name);
  }

 private:
  struct CardHolder {
    std::string inn, name;
  };

  void Read() {
    auto cards = std::make_unique<TMemDBFTable>();  // deleted records stay hidden
    cards->SetFileName(kCardFile);
    cards->Open();
    TField& card = cards->FieldByName("CARD");
    TField& card_inn = cards->FieldByName("INN");
    TField& card_name = cards->FieldByName("CNAME");
    for (cards->First(); !cards->Eof(); cards->Next())
      holders_.try_emplace(card.AsString(), CardHolder{card_inn.AsString(), card_name.AsString()});
  }

  std::unordered_map<std::string, CardHolder> holders_;
  std::exception_ptr read_error_;
  TField* vid_opl_ = nullptr;  // set once the file was read
  TField* buyer_ = nullptr;
  TField* inn_ = nullptr;
  TField* cnt_ = nullptr;
};

bool ContragentCatalogInUse(TIBDatabase& station) {
  try {
    auto query = NewReadDataSet(station);
    query->SelectSQL().SetText(kContragentCatalogSql);
    query->Open();
    return !query->Eof();
  } catch (...) {
    return false;  // no catalogue tables: the older contractor table is used
  }
}

// "D:\SHOP\" -> "D:\SHOP\SHOP.FDB": the directory followed by its own last name.
std::string ShopDatabaseFile(const std::string& directory) {
  std::string trimmed = directory;
  if (!trimmed.empty() && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
  return platform::IncludeTrailingPathDelimiter(directory) + platform::ExtractFileName(trimmed) +
         ".FDB";
}

}  // namespace

void ExportSaleLog(const ExportContext& context, TDateTime begin, TDateTime end,
                   const std::string& shop_directory) {
  static constexpr ExportSpec kSpec{"SaleLog.dbf", "ОтчетПоОтливам"_w,
                                    DeleteMessage::kTemporaryFile};
  RunExport(kSpec, [&](TMemDBFTable& table) {
    TIBDatabase& station = *context.station;
    SaleLogSqlSwitches layout;
    layout.shop_rows = !shop_directory.empty();
    layout.counterparty_mode1 = context.host.sale_log_mode() == 1;
    {
      auto probe = NewReadDataSet(station);
      std::vector<bool> lt =
          ProbeColumns(*probe, kLogTranProbeSql, {"SILONUM", "ID2CNT", "TRKNUM", "TRKDENSITY"});
      std::vector<bool> bc = ProbeColumns(*probe, kBCheckProbeSql, {"CLIENT", "INDEXSALE", "KKM"});
      layout.has_silonum = lt[0];
      layout.has_id2cnt = lt[1];
      layout.has_trknum = lt[2];
      layout.has_trkdensity = lt[3];
      layout.has_nkkm = bc[0] && bc[1];
      layout.has_kkmnum = layout.has_nkkm && bc[2];
    }
    layout.ka_column = context.host.ka_column_enabled();

    const int width = context.settings.fuel_name_width;
    if (layout.shop_rows)
      DefineShopFields(table.FieldDefs(), layout, width);
    else
      DefineFuelFields(table.FieldDefs(), layout, width);
    table.CreateTable();
    table.Open();

    // The SQL asks the host again for the KA column, as the layout did.
    SaleLogSqlSwitches sql = layout;
    sql.ka_column = context.host.ka_column_enabled();
    sql.contragent_catalogue = ContragentCatalogInUse(station);
    sql.export_tide_zero = context.settings.export_tide_zero;
    // The card counterparties and the fuel names are set on each record as it is added, so
    // that no record changes once it is in the table (and a large table can go to the disk
    // while it fills).
    const FuelNameReplacer fuel_names(table, "GSMName", context.settings);
    {
      const CardContractors cards(table);
      auto fuel = NewReadDataSet(station);
      const auto set_period = [&](TIBDataSet& q) {
        SetDateTimeParam(q, "BegData", begin);
        SetDateTimeParam(q, "EndData", end);
      };
      std::unique_ptr<RowShifts> shifts;  // only the layout without shop rows has the shift
      if (layout.shop_rows) {
        fuel->SelectSQL().SetText(SaleLogFuelSql(sql));
        set_period(*fuel);
      } else {
        const auto make_sql = [&](std::string_view shift) {
          SaleLogSqlSwitches with_shift = sql;
          with_shift.shift_column = shift;
          return SaleLogFuelSql(with_shift);
        };
        shifts = OpenWithRowShifts(*fuel, make_sql, set_period);
      }
      AppendQueryRows(
          table, *fuel, context.settings.use_dbe_time,
          [&] {
            cards.Apply();
            fuel_names.Apply();
          },
          shifts.get());
      cards.RaiseReadError();
    }
    if (layout.shop_rows) {
      const std::string shop_file = ShopDatabaseFile(shop_directory);
      db::Connection shop({.file = shop_file});
      auto goods = NewReadDataSet(shop.Database());
      goods->SelectSQL().SetText(SaleLogGoodsSql());
      SetDateTimeParam(*goods, "BegData", begin);
      SetDateTimeParam(*goods, "EndData", end);
      AppendQueryRows(table, *goods, context.settings.use_dbe_time, [&] { fuel_names.Apply(); });
    }
  });
}

}  // namespace kvr::reports
