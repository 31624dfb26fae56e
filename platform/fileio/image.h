// An open image: one plug-in instance driven through the reading or writing order, with the
// loader's checks in front of every step (rows never asked past the end, a writer counted
// complete only when every row went in).
#pragma once

#include <cstdint>

#include "plugin_interface.h"
#include "registry.h"

struct zanIOImage {
  const tessaly::fileio::Plugin* plugin = nullptr;
  PlugInstance* instance = nullptr;
  PlugStream* stream = nullptr;
  bool writing = false;
  int32_t error = 0;      // the last failure, 0 when none
  int32_t height = 0;     // rows of the image (writing: of the composite)
  int32_t rowsLeft = 0;   // rows still to read or write in the current part
  int32_t layerRows = 0;  // rows of the layer described by the last CreateLayer
  bool wantsComposite = true;
  bool writingLayer = false;  // the rows being written belong to a layer
  bool imageDone = false;     // every row of the single or composite image was written
  bool layerDone = false;     // a layer was written completely (layered writers)
};

namespace tessaly::fileio {

// The pixel limit of openImage (0: none); answers the one that was in force.
int64_t setPixelLimit(int64_t pixels);

zanIOImage* openImage(PlugStream* stream, int32_t formatId, ImageInfo* info, int32_t& error);
int32_t startRead(zanIOImage& image, LayerInfo* info, bool layer);
int32_t readRows(zanIOImage& image, int32_t rows, uint8_t* const* planes, int32_t stride);
void enumInfo(zanIOImage& image, PlugInfoCallback callback, void* user, bool layer);
int32_t nextLayer(zanIOImage& image);

zanIOImage* createImage(PlugStream* stream, int32_t formatId, const CreateRequest& request,
                        RowLayout* layout, int32_t& error);
int32_t addInfo(zanIOImage& image, int32_t tag, int32_t size, const void* data, bool layer);
int32_t createLayer(zanIOImage& image, const LayerInfo* info, RowLayout* layout);
int32_t startWrite(zanIOImage& image, bool layer);
int32_t writeRows(zanIOImage& image, int32_t rows, const uint8_t* const* planes, int32_t stride);

int32_t closeImage(zanIOImage* image);

}  // namespace tessaly::fileio
