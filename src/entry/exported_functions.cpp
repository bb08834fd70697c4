// The two functions the library exports. Nothing escapes them as an exception: every failure
// becomes the Boolean result and a text for the host.
//
// The host must not call them at the same time; one that does is served one call after the
// other, since the host context, the payment catalogue and the host texts are process-wide.
// The lock is recursive: a host that calls in again from inside its callback on the same thread
// is served as before instead of waiting for itself.
#include <cstdint>
#include <mutex>
#include <string>

#include "common/exceptions.h"
#include "common/text.h"
#include "entry/control_command.h"
#include "entry/host_context.h"
#include "entry/host_text.h"
#include "entry/host_variant.h"
#include "entry/payment_catalogue.h"
#include "entry/report_runner.h"
#include "kvr/host_abi.h"
#include "log/module_loggers.h"

// Windows: the exports are those of KVRExportCreator9.def (names undecorated on 32 bits too).
#if defined(_WIN32)
#define KVR_EXPORT extern "C"
#else
#define KVR_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using namespace kvr::literals;

std::recursive_mutex& EntryMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

bool AnswersHostKind3(kvr_host_callback callback) {
  return kvr::AskHost(callback, kvr::host_query::kHostKind) == kvr::Variant(3);
}

}  // namespace

KVR_EXPORT void KVR_CALL InitReports(void* data, kvr_host_callback callback, void* buffer) {
  const std::lock_guard lock(EntryMutex());
  kvr::HostContext& context = kvr::TheHostContext();
  try {
    if (data) context.data = data;
    if (callback) {
      context.callback = callback;
      context.host_kind3 = AnswersHostKind3(callback);
    }
  } catch (...) {
    // A host that cannot say its kind is not of kind 3; the catalogue is built regardless.
    context.host_kind3 = false;
  }
  if (buffer) context.buffer = buffer;
  kvr::BuildPaymentCatalogue();
}

KVR_EXPORT std::int32_t KVR_CALL GetReportsInStringEx(char report_code, kvr_variant params,
                                                      char** text) {
  const std::lock_guard lock(EntryMutex());
  bool result = false;
  std::string answer;
  try {
    const kvr::Variant parameters = kvr::FromHostVariant(params);
    if (kvr::IsControlCommand(report_code, parameters)) {
      kvr::ApplyControlCommand(parameters);
      answer.clear();
    } else {
      result = kvr::RunReport(report_code, parameters, answer);
    }
  } catch (...) {
    result = false;
    try {
      answer = std::string("Ошибка при формировании экспортного отчета: "_w) +
               kvr::CurrentExceptionMessage();
      // The operator sees in the log what the host got (an unreachable database, a helper
      // without a function): such failures never reach the dispatch's own log line.
      if (kvr::log::TDIZEvudod* log = kvr::log::ReportsLog()) log->Log(kvr::log::kLogError, answer);
    } catch (...) {
      answer.clear();  // out of memory: the result alone reports the failure
    }
  }
  kvr::StoreHostText(text, answer);
  return result ? 1 : 0;
}
