// The composition tables.
#include "blend_tables.h"

namespace tessaly::engine {
namespace {

BlendTables buildTables() {
  BlendTables t{};
  for (uint32_t j = 0; j < 256; ++j) {
    for (uint32_t k = 0; k < 256; ++k) {
      t.keep[j][k] = static_cast<uint8_t>(((255 - j) * k + 127) / 255);
      t.take[j][k] = static_cast<uint8_t>((k * j + 127) / 255);
      t.unite[j][k] = static_cast<uint8_t>(k + j - (k * j + 127) / 255);
      t.ratio[j][k] = static_cast<uint16_t>(k == 0 ? 0 : j * 256 / k);
    }
  }
  return t;
}

// Built while the library loads, before any export can run.
const BlendTables kTables = buildTables();

}  // namespace

const BlendTables& blendTables() {
  return kTables;
}

}  // namespace tessaly::engine
