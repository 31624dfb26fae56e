// Pixel arrays handed to the engine. Either the record and its rows in one block of fresh
// memory, or a record whose rows are a private view of a stretch of a file; either way the whole
// goes back to the system when the engine hands the image back.
#pragma once

#include <sys/types.h>

#include <cstdint>

#include "QuiltexEngine.h"

namespace tessaly::stitch::client {

// The engine's row length for a 24-bit picture of this width: a multiple of 4 bytes.
int64_t rowBytesFor(int32_t width);

// A zero-filled width x height array, or null when the size is not positive, too large for the
// record's fields, or memory is short.
tagPixelArray* allocatePixelArray(int32_t width, int32_t height);

// A width x height array whose rows are the file's bytes from `offset` (a multiple of the page
// size), at rowBytesFor(width) per row, mapped rather than read: nothing is copied, and the
// pages stay the file system's until somebody writes to one, which then gets a private copy
// (the file never changes). Null when the size is refused as above or the mapping fails.
tagPixelArray* mapPixelArray(int fd, off_t offset, int32_t width, int32_t height);

// Frees an array made by allocatePixelArray or mapPixelArray; null does nothing.
void freePixelArray(tagPixelArray* image);

}  // namespace tessaly::stitch::client
