// Exceptions of the system. Each carries the name of its class, because chained messages
// quote it (" <# EDatabaseError #>"). Clone/Raise let a handler re-raise a caught exception
// as a new one of the same class (see ChainException).
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

namespace kvr {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : Exception(std::move(message), "Exception") {}
  ~Exception() override = default;

  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* ClassName() const noexcept { return class_name_; }
  const char* what() const noexcept override { return message_.c_str(); }

  virtual std::unique_ptr<Exception> Clone() const { return std::make_unique<Exception>(*this); }
  [[noreturn]] virtual void Raise() const { throw *this; }

 protected:
  Exception(std::string message, const char* class_name)
      : message_(std::move(message)), class_name_(class_name) {}

 private:
  std::string message_;
  const char* class_name_;
};

#define KVR_DECLARE_EXCEPTION(Name, Base)                                                       \
  class Name : public Base {                                                                    \
   public:                                                                                      \
    explicit Name(std::string message) : Base(std::move(message), #Name) {}                     \
    std::unique_ptr<::kvr::Exception> Clone() const override {                                  \
      return std::make_unique<Name>(*this);                                                     \
    }                                                                                           \
    [[noreturn]] void Raise() const override { throw *this; }                                   \
                                                                                                \
   protected:                                                                                   \
    Name(std::string message, const char* class_name) : Base(std::move(message), class_name) {} \
  }

KVR_DECLARE_EXCEPTION(EConvertError, Exception);
KVR_DECLARE_EXCEPTION(EVariantError, Exception);
KVR_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
KVR_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
KVR_DECLARE_EXCEPTION(EDatabaseError, Exception);
KVR_DECLARE_EXCEPTION(EIBError, EDatabaseError);
KVR_DECLARE_EXCEPTION(EIBInterBaseError, EIBError);
KVR_DECLARE_EXCEPTION(EIBClientError, EIBError);
KVR_DECLARE_EXCEPTION(EIniFileException, Exception);
KVR_DECLARE_EXCEPTION(EStreamError, Exception);
KVR_DECLARE_EXCEPTION(EFCreateError, EStreamError);
KVR_DECLARE_EXCEPTION(EFOpenError, EStreamError);
KVR_DECLARE_EXCEPTION(EInOutError, Exception);
KVR_DECLARE_EXCEPTION(EListError, Exception);
KVR_DECLARE_EXCEPTION(EReadError, EStreamError);
KVR_DECLARE_EXCEPTION(EWriteError, EStreamError);
KVR_DECLARE_EXCEPTION(EInvalidOperation, Exception);

// An operating-system error; ErrorCode is the Windows error code it stands for.
class EOSError : public Exception {
 public:
  EOSError(std::string message, std::uint32_t error_code)
      : Exception(std::move(message), "EOSError"), error_code_(error_code) {}
  std::uint32_t ErrorCode() const noexcept { return error_code_; }
  std::unique_ptr<Exception> Clone() const override { return std::make_unique<EOSError>(*this); }
  [[noreturn]] void Raise() const override { throw *this; }

 private:
  std::uint32_t error_code_;
};

// Re-raises the exception being handled as a new exception of the same class whose message is
// context, " -> ", the caught message and, once per chain, " <# ", the class name, " #>".
// Call only from inside a catch block. Exceptions that are not ours are raised as Exception
// with their what() text; the class marker then names their C++ type family.
[[noreturn]] void ChainException(std::string_view context);
// The same for a given exception (no active handler needed).
[[noreturn]] void ChainException(const Exception& caught, std::string_view context);

// The message and class name of the exception being handled (inside a catch block).
std::string CurrentExceptionMessage();

}  // namespace kvr
