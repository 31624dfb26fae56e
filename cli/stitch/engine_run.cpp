#include "engine_run.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <string>

#include "cancel.h"
#include "exit_codes.h"

namespace tessaly::cli::stitch {

namespace {

// The most arrangements QXAutoOrder writes.
using tessaly::stitch::client::kCandidateRecords;

bool isWarning(long status) {
  return status >= QX_WARN_FEATURELESS_PIECES && status <= QX_WARN_SMALL_OVERLAP;
}

const char* warningText(long code) {
  switch (code) {
    case QX_WARN_FEATURELESS_PIECES:
      return "every piece has a large blank band, so the arrangement may be wrong";
    case QX_WARN_LOW_CONFIDENCE:
      return "no arrangement was found with confidence; the pieces were joined in scanning order";
    case QX_WARN_FEATURELESS_OVERLAP:
      return "an overlap is nearly blank in both pieces, so its join may be off";
    case QX_WARN_SMALL_OVERLAP:
      return "an overlap is under 15 % of a piece, so its join may be off";
    default:
      return "";
  }
}

}  // namespace

StitchRun::StitchRun(PieceLoader& loader, ProgressDisplay& display, RunRecord& record,
                     bool decodeAhead)
    : loader_(loader), display_(display), record_(record), decodeAhead_(decodeAhead) {}

StitchRun::~StitchRun() {
  release();
}

void StitchRun::release() {
  QXReleaseStitch(session_);
  session_ = nullptr;
  QXReleaseStitch(straightenSession_);
  straightenSession_ = nullptr;
}

void* StitchRun::createSession(tagStitchStyle style, int outputSize) {
  void* session = QXCreateStitch(style, outputSize, this, &onProgress, &onLoad, &onRelease);
  if (session == nullptr) {
    throw Failure(ExitCode::StitchFailed,
                  "the stitching engine could not start: not enough memory; close other programs");
  }
  return session;
}

void StitchRun::prepareAndOrder(tagStitchStyle style, int outputSize) {
  release();
  record_.outputSize = outputSize;
  loadPieces(style, outputSize);
  record_.loadOrder.assign(buffers_.nameList().begin(), buffers_.nameList().end());
  recordOutputLevel();

  long candidateCount = 0;
  step(Stage::Ordering, "ordering the pieces",
       [&] { return QXAutoOrder(session_, &candidateCount, buffers_.candidates()); });
  if (candidateCount <= 0) {
    throw Failure(ExitCode::StitchFailed,
                  "ordering the pieces found no arrangement; check that neighbouring pieces "
                  "overlap");
  }
  recordCandidates(candidateCount);
}

// Only the engine's first load of each piece profits from decoding ahead, so the decoding thread
// ends with the loading, however that ends: it holds nothing while the pieces are put together.
void StitchRun::loadPieces(tagStitchStyle style, int outputSize) {
  struct StopDecoding {
    PieceLoader& loader;
    ~StopDecoding() { loader.stopDecodingAhead(); }
  } stopDecoding{loader_};
  if (decodeAhead_) loader_.startDecodingAhead();
  session_ = createSession(style, outputSize);
  makeEngineBuffers();
  const size_t count = record_.pieces.size();
  step(Stage::Loading, "loading the pieces",
       [&] { return QXLoadImages(session_, long(count), buffers_.names(), buffers_.sizes()); });
}

void StitchRun::makeEngineBuffers() {
  std::vector<std::string> paths;
  std::vector<POINT> sizes;
  for (const Piece& piece : record_.pieces) {
    paths.push_back(piece.path);
    sizes.push_back({piece.width, piece.height});
  }
  buffers_.make(paths, sizes);
}

const tagPixelArray& StitchRun::compose() {
  step(Stage::Aligning, "aligning the pieces", [&] { return QXAutoAlign(session_); });
  tagPixelArray* result = nullptr;
  RECT rectangle{};
  step(Stage::Blending, "blending the pieces",
       [&] { return QXAutoBlend(session_, &result, &rectangle); });
  if (result == nullptr) {
    throw Failure(ExitCode::StitchFailed, "blending the pieces gave no picture");
  }
  record_.proposedCrop = rectangle;
  return *result;
}

const tagPixelArray& StitchRun::straighten(const tagPixelArray& image) {
  QXReleaseStitch(straightenSession_);
  straightenSession_ = createSession(QX_STYLE_ROW, 0);
  straightening_ = true;
  double angle = 0;
  tagPixelArray* turned = nullptr;
  tagPixelArray source = image;
  const auto start = std::chrono::steady_clock::now();
  const long status = QXAutoStraighten(straightenSession_, &source, &angle, &turned);
  record_.times.push_back(
      {"straightening",
       std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()});
  checkStatus(status, "straightening the result");
  if (turned == nullptr) {
    throw Failure(ExitCode::StitchFailed, "straightening the result gave no picture");
  }
  record_.skewRadians = angle;
  return *turned;
}

template <typename Call>
long StitchRun::step(Stage stage, const char* what, Call&& call) {
  stage_ = stage;
  straightening_ = false;
  const auto start = std::chrono::steady_clock::now();
  const long status = call();
  record_.times.push_back(
      {stageName(stage),
       std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()});
  checkStatus(status, what);
  if (isWarning(status)) record_.warnings.push_back({status, what, warningText(status)});
  return status;
}

void StitchRun::checkStatus(long status, const char* what) {
  if (status == QX_OK || isWarning(status)) return;
  const std::string step = what;
  switch (status) {
    case QX_CANCELLED:
      throw Failure(ExitCode::Cancelled, "cancelled while " + step);
    case kLoadUnreadable:
      throw Failure(ExitCode::UnsuitablePieces,
                    step + " failed: " + loader_.lastFailure() + "; check or replace the file");
    case QX_ERR_SETUP:
      throw Failure(ExitCode::StitchFailed,
                    step + " failed: not enough memory or temporary space" +
                        (loader_.lastFailure().empty() ? "" : " (" + loader_.lastFailure() + ")") +
                        "; close other programs or point TMPDIR at a folder with more room");
    case QX_ERR_INPUT:
      throw Failure(ExitCode::StitchFailed,
                    step +
                        " failed: the pieces could not be put together; check that "
                        "neighbouring pieces overlap and show the same document");
    default:
      throw Failure(ExitCode::StitchFailed,
                    step + " failed with engine status " + std::to_string(status));
  }
}

void StitchRun::recordCandidates(long count) {
  record_.candidates.clear();
  for (long i = 0; i < count && i < kCandidateRecords; ++i) {
    const tagStitchOrderInfo& info = buffers_.candidate(size_t(i));
    Arrangement a{info.rows, info.columns, {}, {}};
    const size_t cells = record_.pieces.size();
    for (size_t cell = 0; cell < cells; ++cell) {
      a.names.emplace_back(info.fileNames[cell], strnlen(info.fileNames[cell], QX_NAME_BUFFER));
      a.quarterTurns.push_back(info.quarterTurns[cell]);
    }
    record_.candidates.push_back(std::move(a));
  }
}

// The result's real resolution level: the output size asked for, but never past the engine's
// coarsest level, which shows in how far the miniatures are halved.
void StitchRun::recordOutputLevel() {
  std::vector<tagPixelArray*> miniatures(record_.pieces.size(), nullptr);
  if (QXGetMiniatures(session_, miniatures.data()) != QX_OK || miniatures[0] == nullptr) return;
  const std::string first = record_.loadOrder.front();
  for (const Piece& piece : record_.pieces) {
    if (piece.path != first) continue;
    for (int level = 0; level < 31 && (piece.width >> level) > 0; ++level) {
      if ((piece.width >> level) == miniatures[0]->width) {
        record_.outputLevel = std::min(record_.outputSize, level);
        return;
      }
    }
  }
}

void StitchRun::onProgress(long position, bool* cancel, void* self) {
  if (self == nullptr || cancel == nullptr) return;
  auto& run = *static_cast<StitchRun*>(self);
  *cancel = cancelRequested();
  if (*cancel) return;
  if (run.straightening_) {
    run.display_.show("straightening", static_cast<int>(std::clamp(position, 0L, 100L)));
  } else {
    run.display_.show(stageName(run.stage_), overallPercent(run.stage_, position));
  }
}

long StitchRun::onLoad(char* const fileName, tagPixelArray** image, void* self) {
  if (self == nullptr || image == nullptr) return kLoadBadArguments;
  try {
    return static_cast<StitchRun*>(self)->loader_.load(fileName, image);
  } catch (const std::bad_alloc&) {
    return kLoadNoMemory;
  } catch (...) {
    return kLoadUnreadable;
  }
}

void StitchRun::onRelease(tagPixelArray** image, void*) {
  PieceLoader::release(image);
}

}  // namespace tessaly::cli::stitch
