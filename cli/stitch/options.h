// The command line of tessaly-stitch: what it asks for, parsed into Options, and its help text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::cli::stitch {

// One piece as named on the command line, with the turn the user gave it (degrees to the left:
// 0, 90, 180 or 270).
struct PieceArgument {
  std::string path;
  int rotation = 0;
};

// 300 megapixels: an A3 page scanned at 1200 dpi fits.
constexpr int64_t kDefaultMaxPiecePixels = 300000000;

enum class StyleChoice { Automatic, Row, Grid };

// How the engine decides the arrangement and the coarse placement: the verified way (correlation
// where text is legible, one global fit) or the classic way (miniature scores, chained pairs).
enum class Method { Verified, Classic };

struct Options {
  std::string output;
  std::vector<PieceArgument> pieces;
  StyleChoice style = StyleChoice::Automatic;
  Method method = Method::Verified;
  int outputSize = 0;            // result resolution in halvings
  int maxSizeDiffPercent = 20;   // largest spread of size and resolution between pieces
  bool allowManyPieces = false;  // more than kMaxPiecesWithoutAsking pieces
  bool straighten = false;
  bool crop = false;
  bool quiet = false;
  std::string reportPath;
  int64_t maxPiecePixels = kDefaultMaxPiecePixels;  // width times height of the largest piece
  int threads = 0;  // workers the engine may use; 0: TESSALY_THREADS, else every core
  bool help = false;
};

// How many pieces one stitch takes without --allow-many.
constexpr int kMaxPiecesWithoutAsking = 10;
constexpr int kMaxOutputSize = 8;
constexpr int kMaxThreads = 256;

// Parses the command line (argv[0] is the program). Throws UsageError with the one line that
// says what is wrong; after --help the rest is not read.
Options parseStitchOptions(int argc, const char* const* argv);

const char* helpText();

}  // namespace tessaly::cli::stitch
