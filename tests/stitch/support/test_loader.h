// A loading side for engine tests: the three callbacks over in-memory pictures and BMP files,
// with the bookkeeping tests assert on (images alive, hand-backs, progress positions) and
// switches that make a load fail or a progress report cancel.
#pragma once

#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "QuiltexEngine.h"
#include "picture.h"

namespace tessaly::stitch::test {

class TestLoader {
 public:
  // Pictures registered under a name are served from memory; other names are read as BMP files.
  void add(const std::string& name, Picture picture) { pictures_[name] = std::move(picture); }

  // Loading `name` fails with `code`.
  void failOn(const std::string& name, long code) { failures_[name] = code; }
  // Every load from the n-th on (counting from 1, successful or not) fails with `code`.
  void failFromLoad(int n, long code) {
    failFromLoad_ = n;
    failFromLoadCode_ = code;
  }
  // The n-th progress report (counting from 1) answers "cancel"; 0 never does.
  void cancelAtReport(long n) { cancelAt_ = n; }

  // A session wired to this loader.
  void* createSession(int32_t style, int32_t outputSize = 0);

  long reports() const { return static_cast<long>(positions_.size()); }
  const std::vector<long>& positions() const { return positions_; }
  void clearPositions() { positions_.clear(); }
  // Starts counting the most images alive at once afresh, from those alive now.
  void resetMostLive() { mostLive_ = static_cast<int>(live_.size()); }
  int loads() const { return loads_; }
  int releases() const { return releases_; }
  int liveImages() const { return static_cast<int>(live_.size()); }
  int mostLiveAtOnce() const { return mostLive_; }
  // Names loaded, in order.
  const std::vector<std::string>& loadedNames() const { return loadedNames_; }
  // Set when the engine handed back something it never got, or the same image twice.
  bool sawBadRelease() const { return badRelease_; }
  // Every callback in order: "progress N", "load NAME" or "release".
  const std::vector<std::string>& events() const { return events_; }
  // Set when a callback came on another thread than the one that created the last session.
  bool sawForeignThread() const { return foreignThread_; }

  static void onProgress(long position, bool* cancel, void* self);
  static long onLoad(char* const fileName, tagPixelArray** image, void* self);
  static void onRelease(tagPixelArray** image, void* self);

 private:
  std::map<std::string, Picture> pictures_;
  std::map<std::string, long> failures_;
  std::set<tagPixelArray*> live_;
  std::vector<long> positions_;
  std::vector<std::string> loadedNames_;
  long cancelAt_ = 0;
  int attempts_ = 0;
  int failFromLoad_ = 0;
  long failFromLoadCode_ = 0;
  int loads_ = 0;
  int releases_ = 0;
  int mostLive_ = 0;
  bool badRelease_ = false;
  std::vector<std::string> events_;
  std::thread::id sessionThread_;
  bool foreignThread_ = false;

  void note(std::string event);
};

// Reads an uncompressed 24-bit BMP (either row order) with row 0 the top row; false on failure.
bool readBmp(const std::string& path, Picture& out);

}  // namespace tessaly::stitch::test
