// The client's master interface where the client library is found at run time (Windows:
// fbclient.dll, from beside the program or the system's search path): the build needs only the
// client's headers, and a machine without the client fails each database call with a message
// instead of refusing to load the library.
#include <atomic>
#include <memory>
#include <mutex>

#include "common/exceptions.h"
#include "firebird/fb_api.h"
#include "platform/shared_library.h"

namespace kvr::firebird {
namespace {

using GetMasterInterface = Firebird::IMaster*(ISC_EXPORT*)();

}  // namespace

Firebird::IMaster* Master() {
  static std::mutex mutex;
  static std::unique_ptr<platform::SharedLibrary> client;  // stays loaded once found
  static std::atomic<Firebird::IMaster*> found{nullptr};
  if (Firebird::IMaster* master = found.load(std::memory_order_acquire)) return master;
  const std::lock_guard lock(mutex);
  if (Firebird::IMaster* master = found.load(std::memory_order_relaxed)) return master;
  std::string error;
  const std::string file = platform::LibraryFileName("fbclient");
  if (!client) client = platform::SharedLibrary::Open(file, &error);
  if (!client)
    throw EIBInterBaseError("The Firebird client " + file + " cannot be loaded: " + error);
  const auto get = reinterpret_cast<GetMasterInterface>(client->Symbol("fb_get_master_interface"));
  if (!get)
    throw EIBInterBaseError("The Firebird client " + client->Path() +
                            " has no fb_get_master_interface");
  Firebird::IMaster* const master = get();
  if (!master)
    throw EIBInterBaseError("The Firebird client " + client->Path() + " gave no master interface");
  found.store(master, std::memory_order_release);
  return master;
}

}  // namespace kvr::firebird
