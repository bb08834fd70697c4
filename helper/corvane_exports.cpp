// The exported functions of libCorvane.so (see src/db/corvane_api.h). Each one runs its work inside
// Guarded(), which turns any exception into the caller's CorvaneError.
//
// Test builds leave out groups of functions to play older helpers:
//   CORVANE_CONNECT_ONLY     only FBConnectDB and FBDisconnectDB
//   CORVANE_WITHOUT_CONNECT  everything but FBConnectDB and FBDisconnectDB
//   CORVANE_WITHOUT_READ2    everything but FBCreateDataSetForRead2
#include <charconv>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>

#include "common/exceptions.h"
#include "db/corvane_api.h"
#include "firebird/ib_database.h"
#include "firebird/ib_dataset.h"
#include "firebird/ib_transaction.h"
#include "helper_settings.h"
#include "platform/named_mutex.h"
#include "platform/system_error.h"

// Windows: the exports are those of Corvane.def.
#if defined(_WIN32)
#define CORVANE_EXPORT extern "C"
#else
#define CORVANE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace kvr::corvane {
namespace {

void CopyText(char* target, std::size_t size, std::string_view text) {
  const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(target, text.data(), n);
  target[n] = '\0';
}

void Report(CorvaneError* error, std::string_view class_name, std::string_view message,
            std::uint32_t os_error = 0) {
  if (error == nullptr) return;
  CopyText(error->class_name, sizeof error->class_name, class_name);
  CopyText(error->message, sizeof error->message, message);
  error->os_error = os_error;
}

// Runs `work`; an exception fills *error instead of leaving the library.
template <class Work>
void Guarded(CorvaneError* error, Work work) {
  Report(error, "", "");
  try {
    work();
  } catch (const EOSError& e) {
    Report(error, e.ClassName(), e.Message(), e.ErrorCode());
  } catch (const Exception& e) {
    Report(error, e.ClassName(), e.Message());
  } catch (const std::exception& e) {
    Report(error, "Exception", e.what());
  } catch (...) {
    Report(error, "Exception", "Unknown error in the database helper library");
  }
}

template <class T>
T& Checked(T* object, const char* what) {
  if (object == nullptr) throw Exception(std::string(what) + " is missing");
  return *object;
}

TIBDatabase& AsDatabase(CorvaneDatabase* database) {
  return Checked(reinterpret_cast<TIBDatabase*>(database), "Database");
}

[[maybe_unused]] platform::NamedMutex& ConnectMutex() {
  static const std::unique_ptr<platform::NamedMutex> mutex = [] {
    auto m = platform::NamedMutex::OpenMachineWide("CorvaneHelperConnectMutex");
    if (!m)
      throw EOSError(
          "Cannot create the connect mutex: " + platform::SysErrorMessage(platform::GetLastError()),
          platform::GetLastError());
    return m;
  }();
  return *mutex;
}

// How long a caller waits for the connect mutex: the database's own connect time-out (the
// export library sets it from KVR_FB_TIMEOUT), so that one caller stuck while connecting holds
// the others up for no longer than a server that does not answer would; without one, no limit.
[[maybe_unused]] std::chrono::milliseconds ConnectWaitLimit(const TIBDatabase& database) {
  const std::string text = database.Params().Values("connect_timeout");
  int seconds = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (ec != std::errc() || end != text.data() + text.size() || seconds <= 0)
    return platform::kNoTimeLimit;
  return std::chrono::seconds(seconds);
}

// Connecting and disconnecting of all callers on this machine, one at a time.
template <class Work>
[[maybe_unused]] void Serialised(const TIBDatabase& database, Work work) {
  const std::chrono::milliseconds limit = ConnectWaitLimit(database);
  platform::NamedMutexLock lock(ConnectMutex(), limit);
  if (lock.result() == platform::WaitResult::kTimedOut)
    throw Exception(platform::LockTimeoutMessage("connect lock", ConnectMutex(), limit));
  if (!lock.owns())
    throw EOSError(platform::SysErrorMessage(platform::GetLastError()), platform::GetLastError());
  work();
}

[[maybe_unused]] TIBDataSet* NewReadDataSet(CorvaneDatabase* database,
                                            CorvaneTransaction* transaction,
                                            std::string_view name) {
  TIBDatabase& db = AsDatabase(database);
  auto data_set = std::make_unique<TIBDataSet>();
  data_set->SetDatabase(&db);
  if (transaction != nullptr)
    data_set->SetTransaction(reinterpret_cast<TIBTransaction*>(transaction));
  data_set->SetName(name);
  return data_set.release();
}

}  // namespace
}  // namespace kvr::corvane

