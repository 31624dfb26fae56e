// One SANE frame read row by row, each row padded to a multiple of 4 bytes as the application's
// bitmap rows are. A frame whose length SANE does not know in advance is read whole first, so
// that its length can be reported before the transfer.
#pragma once

#include <cstdint>
#include <vector>

#include "sane_device.h"

namespace tessaly::twain {

class FrameReader {
 public:
  // Starts a frame on the device; false when it cannot be scanned or passed on.
  bool start(SaneDevice& device);

  const FrameShape& shape() const { return shape_; }
  int32_t bitsPerPixel() const { return shape_.depth * (shape_.colour ? 3 : 1); }
  // Bytes of one padded row; 0 when the size does not fit 32 bits.
  uint32_t rowBytes() const;
  int32_t rowsDone() const { return rowsDone_; }
  bool finished() const { return rowsDone_ >= shape_.lines; }

  // Writes up to `wanted` next rows (rowBytes() bytes each) to out, read from the device in one
  // go: the count written, or -1 when the device fails or cancels.
  int32_t nextRows(unsigned char* out, int32_t wanted);
  // After the last row: reads on until the device reports the frame's end, so that a device
  // with a reader of its own has let it finish before the frame is cancelled (cancelling a
  // reader part-way can leave it hanging). Gives up after a little surplus data.
  void drain();

 private:
  bool readLines(unsigned char* out, size_t bytes);

  SaneDevice* device_ = nullptr;
  FrameShape shape_;
  int32_t rowsDone_ = 0;
  std::vector<unsigned char> whole_;  // the frame read in advance, when its length was unknown
  size_t wholeAt_ = 0;
};

}  // namespace tessaly::twain
