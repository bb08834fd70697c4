// Named mutexes as Windows kernel objects: CreateMutexW under a null DACL, so that every account
// may open one; abandonment, recursion and time-outs are the kernel's own.
#include "platform/named_mutex.h"

#include <cstdlib>

#include "platform/system_error.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace kvr::platform {

struct NamedMutex::Entry {
  HANDLE handle = nullptr;
  ~Entry() {
    if (handle) ::CloseHandle(handle);
  }
};

namespace {

// The longest name a kernel object may have (MAX_PATH less the terminating character and the
// room Windows keeps for the namespace it adds).
constexpr std::size_t kLongestName = 255;

constexpr std::uint32_t kErrorNotOwner = 288;

DWORD Milliseconds(std::chrono::milliseconds limit) {
  if (limit.count() <= 0) return 0;
  if (limit.count() >= static_cast<std::int64_t>(INFINITE)) return INFINITE;
  return static_cast<DWORD>(limit.count());
}

}  // namespace

// Windows keeps the lock files of no other port: the kernel holds the objects.
std::string LockDirectory() { return std::string(); }

NamedMutex::NamedMutex(std::string name, std::shared_ptr<Entry> entry)
    : name_(std::move(name)), entry_(std::move(entry)) {}

NamedMutex::~NamedMutex() = default;

std::unique_ptr<NamedMutex> NamedMutex::Open(std::string_view name) {
  if (name.empty()) {
    SetLastError(kErrorInvalidName);
    return nullptr;
  }
  if (name.size() > kLongestName) {
    SetLastError(kErrorFilenameExcedRange);
    return nullptr;
  }
  // A null DACL: every account of the machine may open and wait for the mutex, whoever made it.
  SECURITY_DESCRIPTOR descriptor{};
  ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  auto entry = std::make_shared<Entry>();
  entry->handle = ::CreateMutexW(&attributes, FALSE, WideText(name).c_str());
  if (!entry->handle) {
    SetLastErrorFromSystem();
    return nullptr;
  }
  return std::unique_ptr<NamedMutex>(new NamedMutex(std::string(name), std::move(entry)));
}

WaitResult NamedMutex::Wait(std::chrono::milliseconds limit) {
  switch (::WaitForSingleObject(entry_->handle, Milliseconds(limit))) {
    case WAIT_OBJECT_0: return WaitResult::kAcquired;
    case WAIT_ABANDONED: return WaitResult::kAbandoned;
    case WAIT_TIMEOUT: return WaitResult::kTimedOut;
    default: SetLastErrorFromSystem(); return WaitResult::kFailed;
  }
}

// A mutex does not tell its holder on Windows.
std::optional<std::uint32_t> NamedMutex::HolderProcessId() const { return std::nullopt; }

bool NamedMutex::Release() {
  if (::ReleaseMutex(entry_->handle)) return true;
  SetLastError(kErrorNotOwner);
  return false;
}

}  // namespace kvr::platform
