#include "options.h"

#include <charconv>
#include <optional>

#include "arguments.h"

namespace tessaly::cli::stitch {

namespace {

template <typename Number = int>
std::optional<Number> wholeNumber(const std::string& text) {
  Number value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// Walks the arguments in order, so that a rotation can apply to the piece that follows it.
// Every mistake is thrown as a UsageError at once.
class Parser {
 public:
  Parser(int argc, const char* const* argv) : args_(argc, argv) {}

  Options run() {
    while (!args_.done()) {
      if (args_.endOfOptions()) continue;
      if (!args_.atOption()) {
        addPiece(args_.take());
      } else if (!flag() && !valueOption()) {
        throw UsageError("unknown option '" + args_.currentName() + "'");
      }
      if (options_.help) return options_;
    }
    finish();
    return options_;
  }

 private:
  bool flag() {
    Options& o = options_;
    if (args_.flag("-h") || args_.flag("--help")) return o.help = true;
    if (args_.flag("--straighten")) return o.straighten = true;
    if (args_.flag("--crop")) return o.crop = true;
    if (args_.flag("-q") || args_.flag("--quiet")) return o.quiet = true;
    if (args_.flag("--allow-many")) return o.allowManyPieces = true;
    return false;
  }

  bool valueOption() {
    Options& o = options_;
    std::string value;
    if (args_.option("-o", value)) return setOnce("-o", o.output, value);
    if (args_.option("--output", value)) return setOnce("--output", o.output, value);
    if (args_.option("--report", value)) return setOnce("--report", o.reportPath, value);
    if (args_.option("-r", value) || args_.option("--rotate", value)) return rotation(value);
    if (args_.option("--style", value)) return style(value);
    if (args_.option("--method", value)) return method(value);
    if (args_.option("--output-size", value))
      return number("--output-size", value, 0, kMaxOutputSize, o.outputSize);
    if (args_.option("--max-size-diff", value))
      return number("--max-size-diff", value, 0, 100, o.maxSizeDiffPercent);
    if (args_.option("--max-piece-pixels", value)) return maxPiecePixels(value);
    if (args_.option("--threads", value))
      return number("--threads", value, 1, kMaxThreads, o.threads);
    return false;
  }

  static bool setOnce(const std::string& name, std::string& target, const std::string& value) {
    if (value.empty()) throw UsageError("option '" + name + "' needs a file name");
    if (!target.empty()) throw UsageError("option '" + name + "' is given twice");
    target = value;
    return true;
  }

  bool rotation(const std::string& value) {
    const std::optional<int> degrees = wholeNumber(value);
    if (!degrees || (*degrees != 0 && *degrees != 90 && *degrees != 180 && *degrees != 270))
      throw UsageError("rotation '" + value + "' is not 0, 90, 180 or 270");
    if (pendingRotation_) throw UsageError("two rotations given for one piece");
    pendingRotation_ = *degrees;
    return true;
  }

  bool style(const std::string& value) {
    if (value == "row")
      options_.style = StyleChoice::Row;
    else if (value == "grid")
      options_.style = StyleChoice::Grid;
    else
      throw UsageError("style '" + value + "' is neither 'row' nor 'grid'");
    return true;
  }

  bool method(const std::string& value) {
    if (value == "verified")
      options_.method = Method::Verified;
    else if (value == "classic")
      options_.method = Method::Classic;
    else
      throw UsageError("method '" + value + "' is neither 'verified' nor 'classic'");
    return true;
  }

  static bool number(const std::string& name, const std::string& value, int lowest, int highest,
                     int& target) {
    const std::optional<int> n = wholeNumber(value);
    if (!n || *n < lowest || *n > highest) {
      throw UsageError("option '" + name + "' takes a whole number from " + std::to_string(lowest) +
                       " to " + std::to_string(highest) + ", not '" + value + "'");
    }
    target = *n;
    return true;
  }

  bool maxPiecePixels(const std::string& value) {
    const std::optional<int64_t> n = wholeNumber<int64_t>(value);
    if (!n || *n < 1)
      throw UsageError("option '--max-piece-pixels' takes a whole number of pixels, not '" + value +
                       "'");
    options_.maxPiecePixels = *n;
    return true;
  }

  void addPiece(const std::string& path) {
    if (path.empty()) throw UsageError("an empty piece name was given");
    options_.pieces.push_back({path, pendingRotation_.value_or(0)});
    pendingRotation_.reset();
  }

  void finish() const {
    if (args_.empty()) throw UsageError("nothing to stitch: give -o RESULT and the pieces");
    if (pendingRotation_) throw UsageError("a rotation must be followed by the piece it turns");
    if (options_.output.empty()) throw UsageError("no result file given: add -o RESULT");
    if (options_.pieces.size() < 2) throw UsageError("at least two pieces are needed to stitch");
  }

  Arguments args_;
  std::optional<int> pendingRotation_;
  Options options_;
};

}  // namespace

Options parseStitchOptions(int argc, const char* const* argv) {
  return Parser(argc, argv).run();
}

const char* helpText() {
  return R"(Usage: tessaly-stitch [options] -o RESULT [-r DEGREES] PIECE [-r DEGREES] PIECE...

Stitches overlapping scans of one document (the pieces) into one picture and writes it to
RESULT. The pieces may be in any format the file-format plug-ins read (JPEG, TIFF, PNG, BMP,
Targa, ...). They are loaded in the order of their modification times, oldest first, which
should be the order in which they were scanned; the engine then finds how they fit together.

Options:
  -o, --output RESULT   the file to write; its extension chooses the format (.tif, .jpg, .png,
                        .bmp, .tga, ...). It is written under a temporary name and renamed when
                        complete, so a failure or cancel never leaves a partial or replaced file.
  -r, --rotate DEGREES  turn the PIECE that follows by 90, 180 or 270 degrees to the left
                        (anticlockwise) before stitching; 270 is a quarter turn to the right.
                        The file itself is not changed.
  --style row|grid      how the pieces lie: one row, or a grid of at least two rows. Without
                        it: a grid for an even number of at least 4 pieces, else a row.
                        With the verified method the style is only a hint.
  --method verified|classic
                        how the arrangement and the overlaps are found: 'verified' (default)
                        correlates the pieces where text is still legible and fits all
                        overlaps at once; 'classic' scores miniatures and chains the pairs
  --straighten          measure the skew of the stitched result and turn it level
  --crop                cut the result to the rectangle that every edge piece covers (with
                        --straighten also to the part that stays covered after the turn)
  --output-size N       result resolution in halvings: 0 full (default), 1 half, 2 a quarter...
  --max-size-diff P     largest difference in width, height and resolution between the pieces,
                        in percent of the largest (default 20)
  --max-piece-pixels N  the most pixels (width times height) a piece may have (default
                        300000000, enough for A3 at 1200 dpi); a larger header is refused
                        before anything is decoded
  --allow-many          stitch more than 10 pieces
  --threads N           how many threads stitch at once (default: TESSALY_THREADS when set,
                        else one per core); the result is the same for any number
  --report FILE.json    write a report: the pieces, the arrangement applied and the other
                        candidates, warnings, skew, crop rectangle, time per stage, peak memory
  -q, --quiet           print nothing but errors
  -h, --help            show this text

Before stitching every piece must have at least 50 dots per inch (a piece without a
resolution counts as 50) and the smallest width times the smallest height must be at least
1500 pixels. The result gets the smallest horizontal resolution of the pieces.

Before decoding, the memory the job needs (the result, three pieces and a working set) is
estimated from the pieces' headers; a job that does not fit the available memory is refused.

Progress goes to standard error: a bar on a terminal, plain lines otherwise. Ctrl-C (or
SIGTERM) cancels and cleans up; a second one ends the program at once, removing the partly
written result but possibly leaving its temporary folder (tessaly-stitch-* under $TMPDIR).

Exit codes:
  0    the result was written (possibly with warnings)
  1    the program cannot run (file-format plug-ins missing, no temporary folder, not
       enough memory for the job)
  2    the command line is wrong (unknown option or extension, too many pieces, ...)
  3    a piece cannot be read, is damaged or too large, or the pieces are unsuitable
       (resolution, size, spread)
  4    the pieces could not be stitched
  5    the result or the report could not be written
  130  cancelled with Ctrl-C
  143  cancelled with SIGTERM
)";
}

}  // namespace tessaly::cli::stitch
