// Sessions aligned on a known layout for composition tests: the pieces are loaded and arranged
// through the exports, QXAutoAlign runs, and then the true transforms and matched points are
// written into the session, so that composition is tested on its own.
#pragma once

#include <string>
#include <vector>

#include "session_fixture.h"
#include "stitch_layout.h"

namespace tessaly::stitch::test {

class BlendTest : public SessionTest {
 protected:
  void TearDown() override {
    for (void* s : moreSessions_) QXReleaseStitch(s);
    SessionTest::TearDown();
  }

  // Registers the layout's pieces as files; load order is cell order.
  void addLayout(const StitchLayout& layout) {
    layout_ = &layout;
    for (size_t cell = 0; cell < layout.cells.size(); ++cell) {
      files_.push_back(addPiece("piece" + std::to_string(cell) + ".bmp",
                                layout.file(static_cast<int>(cell)), static_cast<long>(cell)));
    }
  }

  // A new session (the first becomes session_) with the pieces loaded, arranged so that every
  // file is turned back upright, aligned, and holding the true alignment.
  void* alignedSession(int32_t style, int32_t outputSize = 0) {
    void* s = loader_.createSession(style, outputSize);
    (session_ == nullptr ? session_ : moreSessions_.emplace_back()) = s;
    const long aligned = alignLayout(s, *layout_, files_, Alignment::Truth);
    EXPECT_TRUE(aligned == QX_OK || aligned == QX_WARN_FEATURELESS_OVERLAP ||
                aligned == QX_WARN_SMALL_OVERLAP)
        << aligned;
    return s;
  }

  void prepare(const StitchLayout& layout, int32_t style, int32_t outputSize = 0) {
    addLayout(layout);
    alignedSession(style, outputSize);
  }

  long blend(RECT* rectangle = nullptr) { return QXAutoBlend(session_, &result_, rectangle); }

  tagPixelArray* result_ = nullptr;

 private:
  const StitchLayout* layout_ = nullptr;
  std::vector<std::string> files_;
  std::vector<void*> moreSessions_;
};

}  // namespace tessaly::stitch::test
