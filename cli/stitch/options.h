// The command line of tessaly-stitch: what it asks for, parsed into Options, and its help text.
#pragma once

#include <string>
#include <vector>

namespace stitchcli {

// One piece as named on the command line, with the turn the user gave it (degrees to the left:
// 0, 90, 180 or 270).
struct PieceArg {
  std::string path;
  int rotation = 0;
};

enum class StyleChoice { Automatic, Row, Grid };

struct Options {
  std::string output;
  std::vector<PieceArg> pieces;
  StyleChoice style = StyleChoice::Automatic;
  int outputSize = 0;            // result resolution in halvings
  int maxSizeDiffPercent = 20;   // largest spread of size and resolution between pieces
  bool allowManyPieces = false;  // more than kMaxPiecesWithoutAsking pieces
  bool straighten = false;
  bool crop = false;
  bool quiet = false;
  std::string reportPath;
  bool help = false;
};

// How many pieces one stitch takes without --allow-many.
constexpr int kMaxPiecesWithoutAsking = 10;
constexpr int kMaxOutputSize = 8;

// Parses the arguments after the program name. `error` is empty on success, else the one line
// that says what is wrong.
struct ParsedCommandLine {
  Options options;
  std::string error;
};
ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

std::string helpText();

}  // namespace stitchcli
