// What the program needs of the image engine's export: the format plug-ins loaded, the engine's
// file names and format numbers, and words for the engine's failure codes.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace tessaly::app {

// Loads the format plug-ins from the program's plug-in folder, once; plug-ins that someone
// loaded before (from any folder) are kept. True when at least one plug-in is loaded.
bool formatPlugInsLoaded();

// The engine's name for a file: its path as zero-terminated UTF-16 in 260 units. Nothing when
// the path does not fit.
std::optional<std::vector<char16_t>> engineFileName(const QString& path);

// The format number of the writer for a file extension (".tif", "JPG", ...; case does not
// matter) among those the program saves, or 0.
int32_t formatForExtension(const QString& extension);

// True when a loaded plug-in writes the format.
bool formatHasWriter(int32_t format);

// Why an export failed, in words, from the engine's code.
QString exportFailureText(int32_t code);

}  // namespace tessaly::app
