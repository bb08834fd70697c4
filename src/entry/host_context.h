// The process-wide host context: what InitReports hands over and what control command 1000
// sets. Zero at load; each InitReports or control command overwrites only what it sets.
// Guarded by the exported functions, which serve overlapping host calls one at a time.
#pragma once

#include <cstdint>
#include <string>

#include "common/variant.h"
#include "kvr/host_abi.h"

namespace kvr {

struct HostContext {
  void* data = nullptr;  // stored, never interpreted
  kvr_host_callback callback = nullptr;
  void* buffer = nullptr;  // stored, never interpreted
  bool host_kind3 = false;
  bool office_reports_allowed = false;
  std::string database_dir;  // Windows-1251
  std::string station_name;  // Windows-1251
  std::int32_t sale_log_mode = 0;
};

HostContext& TheHostContext();

// Releases the two texts (library unload).
void ReleaseHostTexts();

// Host query codes.
namespace host_query {
constexpr std::int32_t kDatabaseDir = 5;
constexpr std::int32_t kOfficeReportsMode = 8;
constexpr std::int32_t kStationName = 13;
constexpr std::int32_t kKAColumnEnabled = 17;
constexpr std::int32_t kPaymentNames = 23;
constexpr std::int32_t kHostKind = 46;
constexpr std::int32_t kPaymentCatalogue = 57;
}  // namespace host_query

// Asks the host through `callback` (argument 0) and returns its answer; the answer variant is
// freed. A missing callback or an answer that cannot be read raises.
Variant AskHost(kvr_host_callback callback, std::int32_t code);
// The same with the stored callback.
Variant AskHost(std::int32_t code);

}  // namespace kvr
