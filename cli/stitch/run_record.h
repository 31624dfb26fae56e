// Everything a run learns on its way, for the summary it prints and the report it writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "pieces.h"

namespace tessaly::cli::stitch {

// The pieces on a grid, cell by cell and row by row, with the quarter turns (to the left) the
// engine applies to each.
struct Arrangement {
  int32_t rows = 0;
  int32_t columns = 0;
  std::vector<std::string> names;
  std::vector<int32_t> quarterTurns;
};

struct RunWarning {
  long code = 0;
  std::string step;
  std::string text;
};

// A link between two pieces that the verified arrangement rests on: b, turned by quarterTurnsB,
// has its origin at (dx, dy) of a's unturned frame, in full-resolution pixels, and is rotated by
// angleRadians on top; the scores are the pair's correlations.
struct KeptLink {
  std::string a;
  std::string b;
  int32_t quarterTurnsB = 0;
  double dx = 0;
  double dy = 0;
  double angleRadians = 0;
  double score = 0;
  double finerScore = 0;
  double overlap = 0;  // share of the smaller piece
  double distinctness = 0;
  bool confirmed = false;
};

// How well the verified arrangement is supported, and by which links.
struct LinkSupport {
  double support = 0;  // 0 to 1
  bool wellSupported = false;
  std::vector<KeptLink> kept;
};

struct StageTime {
  std::string stage;
  double seconds = 0;
};

struct RunRecord {
  std::vector<Piece> pieces;
  std::string style;   // "row" or "grid"
  std::string method;  // "verified" or "classic"
  int outputSize = 0;
  int outputLevel = -1;  // the halvings the result really has; -1 until known
  std::vector<std::string> loadOrder;
  std::vector<Arrangement> candidates;  // the first is the one applied
  std::vector<RunWarning> warnings;
  std::optional<LinkSupport> links;  // the verified way's, once it ordered the pieces
  std::optional<RECT> proposedCrop;  // from the blend, in the result's pixels
  std::optional<RECT> appliedCrop;   // what --crop cut, in the picture it was cut from
  std::optional<double> skewRadians;
  std::vector<StageTime> times;
  std::vector<int> decodes;  // per piece: decoded from its file, read back from the cache
  std::vector<int> cacheReads;

  std::string output;
  std::string outputFormat;
  int32_t resultWidth = 0;
  int32_t resultHeight = 0;
  int32_t resultDpi = 0;

  std::string status = "failed";  // "ok", "failed" or "cancelled"
  int exitCode = 0;
  std::string error;
  double totalSeconds = 0;
  int64_t peakMemoryBytes = 0;
};

}  // namespace tessaly::cli::stitch
