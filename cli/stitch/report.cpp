#include "report.h"

#include <numbers>

#include "exit_codes.h"
#include "json_writer.h"
#include "staged_file.h"

namespace tessaly::cli::stitch {

namespace {

void writeRect(JsonWriter& json, const char* name, const std::optional<RECT>& rect) {
  json.key(name);
  if (!rect) {
    json.null();
    return;
  }
  json.beginObject()
      .member("left", rect->left)
      .member("top", rect->top)
      .member("right", rect->right)
      .member("bottom", rect->bottom)
      .endObject();
}

void writePieces(JsonWriter& json, const RunRecord& r) {
  json.key("pieces").beginArray();
  for (size_t i = 0; i < r.pieces.size(); ++i) {
    const Piece& p = r.pieces[i];
    json.beginObject()
        .member("path", p.path)
        .member("rotation", p.rotation)
        .member("width", p.width)
        .member("height", p.height)
        .member("xDpi", p.xDpi)
        .member("yDpi", p.yDpi)
        .member("fileWidth", p.fileWidth)
        .member("fileHeight", p.fileHeight)
        .member("fileHasResolution", p.fileXDpi > 0 && p.fileYDpi > 0);
    if (i < r.decodes.size()) json.member("decodes", r.decodes[i]);
    if (i < r.cacheReads.size()) json.member("cacheReads", r.cacheReads[i]);
    json.endObject();
  }
  json.endArray();
}

void writeArrangement(JsonWriter& json, const Arrangement& a) {
  json.beginObject().member("rows", a.rows).member("columns", a.columns);
  json.key("cells").beginArray();
  for (size_t cell = 0; cell < a.names.size(); ++cell) {
    json.beginObject()
        .member("path", a.names[cell])
        .member("quarterTurns", a.quarterTurns[cell])
        .endObject();
  }
  json.endArray().endObject();
}

void writeOrdering(JsonWriter& json, const RunRecord& r) {
  json.key("loadOrder").beginArray();
  for (const std::string& name : r.loadOrder) json.value(name);
  json.endArray();
  json.key("arrangement");
  if (r.candidates.empty())
    json.null();
  else
    writeArrangement(json, r.candidates.front());
  json.key("candidates").beginArray();
  for (const Arrangement& a : r.candidates) writeArrangement(json, a);
  json.endArray();
}

void writeLinks(JsonWriter& json, const RunRecord& r) {
  json.key("links");
  if (!r.links) {
    json.null();
    return;
  }
  json.beginObject()
      .member("support", r.links->support)
      .member("wellSupported", r.links->wellSupported);
  json.key("kept").beginArray();
  for (const KeptLink& k : r.links->kept) {
    json.beginObject()
        .member("a", k.a)
        .member("b", k.b)
        .member("quarterTurnsB", k.quarterTurnsB)
        .member("dx", k.dx)
        .member("dy", k.dy)
        .member("degrees", k.angleRadians * 180.0 / std::numbers::pi)
        .member("score", k.score)
        .member("finerScore", k.finerScore)
        .member("overlap", k.overlap)
        .member("distinctness", k.distinctness)
        .member("confirmed", k.confirmed)
        .endObject();
  }
  json.endArray().endObject();
}

void writeWarnings(JsonWriter& json, const RunRecord& r) {
  json.key("warnings").beginArray();
  for (const RunWarning& w : r.warnings) {
    json.beginObject()
        .member("code", int64_t{w.code})
        .member("step", w.step)
        .member("text", w.text)
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
      .member("radians", *r.skewRadians)
      .member("degrees", *r.skewRadians * 180.0 / std::numbers::pi)
      .endObject();
}

void writeResult(JsonWriter& json, const RunRecord& r) {
  json.key("result").beginObject().member("path", r.output).member("format", r.outputFormat);
  json.member("width", r.resultWidth).member("height", r.resultHeight);
  json.member("dpi", r.resultDpi).endObject();
}

void writeTimes(JsonWriter& json, const RunRecord& r) {
  json.key("seconds").beginObject();
  for (const StageTime& t : r.times) json.key(t.stage).value(t.seconds);
  json.member("total", r.totalSeconds).endObject();
}

}  // namespace

std::string reportJson(const RunRecord& r) {
  JsonWriter json;
  json.beginObject().member("status", r.status).member("exitCode", r.exitCode);
  json.key("error");
  if (r.error.empty())
    json.null();
  else
    json.value(r.error);
  writeResult(json, r);
  json.member("style", r.style).member("method", r.method);
  json.member("outputSize", r.outputSize).member("outputLevel", r.outputLevel);
  writePieces(json, r);
  writeOrdering(json, r);
  writeLinks(json, r);
  writeWarnings(json, r);
  writeSkew(json, r);
  writeRect(json, "proposedCrop", r.proposedCrop);
  writeRect(json, "appliedCrop", r.appliedCrop);
  writeTimes(json, r);
  json.member("peakMemoryBytes", r.peakMemoryBytes);
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

}  // namespace tessaly::cli::stitch
