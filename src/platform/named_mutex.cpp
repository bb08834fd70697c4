// The portable part of the named mutexes: the naming rules and the time-out text.
#include "platform/named_mutex.h"

#include "platform/clock.h"

namespace kvr::platform {

std::unique_ptr<NamedMutex> NamedMutex::OpenMachineWide(std::string_view name) {
  std::string global_name = "Global\\";
  global_name += name;
  if (auto mutex = Open(global_name)) return mutex;
  return Open(name);
}

void MakeMutexNameSafe(std::string& name) {
  for (char& c : name) {
    switch (c) {
      case '"':
      case '*':
      case '/':
      case ':':
      case '<':
      case '>':
      case '?':
      case '\\':
      case '|': c = '_'; break;
      default: break;
    }
  }
}

std::string LockTimeoutMessage(std::string_view what, const NamedMutex& mutex,
                               std::chrono::milliseconds limit) {
  std::string text = "The ";
  text += what;
  text += " \"" + mutex.Name() + "\" was not free within ";
  text += limit.count() % 1000 == 0 ? std::to_string(limit.count() / 1000) + " s"
                                    : std::to_string(limit.count()) + " ms";
  const std::optional<std::uint32_t> holder = mutex.HolderProcessId();
  if (holder && *holder == CurrentProcessId())
    text += ": this process holds it";
  else if (holder)
    text += ": another process holds it (pid " + std::to_string(*holder) + ")";
  else
    text += ": another process holds it";
  return text;
}

}  // namespace kvr::platform
