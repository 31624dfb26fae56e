// A whole file as text, and text as a whole file: for tests that compare what programs wrote.
#pragma once

#include <string>

namespace tessaly::test {

// The file's bytes; empty when it cannot be read.
std::string readText(const std::string& path);

// Writes text as the whole file (made or truncated). Throws std::runtime_error on failure.
void writeText(const std::string& path, const std::string& text);

}  // namespace tessaly::test
