#include "db/database_access.h"

#include <chrono>
#include <memory>

#include "common/exceptions.h"
#include "common/format_text.h"
#include "common/text.h"
#include "db/connection.h"
#include "db/corvane_api.h"
#include "db/helper_binding.h"
#include "db/helper_error.h"
#include "platform/paths.h"
#include "platform/system_error.h"

namespace kvr::db {
namespace {

using namespace kvr::literals;

[[noreturn]] void RaiseMissing(std::string_view function_name) {
  throw Exception(
      Format("Функция \"%s\" в библиотеке \"Corvane.dll\" не найдена!"_w, {function_name}));
}

template <class Proc>
Proc Bound(HelperFunction function) {
  return reinterpret_cast<Proc>(HelperProc(function));
}

// Calls a helper function that reports failures in a CorvaneError and raises them here.
template <class Proc, class... Args>
auto CallHelper(Proc proc, Args... args) {
  CorvaneError error{};
  if constexpr (std::is_void_v<decltype(proc(args..., &error))>) {
    proc(args..., &error);
    RaiseHelperError(error);
  } else {
    auto result = proc(args..., &error);
    RaiseHelperError(error);
    return result;
  }
}

CorvaneDatabase* Handle(TIBDatabase& database) {
  return reinterpret_cast<CorvaneDatabase*>(&database);
}

// Runs `change` under the connect mutex, or directly when there is none.
template <class Change>
void UnderConnectMutex(Change change) {
  platform::NamedMutex* mutex = ConnectMutex();
  if (mutex == nullptr) {
    change();
    return;
  }
  // A process stuck while connecting must not stop every later connect on the machine.
  const std::chrono::milliseconds limit = platform::WaitLimit(kServerTimeout);
  platform::NamedMutexLock lock(*mutex, limit);
  if (lock.result() == platform::WaitResult::kTimedOut)
    throw Exception(platform::LockTimeoutMessage("connect lock", *mutex, limit));
  // A holder that died mid-connect leaves nothing half-done that the mutex protects, so an
  // abandoned mutex is simply ours now.
  if (!lock.owns()) {
    const std::uint32_t code = platform::GetLastError();
    throw EOSError(platform::SysErrorMessage(code), code);
  }
  change();
}

template <class T>
ComponentPtr<T> Returned(T* object, const char* function_name) {
  if (object == nullptr)
    throw Exception(std::string("The helper's function \"") + function_name +
                    "\" returned no object");
  return ComponentPtr<T>(object);
}

}  // namespace

std::string DatabaseConnectName(std::string_view file_name, std::int32_t port,
                                std::string_view host) {
  const std::string file = platform::MapPath(file_name);
  if (port == 0) return file;
  return Format("%s/%d:%s", {host, port, file});
}

ComponentPtr<TIBDatabase> CreateDatabase(std::string_view file_name, std::string_view password,
                                         std::int32_t port, bool with_default_transaction,
                                         TComponent* owner, std::string_view user,
                                         std::string_view host, bool connect,
                                         std::string_view component_name,
                                         std::string_view char_set) {
  // Freed on any failure below, also when an owner holds it.
  auto database = std::make_unique<TIBDatabase>(owner);
  if (!component_name.empty()) database->SetName(component_name);
  database->Params().SetValues("user_name", user);
  database->Params().SetValues("password", password);
  database->Params().SetValues("lc_ctype", char_set);
  database->SetDatabaseName(DatabaseConnectName(file_name, port, host));
  database->SetLoginPrompt(false);
  if (with_default_transaction) {
    ComponentPtr<TIBTransaction> transaction =
        CreateTransaction(*database, true, kDefaultTransactionName, database.get());
    database->SetDefaultTransaction(transaction.get());
  }
  if (connect) ConnectDatabase(*database);
  return ComponentPtr<TIBDatabase>(database.release());
}

void ConnectDatabase(TIBDatabase& database) {
  if (auto connect = Bound<FBConnectDBProc>(HelperFunction::FBConnectDB)) {
    CallHelper(connect, Handle(database), ModuleName().c_str());
    return;
  }
  UnderConnectMutex([&] { database.SetConnected(true); });
}

void DisconnectDatabase(TIBDatabase& database) {
  if (!database.Connected()) return;  // nothing to serialise with other processes
  if (auto disconnect = Bound<FBDisconnectDBProc>(HelperFunction::FBDisconnectDB)) {
    CallHelper(disconnect, Handle(database), ModuleName().c_str());
    return;
  }
  UnderConnectMutex([&] { database.SetConnected(false); });
}

ComponentPtr<TIBTransaction> CreateTransaction(TIBDatabase& database, bool flag,
                                               std::string_view name, TComponent* owner) {
  auto create = Bound<FBCreateTransactionProc>(HelperFunction::FBCreateTransaction);
  if (create == nullptr) RaiseMissing("FBCreateTransaction");
  const std::string name_text(name);
  CorvaneTransaction* transaction =
      CallHelper(create, Handle(database), flag ? 1 : 0, name_text.c_str(),
                 reinterpret_cast<CorvaneComponent*>(owner), ModuleName().c_str());
  return Returned(reinterpret_cast<TIBTransaction*>(transaction), "FBCreateTransaction");
}

ComponentPtr<TIBDataSet> CreateReadDataSet(TIBDatabase& database, bool flag, TIBTransaction* third,
                                           TComponent* owner, std::string_view name) {
  auto read2 = Bound<FBCreateDataSetForRead2Proc>(HelperFunction::FBCreateDataSetForRead2);
  auto read = Bound<FBCreateDataSetForReadProc>(HelperFunction::FBCreateDataSetForRead);
  if (read2 == nullptr && read == nullptr) RaiseMissing("FBCreateDataSetForRead");
  auto* transaction = reinterpret_cast<CorvaneTransaction*>(third);
  const std::string name_text(name);
  ComponentPtr<TIBDataSet> data_set;
  if (read2 != nullptr) {
    data_set = Returned(
        reinterpret_cast<TIBDataSet*>(CallHelper(read2, Handle(database), flag ? 1 : 0, transaction,
                                                 ModuleName().c_str(), name_text.c_str())),
        "FBCreateDataSetForRead2");
  } else {
    data_set =
        Returned(reinterpret_cast<TIBDataSet*>(CallHelper(read, Handle(database), flag ? 1 : 0,
                                                          transaction, ModuleName().c_str())),
                 "FBCreateDataSetForRead");
    if (!name.empty()) data_set->SetName(name);
  }
  if (owner != nullptr) {
    TIBDataSet* owned = data_set.release();
    owner->InsertComponent(*owned);
    return ComponentPtr<TIBDataSet>(owned);  // the owner frees it now
  }
  return data_set;
}

std::string GetDBPassword() {
  auto get = Bound<GetFBPasswordProc>(HelperFunction::GetFBPassword);
  if (get == nullptr) RaiseMissing("GetFBPassword");
  const char* password = CallHelper(get, ModuleName().c_str());
  return password != nullptr ? password : "";
}

std::int32_t GetDBPort() {
  auto get = Bound<GetFBPortProc>(HelperFunction::GetFBPort);
  if (get == nullptr) RaiseMissing("GetFBPort");
  return CallHelper(get, ModuleName().c_str());
}

}  // namespace kvr::db
