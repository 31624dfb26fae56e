/* The plug-in interface header is plain C, layout checks included: this file includes it and
 * uses its records and its copy helper. */
#include <stdio.h>

#include "plugin_interface.h"

int main(void) {
  ImageInfo own = {0};
  ImageInfo caller = {0};
  own.size = (int32_t)sizeof own;
  own.width = 640;
  caller.size = (int32_t)sizeof caller;
  if (plugCopyOut(&caller, &own, own.size) != (int32_t)sizeof own) return 1;
  if (caller.width != 640) return 2;
  puts("ok");
  return 0;
}
