// The binding to the database helper library (libCorvane.so, "Corvane.dll" in the system's
// messages), made once when the export library loads and undone when it unloads.
//
// Load step (LoadHelperBinding; a load counter makes repeated calls no-ops):
//   1. the connect mutex "CorvaneMutex" + the host executable's path, lower-cased, with
//      doubled '\' reduced and the characters " * / : < > ? \ | made '_' (ConnectMutexName);
//   2. the mutex is created (CreateNamedMutex, "Global\" name first, then the bare name);
//   3. the helper is loaded: first beside this library's own module, then by name from the
//      system's search path (LD_LIBRARY_PATH, the caller's run path, ld.so.cache, /usr/lib);
//      if it cannot be loaded, a message box says so and the host process ends with exit code
//      126 (the system's "module not found"), not 0: a refusal to run is not a success;
//   4. the 21 functions are bound by name, a missing name leaving its entry empty;
//   5. ModuleName is the file name of this library's module.
// Unload step (UnloadHelperBinding, when the counter returns to 0): the mutex is closed, the
// helper unloaded, every entry emptied and ModuleName cleared. Objects the helper created
// must be gone by then.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/named_mutex.h"
#include "platform/shared_library.h"

namespace kvr::db {

// The helper's functions in binding order.
enum class HelperFunction : int {
  FBConnectDB,
  FBDisconnectDB,
  FBStartTransaction,
  FBCommitTransaction,
  FBRollBackTransaction,
  FBOpenDataSet,
  FBCloseDataSet,
  FBExecDataSet,
  CommitTransactionWithReOpenDST,
  FBCreateTransaction,
  FBSetGSMBaseConnect,
  FBGetGSMDataBase,
  FBCreateDataSetForWrite,
  FBCreateDataSetForRead,
  FBCreateDataSetForWrite2,
  FBCreateDataSetForRead2,
  FBLogMessage,
  GetFBPassword,
  GetFBPort,
  FBGetIBDataBaseFromPool,
  FBReturnIBDataBaseToPool,
};
constexpr std::size_t kHelperFunctionCount = 21;
constexpr std::array<const char*, kHelperFunctionCount> kHelperFunctionNames = {
    "FBConnectDB",
    "FBDisconnectDB",
    "FBStartTransaction",
    "FBCommitTransaction",
    "FBRollBackTransaction",
    "FBOpenDataSet",
    "FBCloseDataSet",
    "FBExecDataSet",
    "CommitTransactionWithReOpenDST",
    "FBCreateTransaction",
    "FBSetGSMBaseConnect",
    "FBGetGSMDataBase",
    "FBCreateDataSetForWrite",
    "FBCreateDataSetForRead",
    "FBCreateDataSetForWrite2",
    "FBCreateDataSetForRead2",
    "FBLogMessage",
    "GetFBPassword",
    "GetFBPort",
    "FBGetIBDataBaseFromPool",
    "FBReturnIBDataBaseToPool",
};

// The helper's file name on this platform, and the name the system's messages use.
inline const std::string kHelperLibraryFile = platform::LibraryFileName("Corvane");
constexpr const char* kHelperDisplayName = "Corvane.dll";

// Step 1 of the load.
std::string ConnectMutexName(std::string_view host_executable_path);

// A mutex, not initially owned, that any local account may open: "Global\" + name, else the
// bare name. Raises Exception "Ошибка создания объекта "мьютекс": <system message>" when
// neither can be created. `last_error` receives the last error code after creation.
std::unique_ptr<platform::NamedMutex> CreateNamedMutex(std::string_view name,
                                                       std::uint32_t* last_error = nullptr);

// The load step with the standard search (see above).
void LoadHelperBinding();
// The load step trying the given library files in order instead (tests load helper variants).
void LoadHelperBindingFrom(const std::vector<std::string>& candidates);
void UnloadHelperBinding();

// Where the standard search looks, in order.
std::vector<std::string> HelperLibraryCandidates();

// The bound state (valid between load and unload).
bool HelperLoaded();
int HelperLoadCount();
// The address of a bound function, or null when the helper lacks it.
void* HelperProc(HelperFunction function);
// The connect mutex, or null (not loaded).
platform::NamedMutex* ConnectMutex();
// The file name of this library's module, passed to every helper call.
const std::string& ModuleName();

}  // namespace kvr::db
