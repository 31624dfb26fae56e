// tessaly-scansim: simulated flatbed scans of a page, with the truth about where they lie.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "arguments.h"
#include "bgr_image.h"
#include "program_main.h"
#include "scan_options.h"
#include "scan_plan.h"
#include "scan_render.h"
#include "scan_truth.h"
#include "staged_file.h"

namespace {

using namespace tessaly::cli;

int fail(int code, const std::string& message) {
  return reportFailure("tessaly-scansim", code, message);
}

// Stamps the file with the moment it was scanned (access and modification alike).
bool setModified(const std::string& path, int64_t seconds, std::string& error) {
  const timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0) return true;
  error = "cannot set the modification time of " + path + ": " + std::strerror(errno);
  return false;
}

void describe(const ScanPiece& piece, const std::string& file) {
  std::printf("%s  row %d column %d  centre (%.1f, %.1f)  tilt %+.2f deg  turn %d  %d x %d\n",
              file.c_str(), piece.row + 1, piece.column + 1, piece.centreX, piece.centreY,
              piece.angleDegrees, piece.turnDegrees, piece.width, piece.height);
}

int run(const ScanOptions& options) {
  std::string error;
  if (!loadPlugins(error)) return fail(kScanWriteFailed, error);
  PictureFile page;
  if (!readPicture(options.source, page, error)) return fail(kScanBadSource, error);

  ScanPlan plan;
  try {
    plan = planScans(options.settings, page.image.width, page.image.height);
  } catch (const UsageError& problem) {
    return fail(kScanBadSource, options.source + ": " + problem.what());
  }
  const int32_t dpi = options.dpi > 0 ? options.dpi : page.dpi > 0 ? page.dpi : 300;

  std::error_code made;
  std::filesystem::create_directories(options.outputFolder, made);
  if (made)
    return fail(kScanWriteFailed, "cannot create " + options.outputFolder + ": " + made.message());

  TruthHeader header{options.source, dpi, options.settings.seed, {}};
  const int count = int(plan.pieces.size());
  for (const ScanPiece& piece : plan.pieces) {
    const std::string name = scanFileName(options.prefix, piece.index, count, options.extension);
    const std::string path = (std::filesystem::path(options.outputFolder) / name).string();
    const BgrImage scan = renderScan(page.image, piece, options.settings.seed);
    if (!writePicture(path, scan, dpi, options.quality, error) ||
        !setModified(path, piece.modified, error))
      return fail(kScanWriteFailed, error);
    header.files.push_back(name);
    if (!options.quiet) describe(piece, path);
  }

  const std::string truthPath =
      options.truthPath.empty()
          ? (std::filesystem::path(options.outputFolder) / "truth.json").string()
          : options.truthPath;
  const std::string problem = writeTextFile(truthPath, truthJson(plan, header));
  if (!problem.empty()) return fail(kScanWriteFailed, "cannot write " + truthPath + ": " + problem);
  if (!options.quiet) std::printf("%s\n", truthPath.c_str());
  return kScanOk;
}

}  // namespace

int main(int argc, char** argv) {
  const ProgramFrame frame{"tessaly-scansim", scanUsage(), kScanUsage, kScanWriteFailed};
  return programMain(frame, argc, argv, parseScanOptions, run);
}
