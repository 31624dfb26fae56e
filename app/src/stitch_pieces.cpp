#include "stitch_pieces.h"

#include <cstdlib>

#include "zanFileIO.h"

namespace tessaly::app {

namespace {

std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder && *folder ? folder : "/tmp";
}

void loadPlugIns() {
  // Loads the program's plug-in folder once; later calls find the modules already loaded.
  static const int32_t loaded = _zanIOLoadPlugsEx(nullptr);
  (void)loaded;
}

std::vector<stitch::client::PieceSource> sourcesOf(const std::vector<StitchEntry>& entries) {
  std::vector<stitch::client::PieceSource> sources;
  sources.reserve(entries.size());
  for (const StitchEntry& entry : entries) sources.push_back({entry.path, entry.rotation});
  return sources;
}

// Opens the cache before the loader is made; without a cache file every load decodes again:
// slower, never wrong.
stitch::client::PieceCache& opened(stitch::client::PieceCache& cache) {
  loadPlugIns();
  cache.open(temporaryFolder());
  return cache;
}

}  // namespace

long decodePicture(const std::string& path, tagPixelArray** image) {
  loadPlugIns();
  return stitch::client::decodePixelArray(path, image);
}

PieceFeeder::PieceFeeder(std::vector<StitchEntry> entries)
    : entries_(std::move(entries)), loader_(sourcesOf(entries_), opened(cache_)) {}

}  // namespace tessaly::app
