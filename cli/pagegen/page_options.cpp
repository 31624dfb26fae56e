#include "page_options.h"

#include <algorithm>
#include <cmath>

#include "arguments.h"
#include "bgr_image.h"

namespace tessaly::cli {
namespace {

struct Paper {
  const char* name;
  double width, height;  // millimetres, portrait
};

constexpr Paper kPapers[] = {{"a5", 148, 210},
                             {"a4", 210, 297},
                             {"a3", 297, 420},
                             {"letter", 215.9, 279.4},
                             {"legal", 215.9, 355.6}};

void readPaper(const std::string& text, PageOptions& options) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  for (const Paper& paper : kPapers) {
    if (lower == paper.name) {
      options.paperWidthMm = paper.width;
      options.paperHeightMm = paper.height;
      return;
    }
  }
  const size_t split = lower.find('x');
  if (split == std::string::npos)
    throw UsageError(
        "--paper wants a4, a3, a5, letter, legal or WIDTHxHEIGHT in millimetres, not \"" + text +
        "\"");
  options.paperWidthMm = parseNumber("--paper", lower.substr(0, split), 20, 5000);
  options.paperHeightMm = parseNumber("--paper", lower.substr(split + 1), 20, 5000);
}

int32_t pixels(double mm, int32_t dpi) {
  return int32_t(std::lround(mm * dpi / 25.4));
}

}  // namespace

int32_t PageOptions::width() const {
  return pixelWidth > 0 ? pixelWidth : pixels(paperWidthMm, dpi);
}
int32_t PageOptions::height() const {
  return pixelHeight > 0 ? pixelHeight : pixels(paperHeightMm, dpi);
}

PageOptions parsePageOptions(int argc, const char* const* argv) {
  PageOptions o;
  bool landscape = false;
  std::vector<std::string> positional;
  Arguments args(argc, argv);
  while (!args.done()) {
    std::string v;
    if (args.flag("--help") || args.flag("-h")) {
      o.help = true;
      return o;
    } else if (args.flag("--quiet") || args.flag("-q")) {
      o.quiet = true;
    } else if (args.flag("--dense")) {
      o.dense = true;
    } else if (args.flag("--landscape")) {
      landscape = true;
    } else if (args.option("--dpi", v)) {
      o.dpi = int32_t(parseInteger("--dpi", v, 50, 1200));
    } else if (args.option("--paper", v)) {
      readPaper(v, o);
    } else if (args.option("--size", v)) {
      const IntPair size = parsePair("--size", v, 64, kMaxSide);
      o.pixelWidth = int32_t(size.first);
      o.pixelHeight = int32_t(size.second);
    } else if (args.option("--seed", v)) {
      o.seed = uint64_t(parseInteger("--seed", v, 0, INT64_MAX));
    } else if (args.option("--quality", v)) {
      o.quality = int(parseInteger("--quality", v, 1, 100));
    } else if (args.option("--fonts", v)) {
      o.fontFolder = v;
    } else if (args.atOption()) {
      throw UsageError("unknown option " + args.current() + " (see --help)");
    } else {
      positional.push_back(args.take());
    }
  }
  if (positional.size() != 1) throw UsageError("give one output file (see --help)");
  o.output = positional[0];
  if (landscape) std::swap(o.paperWidthMm, o.paperHeightMm);
  if (o.width() > kMaxSide || o.height() > kMaxSide)
    throw UsageError("the page would be " + std::to_string(o.width()) + " x " +
                     std::to_string(o.height()) + " pixels; each side may be at most " +
                     std::to_string(kMaxSide));
  return o;
}

const char* pageUsage() {
  return R"(Usage: tessaly-pagegen [options] OUTPUT

Renders a document page: a report with a title, body text in several sizes set in the DejaVu
fonts, headings, ruled tables, a photo-like landscape picture and a list, as a printed page
would look. OUTPUT's extension chooses the format (png, tif, jpg, bmp, tga); the file carries
the resolution. The same options always give the same page.

  --dense              a dense text page instead: two columns of small body text, forms
                        whose blocks repeat the same fields, and long ruled tables
  --paper NAME          a4 (default), a3, a5, letter, legal, or WIDTHxHEIGHT in millimetres
  --landscape           turn the paper sideways
  --dpi N               resolution, 50 to 1200 (default 150)
  --size WxH            the page's size in pixels instead of the paper's (text keeps the
                        sizes the resolution gives it)
  --seed N              the words, figures and picture (default 1)
  --quality Q           JPEG quality when OUTPUT is a JPEG file (default 92)
  --fonts DIR           folder of the DejaVu fonts (default /usr/share/fonts/truetype/dejavu)
  --quiet               print nothing but errors
  --help                this text

Exit codes: 0 done; 2 wrong command line; 3 the fonts cannot be opened; 4 the page cannot be
written.
)";
}

}  // namespace tessaly::cli
