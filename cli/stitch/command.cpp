#include "command.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "cancel.h"
#include "checks.h"
#include "engine_run.h"
#include "exit_codes.h"
#include "formats.h"
#include "link_log.h"
#include "memory_budget.h"
#include "peak_memory.h"
#include "piece_cache.h"
#include "piece_loader.h"
#include "pieces.h"
#include "program_main.h"
#include "progress_display.h"
#include "report.h"
#include "result_shape.h"
#include "result_writer.h"
#include "summary.h"
#include "work_folder.h"
#include "workers.h"

namespace tessaly::cli::stitch {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The result's resolution: the smallest horizontal resolution of the pieces (missing ones
// count as 50), halved once for every level the result was made smaller.
int32_t resultDpi(const RunRecord& record) {
  int32_t dpi = record.pieces.front().xDpi;
  for (const Piece& p : record.pieces) dpi = std::min(dpi, p.xDpi);
  if (dpi < 1) dpi = kDefaultDpi;
  const int level = std::clamp(record.outputLevel, 0, 30);
  return std::max(1, static_cast<int32_t>((int64_t{dpi} + (int64_t{1} << level) / 2) >> level));
}

// Cuts and turns the blended picture as the options ask. The pictures stay the run's.
tagPixelArray shapeResult(const Options& o, StitchRun& run, const tagPixelArray& blended,
                          RunRecord& record) {
  tagPixelArray picture = blended;
  if (o.crop && record.proposedCrop) {
    RECT applied{};
    picture = cropView(picture, *record.proposedCrop, applied);
    record.appliedCrop = applied;
  }
  if (!o.straighten) return picture;
  const tagPixelArray& level = run.straighten(picture);
  if (o.crop) {
    const RECT keep = coveredAfterTurn(picture.width, picture.height,
                                       record.skewRadians.value_or(0), level.width, level.height);
    RECT applied{};
    return cropView(level, keep, applied);
  }
  return level;
}

void composeAndWrite(const Options& o, int32_t formatId, tagStitchStyle style, StitchRun& run,
                     RunRecord& record, ProgressDisplay& display) {
  run.prepareAndOrder(style, o.outputSize);
  const tagPixelArray result = shapeResult(o, run, run.compose(), record);
  record.resultWidth = result.width;
  record.resultHeight = result.height;
  record.resultDpi = resultDpi(record);

  display.showStep("writing");
  const Clock::time_point start = Clock::now();
  writeResult(o.output, formatId, result, record.resultDpi);
  record.times.push_back({"writing", secondsSince(start)});
}

void stitchAndWrite(const Options& o, int32_t formatId, RunRecord& record,
                    ProgressDisplay& display) {
  const tagStitchStyle baseStyle = chooseStyle(record.pieces.size(), o.style);
  record.style = baseStyle == QX_STYLE_GRID ? "grid" : "row";
  record.method = o.method == Method::Verified ? "verified" : "classic";
  const tagStitchStyle style =
      o.method == Method::Verified ? tagStitchStyle(baseStyle | QX_STYLE_VERIFIED) : baseStyle;
  WorkFolder work;
  PieceCache cache;
  cache.open(work.path());  // without it pieces are decoded every time, which only costs time
  std::vector<PieceSource> sources;
  for (const Piece& piece : record.pieces) sources.push_back({piece.path, piece.rotation});
  PieceLoader loader(std::move(sources), cache);
  const std::optional<LinkLog> links = o.method == Method::Verified
                                           ? std::optional<LinkLog>(std::in_place, work.path())
                                           : std::nullopt;
  // A second worker decodes the pieces while the engine loads them; one worker means no thread
  // beside the caller's.
  StitchRun run(loader, display, record, stitchWorkers(o.threads) > 1);
  const auto keepCounts = [&] {
    record.decodes = loader.decodes();
    record.cacheReads = loader.cacheReads();
    for (const std::string& text : loader.readerWarnings())
      record.warnings.push_back({0, "loading the pieces", text});
    if (links) record.links = links->read(record.loadOrder);
  };
  try {
    composeAndWrite(o, formatId, style, run, record, display);
  } catch (...) {
    keepCounts();  // a failed run reports them too
    throw;
  }
  keepCounts();
}

// outputsChecked is set once no output can overwrite a piece and every output's folder takes
// files: only then may a failed run leave its report.
void prepareAndStitch(const Options& o, RunRecord& record, ProgressDisplay& display,
                      bool& outputsChecked) {
  std::vector<OutputFile> outputs = {{"result", o.output}};
  if (!o.reportPath.empty()) outputs.push_back({"report", o.reportPath});
  checkDistinctFiles(o.pieces, outputs);
  for (const OutputFile& out : outputs) checkOutputFolder(out.path, out.role);
  outputsChecked = true;
  installCancelHandler();
  loadFormatPlugins();
  const int32_t formatId = writerFormatFor(o.output);
  if (formatId == 0) {
    throw Failure(ExitCode::Usage, "no format is known for the result name '" + o.output +
                                       "'; end it in one of " + writableExtensions());
  }
  record.outputFormat = formatName(formatId);
  record.pieces = inspectPieces(o.pieces, o.maxPiecePixels);
  if (auto failure = checkPieces(
          record.pieces, {o.allowManyPieces, o.maxSizeDiffPercent, o.method == Method::Verified})) {
    throw *failure;
  }
  checkMemoryFits(record.pieces, o.outputSize, availableMemoryBytes());
  if (cancelRequested()) throw Failure(ExitCode::Cancelled, "cancelled before stitching");
  stitchAndWrite(o, formatId, record, display);
}

void finishRecord(RunRecord& record, ExitCode code, const std::string& error,
                  Clock::time_point start) {
  record.exitCode = code == ExitCode::Cancelled ? cancelExitCode() : static_cast<int>(code);
  record.error = error;
  record.status = code == ExitCode::Success     ? "ok"
                  : code == ExitCode::Cancelled ? "cancelled"
                                                : "failed";
  record.totalSeconds = secondsSince(start);
  record.peakMemoryBytes = peakMemoryBytes();
}

// Images (tens of megabytes each) come and go all through a stitch. The C library's adaptive
// threshold would move them into its heap after the first one is freed, where freed room stays
// with the process and, with several threads allocating, the peak grows by a piece or so; a fixed
// threshold keeps every block of 4 MiB and more mapped on its own and returned when freed.
void keepLargeBlocksOutOfTheHeap() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
#endif
}

}  // namespace

