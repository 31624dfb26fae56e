// What an export writes: the writer's save-list entry that fits a picture, the writer's options
// made from the picture's save settings, and whether colours must be reduced first.
#pragma once

#include <cstdint>
#include <optional>

#include "zanFileIO.h"
#include "zanengin.h"

namespace tessaly::engine {

// The first entry of the writer's save list that holds pixels of that depth: 8 bits without a
// palette grey before indexed, with one indexed; 16 grey; 24 blue-green-red or planes of 8; 48
// blue-green-red or planes of 16. None for other depths or a writer that takes none of them.
std::optional<SaveListEntry> chooseSaveEntry(int32_t formatId, int32_t bitsPerPixel,
                                             bool hasPalette);

// The colour reduction an export asks for.
struct Reduction {
  bool wanted = false;
  int32_t bits = 8;
  int32_t paletteType = 0;
  int32_t ditherType = 0;
};

// The writer's options from the picture's generic properties (quality, option, bits, palette
// and dithering type) and whether its colours are reduced first.
struct ExportSettings {
  SaveOptions options{};
  Reduction reduction;
};
ExportSettings settingsFor(int32_t formatId, zanHandle picture);

}  // namespace tessaly::engine
