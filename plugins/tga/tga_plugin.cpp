// The Targa plug-in Tga.fll: its description, its function table and the two exports.
#include "tga_format.h"

namespace tessaly::plugin::tga {
namespace {

constexpr PlugInfo kInfo = plugin::readWriteInfo(PLUG_FORMAT_TGA, u"Targa(*.TGA)", u"*.TGA");

// Until something more precise is known, a failure is one of the file's data: GetError answers
// the bad-data code from the start.
int32_t getError(PlugInstance* p) {
  const int32_t error = plugin::lastError(p);
  return error != 0 ? error : PLUG_ERR_BAD_DATA;
}

// Both halves of the table are filled whatever the direction, so a loader never meets a null
// slot that the plug-in's description promises; the other direction's operations refuse.
constexpr PlugFunctionTable kTable = {.OpenImage = openImage,
                                      .reserved1 = nullptr,
                                      .EnumImageInfo = plugin::enumNothing,
                                      .EnumLayerInfo = nullptr,
                                      .StartReadImage = startReadImage,
                                      .StartReadLayer = startReadImage,
                                      .ReadRows = readRows,
                                      .reserved7 = nullptr,
                                      .CreateImage = createImage,
                                      .CreateLayer = createLayer,
                                      .AddImageInfo = addInfo,
                                      .AddLayerInfo = addInfo,
                                      .StartWriteImage = startWriteImage,
                                      .StartWriteLayer = nullptr,
                                      .WriteRows = writeRows,
                                      .NextLayer = nullptr,
                                      .CloseImage = plugin::closeInstance<Instance>,
                                      .GetError = getError,
                                      .GetSaveList = plugin::saveListOf<kSaveList>};

}  // namespace
}  // namespace tessaly::plugin::tga

PLUG_KIT_EXPORTS(tessaly::plugin::tga::kInfo, tessaly::plugin::tga::Instance, PLUG_FORMAT_TGA,
                 tessaly::plugin::tga::probe, tessaly::plugin::tga::kTable)