using namespace kvr;
using namespace kvr::corvane;

#ifndef CORVANE_WITHOUT_CONNECT
CORVANE_EXPORT void FBConnectDB(CorvaneDatabase* database, const char* /*module_name*/,
                                CorvaneError* error) {
  Guarded(error, [&] {
    TIBDatabase& db = AsDatabase(database);
    Serialised(db, [&] { db.Open(); });
  });
}

CORVANE_EXPORT void FBDisconnectDB(CorvaneDatabase* database, const char* /*module_name*/,
                                   CorvaneError* error) {
  Guarded(error, [&] {
    TIBDatabase& db = AsDatabase(database);
    if (db.Connected()) Serialised(db, [&] { db.Close(); });
  });
}
#endif

#ifndef CORVANE_CONNECT_ONLY
CORVANE_EXPORT CorvaneTransaction* FBCreateTransaction(CorvaneDatabase* database, int32_t read_only,
                                                       const char* name, CorvaneComponent* owner,
                                                       const char* /*module_name*/,
                                                       CorvaneError* error) {
  CorvaneTransaction* result = nullptr;
  Guarded(error, [&] {
    TIBDatabase& db = AsDatabase(database);
    auto transaction = std::make_unique<TIBTransaction>();
    transaction->SetName(name != nullptr ? name : "");
    transaction->SetDefaultDatabase(&db);
    const char* const read_options[] = {"read", "read_committed", "rec_version", "nowait"};
    const char* const write_options[] = {"write", "concurrency", "wait"};
    if (read_only != 0)
      for (const char* option : read_options) transaction->Params().Add(option);
    else
      for (const char* option : write_options) transaction->Params().Add(option);
    if (owner != nullptr) reinterpret_cast<TComponent*>(owner)->InsertComponent(*transaction);
    result = reinterpret_cast<CorvaneTransaction*>(transaction.release());
  });
  return result;
}

#ifndef CORVANE_WITHOUT_READ2
CORVANE_EXPORT CorvaneDataSet* FBCreateDataSetForRead2(CorvaneDatabase* database,
                                                       int32_t /*read_only*/,
                                                       CorvaneTransaction* transaction,
                                                       const char* /*module_name*/,
                                                       const char* name, CorvaneError* error) {
  CorvaneDataSet* result = nullptr;
  Guarded(error, [&] {
    result = reinterpret_cast<CorvaneDataSet*>(
        NewReadDataSet(database, transaction, name != nullptr ? name : ""));
  });
  return result;
}
#endif

CORVANE_EXPORT CorvaneDataSet* FBCreateDataSetForRead(CorvaneDatabase* database,
                                                      int32_t /*read_only*/,
                                                      CorvaneTransaction* transaction,
                                                      const char* /*module_name*/,
                                                      CorvaneError* error) {
  CorvaneDataSet* result = nullptr;
  Guarded(error, [&] {
    result = reinterpret_cast<CorvaneDataSet*>(NewReadDataSet(database, transaction, ""));
  });
  return result;
}

CORVANE_EXPORT const char* GetFBPassword(const char* /*module_name*/, CorvaneError* error) {
  thread_local std::string password;
  password.clear();
  Guarded(error, [&] { password = DatabasePassword(); });
  return password.c_str();
}

CORVANE_EXPORT int32_t GetFBPort(const char* /*module_name*/, CorvaneError* error) {
  int32_t port = 0;
  Guarded(error, [&] { port = DatabasePort(); });
  return port;
}
#endif
