// Composition: blending layers bottom to top into a target layer, with each layer's opacity and
// mask, at a scale that may draw from a reduced copy of the layer.
//
// The target's rectangle and the area are in the scaled space (picture coordinates times
// numerator / denominator). A layer at (left, top, width x height) covers the scaled rectangle
// left' = floor(s x left), top' = floor(s x top), right' = left' + ceil(s x width),
// bottom' = top' + ceil(s x height). Parts of a layer whose tiles have no block are transparent.
#pragma once

#include <cstdint>
#include <vector>

#include "blend_row.h"
#include "layer.h"
#include "picture.h"

namespace tessaly::engine {

struct ComposeSource {
  zanHandle layer;
  bool opaque = false;  // blend at opacity 255 whatever the layer's own (resampling keeps it)
};

struct ComposeScale {
  int32_t numerator = 1;
  int32_t denominator = 1;
  bool isOne() const { return numerator == denominator; }
};

// The layers of the picture, from firstIndex up, that take part: without a visibility list
// those whose visible flag is set; with one, those whose entry is 1, or non-zero while their own
// flag is set.
std::vector<ComposeSource> participants(const Picture& picture, const int32_t* visibility,
                                        uint32_t visibilityCount, int32_t firstIndex);

// The layer's rectangle in the scaled space.
RECT scaledRect(const RECT& rect, const ComposeScale& scale);

// Blends every source into the target over area (clipped to the target), bottom first. The
// target's mask layer, when it has one, receives the united coverage. Layers whose depth does not
// compose onto the target's are left out. Throws on failure; the target may then be half done.
void composeLayers(Layer& target, const std::vector<ComposeSource>& sources, const RECT& area,
                   const ComposeScale& scale);

// How the source blends: its depth, its opacity (255 when opaque) and, for 8 bits, its palette
// (4-byte entries).
BlendSource blendSourceOf(const Layer& source, bool opaque, const unsigned char* palette,
                          uint32_t entries);

// The layer itself for level 0, else its reduced copy of that level (the layer halved level
// times), made or brought up to date here (reduced_build.cpp). With need (coordinates of the
// picture halved level times) only the tiles of each copy that the part needs are brought up to
// date: a view of a small part of a large picture does not wait for the whole copy.
zanHandle reducedLevel(Layer& layer, int level, const RECT* need = nullptr);
// The rectangle of the layer's reduced copy of a level: the layer's halved level times.
RECT reducedRect(const RECT& rect, int level);

// One source layer at 1 / 1 and at any other scale (compose_direct.cpp, compose_scaled.cpp).
// part is in the target's layer coordinates and lies in one of its tiles.
struct TargetTile;
void blendDirect(TargetTile& tile, Layer& source, bool opaque);
// Whether blending the source at 1 / 1 writes every pixel of part (target layer coordinates):
// fully opaque, no masks on either side, and blocks with pixels under all of it.
bool overwritesAll(const Layer& target, Layer& source, bool opaque, const RECT& part);
void blendScaled(TargetTile& tile, Layer& source, bool opaque, const ComposeScale& scale);
// A layer drawn through its outline and, when its pixels are untransformed, its matrix
// (compose_transformed.cpp), at any scale.
struct TransformedLook;
void blendTransformed(TargetTile& tile, Layer& source, bool opaque, const ComposeScale& scale,
                      const TransformedLook& look);

}  // namespace tessaly::engine
