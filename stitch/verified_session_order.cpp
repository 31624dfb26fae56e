// QXAutoOrder the verified way: the pair search on the working level (progress 0 to 92), the
// global solution (to 95), then the candidates written and the first applied.
#include <cstring>

#include "errors.h"
#include "verified_link_log.h"
#include "verified_session.h"
#include "verified_solve_candidates.h"

namespace tessaly::stitch::verified {

namespace {

// Every record that will be written must have its arrays.
void checkRecords(const tagStitchOrderInfo* records, size_t count, int32_t cells) {
  for (size_t k = 0; k < count; ++k) {
    if (records[k].fileNames == nullptr || records[k].quarterTurns == nullptr)
      tessaly::stitch::fail(QX_ERR_SETUP);
    for (int32_t j = 0; j < cells; ++j) {
      if (records[k].fileNames[j] == nullptr) tessaly::stitch::fail(QX_ERR_SETUP);
    }
  }
}

void writeCandidate(const Session& s, const Arrangement& a, tagStitchOrderInfo& out) {
  out.rows = a.rows;
  out.columns = a.columns;
  for (size_t cell = 0; cell < a.cellPiece.size(); ++cell) {
    const std::string& name = s.loadedNames[a.cellPiece[cell]];  // shorter than a name buffer
    std::memcpy(out.fileNames[cell], name.c_str(), name.size() + 1);
    out.quarterTurns[cell] = a.cellTurns[cell];
  }
}

std::vector<PieceSize> workingSizes(const SessionState& state) {
  std::vector<PieceSize> sizes;
  for (const PieceLevels& p : state.pieces) sizes.push_back({p.working.width, p.working.height});
  return sizes;
}

}  // namespace

long orderPieces(Session& s, long* candidateCount, tagStitchOrderInfo* candidates) {
  SessionState& state = *s.verified;
  s.progress.report(0);
  std::vector<PairHypothesis> hypotheses;
  const ProgressCheck progress = [&](double fraction) {
    return s.progress.reportAndAskCancel(92 * fraction);
  };
  if (!state.pairSearch(state.pieces, state.searchOptions, progress, hypotheses))
    tessaly::stitch::fail(QX_CANCELLED);
  s.progress.report(92);

  std::vector<Arrangement> found =
      arrangementsFrom(workingSizes(state), hypotheses, state.solveOptions);
  s.progress.report(95);
  checkRecords(candidates, found.size(), s.count);
  for (size_t k = 0; k < found.size(); ++k) writeCandidate(s, found[k], candidates[k]);
  *candidateCount = static_cast<long>(found.size());
  const long applied = tessaly::stitch::applyArrangement(s, candidates[0]);
  if (applied != QX_OK) return applied;

  const bool wellSupported = found[0].wellSupported;
  writeLinkLog(found[0], state.workingLevel);
  state.hypotheses = std::move(hypotheses);
  state.candidates = std::move(found);
  s.progress.reportFinal(100);
  return wellSupported ? QX_OK : QX_WARN_LOW_CONFIDENCE;
}

}  // namespace tessaly::stitch::verified
