// What the file-format plug-ins offer: loading them, the format an output name asks for, and
// the names users see.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly::cli::stitch {

// Loads the plug-ins next to the program; throws Failure(Setup) when there are none.
void loadFormatPlugins();

// The format that writes files named like path (by extension), or 0 when none does.
int32_t writerFormatFor(const std::string& path);

// The writable extensions, for the message that refuses an unknown one: ".tif, .jpg, ...".
std::string writableExtensions();

// A short name of the format ("JPEG", "Targa"), from the plug-in's description.
std::string formatName(int32_t formatId);

}  // namespace tessaly::cli::stitch
