// The Firebird 3 client library as this folder uses it (internal: only src/firebird includes
// this header). Interfaces come from the process-wide master interface; every call takes a
// Status, and a failed call is turned into an exception by RaiseFirebirdError, the one place
// where the client's errors become ours.
#pragma once

#include <firebird/Interface.h>

#include <string>
#include <utility>

namespace kvr::firebird {

Firebird::IMaster* Master();
Firebird::IUtil* Util();

// Firebird's own text for the errors in a status vector (lines joined by "\n").
std::string FormatStatus(Firebird::IStatus* status);
// Raises EIBInterBaseError with Firebird's text for the status vector.
[[noreturn]] void RaiseFirebirdError(Firebird::IStatus* status);

// A status vector for the calls of one object; disposed with it. Check() raises when the last
// call failed and clears the vector for the next call.
class Status {
 public:
  Status() : status_(Master()->getStatus()), wrapper_(status_) {}
  ~Status() { status_->dispose(); }
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;

  Firebird::CheckStatusWrapper* get() { return &wrapper_; }
  bool Failed() const { return (wrapper_.getState() & Firebird::IStatus::STATE_ERRORS) != 0; }
  void Check() {
    if (Failed()) RaiseFirebirdError(&wrapper_);
  }
  void Reset() { wrapper_.init(); }

 private:
  Firebird::IStatus* status_;
  Firebird::CheckStatusWrapper wrapper_;
};

// A reference to a client object (attachment, transaction, statement, result set, metadata,
// blob, builder), released (or, for disposable ones, disposed) when the Ref goes.
template <class I>
class Ref {
 public:
  Ref() = default;
  explicit Ref(I* object) : object_(object) {}
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) reset(std::exchange(other.object_, nullptr));
    return *this;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { reset(); }

  I* get() const { return object_; }
  I* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void reset(I* object = nullptr) {
    if (object_ != nullptr) {
      if constexpr (requires(I * i) { i->release(); })
        object_->release();
      else
        object_->dispose();
    }
    object_ = object;
  }
  // Forgets the object without releasing it (after a call that released it, e.g. detach).
  I* forget() { return std::exchange(object_, nullptr); }

 private:
  I* object_ = nullptr;
};

}  // namespace kvr::firebird
