// Finding the file-format plug-in for a target name, and the stream names the import and export
// functions take.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly::engine {

// The format id of the first enabled plug-in that can write and whose extension list holds the
// extension of name (from its last '.', compared upper-cased); 0 when none does.
int32_t findWriterByExtension(const std::u16string& name);

// The stream name as a string: at most 260 units, cut at the first zero.
std::u16string streamName(const char16_t* streamPath);

// The same path in UTF-8, for the file system calls.
std::string utf8Path(const std::u16string& name);

}  // namespace tessaly::engine
