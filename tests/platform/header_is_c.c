/* The platform library's public headers are plain C: this file includes them and calls the
 * library through them. The engine's header declares RECT and POINT under the same guard, so
 * both can be included together. */
#include <stdio.h>

#include "QuiltexEngine.h"
#include "zanPltfm.h"

int main(void) {
  RECT a = {0, 0, 4, 4};
  RECT b = {2, 2, 8, 8};
  RECT c;
  zanHandle region, text, block;
  if (zanRectIntersect(&c, &a, &b) != 1 || c.left != 2 || c.right != 4) return 1;
  region = zanRgnCreateRect(&a);
  if (region == 0 || zanRgnGetRects(region) != 1) return 2;
  zanRgnDelete(region);
  text = zanStrFromCStr("c");
  if (zanStrLen(text) != 1) return 3;
  zanHeapFree(0, text);
  block = zanHeapAlloc(0, 4, ZAN_HEAP_ZEROINIT);
  if (zanHeapLock(0, block, 0) == NULL) return 4;
  zanHeapUnlock(0, block, 0);
  zanHeapFree(0, block);
  puts("ok");
  return 0;
}
