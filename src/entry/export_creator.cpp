#include "entry/export_creator.h"

#include <algorithm>

#include "common/exceptions.h"
#include "common/format_text.h"
#include "common/text.h"
#include "common/trim.h"
#include "db/connection.h"
#include "entry/date_parameter.h"
#include "entry/host_context.h"
#include "entry/host_options.h"
#include "entry/payment_catalogue.h"
#include "ini/safe_ini_file.h"
#include "log/module_loggers.h"
#include "platform/clock.h"
#include "platform/file_kind.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/system_error.h"
#include "reports/export_conventions.h"
#include "reports/exports.h"

namespace kvr {

using namespace kvr::literals;

namespace {

constexpr const char* kStationDatabaseFile = "GARVEN.FDB";

// "a=b|c=d" -> the lines "a=b" and "c=d" (a line break for every '|', blanks trimmed at the
// ends of the whole text, empty lines between breaks kept as the settings hold them).
std::vector<std::string> SplitFuelNameMap(std::string_view value) {
  std::string text(value);
  std::replace(text.begin(), text.end(), '|', '\n');
  std::vector<std::string> lines;
  std::string_view rest = Trim(text);
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of("\r\n");
    std::string_view line = rest.substr(0, end);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + (rest.substr(end, 2) == "\r\n" ? 2 : 1));
  }
  return lines;
}

int WidestReplacement(const std::vector<std::string>& lines) {
  int width = 20;
  for (const std::string& line : lines) {
    std::size_t eq = line.find('=');
    int length = eq == std::string::npos ? 0 : static_cast<int>(line.size() - eq - 1);
    width = std::max(width, length);
  }
  return width;
}

std::string StationNameForFuelMap(bool one_table) {
  if (one_table) return std::string("ВСЕ АЗС"_w);
  const HostContext& host = TheHostContext();
  if (!host.station_name.empty()) return host.station_name;
  return AskHost(host_query::kStationName).AsText();
}

std::string StationDatabaseFile() {
  std::string dir = TheHostContext().database_dir;
  if (dir.empty()) dir = AskHost(host_query::kDatabaseDir).AsText();
  if (dir.empty() || (dir.back() != '\\' && dir.back() != '/')) dir += '\\';
  return dir + kStationDatabaseFile;
}

// The names of the two date-time parameters in the message that refuses one.
constexpr std::string_view kBegin = "начало периода"_w;
constexpr std::string_view kEnd = "конец периода"_w;

// The element of the host's parameter array at `index` (bounds checked by the array).
const Variant& Element(const Variant& params, int index) { return params.Array().Get(index); }

void LogLine(log::LogLevel level, std::string_view format, std::initializer_list<FormatArg> args) {
  if (log::TDIZEvudod* logger = log::ReportsLog()) {
    try {
      logger->LogFmt(level, format, args);
    } catch (...) {
      // Logging never fails a report.
    }
  }
}

}  // namespace

