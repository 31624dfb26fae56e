// One Targa reader or writer: the state that GetPlugStruct allocates and CloseImage frees, and
// the pieces the reading and writing halves share.
//
// The instance and every buffer it owns are platform heap blocks that stay locked from the
// moment they are allocated until CloseImage, so the raw addresses kept here stay valid. Deep
// code fails by _zanThrow(code); each table operation runs its body through guarded(), which
// turns that into the 0 result and the code GetError returns.
#pragma once

#include <cstdint>

#include "plugin_interface.h"
#include "tga_format.h"
#include "zanError.h"
#include "zanHeap.h"

namespace tessaly::plugin::tga {

// A locked heap block that the instance owns.
struct Buffer {
  zanHandle handle;
  uint8_t* data;
  uint32_t size;
};

// Where the run-length decoder stopped inside a packet: packets may run on into the next row,
// and the next row may be asked for only in the next ReadRows call.
struct RleCarry {
  uint32_t pixelsOwed;  // pixels the current packet still has to give
  bool isRun;           // the packet repeats one value (else literal pixels follow)
  uint8_t runPixel[4];  // the repeated value of a run
};

// How the rows of an image are laid out in the file and handed to the caller.
struct Layout {
  int32_t width, height;
  int32_t fileBits;          // 8, 16, 24 or 32 (a 15-bit file counts as 16)
  int32_t filePixelBytes;    // fileBits / 8
  int32_t fileRowBytes;      // (width * fileBits + 7) / 8
  int32_t callerPixelBytes;  // bytes per pixel delivered to a reading caller: 1, 3 or 4
  bool runLength;
};

// What the writer makes: the kind of file and the palette of an indexed one.
enum class Kind : int32_t { Indexed, TrueColour, Grey };

struct Instance {
  PlugInstance base;  // the function table; must come first
  zanHandle self;
  PlugStream* stream;
  bool forWriting;
  bool broken;    // an earlier failure left the stream at an unknown place
  int32_t error;  // what GetError answers
  Layout layout;
  int32_t rowsDone;

  // Reading.
  bool opened;
  bool keepAlpha;
  ImageInfo info;  // as OpenImage hands it out
  Buffer input;    // stream bytes read ahead
  uint32_t inputPos, inputEnd;
  Buffer fileRow;  // one row as stored, before conversion
  RleCarry carry;

  // Writing.
  bool created, started;
  Kind kind;
  int32_t paletteCount;
  PlugPaletteEntry palette[kPaletteSlots];
  Buffer encoded;  // one run-length encoded row (at most three times the file row)
};

inline Instance& instanceOf(PlugInstance* p) {
  return *reinterpret_cast<Instance*>(p);
}

// Runs one table operation: a failure raised inside becomes the result 0, and its code stays in
// the instance for GetError. A failure also marks the instance broken: a reader or writer that
// may have lost its place in the stream refuses the rows that follow.
template <typename Body>
int32_t guarded(Instance& in, Body&& body) {
  try {
    return body();
  } catch (const zan::Error& e) {
    in.error = e.code();
  } catch (...) {
    in.error = PLUG_ERR_BAD_DATA;
  }
  in.broken = true;
  return 0;
}

// Allocates a locked buffer of size bytes into b (freeing what b held); raises out of memory.
void allocateBuffer(Buffer& b, uint32_t size);
// Unlocks and frees b; an empty buffer is left alone.
void freeBuffer(Buffer& b);

// Fills the reading and writing slots of the table.
void fillReadSlots(PlugFunctionTable& t);
void fillWriteSlots(PlugFunctionTable& t);

// The signature test: whether the stream, from where it stands, starts with a header this
// plug-in reads. The stream is left where it was.
bool probe(PlugStream* s);

}  // namespace tessaly::plugin::tga
