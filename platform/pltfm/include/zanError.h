/*
 * zanError.h: raising a failure as a 32-bit code.
 *
 * Deep code in the image engine, the tools and the plug-ins fails with _zanThrow(code); the
 * exported function of that module catches zan::Error and reports error.code() in its own way.
 * No failure may leave a module as an exception.
 *
 * This header is valid C and C++; zan::Error exists only in C++.
 */
#ifndef ZAN_ERROR_H
#define ZAN_ERROR_H

#include "zanTypes.h"

ZAN_EXTERN_C_BEGIN

/* Never returns: throws zan::Error carrying code. */
ZAN_NORETURN ZAN_API void _zanThrow(int32_t code);

ZAN_EXTERN_C_END

#ifdef __cplusplus
#include <exception>

namespace zan {

// The exception _zanThrow raises. Everything is inline, so every module has the type without
// linking anything but this header, and a catch in one module matches a throw in another.
class ZAN_API Error : public std::exception {
 public:
  explicit Error(int32_t code) noexcept : code_(code) {}
  int32_t code() const noexcept { return code_; }
  const char* what() const noexcept override { return "zan error code"; }

 private:
  int32_t code_;
};

}  // namespace zan
#endif /* __cplusplus */

#endif /* ZAN_ERROR_H */
