/* The engine's public headers are plain C: this file includes them, uses their types and calls
 * the library through them. */
#include <stdio.h>

#include "zanengin.h"

int main(void) {
  int32_t error = 1;
  zanHandle picture = zanCreatePicture(&error);
  zanHandle layer = zanCreateLayer(0, 0, 4, 2, &error);
  int32_t bpp = 0;
  unsigned char pixels[2][12] = {{0}};
  BlockHeader* block;
  if (picture == 0 || layer == 0 || error != ZAN_OK) return 1;
  if (zanGetLayerProperty(layer, ZAN_LAYER_BPP, &bpp, sizeof bpp, NULL) != 4 || bpp != 24) return 2;
  if (zanSetLayerBits(NULL, layer, 0, 0, 4, 2, 12, 0x0000FF) != ZAN_OK) return 3;
  zanGetLayerBits(pixels, layer, 0, 0, 4, 2, 12);
  if (pixels[1][11] != 0xFF || pixels[1][9] != 0) return 4; /* red is the third byte */
  block = zanLockBlock(layer, 0, 0, NULL);
  if (block == NULL || block->type != ZAN_BLOCK_PIXELS || block->right != 4) return 5;
  zanUnlockBlock(block, 0);
  if (zanCheckBaseObjectType(picture, ZAN_BASE_PICTURE) != 1) return 6;
  zanDestroyLayer(layer);
  zanDestroyPicture(picture);
  puts("ok");
  return 0;
}
