// A station machine for kvrhost processes: a root directory standing for the drives with the
// settings file (fuel-name replacement on, as the demo has it), the log directory, and the
// demo station, office and shop databases copied from the test templates.
//   <root>/C/WINDOWS/cnf.ini   <root>/C/MOLT/DB/GARVEN.FDB   <root>/C/MOLT/OfficeDB/OFFICE.FDB
//   <root>/D/SHOP/SHOP.FDB (the shop directory "D:\SHOP\")   exports in <root>/C/MOLT/EXPORT/
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"

namespace kvr::test {

class StationRoot {
 public:
  StationRoot();
  const std::string& path() const { return dir_.path(); }
  std::string StationDir() const { return path() + "/C/MOLT/DB"; }
  std::string ExportFile(std::string_view name) const;
  // --root, --database-dir, --host-kind 3 and the station name.
  std::vector<std::string> HostArgs() const;

 private:
  TempDir dir_;
};

// `host` followed by `more`.
std::vector<std::string> Join(std::vector<std::string> host, const std::vector<std::string>& more);

}  // namespace kvr::test
