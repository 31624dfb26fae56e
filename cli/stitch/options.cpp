#include "options.h"

#include <charconv>
#include <optional>

namespace stitchcli {

namespace {

std::optional<int> parseInteger(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// Walks the arguments in order, so that a rotation can apply to the piece that follows it.
class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

  ParsedCommandLine run() {
    while (next_ < args_.size() && result_.error.empty()) step(args_[next_++]);
    if (!result_.error.empty() || result_.options.help) return result_;
    finish();
    return result_;
  }

 private:
  void step(const std::string& arg) {
    if (piecesOnly_ || arg == "-" || arg.empty() || arg[0] != '-') return addPiece(arg);
    if (arg == "--") {
      piecesOnly_ = true;
      return;
    }
    std::string name = arg;
    std::optional<std::string> attached;  // the value of --name=value
    if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      attached = arg.substr(eq + 1);
    }
    option(name, attached);
  }

  void option(const std::string& name, const std::optional<std::string>& attached) {
    Options& o = result_.options;
    if (name == "-h" || name == "--help") return flag(name, attached, o.help);
    if (name == "--straighten") return flag(name, attached, o.straighten);
    if (name == "--crop") return flag(name, attached, o.crop);
    if (name == "-q" || name == "--quiet") return flag(name, attached, o.quiet);
    if (name == "--allow-many") return flag(name, attached, o.allowManyPieces);
    const std::optional<std::string> value = valueOf(name, attached);
    if (!value) return;
    if (name == "-o" || name == "--output") return setOnce(name, o.output, *value);
    if (name == "--report") return setOnce(name, o.reportPath, *value);
    if (name == "-r" || name == "--rotate") return rotation(*value);
    if (name == "--style") return style(*value);
    if (name == "--output-size") return number(name, *value, 0, kMaxOutputSize, o.outputSize);
    if (name == "--max-size-diff") return number(name, *value, 0, 100, o.maxSizeDiffPercent);
    fail("unknown option '" + name + "'");
  }

  static bool takesValue(const std::string& name) {
    for (const char* known : {"-o", "--output", "--report", "-r", "--rotate", "--style",
                              "--output-size", "--max-size-diff"}) {
      if (name == known) return true;
    }
    return false;
  }

  std::optional<std::string> valueOf(const std::string& name,
                                     const std::optional<std::string>& attached) {
    if (!takesValue(name)) {
      fail("unknown option '" + name + "'");
      return std::nullopt;
    }
    if (attached) return attached;
    if (next_ >= args_.size()) {
      fail("option '" + name + "' needs a value");
      return std::nullopt;
    }
    return args_[next_++];
  }

  void flag(const std::string& name, const std::optional<std::string>& attached, bool& target) {
    if (attached) return fail("option '" + name + "' takes no value");
    target = true;
  }

  void setOnce(const std::string& name, std::string& target, const std::string& value) {
    if (value.empty()) return fail("option '" + name + "' needs a file name");
    if (!target.empty()) return fail("option '" + name + "' is given twice");
    target = value;
  }

  void rotation(const std::string& value) {
    const std::optional<int> degrees = parseInteger(value);
    if (!degrees || (*degrees != 0 && *degrees != 90 && *degrees != 180 && *degrees != 270)) {
      return fail("rotation '" + value + "' is not 0, 90, 180 or 270");
    }
    if (pendingRotation_) return fail("two rotations given for one piece");
    pendingRotation_ = *degrees;
  }

  void style(const std::string& value) {
    if (value == "row")
      result_.options.style = StyleChoice::Row;
    else if (value == "grid")
      result_.options.style = StyleChoice::Grid;
    else
      fail("style '" + value + "' is neither 'row' nor 'grid'");
  }

  void number(const std::string& name, const std::string& value, int lowest, int highest,
              int& target) {
    const std::optional<int> n = parseInteger(value);
    if (!n || *n < lowest || *n > highest) {
      return fail("option '" + name + "' takes a whole number from " + std::to_string(lowest) +
                  " to " + std::to_string(highest) + ", not '" + value + "'");
    }
    target = *n;
  }

  void addPiece(const std::string& path) {
    if (path.empty()) return fail("an empty piece name was given");
    result_.options.pieces.push_back({path, pendingRotation_.value_or(0)});
    pendingRotation_.reset();
  }

  void finish() {
    const Options& o = result_.options;
    if (args_.empty()) return fail("nothing to stitch: give -o RESULT and the pieces");
    if (pendingRotation_) return fail("a rotation must be followed by the piece it turns");
    if (o.output.empty()) return fail("no result file given: add -o RESULT");
    if (o.pieces.size() < 2) return fail("at least two pieces are needed to stitch");
  }

  void fail(const std::string& message) {
    if (result_.error.empty()) result_.error = message;
  }

  const std::vector<std::string>& args_;
  size_t next_ = 0;
  bool piecesOnly_ = false;
  std::optional<int> pendingRotation_;
  ParsedCommandLine result_;
};

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
  return Parser(args).run();
}

std::string helpText() {
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
  --straighten          measure the skew of the stitched result and turn it level
  --crop                cut the result to the rectangle that every edge piece covers (with
                        --straighten also to the part that stays covered after the turn)
  --output-size N       result resolution in halvings: 0 full (default), 1 half, 2 a quarter...
  --max-size-diff P     largest difference in width, height and resolution between the pieces,
                        in percent of the largest (default 20)
  --allow-many          stitch more than 10 pieces
  --report FILE.json    write a report: the pieces, the arrangement applied and the other
                        candidates, warnings, skew, crop rectangle, time per stage, peak memory
  -q, --quiet           print nothing but errors
  -h, --help            show this text

Before stitching every piece must have at least 50 dots per inch (a piece without a
resolution counts as 50) and the smallest width times the smallest height must be at least
1500 pixels. The result gets the smallest horizontal resolution of the pieces.

Progress goes to standard error: a bar on a terminal, plain lines otherwise. Ctrl-C cancels
and cleans up; a second Ctrl-C ends the program at once, which may leave its temporary folder
(tessaly-stitch-* under $TMPDIR) behind.

Exit codes:
  0    the result was written (possibly with warnings)
  1    the program cannot run (file-format plug-ins missing, no temporary folder)
  2    the command line is wrong (unknown option or extension, too many pieces, ...)
  3    a piece cannot be read or the pieces are unsuitable (resolution, size, spread)
  4    the pieces could not be stitched
  5    the result or the report could not be written
  130  cancelled with Ctrl-C
)";
}

}  // namespace stitchcli