std::string StrToHex(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(text.size() * 2);
  for (unsigned char c : text) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

reports::ExportSettings ReadExportSettings(const std::string& settings_file) {
  // A FIFO or device would block the read or never end; the INI layer would read a directory
  // as an empty file. None of them is a settings file.
  if (platform::IsNonRegularFile(settings_file))
    throw EFOpenError("Cannot open file \"" + platform::MapPath(settings_file) +
                      "\". Not a regular file");
  reports::ExportSettings settings;
  ini::TSafeIniFile ini(settings_file);
  settings.use_dbe_time = ini.ReadBool("REPORTS", "UseDBETime", true);
  settings.export_tide_zero = ini.ReadBool("REPORTS", "ExportTideZero", false);
  settings.fuel_name_width = 20;
  settings.gsm_tbl = ini.ReadBool("REPORTS", "GSMTbl", false);
  if (settings.gsm_tbl) {
    const bool fix_width = ini.ReadBool("REPORTS", "FixGSMFld", true);
    const bool kind3 = AskHost(host_query::kHostKind).AsInteger() == 3;
    const bool one_table = kind3 && ini.ReadBool("REPORTS", "GSMOneTbl", true);
    const std::string key = "GSMNames2" + StrToHex(StationNameForFuelMap(one_table));
    settings.fuel_name_map = SplitFuelNameMap(ini.ReadString("REPORTS", key, ""));
    settings.fuel_name_width = fix_width ? ini.ReadInteger("REPORTS", "GSMFldLen", 20)
                                         : WidestReplacement(settings.fuel_name_map);
  }
  return settings;
}

TExportCreator::TExportCreator() {
  context_.settings = ReadExportSettings(SettingsFilePath());
  context_.host = MakeHostOptions();
  const std::string file = StationDatabaseFile();
  if (TheHostContext().host_kind3) BuildPaymentCatalogue();
  station_ = std::make_unique<db::Connection>(db::ConnectionOptions{.file = file});
  context_.station = &station_->Database();
}

TExportCreator::~TExportCreator() = default;

// The host's elements are converted in index order, each into a variable before the export
// call (the order of a call's arguments is unspecified), so the lowest bad element's error wins.
bool TExportCreator::ConvertParamsAndExport(char code, const Variant& params, std::string& title,
                                            std::string& text) {
  const Variant& p = params;
  switch (code) {
    case '0': {
      title = "Экспорт отливов"_w;
      const int high = p.Array().HighBound();
      TDateTime begin = DateTimeParameter(p, 0, kBegin);
      TDateTime end = DateTimeParameter(p, 1, kEnd);
      Element(p, 2).AsInteger();  // the two shift integers are converted, though unused
      if (high >= 3) Element(p, 3).AsInteger();
      std::string shop = high >= 4 ? Element(p, 4).AsText() : std::string();
      reports::ExportSaleLog(context_, begin, end, shop);
      return true;
    }
    case '1': {
      title = "События по резервуарам"_w;
      TDateTime begin = DateTimeParameter(p, 0, kBegin);
      reports::ExportRezLog(context_, begin, DateTimeParameter(p, 1, kEnd));
      return true;
    }
    case '2': {
      title = "Экспорт приходов"_w;
      TDateTime begin = DateTimeParameter(p, 0, kBegin);
      reports::ExportPrxLog(context_, begin, DateTimeParameter(p, 1, kEnd));
      return true;
    }
    case '6': {
      title = "Остатки в резервуарах"_w;
      std::int32_t last = Element(p, 0).AsInteger();
      reports::ExportRezEnd(context_, last, Element(p, 1).AsInteger());
      return true;
    }
    case '8':
      switch (Element(p, 0).AsInteger()) {
        case 1:
          title = "Экспорт видов оплаты"_w;
          Element(p, 1).AsInteger();  // converted as the host sends them, though unused
          Element(p, 2).AsInteger();
          DateTimeParameter(p, 3, kBegin);
          DateTimeParameter(p, 4, kEnd);
          text = reports::ExportVidOpl(context_);
          return true;
        case 2:
          title = "Общий список дисконтных карт"_w;
          text = reports::ExportAllDscCards(context_);
          return true;
        case 3: {
          title = "Экспорт информации о ТРК"_w;
          std::int32_t first = Element(p, 1).AsInteger();
          text = reports::ExportTRKInfo(context_, first, Element(p, 2).AsInteger());
          return true;
        }
        case 4: {
          title = "Экспорт чеков ККМ"_w;
          TDateTime begin = DateTimeParameter(p, 1, kBegin);
          text = reports::ExportBCheck(context_, begin, DateTimeParameter(p, 2, kEnd));
          return true;
        }
        case 5: {
          title = "Экспорт скидок для отливов"_w;
          TDateTime begin = DateTimeParameter(p, 1, kBegin);
          text = reports::ExportRsxDsc(context_, begin, DateTimeParameter(p, 2, kEnd));
          return true;
        }
        default: return false;
      }
    default: return false;
  }
}

bool TExportCreator::Dispatch(char report_code, const Variant& params, std::string& text) {
  text.clear();
  bool result = true;
  BuildPaymentCatalogue();
  try {
    if (!platform::ForceDirectories(reports::kExportDirectory)) {
      std::string error = platform::SysErrorMessage(platform::GetLastError());
      throw Exception(Format("Не удалось создать каталог \"%s\": %s"_w,
                             {platform::MapPath(reports::kExportDirectory), error}));
    }
    std::string title(std::string_view("Неизвестный отчет"_w));
    const std::uint32_t start = platform::TickCount();
    std::string file_name;
    result = ConvertParamsAndExport(report_code, params, title, file_name);
    text = file_name;
    const std::uint32_t duration = platform::TickCount() - start;  // modulo 2^32
    if (result)
      LogLine(log::kLogInformation, "Документ \"%s\" подготовлен за %d ms"_w,
              {title, static_cast<long long>(duration)});
  } catch (...) {
    const std::string message = CurrentExceptionMessage();
    LogLine(log::kLogError, "Ошибка формирования отчета №%d: %s"_w,
            {static_cast<int>(static_cast<unsigned char>(report_code)), message});
    text = std::string("Ошибка при формировании отчета: "_w) + message;
  }
  return result;
}

}  // namespace kvr