int runStitch(const Options& o) {
  const Clock::time_point start = Clock::now();
  // The engine reads its number of workers from the environment at every call; this is set before
  // any thread exists.
  if (o.threads > 0) ::setenv("TESSALY_THREADS", std::to_string(o.threads).c_str(), 1);
  keepLargeBlocksOutOfTheHeap();
  RunRecord record;
  record.output = o.output;
  record.outputSize = o.outputSize;
  ProgressDisplay display = ProgressDisplay::forStream(stderr, o.quiet);

  ExitCode code = ExitCode::Success;
  std::string error;
  bool outputsChecked = false;
  try {
    prepareAndStitch(o, record, display, outputsChecked);
  } catch (const Failure& failure) {
    code = failure.code();
    error = failure.what();
  } catch (const std::bad_alloc&) {
    code = ExitCode::StitchFailed;
    error = "not enough memory; close other programs and try again";
  }
  display.finishLine();
  finishRecord(record, code, error, start);
  if (code != ExitCode::Success) {
    const char* tail = code == ExitCode::Cancelled ? "; nothing was written" : "";
    reportFailure(kStitchProgram, static_cast<int>(code), error + tail);
  } else if (!o.quiet) {
    std::fputs(summaryText(record).c_str(), stdout);
    std::fflush(stdout);
  }
  if (!o.reportPath.empty() && outputsChecked) {
    try {
      writeReport(o.reportPath, record);
    } catch (const Failure& failure) {
      reportFailure(kStitchProgram, static_cast<int>(failure.code()), failure.what());
      if (code == ExitCode::Success) code = failure.code();
    }
  }
  return code == ExitCode::Cancelled ? cancelExitCode() : static_cast<int>(code);
}

}  // namespace tessaly::cli::stitch
