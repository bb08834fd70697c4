#include "entry/host_context.h"

#include "common/format_text.h"
#include "common/text.h"
#include "entry/host_variant.h"

namespace kvr {

using namespace kvr::literals;

HostContext& TheHostContext() {
  static HostContext context;
  return context;
}

void ReleaseHostTexts() {
  HostContext& context = TheHostContext();
  std::string().swap(context.database_dir);
  std::string().swap(context.station_name);
}

Variant AskHost(kvr_host_callback callback, std::int32_t code) {
  if (!callback) throw Exception(Format("Хост не передал функцию запросов (запрос %d)"_w, {code}));
  kvr_variant answer;
  kvr_variant_init(&answer);
  callback(&answer, code, 0);
  return TakeHostVariant(answer);
}

Variant AskHost(std::int32_t code) { return AskHost(TheHostContext().callback, code); }

}  // namespace kvr
