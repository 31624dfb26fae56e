// tessaly-pagegen: a realistic document page to scan, stitch and test with.
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "arguments.h"
#include "bgr_image.h"
#include "page_layout.h"
#include "page_options.h"

namespace {

using namespace tessaly::cli;

int fail(int code, const std::string& message) {
  std::fprintf(stderr, "tessaly-pagegen: %s\n", message.c_str());
  return code;
}

int run(const PageOptions& options) {
  const PageSpec spec{options.width(), options.height(), options.dpi, options.seed, options.fontFolder};
  BgrImage page;
  try {
    page = renderPage(spec);
  } catch (const std::runtime_error& problem) {
    return fail(kPageNoFonts, std::string(problem.what()) +
                                  " (install fonts-dejavu-core or name the folder with --fonts)");
  }
  std::string error;
  if (!loadPlugins(error) || !writePicture(options.output, page, options.dpi, options.quality, error))
    return fail(kPageWriteFailed, error);
  if (!options.quiet)
    std::printf("%s  %d x %d pixels at %d dpi\n", options.output.c_str(), page.width, page.height,
                options.dpi);
  return kPageOk;
}

}  // namespace

int main(int argc, char** argv) {
  PageOptions options;
  try {
    options = parsePageOptions(argc, argv);
  } catch (const UsageError& problem) {
    return fail(kPageUsage, problem.what());
  }
  if (options.help) {
    std::fputs(pageUsage(), stdout);
    return kPageOk;
  }
  try {
    return run(options);
  } catch (const std::bad_alloc&) {
    return fail(kPageWriteFailed, "out of memory while rendering the page");
  } catch (const std::exception& problem) {
    return fail(kPageWriteFailed, problem.what());
  }
}
