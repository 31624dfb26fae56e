/* The engine's public header is plain C: this file includes it, uses its types and calls the
 * library through it. */
#include <stdio.h>

#include "QuiltexEngine.h"

static void progress(long position, bool* cancel, void* userData) {
  (void)position;
  (void)userData;
  *cancel = false;
}
static long load(char* const name, tagPixelArray** image, void* userData) {
  (void)name;
  (void)image;
  (void)userData;
  return QX_ERR_INPUT;
}
static void release(tagPixelArray** image, void* userData) {
  (void)image;
  (void)userData;
}

int main(void) {
  void* session = QXCreateStitch(QX_STYLE_ROW, 0, NULL, progress, load, release);
  if (session == NULL) return 1;
  if (QXCreateStitch(QX_STYLE_ROW, 0, NULL, NULL, load, release) != NULL) return 2;
  if (QXAutoAlign(NULL) != QX_ERR_SETUP) return 3;
  if (QXAutoAlign(session) != QX_ERR_SETUP) return 4; /* nothing loaded yet */
  QXReleaseStitch(session);
  QXReleaseStitch(NULL);
  puts("ok");
  return 0;
}
