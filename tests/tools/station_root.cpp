#include "station_root.h"

#include <filesystem>

#include "codepage/code_page.h"
#include "export_harness.h"
#include "platform/file_system.h"
#include "support/firebird_fixture.h"

namespace kvr::test {

StationRoot::StationRoot() : dir_("kvrhost-root") {
  PrepareEmbeddedEngine();  // the lock directory, inherited by kvrhost
  for (const char* sub : {"C/WINDOWS", "C/MOLT/LogFiles", "C/MOLT/DB", "C/MOLT/OfficeDB", "D/SHOP"})
    std::filesystem::create_directories(path() + "/" + sub);
  // "GSMNames2" + the hexadecimal bytes of "ВСЕ АЗС": one fuel-name map for all stations.
  platform::WriteWholeFile(
      path() + "/C/WINDOWS/cnf.ini",
      codepage::Utf8ToCp1251(
          "[REPORTS]\r\nUseDBETime=1\r\nGSMTbl=1\r\nFixGSMFld=1\r\nGSMFldLen=20\r\n"
          "GSMNames2C2D1C520C0C7D1=АИ-92=Регуляр-92|АИ-95=Премиум-95\r\n"));
  CopyTemplateDatabase(TemplateDatabase::kStationFull, StationDir() + "/GARVEN.FDB");
  CopyTemplateDatabase(TemplateDatabase::kOffice, path() + "/C/MOLT/OfficeDB/OFFICE.FDB");
  CopyTemplateDatabase(TemplateDatabase::kShop, path() + "/D/SHOP/SHOP.FDB");
}

std::string StationRoot::ExportFile(std::string_view name) const {
  return path() + "/C/MOLT/EXPORT/" + std::string(name);
}

std::vector<std::string> StationRoot::HostArgs() const {
  return {"--root",      path(), "--database-dir", StationDir(),
          "--host-kind", "3",    "--station",      "АЗС 1"};
}

std::vector<std::string> Join(std::vector<std::string> host, const std::vector<std::string>& more) {
  host.insert(host.end(), more.begin(), more.end());
  return host;
}

}  // namespace kvr::test
