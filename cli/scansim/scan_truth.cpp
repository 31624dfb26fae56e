#include "scan_truth.h"

#include "json_writer.h"
#include "scan_render.h"

namespace tessaly::cli {
namespace {

void writePiece(JsonWriter& json, const ScanPiece& piece, const std::string& file) {
  const bool sidesSwap = piece.turnDegrees == 90 || piece.turnDegrees == 270;
  json.beginObject()
      .member("file", file)
      .member("index", piece.index)
      .member("row", piece.row)
      .member("column", piece.column)
      .key("centre")
      .beginObject()
      .member("x", piece.centreX)
      .member("y", piece.centreY)
      .endObject()
      .member("angleDegrees", piece.angleDegrees)
      .member("width", piece.width)
      .member("height", piece.height)
      .member("fileWidth", sidesSwap ? piece.height : piece.width)
      .member("fileHeight", sidesSwap ? piece.width : piece.height)
      .member("turnDegrees", piece.turnDegrees)
      .member("uprightQuarterTurns", uprightQuarterTurns(piece.turnDegrees))
      .member("brightness", piece.brightness)
      .member("contrast", piece.contrast)
      .member("gamma", piece.gamma)
      .member("noise", piece.noise)
      .member("blur", piece.blur)
      .member("modified", piece.modified)
      .endObject();
}

}  // namespace

std::string truthJson(const ScanPlan& plan, const TruthHeader& header) {
  JsonWriter json;
  json.beginObject()
      .member("generator", "tessaly-scansim")
      .member("source", header.source)
      .member("seed", int64_t(header.seed))
      .key("page")
      .beginObject()
      .member("width", plan.pageWidth)
      .member("height", plan.pageHeight)
      .member("dpi", header.dpi)
      .endObject()
      .key("grid")
      .beginObject()
      .member("rows", plan.rows)
      .member("columns", plan.columns)
      .member("overlap", plan.overlap)
      .endObject()
      .member("placement",
              "piece point (u, v) of the upright piece shows page point centre + R(angle) * "
              "(u - (width - 1) / 2, v - (height - 1) / 2), R(a) = [cos a, -sin a; sin a, cos a], "
              "y down; a file turned by turnDegrees (clockwise) is made upright by "
              "uprightQuarterTurns counter-clockwise quarter turns")
      .key("pieces")
      .beginArray();
  for (size_t i = 0; i < plan.pieces.size(); ++i)
    writePiece(json, plan.pieces[i], i < header.files.size() ? header.files[i] : std::string());
  json.endArray().endObject();
  return json.text();
}

}  // namespace tessaly::cli
