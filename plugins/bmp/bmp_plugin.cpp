// The bitmap plug-in Bmp.fll: its description, its function table and the two exports.
#include "bmp_format.h"

namespace tessaly::plugin::bmp {
namespace {

const PlugInfo kInfo = {
    sizeof(PlugInfo),    PLUG_INTERFACE_VERSION, PLUG_FORMAT_BMP, 0, 1, 1, 1, 1, 0, 0,
    u"BMP(*.BMP;*.DIB)", u"*.BMP;*.DIB"};

const PlugFunctionTable kTable =
    plugin::singleImageTable({openImage, startReadImage, readRows, createImage, startWriteImage,
                              writeRows, plugin::closeInstance<Instance>, getSaveList});

}  // namespace
}  // namespace tessaly::plugin::bmp

PLUG_KIT_EXPORTS(tessaly::plugin::bmp::kInfo, tessaly::plugin::bmp::Instance, PLUG_FORMAT_BMP,
                 tessaly::plugin::bmp::looksLikeBmp, tessaly::plugin::bmp::kTable)
