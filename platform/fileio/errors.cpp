// zanIOErrorText: one sentence for every code a caller may get from the loader or a plug-in.
#include "zanFileIO.h"

extern "C" ZANIO_API const char* zanIOErrorText(int32_t code) {
  switch (code) {
    case ZANIO_OK:
      return "no error";
    case PLUG_ERR_TOOLKIT_MEMORY:
      return "the format library would not accept its memory limit";
    case PLUG_ERR_NO_MEMORY:
      return "there is not enough memory";
    case PLUG_ERR_BAD_DATA:
      return "the file is damaged or uses a variant of its format that is not supported";
    case PLUG_ERR_DECODE:
      return "the file's compressed data cannot be decoded";
    case PLUG_ERR_SHORT_WRITE:
      return "the file could not be written completely (is the disk full?)";
    case ZANIO_ERR_INCOMPLETE:
      return "the image was not written completely";
    case ZANIO_ERR_ARGUMENT:
      return "an argument is missing or out of range, or a call came out of order";
    case ZANIO_ERR_STREAM:
      return "the file could not be opened, created or put in place";
    case ZANIO_ERR_NO_PLUGIN:
      return "no file-format plug-in reads or writes this format";
    case ZANIO_ERR_LAYOUT:
      return "the format cannot store pictures of this kind";
    case ZANIO_ERR_NO_FOLDER:
      return "the plug-in folder cannot be read";
    case ZANIO_ERR_BUSY:
      return "images are still open";
    case ZANIO_ERR_TOO_LARGE:
      return "the image has more pixels than the limit allows (a damaged header or a very large "
             "picture)";
    default:
      return "the file could not be read or written";
  }
}
