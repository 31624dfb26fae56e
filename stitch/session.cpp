#include "session.h"

#include <algorithm>
#include <cstring>

#include "errors.h"
#include "levels.h"
#include "load_order.h"
#include "progress_bands.h"
#include "temp_store.h"
#include "turn.h"
#include "verified_session.h"

namespace tessaly::stitch {

namespace {

// A caller's name, which must end within its buffer of QX_NAME_BUFFER bytes.
std::string nameFrom(const char* buffer) {
  if (buffer == nullptr) fail(QX_ERR_INPUT);
  const size_t length = strnlen(buffer, QX_NAME_BUFFER);
  if (length >= QX_NAME_BUFFER) fail(QX_ERR_INPUT);
  return std::string(buffer, length);
}

void writeName(char* buffer, const std::string& name) {
  std::memcpy(buffer, name.c_str(), name.size() + 1);
}

// Loads piece `index` of the load order and keeps its coarsest level, reporting inside [a, b].
void loadForOrdering(Session& s, int index, long a, long b) {
  s.progress.report(a);
  PieceRecord& piece = s.pieces[index];
  s.progress.report(a);
  LoadedImage loaded = loadThroughCaller(s.callbacks, s.workingNames[index]);
  s.progress.report(a + 2);
  piece.levels = s.verified
                     ? tessaly::stitch::verified::loadLevels(s, index, loaded, a, b)
                     : buildLevels(loaded, s.coarsest, KeepLevels::CoarsestOnly, s.progress, a, b);
  const tagPixelArray& miniature = *piece.levels[s.coarsest];
  // A file much smaller than the size the caller announced leaves nothing to work with.
  if (miniature.width < 1 || miniature.height < 1) fail(QX_ERR_INPUT);
  s.progress.report(b);
  s.loadedMiniatures[index] = copyImage(miniature);
}

}  // namespace

long loadPieces(Session& s, long count, char** fileNames, const POINT* sizes) {
  if (count < 1) fail(QX_ERR_INPUT);
  std::vector<std::string> names;
  names.reserve(count);
  for (long i = 0; i < count; ++i) names.push_back(nameFrom(fileNames[i]));
  sortByWriteTime(names);
  for (long i = 0; i < count; ++i) writeName(fileNames[i], names[i]);

  s.progress.report(0);
  const int levels = levelCount(sizes, count, s.policy);
  if (levels <= 0) {
    s.progress.reportFinal(100);
    return QX_OK;
  }
  s.coarsest = levels - 1;
  s.count = static_cast<int32_t>(count);
  s.pieces.clear();
  s.pieces.resize(count);
  s.loadedMiniatures.clear();
  s.loadedMiniatures.resize(count);
  s.workingNames = names;
  s.loadedNames = std::move(names);
  if (s.verified) tessaly::stitch::verified::prepareLoad(s, sizes, count);

  for (int i = 0; i < s.count; ++i) {
    loadForOrdering(s, i, kLoadPieces.stepAt(i, count), kLoadPieces.stepAt(i + 1, count));
  }
  if (s.progress.reportAndAskCancel(100)) return QX_CANCELLED;
  s.columns = s.count;
  s.rows = 1;
  s.outputLevel = std::clamp(s.outputSize, 0, s.coarsest);
  s.stage = Stage::Loaded;
  return QX_OK;
}

long applyArrangement(Session& s, const tagStitchOrderInfo& arrangement) {
  if (arrangement.rows < 1 || arrangement.columns < 1 ||
      static_cast<int64_t>(arrangement.rows) * arrangement.columns != s.count) {
    fail(QX_ERR_INPUT);
  }
  std::vector<std::string> wanted;
  for (int cell = 0; cell < s.count; ++cell) {
    if (arrangement.fileNames[cell] == nullptr) fail(QX_ERR_SETUP);
    wanted.push_back(nameFrom(arrangement.fileNames[cell]));
    const int32_t turns = arrangement.quarterTurns[cell];
    if (turns < 0 || turns > 3) fail(QX_ERR_INPUT);
  }

  int piece = 0;  // a name that matches nothing keeps the previous cell's piece
  std::vector<int32_t> cellPiece, cellTurns;
  for (int cell = 0; cell < s.count; ++cell) {
    const auto match = std::find(s.loadedNames.begin(), s.loadedNames.end(), wanted[cell]);
    if (match != s.loadedNames.end()) piece = static_cast<int>(match - s.loadedNames.begin());
    s.workingNames[cell] = s.loadedNames[piece];
    PieceRecord& record = s.pieces[cell];
    record.levels[s.coarsest].reset();
    const int32_t turns = arrangement.quarterTurns[cell];
    const tagPixelArray& miniature = *s.loadedMiniatures[piece];
    record.levels[s.coarsest] = turns != 0 ? quarterTurn(miniature, turns) : copyImage(miniature);
    record.quarterTurns = turns;
    cellPiece.push_back(piece);
    cellTurns.push_back(turns);
  }
  s.columns = arrangement.columns;
  s.rows = arrangement.rows;
  if (s.verified) tessaly::stitch::verified::noteArrangement(s, cellPiece, cellTurns);
  return QX_OK;
}

LevelImage levelImage(Session& s, int cell, int level, LoadFailure onFailure) {
  if (cell < 0 || cell >= s.count || level < 0 || level > s.coarsest) fail(QX_ERR_INPUT);
  LevelImage result;
  const ImagePtr& held = s.pieces[cell].levels[level];
  if (held) {
    result.image_ = held.get();
  } else if (level == 0) {
    result.loaded_ = loadThroughCaller(s.callbacks, s.workingNames[cell], onFailure);
    result.image_ = result.loaded_.get();
  } else {
    fail(QX_ERR_INPUT);
  }
  return result;
}

void releaseSession(Session* s) {
  if (s == nullptr) return;
  TempStore::instance().empty(s);
  delete s;
}

}  // namespace tessaly::stitch
