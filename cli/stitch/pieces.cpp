#include "pieces.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

#include "QuiltexEngine.h"
#include "exit_codes.h"
#include "zanFileIO.h"

namespace tessaly::cli::stitch {

namespace {

Piece inspectOne(const PieceArgument& arg, int64_t maxPixels) {
  // The engine keeps every name in a buffer of QX_NAME_BUFFER bytes with its terminating zero.
  if (arg.path.size() >= QX_NAME_BUFFER) {
    throw Failure(ExitCode::UnsuitablePieces,
                  "the name of piece '" + arg.path + "' is longer than " +
                      std::to_string(QX_NAME_BUFFER - 1) +
                      " bytes; move it to a folder with a shorter path");
  }
  zanIOBGRInfo info{};
  info.size = sizeof info;
  int32_t error = 0;
  zanIOReader* reader = zanIOOpenBGR(arg.path.c_str(), &info, &error);
  if (reader == nullptr && error == ZANIO_ERR_TOO_LARGE) {
    throw Failure(ExitCode::UnsuitablePieces,
                  "piece '" + arg.path + "' claims " + std::to_string(info.width) + " x " +
                      std::to_string(info.height) + " pixels, more than the limit of " +
                      std::to_string(maxPixels) +
                      "; if the file is sound, raise the limit with --max-piece-pixels");
  }
  if (reader == nullptr) {
    struct stat st {};
    const bool missing = ::stat(arg.path.c_str(), &st) != 0;
    throw Failure(ExitCode::UnsuitablePieces,
                  "cannot open piece '" + arg.path + "': " +
                      (missing ? std::string(std::strerror(errno)) : zanIOErrorText(error)) +
                      "; check the name and that it is a picture file");
  }
  zanIOCloseBGR(reader);
  return describePiece(arg, info.formatId, info.width, info.height, info.xDpi, info.yDpi);
}

using FileId = std::optional<std::pair<dev_t, ino_t>>;

// The identity of a file: device and inode, so that two names of one file are caught.
FileId fileIdentity(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return std::make_pair(st.st_dev, st.st_ino);
}

std::vector<FileId> distinctPieceIds(const std::vector<PieceArgument>& pieces) {
  std::vector<FileId> ids;
  for (size_t i = 0; i < pieces.size(); ++i) {
    ids.push_back(fileIdentity(pieces[i].path));
    for (size_t j = 0; j < i; ++j) {
      if (ids[i] && ids[i] == ids[j]) {
        throw Failure(ExitCode::Usage, "piece '" + pieces[i].path + "' is the same file as '" +
                                           pieces[j].path + "'; name every piece once");
      }
    }
  }
  return ids;
}

void checkOutputAgainstPieces(const OutputFile& out, const std::vector<PieceArgument>& pieces,
                              const std::vector<FileId>& ids) {
  const FileId id = fileIdentity(out.path);
  for (size_t i = 0; id && i < pieces.size(); ++i) {
    if (id == ids[i]) {
      throw Failure(ExitCode::Usage, std::string("the ") + out.role + " '" + out.path +
                                         "' would overwrite piece '" + pieces[i].path +
                                         "'; choose another name");
    }
  }
}

// Outputs need not exist yet, so they are compared by their full paths.
void checkOutputsApart(const OutputFile& a, const OutputFile& b) {
  std::error_code errorA, errorB;
  const auto fullA = std::filesystem::weakly_canonical(a.path, errorA);
  const auto fullB = std::filesystem::weakly_canonical(b.path, errorB);
  if (errorA || errorB || fullA != fullB) return;
  throw Failure(ExitCode::Usage, std::string("the ") + a.role + " and the " + b.role +
                                     " are both '" + a.path + "'; give them different names");
}

}  // namespace

void checkDistinctFiles(const std::vector<PieceArgument>& pieces,
                        const std::vector<OutputFile>& outputs) {
  const std::vector<FileId> ids = distinctPieceIds(pieces);
  for (size_t k = 0; k < outputs.size(); ++k) {
    checkOutputAgainstPieces(outputs[k], pieces, ids);
    for (size_t j = 0; j < k; ++j) checkOutputsApart(outputs[k], outputs[j]);
  }
}

Piece describePiece(const PieceArgument& arg, int32_t formatId, int32_t width, int32_t height,
                    int32_t xDpi, int32_t yDpi) {
  Piece p;
  p.path = arg.path;
  p.rotation = arg.rotation;
  p.formatId = formatId;
  p.fileWidth = p.width = width;
  p.fileHeight = p.height = height;
  p.fileXDpi = xDpi;
  p.fileYDpi = yDpi;
  p.xDpi = xDpi < 1 ? kDefaultDpi : xDpi;
  p.yDpi = yDpi < 1 ? kDefaultDpi : yDpi;
  if (arg.rotation == 90 || arg.rotation == 270) {
    std::swap(p.width, p.height);
    std::swap(p.xDpi, p.yDpi);
  }
  return p;
}

std::vector<Piece> inspectPieces(const std::vector<PieceArgument>& args, int64_t maxPiecePixels) {
  // The loader keeps the limit for every later open too, the engine's loads included.
  zanIOSetPixelLimit(maxPiecePixels);
  std::vector<Piece> pieces;
  for (const PieceArgument& arg : args) pieces.push_back(inspectOne(arg, maxPiecePixels));
  return pieces;
}

}  // namespace tessaly::cli::stitch
