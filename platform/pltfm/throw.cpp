#include "zanError.h"

extern "C" ZAN_API void _zanThrow(int32_t code) {
  throw zan::Error(code);
}
