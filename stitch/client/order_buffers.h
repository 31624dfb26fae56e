// The buffers a stitch session reads and writes while loading and ordering the pieces: one name
// buffer and one size per piece, and the candidate arrangements the ordering fills in, each with
// room for every piece's name and quarter turn. The engine keeps pointers into them, so they
// must outlive the session that was given them.
#pragma once

#include <string>
#include <vector>

#include "QuiltexEngine.h"

namespace tessaly::stitch::client {

// How many candidate arrangements the ordering may report.
constexpr int kCandidateRecords = 5;

class OrderBuffers {
 public:
  // Names and sizes of the pieces in load order and zeroed candidate records; throws
  // std::bad_alloc when memory runs out.
  void make(const std::vector<std::string>& paths, const std::vector<POINT>& sizes);
  void clear();

  long count() const { return long(names_.size()); }
  char** names() { return names_.data(); }
  const std::vector<char*>& nameList() const { return names_; }
  POINT* sizes() { return sizes_.data(); }
  tagStitchOrderInfo* candidates() { return candidates_.data(); }
  const tagStitchOrderInfo& candidate(size_t index) const { return candidates_[index]; }

 private:
  struct Candidate {
    std::vector<std::vector<char>> nameBuffers;
    std::vector<char*> names;
    std::vector<int32_t> turns;
  };
  std::vector<std::vector<char>> nameBuffers_;
  std::vector<char*> names_;
  std::vector<POINT> sizes_;
  std::vector<Candidate> candidateBuffers_;
  std::vector<tagStitchOrderInfo> candidates_;
};

}  // namespace tessaly::stitch::client
