#include "report.h"

#include <numbers>

#include "exit_codes.h"
#include "json_writer.h"
#include "staged_file.h"

namespace stitchcli {

namespace {

void writeRect(JsonWriter& json, const char* name, const std::optional<RECT>& rect) {
  json.key(name);
  if (!rect) {
    json.null();
    return;
  }
  json.beginObject()
      .key("left").value(rect->left)
      .key("top").value(rect->top)
      .key("right").value(rect->right)
      .key("bottom").value(rect->bottom)
      .endObject();
}

void writePieces(JsonWriter& json, const RunRecord& r) {
  json.key("pieces").beginArray();
  for (size_t i = 0; i < r.pieces.size(); ++i) {
    const Piece& p = r.pieces[i];
    json.beginObject()
        .key("path").value(p.path)
        .key("rotation").value(p.rotation)
        .key("width").value(p.width)
        .key("height").value(p.height)
        .key("xDpi").value(p.xDpi)
        .key("yDpi").value(p.yDpi)
        .key("fileWidth").value(p.fileWidth)
        .key("fileHeight").value(p.fileHeight)
        .key("fileHasResolution").value(p.fileXDpi > 0 && p.fileYDpi > 0);
    if (i < r.decodes.size()) json.key("decodes").value(r.decodes[i]);
    if (i < r.cacheReads.size()) json.key("cacheReads").value(r.cacheReads[i]);
    json.endObject();
  }
  json.endArray();
}

void writeArrangement(JsonWriter& json, const Arrangement& a) {
  json.beginObject().key("rows").value(a.rows).key("columns").value(a.columns);
  json.key("cells").beginArray();
  for (size_t cell = 0; cell < a.names.size(); ++cell) {
    json.beginObject()
        .key("path").value(a.names[cell])
        .key("quarterTurns").value(a.quarterTurns[cell])
        .endObject();
  }
  json.endArray().endObject();
}

void writeOrdering(JsonWriter& json, const RunRecord& r) {
  json.key("loadOrder").beginArray();
  for (const std::string& name : r.loadOrder) json.value(name);
  json.endArray();
  json.key("arrangement");
  if (r.candidates.empty()) json.null();
  else writeArrangement(json, r.candidates.front());
  json.key("candidates").beginArray();
  for (const Arrangement& a : r.candidates) writeArrangement(json, a);
  json.endArray();
}

void writeWarnings(JsonWriter& json, const RunRecord& r) {
  json.key("warnings").beginArray();
  for (const RunWarning& w : r.warnings) {
    json.beginObject()
        .key("code").value(int64_t{w.code})
        .key("step").value(w.step)
        .key("text").value(w.text)
        .endObject();
  }
  json.endArray();
}

void writeSkew(JsonWriter& json, const RunRecord& r) {
  json.key("skew");
  if (!r.skewRadians) {
    json.null();
    return;
  }
  json.beginObject()
      .key("radians").value(*r.skewRadians)
      .key("degrees").value(*r.skewRadians * 180.0 / std::numbers::pi)
      .endObject();
}

void writeResult(JsonWriter& json, const RunRecord& r) {
  json.key("result").beginObject().key("path").value(r.output).key("format").value(r.outputFormat);
  json.key("width").value(r.resultWidth).key("height").value(r.resultHeight);
  json.key("dpi").value(r.resultDpi).endObject();
}

void writeTimes(JsonWriter& json, const RunRecord& r) {
  json.key("seconds").beginObject();
  for (const StageTime& t : r.times) json.key(t.stage).value(t.seconds);
  json.key("total").value(r.totalSeconds).endObject();
}

}  // namespace

std::string reportJson(const RunRecord& r) {
  JsonWriter json;
  json.beginObject().key("status").value(r.status).key("exitCode").value(r.exitCode);
  json.key("error");
  if (r.error.empty()) json.null();
  else json.value(r.error);
  writeResult(json, r);
  json.key("style").value(r.style);
  json.key("outputSize").value(r.outputSize).key("outputLevel").value(r.outputLevel);
  writePieces(json, r);
  writeOrdering(json, r);
  writeWarnings(json, r);
  writeSkew(json, r);
  writeRect(json, "proposedCrop", r.proposedCrop);
  writeRect(json, "appliedCrop", r.appliedCrop);
  writeTimes(json, r);
  json.key("peakMemoryBytes").value(r.peakMemoryBytes);
  json.endObject();
  return json.text();
}

void writeReport(const std::string& path, const RunRecord& record) {
  const std::string error = writeTextFile(path, reportJson(record));
  if (!error.empty()) {
    throw Failure(ExitCode::WriteFailed, "cannot write the report '" + path + "': " + error +
                                             "; choose a folder you can write to");
  }
}

}  // namespace stitchcli
