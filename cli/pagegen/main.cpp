// tessaly-pagegen: a realistic document page to scan, stitch and test with.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "arguments.h"
#include "bgr_image.h"
#include "dense_layout.h"
#include "page_layout.h"
#include "page_options.h"
#include "program_main.h"

namespace {

using namespace tessaly::cli;

int fail(int code, const std::string& message) {
  return reportFailure("tessaly-pagegen", code, message);
}

int run(const PageOptions& options) {
  const PageRequest request{options.width(), options.height(), options.dpi, options.seed,
                            options.fontFolder};
  BgrImage page;
  try {
    page = options.dense ? renderDensePage(request) : renderPage(request);
  } catch (const std::runtime_error& problem) {
    return fail(kPageNoFonts, std::string(problem.what()) +
                                  " (install fonts-dejavu-core or name the folder with --fonts)");
  }
  std::string error;
  if (!loadPlugins(error) ||
      !writePicture(options.output, page, options.dpi, options.quality, error))
    return fail(kPageWriteFailed, error);
  if (!options.quiet)
    std::printf("%s  %d x %d pixels at %d dpi\n", options.output.c_str(), page.width, page.height,
                options.dpi);
  return kPageOk;
}

}  // namespace

int main(int argc, char** argv) {
  const ProgramFrame frame{"tessaly-pagegen", pageUsage(), kPageUsage, kPageWriteFailed};
  return programMain(frame, argc, argv, parsePageOptions, run);
}
