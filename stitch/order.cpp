// Ordering driver: puts the pieces back in load order, scores every pair of miniatures, searches
// the arrangements the session's policy allows, writes the best five and applies the first.
// Progress: preparing the pieces, matching pairs, searching and applying in the bands of
// progress_bands.h.
#include <cstring>

#include "errors.h"
#include "ordering_driver.h"
#include "ordering_features.h"
#include "ordering_lists.h"
#include "ordering_match.h"
#include "ordering_results.h"
#include "ordering_search.h"
#include "progress_bands.h"
#include "stages.h"
#include "turn.h"
#include "verified_session.h"

namespace tessaly::stitch {

namespace {

// With more pieces than this the grid is searched as two lines of pieces, which keeps the
// search small.
constexpr int32_t kManyPieces = 10;

enum class SearchKind { Row, Grid, TwoLines };

struct Plan {
  SearchKind kind;
  double threshold;    // for usable candidates and for the confidence of the best arrangement
  GridShape fallback;  // used when the search finds nothing
};

Plan choosePlan(const Session& s) {
  const StitchPolicy& policy = s.policy;
  if (policy.arrangements == ArrangementSearch::RowOnly) {
    return {SearchKind::Row, policy.linkThreshold, {1, s.count}};
  }
  if (s.count <= kManyPieces) return {SearchKind::Grid, policy.linkThreshold, {1, s.count}};
  // An odd count cannot fill two lines; it falls back to the single row like any other failure.
  const GridShape twoLines = s.count % 2 == 0 ? GridShape{2, s.count / 2} : GridShape{1, s.count};
  return {SearchKind::TwoLines, policy.linkThreshold, twoLines};
}

std::vector<CellPlacement> loadOrder(int32_t count) {
  std::vector<CellPlacement> cells(count);
  for (int32_t i = 0; i < count; ++i) cells[i] = {i, 0};
  return cells;
}

// Puts piece cells[j].piece, turned by cells[j].turn, into cell j with its loaded name, as
// applying an arrangement does. Everything new is made before the session changes, so a failure
// or a cancel leaves the cells as they were. Reports inside range before each cell.
void placePieces(Session& s, const std::vector<CellPlacement>& cells, const ProgressRange& range) {
  std::vector<ImagePtr> images(cells.size());
  std::vector<std::string> names(cells.size());
  for (size_t j = 0; j < cells.size(); ++j) {
    range.at(static_cast<double>(j) / cells.size());
    const CellPlacement& c = cells[j];
    const ImagePtr& miniature = s.loadedMiniatures[c.piece];
    if (!miniature) fail(QX_ERR_INPUT);
    images[j] = c.turn != 0 ? quarterTurn(*miniature, c.turn) : copyImage(*miniature);
    names[j] = s.loadedNames[c.piece];
  }
  s.workingNames.swap(names);
  for (size_t j = 0; j < cells.size(); ++j) {
    s.pieces[j].levels[s.coarsest] = std::move(images[j]);
    s.pieces[j].quarterTurns = cells[j].turn;
  }
}

struct PreparedPieces {
  std::vector<PieceFeatures> features;
  bool allBlank = true;          // every piece holds a large featureless band
  bool borderStructure = false;  // some piece shows structure along its borders
};

PreparedPieces preparePieces(const Session& s) {
  PreparedPieces prepared;
  prepared.features.reserve(s.count);
  for (int32_t k = 0; k < s.count; ++k) {
    s.progress.report(kOrderPreparePieces.at(k, s.count));
    const ImagePtr& miniature = s.loadedMiniatures[k];
    if (!miniature) fail(QX_ERR_INPUT);
    prepared.features.push_back(prepareFeatures(*miniature));
    const tagPixelArray& gradient = *prepared.features.back().turns[0].gradient;
    if (!hasBlankBand(gradient)) prepared.allBlank = false;
    if (!prepared.borderStructure) prepared.borderStructure = hasBorderStructure(gradient);
  }
  return prepared;
}

// The trimmed neighbour lists of every piece and turn.
NeighbourLists buildLists(const Session& s, const PreparedPieces& prepared, const Plan& plan,
                          const OrderingOptions& options) {
  const StitchPolicy& policy = s.policy;
  MatchSettings settings;
  settings.overlap = policy.neighbourOverlap;
  if (prepared.borderStructure) settings.structureFloor = policy.borderStructureFloor;
  settings.pruning = options.pruning;
  const PairScorer score = [&](int32_t a, int32_t ta, int32_t b, int32_t tb,
                               const ProgressRange& range) {
    return matchScore(prepared.features[a].turns[ta], prepared.features[b].turns[tb], settings,
                      range);
  };
  NeighbourLists lists = scoreAllPairs(s.count, score, rangeOf(s.progress, kOrderMatchPairs));
  if (policy.arrangements == ArrangementSearch::Grids) deriveBelowLists(lists);
  for (CandidateList& list : lists.right) {
    trimList(list, plan.threshold, policy.keepsWeakCandidates);
  }
  for (CandidateList& list : lists.below) trimList(list, kGridThreshold, false);
  return lists;
}

void search(const Plan& plan, const NeighbourLists& lists, ResultList& results,
            const ProgressRange& range) {
  switch (plan.kind) {
    case SearchKind::Row:
      searchRow(lists, results, range);
      break;
    case SearchKind::Grid:
      searchGrids(lists, results, range);
      break;
    case SearchKind::TwoLines:
      searchTwoLines(lists, results, range);
      break;
  }
}

// Every record that will be written must have its arrays.
void checkRecords(const tagStitchOrderInfo* candidates, size_t records, int32_t count) {
  for (size_t k = 0; k < records; ++k) {
    const tagStitchOrderInfo& r = candidates[k];
    if (r.fileNames == nullptr || r.quarterTurns == nullptr) fail(QX_ERR_SETUP);
    for (int32_t j = 0; j < count; ++j) {
      if (r.fileNames[j] == nullptr) fail(QX_ERR_SETUP);
    }
  }
}

void writeCandidate(const Session& s, const RankedArrangement& a, tagStitchOrderInfo& out) {
  out.rows = a.rows;
  out.columns = a.columns;
  for (size_t j = 0; j < a.cells.size(); ++j) {
    const std::string& name = s.loadedNames[a.cells[j].piece];  // shorter than a name buffer
    std::memcpy(out.fileNames[j], name.c_str(), name.size() + 1);
    out.quarterTurns[j] = a.cells[j].turn;
  }
}

}  // namespace

long orderPieces(Session& s, long* candidateCount, tagStitchOrderInfo* candidates,
                 const OrderingOptions& options) {
  if (s.verified) return tessaly::stitch::verified::orderPieces(s, candidateCount, candidates);
  s.progress.report(0);
  placePieces(s, loadOrder(s.count), {});  // the search starts from the unturned load order
  const Plan plan = choosePlan(s);

  long status = QX_OK;
  ResultList results;
  {
    const PreparedPieces prepared = preparePieces(s);
    if (prepared.allBlank) status = QX_WARN_FEATURELESS_PIECES;
    const NeighbourLists lists = buildLists(s, prepared, plan, options);
    search(plan, lists, results, rangeOf(s.progress, kOrderSearch));
  }
  results.sortByScore();

  std::vector<RankedArrangement>& found = results.arrangements();
  if (found.empty()) {
    found.push_back({0, plan.fallback.columns, plan.fallback.rows, loadOrder(s.count)});
    if (status == QX_OK) status = QX_WARN_LOW_CONFIDENCE;
  } else if (status == QX_OK && isBelowConfidence(found[0], plan.threshold)) {
    status = QX_WARN_LOW_CONFIDENCE;
  }

  checkRecords(candidates, found.size(), s.count);
  for (size_t k = 0; k < found.size(); ++k) writeCandidate(s, found[k], candidates[k]);
  *candidateCount = static_cast<long>(found.size());

  placePieces(s, found[0].cells, rangeOf(s.progress, kOrderApply));
  s.columns = found[0].columns;
  s.rows = found[0].rows;
  s.progress.reportFinal(100);
  return status;
}

long orderPieces(Session& s, long* candidateCount, tagStitchOrderInfo* candidates) {
  return orderPieces(s, candidateCount, candidates, OrderingOptions{});
}

}  // namespace tessaly::stitch
