#include "firebird/bounded_attach.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/exceptions.h"
#include "firebird/fb_api.h"
#include "platform/module_instance.h"

namespace kvr::firebird {
namespace {

// Shared by the caller and the attaching thread; whichever lets go last frees it.
struct PendingAttach {
  PendingAttach(const std::string& database_name, const unsigned char* dpb, unsigned length)
      : name(database_name), parameters(dpb, dpb + length) {}

  const std::string name;
  const std::vector<unsigned char> parameters;
  Status status;  // the thread's until `done`
  Firebird::IAttachment* attachment = nullptr;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;       // under `mutex`
  bool abandoned = false;  // under `mutex`: the caller has gone
};

void Attach(const std::shared_ptr<PendingAttach>& pending) noexcept {
  Firebird::IAttachment* attachment = nullptr;
  try {
    Ref<Firebird::IProvider> provider(Master()->getDispatcher());
    attachment = provider->attachDatabase(pending->status.get(), pending->name.c_str(),
                                          static_cast<unsigned>(pending->parameters.size()),
                                          pending->parameters.data());
  } catch (...) {
    // Nothing of the client raises through its status wrapper; no attachment then.
  }
  {
    std::lock_guard lock(pending->mutex);
    if (!pending->abandoned) {
      pending->attachment = attachment;
      pending->done = true;
      pending->finished.notify_one();
      return;
    }
  }
  if (attachment == nullptr) return;
  // Late: the caller has failed its call, so the connection is nobody's.
  Status status;
  attachment->detach(status.get());
  if (status.Failed()) attachment->release();
}

}  // namespace

Firebird::IAttachment* AttachWithin(const std::string& database_name, const unsigned char* dpb,
                                    unsigned length, std::chrono::seconds limit) {
  auto pending = std::make_shared<PendingAttach>(database_name, dpb, length);
  std::thread thread([pending] { Attach(pending); });
  {
    std::unique_lock lock(pending->mutex);
    if (!pending->finished.wait_for(lock, limit, [&] { return pending->done; })) {
      pending->abandoned = true;
      lock.unlock();
      platform::KeepModuleLoaded(reinterpret_cast<const void*>(&Attach));
      thread.detach();
      throw EIBClientError("The database engine did not answer within " +
                           std::to_string(limit.count()) + " s while opening \"" + database_name +
                           "\"");
    }
  }
  thread.join();
  Firebird::IAttachment* attachment = pending->attachment;
  if (pending->status.Failed()) {
    if (attachment != nullptr) attachment->release();
    pending->status.Check();
  }
  if (attachment == nullptr) throw EIBClientError("The database engine gave no connection");
  return attachment;
}

}  // namespace kvr::firebird
