#include "scan_options.h"

#include <algorithm>
#include <vector>

#include "arguments.h"
#include "bgr_image.h"

namespace tessaly::cli {
namespace {

struct TurnRequest {
  int piece;  // from 1
  int degrees;
};

TurnRequest parseTurn(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos)
    throw UsageError("--turn wants PIECE:DEGREES such as 3:90, not \"" + text + "\"");
  const auto piece = int(parseInteger("--turn", text.substr(0, colon), 1, 10000));
  const auto degrees = int(parseInteger("--turn", text.substr(colon + 1), 0, 270));
  if (degrees % 90 != 0) throw UsageError("--turn takes 90, 180 or 270 degrees, not " + text);
  return {piece, degrees};
}

std::vector<int> turnList(const std::vector<TurnRequest>& requests, int count) {
  std::vector<int> turns;
  if (requests.empty()) return turns;
  turns.assign(size_t(count), 0);
  for (const TurnRequest& request : requests) {
    if (request.piece > count)
      throw UsageError("--turn names piece " + std::to_string(request.piece) +
                       ", but the grid has " + std::to_string(count));
    turns[size_t(request.piece - 1)] = request.degrees;
  }
  return turns;
}

bool readValueOption(Arguments& args, ScanOptions& o, std::vector<TurnRequest>& turns) {
  ScanSettings& s = o.settings;
  std::string v;
  if (args.option("--grid", v)) {
    const IntPair grid = parsePair("--grid", v, 1, 20);
    s.rows = int32_t(grid.first);
    s.columns = int32_t(grid.second);
  } else if (args.option("--overlap", v)) {
    s.overlap = parseNumber("--overlap", v, 0.05, 0.85);
  } else if (args.option("--piece-size", v)) {
    const IntPair size = parsePair("--piece-size", v, 16, kMaxSide);
    s.pieceWidth = int32_t(size.first);
    s.pieceHeight = int32_t(size.second);
  } else if (args.option("--max-angle", v)) {
    s.maxAngle = parseNumber("--max-angle", v, 0, 10);
  } else if (args.option("--max-shift", v)) {
    s.maxShift = parseNumber("--max-shift", v, 0, 0.1);
  } else if (args.option("--brightness", v)) {
    s.maxBrightness = parseNumber("--brightness", v, 0, 80);
  } else if (args.option("--contrast", v)) {
    s.maxContrast = parseNumber("--contrast", v, 0, 0.5);
  } else if (args.option("--gamma", v)) {
    s.maxGamma = parseNumber("--gamma", v, 0, 0.5);
  } else if (args.option("--noise", v)) {
    s.noise = parseNumber("--noise", v, 0, 40);
  } else if (args.option("--blur", v)) {
    s.blur = parseNumber("--blur", v, 0, 4);
  } else if (args.option("--turn", v)) {
    turns.push_back(parseTurn(v));
  } else if (args.option("--start-time", v)) {
    s.startTime = parseInteger("--start-time", v, 0, 4102444800);  // up to the year 2100
  } else if (args.option("--interval", v)) {
    s.interval = int32_t(parseInteger("--interval", v, 1, 3600));
  } else if (args.option("--seed", v)) {
    s.seed = uint64_t(parseInteger("--seed", v, 0, INT64_MAX));
  } else if (args.option("--format", v)) {
    o.extension = v.empty() || v[0] != '.' ? v : v.substr(1);
    if (o.extension.empty() || o.extension.find('/') != std::string::npos)
      throw UsageError("--format wants a file extension such as jpg, png, tif, bmp or tga");
  } else if (args.option("--quality", v)) {
    o.quality = int(parseInteger("--quality", v, 1, 100));
  } else if (args.option("--dpi", v)) {
    o.dpi = int32_t(parseInteger("--dpi", v, 1, 100000));
  } else if (args.option("--name", v)) {
    if (v.empty() || v.find('/') != std::string::npos)
      throw UsageError("--name wants a file name prefix without '/'");
    o.prefix = v;
  } else if (args.option("--truth", v)) {
    o.truthPath = v;
  } else {
    return false;
  }
  return true;
}

}  // namespace

ScanOptions parseScanOptions(int argc, const char* const* argv) {
  ScanOptions options;
  std::vector<TurnRequest> turns;
  std::vector<std::string> positional;
  Arguments args(argc, argv);
  while (!args.done()) {
    if (args.endOfOptions()) {
      continue;
    } else if (args.flag("--help") || args.flag("-h")) {
      options.help = true;
      return options;
    } else if (args.flag("--quiet") || args.flag("-q")) {
      options.quiet = true;
    } else if (readValueOption(args, options, turns)) {
      continue;
    } else if (args.atOption()) {
      throw UsageError("unknown option " + args.current() + " (see --help)");
    } else {
      positional.push_back(args.take());
    }
  }
  if (positional.size() != 2)
    throw UsageError("give the source page and the output folder (see --help)");
  options.source = positional[0];
  options.outputFolder = positional[1];
  options.settings.turnDegrees = turnList(turns, options.settings.rows * options.settings.columns);
  return options;
}

std::string scanFileName(const std::string& prefix, int index, int count,
                         const std::string& extension) {
  const size_t digits = std::max<size_t>(2, std::to_string(count).size());
  std::string number = std::to_string(index + 1);
  number.insert(0, digits > number.size() ? digits - number.size() : 0, '0');
  return prefix + "-" + number + "." + extension;
}

const char* scanUsage() {
  return R"(Usage: tessaly-scansim [options] SOURCE OUTPUT-FOLDER

Cuts the page SOURCE (any picture the file-I/O plug-ins read) into the overlapping scans a
person would make of it on a flatbed, and writes them with truth.json, which records where
each scan really lies. The same options and seed always give the same files.

The scans are numbered in scanning order, row by row from the top left (scan-01.jpg, ...), and
their modification times follow that order, as a scanner would have saved them.

Grid and placement:
  --grid RxC            rows x columns of scans (default 2x2)
  --overlap F           share of a scan that overlaps each neighbour (default 0.30 for a grid,
                        0.40 for one row or one column; 0.05 to 0.85)
  --piece-size WxH      every scan's size in pixels (default: what covers the page); larger
                        scans show the white lid around the page
  --max-angle DEG       largest tilt of a scan either way (default 1.5)
  --max-shift F         largest shift off its grid place, share of its size (default 0.015)
  --turn N:DEG          scan N lay turned clockwise by DEG (90, 180 or 270) on the glass;
                        may be given for several scans

Scanner:
  --brightness L        largest brightness change, in levels either way (default 10)
  --contrast F          contrast within 1 +- F (default 0.06)
  --gamma F             gamma within 1 +- F (default 0.08)
  --noise S             sensor noise, standard deviation in levels (default 2)
  --blur S              optics' blur, standard deviation in pixels (default 0.6; 0 for none)
  --dpi N               resolution tag of the scans (default: the source's, else 300)
  --start-time T        modification time of the first scan, seconds since 1970
                        (default 1700000000)
  --interval S          seconds between scans, before a jitter of up to 5 (default 30)
  --seed N              the random choices (default 1)

Files:
  --format EXT          jpg (default), png, tif, bmp, tga: any format a plug-in writes
  --quality Q           JPEG quality 1 to 100 (default 90)
  --name PREFIX         file names PREFIX-NN.EXT (default scan)
  --truth FILE          where truth.json goes (default: in the output folder)
  --quiet               print nothing but errors
  --help                this text

Exit codes: 0 done; 2 wrong command line; 3 the source cannot be read or cut as asked;
4 a file or the output folder cannot be written.
)";
}

}  // namespace tessaly::cli
