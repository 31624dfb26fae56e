/* The loader's public header is valid C and links against the library. */
#include "zanFileIO.h"

int main(void) {
  SaveListEntry entries[1];
  return zanIOGetSaveList(PLUG_FORMAT_JPEG, 1, entries) == ZANIO_ERR_NO_PLUGIN ? 0 : 1;
}
