// The PNG plug-in Png.fll: its description, its function table, libpng's error handling and
// the two exports.
#include <cstdlib>

#include "png_format.h"

namespace tessaly::plugin::png {
namespace {

constexpr PlugInfo kInfo = plugin::readWriteInfo(PLUG_FORMAT_PNG, u"PNG(*.PNG)", u"*.PNG");

const PlugFunctionTable kTable =
    plugin::singleImageTable({openImage, startReadImage, readRows, createImage, startWriteImage,
                              writeRows, closeImage, plugin::saveListOf<kSaveList>});

}  // namespace

void onError(png_structp png, png_const_charp) {
  auto* in = static_cast<Instance*>(png_get_error_ptr(png));
  if (in->code == 0) in->code = PLUG_ERR_BAD_DATA;
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void raise(png_structp png, int32_t code) {
  static_cast<Instance*>(png_get_error_ptr(png))->code = code;
  png_error(png, "stopped");
  std::abort();  // png_error never returns
}

bool looksLikePng(PlugStream* s) {
  uint8_t b[8];
  return plugin::peek(s, b, 8) == 8 && png_sig_cmp(b, 0, 8) == 0;
}

void closeImage(PlugInstance* p) {
  Instance& in = of(p);
  if (in.png != nullptr) {
    if (in.writer)
      png_destroy_write_struct(&in.png, &in.info);
    else
      png_destroy_read_struct(&in.png, &in.info, nullptr);
  }
  plugin::deleteInstance(&in);
}

}  // namespace tessaly::plugin::png

PLUG_KIT_EXPORTS(tessaly::plugin::png::kInfo, tessaly::plugin::png::Instance, PLUG_FORMAT_PNG,
                 tessaly::plugin::png::looksLikePng, tessaly::plugin::png::kTable)
