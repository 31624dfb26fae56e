// The buffered memory transfers of the images a source has ready: each image's size and
// resolution asked, its bitmap allocated, its rows received block by block (never more than the
// room left) and put bottom row first into the bitmap, which is then handed on.
#pragma once

#include <functional>
#include <memory>

#include "scanned_image.h"
#include "tessaly/twain/twain.h"

namespace tessaly::app {

// A triplet sent to the open source.
using SourceCall =
    std::function<TW_UINT16(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data)>;
// Takes each finished image; null for a transfer that failed or was cancelled part-way.
using ImageSink = std::function<void(std::unique_ptr<ScannedImage>)>;

// Transfers images while the source reports more pending. A failed or cancelled transfer
// delivers null and ends the run; an image that cannot be allocated is skipped. Every block is
// checked: the source may write at most the room left, in rows of the size the image needs, and
// must deliver the whole image.
void runMemoryTransfers(const SourceCall& call, const ImageSink& deliver);

}  // namespace tessaly::app
