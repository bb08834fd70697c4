// Every export once, with the parameters of the test data's period: shared by the load test
// and its worker processes.
#pragma once

#include <vector>

#include "common/date_time.h"
#include "host_params.h"

namespace kvr::test {

struct ExportCall {
  char code;
  std::vector<host_param> params;
  const char* file;   // the export file
  const char* text;   // the answer text (UTF-8)
  const char* title;  // the title the log line names (UTF-8)
};

// The nine exports on the period 1 March 2024 to 4 March 2024 23:59:59.999; the sale log with
// the shop directory "D:\SHOP\".
inline const std::vector<ExportCall>& EveryExport() {
  static const std::vector<ExportCall> calls = [] {
    const TDateTime begin = EncodeDateTime(2024, 3, 1, 0, 0, 0, 0);
    const TDateTime end = EncodeDateTime(2024, 3, 4, 23, 59, 59, 999);
    auto i = [](std::int64_t v) { return host_param{HP_INT, v, nullptr, 0}; };
    auto d = [](TDateTime v) { return host_param{HP_DATE, 0, nullptr, v}; };
    const host_param shop{HP_TEXT, 0, "D:\\SHOP\\", 0};
    return std::vector<ExportCall>{
        {'0', {d(begin), d(end), i(0), i(0), shop}, "SaleLog.dbf", "", "Экспорт отливов"},
        {'1', {d(begin), d(end)}, "RezLog.dbf", "", "События по резервуарам"},
        {'2', {d(begin), d(end)}, "PrxLog.dbf", "", "Экспорт приходов"},
        {'6', {i(5), i(3)}, "RezEnd.dbf", "", "Остатки в резервуарах"},
        {'8',
         {i(1), i(0), i(0), d(begin), d(end)},
         "ExportVidOpl.dbf",
         "ExportVidOpl.dbf",
         "Экспорт видов оплаты"},
        {'8',
         {i(2)},
         "AllDscCardExport.dbf",
         "AllDscCardExport.dbf",
         "Общий список дисконтных карт"},
        {'8',
         {i(3), i(1), i(6)},
         "ExportTRKInfo.dbf",
         "ExportTRKInfo.dbf",
         "Экспорт информации о ТРК"},
        {'8',
         {i(4), d(begin), d(end)},
         "ExportBCheck.dbf",
         "ExportBCheck.dbf",
         "Экспорт чеков ККМ"},
        {'8',
         {i(5), d(begin), d(end)},
         "ExportRsxDsc.dbf",
         "ExportRsxDsc.dbf",
         "Экспорт скидок для отливов"},
    };
  }();
  return calls;
}

}  // namespace kvr::test
