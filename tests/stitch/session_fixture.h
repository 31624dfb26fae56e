// Shared setup for tests that drive the engine through its exports: a private $TMPDIR, a test
// loader, and pieces registered under file names whose modification times give the load order.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "picture.h"
#include "temp_dir.h"
#include "test_loader.h"

namespace tessaly::stitch::test {

// Name buffers and sizes as the caller hands them to QXLoadImages.
struct PieceList {
  std::vector<std::vector<char>> buffers;
  std::vector<char*> names;
  std::vector<POINT> sizes;

  void add(const std::string& name, int32_t width, int32_t height) {
    buffers.emplace_back(QX_NAME_BUFFER, '\0');
    std::copy(name.begin(), name.end(), buffers.back().begin());
    sizes.push_back({width, height});
    names.clear();
    for (auto& b : buffers) names.push_back(b.data());
  }
  std::string name(size_t i) const { return buffers[i].data(); }
  long count() const { return static_cast<long>(buffers.size()); }
};

// Storage for one arrangement passed to QXChangeOrder.
struct Arrangement {
  std::vector<std::vector<char>> buffers;
  std::vector<char*> names;
  std::vector<int32_t> turns;
  tagStitchOrderInfo info{};

  Arrangement(int32_t rows, int32_t columns, const std::vector<std::string>& cellNames,
              const std::vector<int32_t>& cellTurns)
      : turns(cellTurns) {
    for (const std::string& n : cellNames) {
      buffers.emplace_back(QX_NAME_BUFFER, '\0');
      std::copy(n.begin(), n.end(), buffers.back().begin());
    }
    for (auto& b : buffers) names.push_back(b.data());
    info = {rows, columns, names.data(), turns.data()};
  }
};

// Room for the five candidates QXAutoOrder may write, as the caller provides it.
struct CandidateRecords {
  std::vector<std::vector<char>> buffers;
  std::vector<std::vector<char*>> names;
  std::vector<std::vector<int32_t>> turns;
  tagStitchOrderInfo records[5]{};

  explicit CandidateRecords(size_t count)
      : buffers(5 * count, std::vector<char>(QX_NAME_BUFFER, '\0')), names(5), turns(5) {
    for (size_t k = 0; k < 5; ++k) {
      for (size_t j = 0; j < count; ++j) names[k].push_back(buffers[k * count + j].data());
      turns[k].assign(count, -1);
      records[k] = {0, 0, names[k].data(), turns[k].data()};
    }
  }
};

class SessionTest : public ::testing::Test {
 protected:
  void TearDown() override {
    QXReleaseStitch(session_);
    session_ = nullptr;
  }

  // Registers picture under a new file name whose modification time is `time` seconds.
  std::string addPiece(const std::string& name, const Picture& picture, long time) {
    const std::string path = dir_.file(name);
    touchFile(path, time);
    loader_.add(path, picture);
    pieces_.add(path, picture.width, picture.height);
    return path;
  }

  void* open(int32_t style, int32_t outputSize = 0) {
    session_ = loader_.createSession(style, outputSize);
    return session_;
  }
  long load() {
    return QXLoadImages(session_, pieces_.count(), pieces_.names.data(), pieces_.sizes.data());
  }

  TempDir dir_;
  TestLoader loader_;
  PieceList pieces_;
  void* session_ = nullptr;
};

}  // namespace tessaly::stitch::test
