// tessaly-quality-page: a photograph or map made into a page to scan: the part of the picture
// asked for, cut to the page's shape and scaled to its size, written with its resolution.
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "arguments.h"
#include "picture_mat.h"
#include "program_main.h"

namespace {

using namespace tessaly;

constexpr int kUsage = 2, kFailed = 3;

struct PageOptions {
  std::string source, output;
  int width = 0, height = 0, dpi = 150;
  double regionX = 0, regionY = 0, regionW = 1, regionH = 1;  // shares of the source
  bool help = false;
};

void parseRegion(const std::string& text, PageOptions& o) {
  std::vector<double> values;
  size_t start = 0;
  for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
    values.push_back(cli::parseNumber("--region", text.substr(start, comma - start), 0, 1));
  values.push_back(cli::parseNumber("--region", text.substr(start), 0, 1));
  if (values.size() != 4 || values[0] + values[2] > 1 || values[1] + values[3] > 1 ||
      values[2] <= 0 || values[3] <= 0)
    throw cli::UsageError("--region wants X,Y,W,H as shares of the source, inside it");
  o.regionX = values[0];
  o.regionY = values[1];
  o.regionW = values[2];
  o.regionH = values[3];
}

PageOptions parse(int argc, const char* const* argv) {
  PageOptions o;
  std::vector<std::string> positional;
  cli::Arguments args(argc, argv);
  while (!args.done()) {
    std::string v;
    if (args.flag("--help") || args.flag("-h")) {
      o.help = true;
      return o;
    } else if (args.option("--size", v)) {
      const cli::IntPair size = cli::parsePair("--size", v, 64, 20000);
      o.width = int(size.first);
      o.height = int(size.second);
    } else if (args.option("--dpi", v)) {
      o.dpi = int(cli::parseInteger("--dpi", v, 50, 1200));
    } else if (args.option("--region", v)) {
      parseRegion(v, o);
    } else if (args.atOption()) {
      throw cli::UsageError("unknown option " + args.current() + " (see --help)");
    } else {
      positional.push_back(args.take());
    }
  }
  if (positional.size() != 2) throw cli::UsageError("give the source and the output file");
  if (o.width == 0) throw cli::UsageError("give the page's size with --size WxH");
  o.source = positional[0];
  o.output = positional[1];
  return o;
}

const char* kUsageText =
    R"(Usage: tessaly-quality-page --size WxH [--dpi N] [--region X,Y,W,H] SOURCE OUTPUT

Makes a page of a photograph or map: takes the region of SOURCE (shares of its width and
height, default all of it), cuts the largest centred part of the page's shape from it, scales
that to W x H pixels and writes OUTPUT with the resolution N (default 150).

Exit codes: 0 written; 2 wrong command line; 3 the source cannot be read or the page written.
)";

int run(const PageOptions& o) {
  const cv::Mat source = quality::readPictureMat(o.source);
  const cv::Rect2d region(o.regionX * source.cols, o.regionY * source.rows, o.regionW * source.cols,
                          o.regionH * source.rows);
  // The largest part of the region with the page's shape, in its middle.
  const double scale = std::min(region.width / o.width, region.height / o.height);
  const cv::Rect cut(int(region.x + (region.width - scale * o.width) / 2),
                     int(region.y + (region.height - scale * o.height) / 2),
                     std::max(1, int(scale * o.width)), std::max(1, int(scale * o.height)));
  cv::Mat page;
  cv::resize(source(cut & cv::Rect(0, 0, source.cols, source.rows)), page, {o.width, o.height}, 0,
             0, scale >= 1 ? cv::INTER_AREA : cv::INTER_CUBIC);
  std::string error;
  if (!cli::writePicture(o.output, quality::toBgrImage(page), o.dpi, 95, error))
    return cli::reportFailure("tessaly-quality-page", kFailed, error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const cli::ProgramFrame frame{"tessaly-quality-page", kUsageText, kUsage, kFailed};
  return cli::programMain(frame, argc, argv, parse, run);
}
