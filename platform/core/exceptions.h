// The exception classes of the platform layer. Messages are Latin-1 text.
#pragma once

#include <exception>
#include <string>

namespace pf {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

#define PF_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {             \
   public:                               \
    using Base::Base;                    \
  };

PF_DECLARE_EXCEPTION(EConvertError, Exception)
PF_DECLARE_EXCEPTION(EListError, Exception)
PF_DECLARE_EXCEPTION(EStreamError, Exception)
PF_DECLARE_EXCEPTION(EReadError, EStreamError)
PF_DECLARE_EXCEPTION(EWriteError, EStreamError)
PF_DECLARE_EXCEPTION(EFOpenError, EStreamError)    // "Cannot open file "%s""
PF_DECLARE_EXCEPTION(EFCreateError, EStreamError)  // "Cannot create file "%s""
PF_DECLARE_EXCEPTION(EZCompressionError, EStreamError)
PF_DECLARE_EXCEPTION(EZDecompressionError, EStreamError)
PF_DECLARE_EXCEPTION(EIniFileException, Exception)
PF_DECLARE_EXCEPTION(EInOutError, Exception)
PF_DECLARE_EXCEPTION(EInvalidOperation, Exception)
PF_DECLARE_EXCEPTION(EInvalidCast, Exception)
PF_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
PF_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)
PF_DECLARE_EXCEPTION(EOutOfMemory, Exception)
PF_DECLARE_EXCEPTION(EOutOfResources, Exception)
PF_DECLARE_EXCEPTION(EClassNotFound, Exception)
PF_DECLARE_EXCEPTION(EAbort, Exception)  // silent exception: handlers show nothing

// Raises EAbort, the silent exception.
[[noreturn]] void Abort();

}  // namespace pf
