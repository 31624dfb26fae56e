// The first part of alignment: pieces that the arrangement turns are turned once at full
// resolution and saved in the temporary store, then every piece is reloaded as level images.
#include <string>

#include "bmp_writer.h"
#include "errors.h"
#include "levels.h"
#include "progress_bands.h"
#include "session.h"
#include "temp_store.h"
#include "turn.h"

namespace tessaly::stitch {

namespace {

// Turns the piece of `cell` and points the cell at the turned copy; reports inside [a, b].
void turnIntoStore(Session& s, int cell, double a, double b) {
  const Progress& p = s.progress;
  p.report(a);
  PieceRecord& piece = s.pieces[cell];
  LoadedImage loaded = loadThroughCaller(s.callbacks, s.workingNames[cell]);
  const ProgressRange whole{&p, a, b};
  ImagePtr turned = quarterTurn(*loaded, piece.quarterTurns, whole.sub(0.32, 0.5));
  loaded.handBack();
  const std::string path = TempStore::instance().takeFile();
  s.workingNames[cell] = writeBmp(path, *turned, whole.sub(0.5, 1.0));
  piece.quarterTurns = 0;
}

// Returns the band the reload reports in: from the turning band's start when nothing needed
// turning, else from its end.
ProgressBand turnPrePass(Session& s) {
  const ProgressBand& band = kAlignTurnPieces;
  s.progress.report(band.start);
  int turnedCount = 0;
  for (const PieceRecord& piece : s.pieces) turnedCount += piece.quarterTurns != 0;
  if (turnedCount == 0) return {band.start, kAlignReload.end};

  int k = 0;
  for (int cell = 0; cell < s.count; ++cell) {
    if (s.pieces[cell].quarterTurns == 0) continue;
    turnIntoStore(s, cell, band.at(k, turnedCount), band.at(k + 1, turnedCount));
    ++k;
  }
  s.progress.report(band.end);
  return kAlignReload;
}

void reloadLevels(Session& s, const ProgressBand& band) {
  s.progress.report(band.start);
  const KeepLevels keep =
      s.outputSize == 2 ? KeepLevels::AllButFullAndHalf : KeepLevels::AllButFull;
  for (int i = 0; i < s.count; ++i) {
    const long start = band.stepAt(i, s.count);
    const long end = band.stepAt(i + 1, s.count);
    s.progress.report(start);
    PieceRecord& piece = s.pieces[i];
    piece.levels[s.coarsest].reset();
    LoadedImage loaded = loadThroughCaller(s.callbacks, s.workingNames[i]);
    piece.fullWidth = loaded->width;
    piece.fullHeight = loaded->height;
    s.progress.report(start + 2);
    piece.levels = buildLevels(loaded, s.coarsest, keep, s.progress, start, end);
    const tagPixelArray& coarsest = *piece.levels[s.coarsest];
    if (coarsest.width < 1 || coarsest.height < 1) fail(QX_ERR_INPUT);
    s.progress.report(end);
  }
  s.progress.report(band.end);
}

}  // namespace

void reloadForAlignment(Session& s) {
  TempStore::instance().prepare(&s, s.count);
  reloadLevels(s, turnPrePass(s));
}

}  // namespace tessaly::stitch
