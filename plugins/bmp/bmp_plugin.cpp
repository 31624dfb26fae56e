// The bitmap plug-in Bmp.fll: its description, its function table and the two exports.
#include "bmp_format.h"

namespace bmp {
namespace {

const PlugInfo kInfo = {sizeof(PlugInfo), PLUG_INTERFACE_VERSION, PLUG_FORMAT_BMP, 0, 1, 1, 1, 1,
                        0, 0, u"BMP(*.BMP;*.DIB)", u"*.BMP;*.DIB"};

// Slots 3, 5 (as 4), 9, 11, 13 and 15 have nothing to do in a single-image format.
const PlugFunctionTable kTable = {
    openImage,          nullptr,       enumImageInfo,   nullptr,
    startReadImage,     startReadImage, readRows,       nullptr,
    createImage,        nullptr,       addImageInfo,    plug::acceptNothing,
    startWriteImage,    nullptr,       writeRows,       nullptr,
    plug::closeInstance<Instance>,     plug::lastError, getSaveList};

}  // namespace
}  // namespace bmp

extern "C" {

PLUG_EXPORT int32_t GetPlugInfo(PlugInfo* info) {
  plugCopyOut(info, &bmp::kInfo, sizeof bmp::kInfo);
  return 1;
}

PLUG_EXPORT PlugInstance* GetPlugStruct(PlugStream* stream, int32_t forWriting,
                                        int32_t formatId) {
  return plug::makeInstance<bmp::Instance>(stream, forWriting, formatId, PLUG_FORMAT_BMP,
                                           bmp::looksLikeBmp, bmp::kTable);
}

}  // extern "C"
