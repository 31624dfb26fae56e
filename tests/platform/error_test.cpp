// _zanThrow raises zan::Error inside the shared library; the caller (another module) catches it
// by type and reads the code.
#include <gtest/gtest.h>

#include "zanError.h"

namespace {

TEST(Error, ThrownCodeIsCaughtAcrossTheLibraryBoundary) {
  try {
    _zanThrow(-60);
    FAIL() << "_zanThrow returned";
  } catch (const zan::Error& e) {
    EXPECT_EQ(e.code(), -60);
  }
  EXPECT_THROW(_zanThrow(0), std::exception);
}

}  // namespace
