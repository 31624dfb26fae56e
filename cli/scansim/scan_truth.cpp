#include "scan_truth.h"

#include "json_writer.h"
#include "scan_render.h"

namespace tessaly::cli {
namespace {

void writePiece(JsonWriter& json, const ScanPiece& piece, const std::string& file) {
  const bool sidesSwap = piece.turnDegrees == 90 || piece.turnDegrees == 270;
  json.beginObject()
      .value("file", file)
      .value("index", piece.index)
      .value("row", piece.row)
      .value("column", piece.column)
      .beginObject("centre")
      .value("x", piece.centreX)
      .value("y", piece.centreY)
      .endObject()
      .value("angleDegrees", piece.angleDegrees)
      .value("width", piece.width)
      .value("height", piece.height)
      .value("fileWidth", sidesSwap ? piece.height : piece.width)
      .value("fileHeight", sidesSwap ? piece.width : piece.height)
      .value("turnDegrees", piece.turnDegrees)
      .value("uprightQuarterTurns", uprightQuarterTurns(piece.turnDegrees))
      .value("brightness", piece.brightness)
      .value("contrast", piece.contrast)
      .value("gamma", piece.gamma)
      .value("noise", piece.noise)
      .value("blur", piece.blur)
      .value("modified", piece.modified)
      .endObject();
}

}  // namespace

std::string truthJson(const ScanPlan& plan, const TruthHeader& header) {
  JsonWriter json;
  json.beginObject()
      .value("generator", "tessaly-scansim")
      .value("source", header.source)
      .value("seed", int64_t(header.seed))
      .beginObject("page")
      .value("width", plan.pageWidth)
      .value("height", plan.pageHeight)
      .value("dpi", header.dpi)
      .endObject()
      .beginObject("grid")
      .value("rows", plan.rows)
      .value("columns", plan.columns)
      .value("overlap", plan.overlap)
      .endObject()
      .value("placement",
             "piece point (u, v) of the upright piece shows page point centre + R(angle) * "
             "(u - (width - 1) / 2, v - (height - 1) / 2), R(a) = [cos a, -sin a; sin a, cos a], "
             "y down; a file turned by turnDegrees (clockwise) is made upright by "
             "uprightQuarterTurns counter-clockwise quarter turns")
      .beginArray("pieces");
  for (size_t i = 0; i < plan.pieces.size(); ++i)
    writePiece(json, plan.pieces[i], i < header.files.size() ? header.files[i] : std::string());
  json.endArray().endObject();
  return json.text();
}

}  // namespace tessaly::cli
