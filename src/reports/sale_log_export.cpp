#include <unordered_map>
#include <vector>

#include "common/text.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "reports/copy_dataset.h"
#include "reports/export_connections.h"
#include "reports/export_conventions.h"
#include "reports/export_sql.h"
#include "reports/exports.h"

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
void AppendQueryRows(TMemDBFTable& table, TIBDataSet& query, bool use_us_date_time) {
  CopyDataSet(query, table,
              {.use_us_date_time = use_us_date_time,
               .missing_fields = MissingFields::kNeutralValues,
               .error_context = {}});
}

// Card sales (payment codes ending in 01) take the counterparty of their card from the
// station's card file. Only live card records count: a record marked as deleted is a card
// withdrawn or handed to another holder, and the first live record of a card number wins.
// The card numbers compare exactly, as a locate without options compares them.
void FillCardContractors(TMemDBFTable& table) {
  struct CardHolder {
    std::string inn, name;
  };
  std::unordered_map<std::string, CardHolder> holders;
  {
    auto cards = std::make_unique<TMemDBFTable>();  // deleted records stay hidden
    cards->SetFileName(kCardFile);
    cards->Open();
    TField& card = cards->FieldByName("CARD");
    TField& card_inn = cards->FieldByName("INN");
    TField& card_name = cards->FieldByName("CNAME");
    for (cards->First(); !cards->Eof(); cards->Next())
      holders.try_emplace(card.AsString(), CardHolder{card_inn.AsString(), card_name.AsString()});
  }
  TField& vid_opl = table.FieldByName("VidOpl");
  TField& buyer = table.FieldByName("Pokupatel");
  TField& inn = table.FieldByName("INN");
  TField& cnt = table.FieldByName("Cnt");
  for (table.First(); !table.Eof(); table.Next()) {
    if (vid_opl.AsInteger() % 100 != 1) continue;
    const auto holder = holders.find(buyer.AsString());
    if (holder == holders.end()) continue;
    table.Edit();
    inn.SetAsString(holder->second.inn);
    cnt.SetAsString(holder->second.name);
    table.Post();
  }
}

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
    {
      auto fuel = NewReadDataSet(station);
      fuel->SelectSQL().SetText(SaleLogFuelSql(sql));
      SetDateTimeParam(*fuel, "BegData", begin);
      SetDateTimeParam(*fuel, "EndData", end);
      AppendQueryRows(table, *fuel, context.settings.use_dbe_time);
      if (platform::FileExists(kCardFile)) FillCardContractors(table);
    }
    if (layout.shop_rows) {
      const std::string shop_file = ShopDatabaseFile(shop_directory);
      db::Connection shop({.file = shop_file});
      auto goods = NewReadDataSet(shop.Database());
      goods->SelectSQL().SetText(SaleLogGoodsSql());
      SetDateTimeParam(*goods, "BegData", begin);
      SetDateTimeParam(*goods, "EndData", end);
      AppendQueryRows(table, *goods, context.settings.use_dbe_time);
    }
    ReplaceFuelNames(table, "GSMName", context.settings);
  });
}

}  // namespace kvr::reports
