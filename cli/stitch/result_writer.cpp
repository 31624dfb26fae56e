#include "result_writer.h"

#include "cancel.h"
#include "exit_codes.h"
#include "staged_file.h"
#include "zanFileIO.h"

namespace tessaly::cli::stitch {

void checkOutputFolder(const std::string& path, const char* role) {
  // Reserving a name is the honest test: it needs the folder to exist and take new files.
  StagedFile probe(path);
  if (!probe.ready()) {
    throw Failure(ExitCode::WriteFailed, "cannot write into folder '" + folderOf(path) +
                                             "' for the " + role + ": " + probe.error() +
                                             "; choose a folder you can write to");
  }
}

void writeResult(const std::string& path, int32_t formatId, const tagPixelArray& image,
                 int32_t dpi) {
  StagedFile staged(path);
  if (!staged.ready()) {
    throw Failure(ExitCode::WriteFailed, "cannot write the result '" + path + "': " +
                                             staged.error() + "; choose a folder you can write to");
  }
  const StagedForCancel noted(staged.temporaryPath());
  const int32_t code =
      zanIOWriteBGR(staged.temporaryPath().c_str(), formatId, image.bits, image.width, image.height,
                    image.bytesPerLine, dpi, dpi, nullptr);
  if (code != 0) {
    throw Failure(ExitCode::WriteFailed, "cannot write the result '" + path +
                                             "': " + zanIOErrorText(code) +
                                             "; check the free space and the format");
  }
  // A Ctrl-C that arrived while writing still keeps an older file of that name.
  if (cancelRequested()) throw Failure(ExitCode::Cancelled, "cancelled while writing the result");
  if (!staged.commit()) {
    throw Failure(ExitCode::WriteFailed,
                  "cannot put the result in place as '" + path + "': " + staged.error());
  }
}

}  // namespace tessaly::cli::stitch
