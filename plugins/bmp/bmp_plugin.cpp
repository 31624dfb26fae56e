// The bitmap plug-in Bmp.fll: its description, its function table and the two exports.
#include "bmp_format.h"

namespace bmp {
namespace {

const PlugInfo kInfo = {
    sizeof(PlugInfo),    PLUG_INTERFACE_VERSION, PLUG_FORMAT_BMP, 0, 1, 1, 1, 1, 0, 0,
    u"BMP(*.BMP;*.DIB)", u"*.BMP;*.DIB"};

const PlugFunctionTable kTable =
    plug::singleImageTable({openImage, startReadImage, readRows, createImage, startWriteImage,
                            writeRows, plug::closeInstance<Instance>, getSaveList});

}  // namespace
}  // namespace bmp

PLUG_KIT_EXPORTS(bmp::kInfo, bmp::Instance, PLUG_FORMAT_BMP, bmp::looksLikeBmp, bmp::kTable)
