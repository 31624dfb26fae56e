#include "histogram.h"

namespace tessaly::tools {

ChannelHistograms channelHistograms(zanHandle layer, ProgressMeter& meter) {
  const LayerGeometry g = readGeometry(layer);
  const bool colour = g.bitsPerPixel == 24;
  ChannelHistograms h;
  forEachSourceTile(layer, meter, [&](const BlockHeader& block) {
    const int32_t width = block.right - block.left;
    for (int32_t y = 0; y < block.bottom - block.top; ++y) {
      const unsigned char* p = block.data + int64_t{y} * block.stride;
      if (colour) {
        for (int32_t x = 0; x < width; ++x, p += 3) {
          ++h.blue[p[0]];
          ++h.green[p[1]];
          ++h.red[p[2]];
        }
      } else {
        for (int32_t x = 0; x < width; ++x) ++h.blue[p[x]];
      }
    }
  });
  return h;
}

}  // namespace tessaly::tools
