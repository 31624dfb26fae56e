// The bitmap plug-in Bmp.fll: its description, its function table and the two exports.
#include "bmp_format.h"

namespace tessaly::plugin::bmp {
namespace {

constexpr PlugInfo kInfo =
    plugin::readWriteInfo(PLUG_FORMAT_BMP, u"BMP(*.BMP;*.DIB)", u"*.BMP;*.DIB");

const PlugFunctionTable kTable = plugin::singleImageTable(
    {openImage, startReadImage, readRows, createImage, startWriteImage, writeRows,
     plugin::closeInstance<Instance>, plugin::saveListOf<kSaveList>});

}  // namespace
}  // namespace tessaly::plugin::bmp

PLUG_KIT_EXPORTS(tessaly::plugin::bmp::kInfo, tessaly::plugin::bmp::Instance, PLUG_FORMAT_BMP,
                 tessaly::plugin::bmp::looksLikeBmp, tessaly::plugin::bmp::kTable)
