#include "db/helper_binding.h"

#include <mutex>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "common/format_text.h"
#include "common/text.h"
#include "platform/paths.h"
#include "platform/shared_library.h"
#include "platform/system_error.h"
#include "platform/ui_sinks.h"

namespace kvr::db {
namespace {

using namespace kvr::literals;

struct BindingState {
  int load_count = 0;
  std::unique_ptr<platform::NamedMutex> connect_mutex;
  std::unique_ptr<platform::SharedLibrary> library;
  std::array<void*, kHelperFunctionCount> procs{};
  std::string module_name;
};

// Load and unload run at library start-up and shut-down; the lock only keeps two threads
// of a misbehaving host from interleaving them.
std::mutex& StateLock() {
  static std::mutex lock;
  return lock;
}

BindingState& State() {
  static BindingState state;
  return state;
}

// An address inside this library, to find its own module.
void ModuleAnchor() {}

[[noreturn]] void RefuseToRun() {
  platform::ShowMessageBox("Модуль Corvane.dll не загружен. В запуске приложения отказано!"_w,
                           "Ошибка!"_w, platform::MessageBoxIcon::kError);
  platform::ExitProcess(static_cast<int>(platform::kErrorModNotFound));
}

void Load(const std::vector<std::string>& candidates) {
  std::lock_guard guard(StateLock());
  BindingState& state = State();
  if (state.load_count++ > 0) return;
  try {
    state.connect_mutex = CreateNamedMutex(ConnectMutexName(platform::HostExecutablePath()));
  } catch (...) {
    state.load_count = 0;
    throw;
  }
  for (const std::string& candidate : candidates) {
    std::string ignored;
    state.library = platform::SharedLibrary::Open(candidate, &ignored);
    if (state.library) break;
  }
  if (!state.library) RefuseToRun();
  for (std::size_t i = 0; i < kHelperFunctionCount; ++i)
    state.procs[i] = state.library->Symbol(kHelperFunctionNames[i]);
  state.module_name =
      platform::ExtractFileName(platform::ModulePath(reinterpret_cast<const void*>(&ModuleAnchor)));
}

}  // namespace

std::string ConnectMutexName(std::string_view host_executable_path) {
  std::string name = "CorvaneMutex" + codepage::AnsiLowerCase(host_executable_path);
  for (std::size_t at = name.find("\\\\"); at != std::string::npos; at = name.find("\\\\"))
    name.erase(at, 1);
  platform::MakeMutexNameSafe(name);
  return name;
}

std::unique_ptr<platform::NamedMutex> CreateNamedMutex(std::string_view name,
                                                       std::uint32_t* last_error) {
  // This platform's named mutexes are open to every local account (no descriptor to build).
  auto mutex = platform::NamedMutex::OpenMachineWide(name);
  const std::uint32_t error = platform::GetLastError();
  if (last_error != nullptr) *last_error = error;
  if (!mutex)
    throw Exception(
        Format("Ошибка создания объекта \"мьютекс\": %s"_w, {platform::SysErrorMessage(error)}));
  return mutex;
}

std::vector<std::string> HelperLibraryCandidates() {
  const std::string module = platform::ModulePath(reinterpret_cast<const void*>(&ModuleAnchor));
  std::vector<std::string> candidates;
  if (!module.empty()) candidates.push_back(platform::ExtractFilePath(module) + kHelperLibraryFile);
  candidates.push_back(kHelperLibraryFile);  // a bare name: the system's search path
  return candidates;
}

void LoadHelperBinding() { Load(HelperLibraryCandidates()); }

void LoadHelperBindingFrom(const std::vector<std::string>& candidates) { Load(candidates); }

void UnloadHelperBinding() {
  std::lock_guard guard(StateLock());
  BindingState& state = State();
  if (state.load_count == 0 || --state.load_count > 0) return;
  state.connect_mutex.reset();
  state.library.reset();
  state.procs.fill(nullptr);
  state.module_name.clear();
}

bool HelperLoaded() { return State().library != nullptr; }

int HelperLoadCount() { return State().load_count; }

void* HelperProc(HelperFunction function) {
  return State().procs[static_cast<std::size_t>(function)];
}

platform::NamedMutex* ConnectMutex() { return State().connect_mutex.get(); }

const std::string& ModuleName() { return State().module_name; }

}  // namespace kvr::db
