// The JPEG plug-in Jpeg.fll: its description, its function table, the library's error handling
// and the two exports.
#include "jpeg_format.h"

namespace tessaly::plugin::jpeg {
namespace {

constexpr PlugInfo kInfo =
    plugin::readWriteInfo(PLUG_FORMAT_JPEG, u"JPEG(*.JPG;*.JPEG;*.JPE)", u"*.JPG;*.JPEG;*.JPE");

const PlugFunctionTable kTable =
    plugin::singleImageTable({openImage, startReadImage, readRows, createImage, startWriteImage,
                              writeRows, closeImage, plugin::saveListOf<kSaveList>});

void errorExit(j_common_ptr c) {
  auto* errors = reinterpret_cast<ErrorManager*>(c->err);
  if (errors->code == 0) {
    const int message = c->err->msg_code;
    errors->code = message == JERR_OUT_OF_MEMORY || message == JERR_NO_BACKING_STORE
                       ? PLUG_ERR_NO_MEMORY
                       : PLUG_ERR_BAD_DATA;
  }
  std::longjmp(errors->escape, 1);
}

void staySilent(j_common_ptr) {}

// The warnings by which libjpeg says the scan data is damaged. It would go on and fill what it
// could not decode with grey; a damaged piece is refused instead.
bool isCorruptDataWarning(int message) {
  switch (message) {
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_JPEG_EOF:
      return true;
    default:
      return false;
  }
}

// Level -1 is a warning; the higher levels are trace messages, which stay silent.
void emitMessage(j_common_ptr c, int level) {
  if (level < 0 && isCorruptDataWarning(c->err->msg_code)) {
    reinterpret_cast<ErrorManager*>(c->err)->code = PLUG_ERR_BAD_DATA;
    c->err->error_exit(c);
  }
}

}  // namespace

void bindErrors(Instance& in, jpeg_common_struct& c) {
  c.err = jpeg_std_error(&in.errors.base);
  in.errors.base.error_exit = errorExit;
  in.errors.base.output_message = staySilent;
  in.errors.base.emit_message = emitMessage;
  in.errors.code = 0;
}

void raise(jpeg_common_struct& c, int32_t code, int messageCode) {
  reinterpret_cast<ErrorManager*>(c.err)->code = code;
  c.err->msg_code = messageCode;
  c.err->error_exit(&c);
  std::abort();  // error_exit never returns
}

bool looksLikeJpeg(PlugStream* s) {
  uint8_t b[3];
  return plugin::peek(s, b, 3) == 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF;
}

void closeImage(PlugInstance* p) {
  Instance& in = of(p);
  if (in.decoderMade) jpeg_destroy_decompress(&in.decoder);
  if (in.encoderMade) jpeg_destroy_compress(&in.encoder);
  plugin::deleteInstance(&in);
}

}  // namespace tessaly::plugin::jpeg

PLUG_KIT_EXPORTS(tessaly::plugin::jpeg::kInfo, tessaly::plugin::jpeg::Instance, PLUG_FORMAT_JPEG,
                 tessaly::plugin::jpeg::looksLikeJpeg, tessaly::plugin::jpeg::kTable)
