// Blocks: rectangles of pixel memory in the run heap, behind the public BlockHeader.
//
// A block is an engine object whose record ends with the BlockHeader callers see. Its pixel
// memory is a separate block of the run heap, locked while the block is locked (the header's data
// pointer is valid exactly then). A block whose pixels are all one value may have no memory at
// all: its fill value describes it, and memory is made only when somebody needs the bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "object.h"
#include "owned.h"
#include "zanEngDefs.h"

namespace tessaly::engine {

struct Block {
  HandleObject base;
  zanHandle owner;      // data layer whose tile table holds the block; 0 while in none
  zanHandle memory;     // pixel memory; 0 = none
  uint32_t memorySize;  // bytes of that memory
  int32_t fillValue;    // the value every pixel holds, or ZAN_NO_FILL when not known uniform
  zanHeap memoryHeap;   // the heap the memory came from
  // A caller's pixels the block shows without owning them (a wrapped bitmap): every lock points
  // the data at them again, and nothing frees them.
  unsigned char* externalData;
  BlockHeader header;  // types 3 to 7: ZAN_BLOCK_EXTRA_WORDS more words follow

  uint32_t* extraWords() {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(this) + sizeof(Block));
  }

  static const ObjectOps ops;
};
static_assert(std::is_trivially_copyable_v<Block> && std::is_standard_layout_v<Block>);

// The record size of a block of a type; 0 for a type outside 1 to 7.
uint32_t blockRecordSize(int32_t type);

// The block behind a header a caller holds, or null when it is not a locked engine block.
Block* blockOf(BlockHeader* header);

// A new block of the type, locked once, with dataSize bytes of zeroed memory (none for 0) and no
// fill value. Throws ZAN_ERR_ARG for a bad type, ZAN_ERR_CREATE when memory runs out.
Block* createBlock(uint32_t dataSize, int32_t type);

// Whether a lock should give a uniform block without memory memory holding its fill value.
enum class FillMemory { Leave, Make };

// Locks the block once more, with its pixel memory when it has some. With FillMemory::Make a
// uniform block without memory gets some (its data stays null when memory runs out).
// *memoryFailed (may be null) is set when the block has memory that would not lock.
Block* lockBlock(zanHandle handle, FillMemory mode, bool* memoryFailed = nullptr);

// Undoes one lock (see the unlock operation in block.cpp).
inline void unlockBlock(Block* block, bool modified) {
  unlockObject(&block->base, modified);
}

// Holds a block lock taken by lockBlock or createBlock until it goes.
using BlockLock = Locked<Block>;

// Frees the block and its memory; the caller's lock goes with it.
inline void destroyBlock(Block* block) {
  destroyRecord(block);
}

// A block made by createBlock or cloneBlock, destroyed unless released.
using OwnedBlock = OwnedRecord<Block>;

// A new block, locked once and in no table, with the same type, fill value, header fields and
// extra words and a copy of the pixel memory. Throws when memory runs out or the source's memory
// is not locked.
Block* cloneBlock(Block& source);

// Gives a block without memory memory for its rectangle, stride by the pixel-format rule unless
// the header's is already large enough, filled with value, and locks it. With ZAN_NO_FILL the
// memory is zeroed, unless cleared is false (the caller overwrites every pixel). Throws
// ZAN_ERR_CREATE and changes nothing when it cannot.
void giveMemory(Block& block, int32_t value, bool cleared = true);

// Unlocks and frees the block's memory and clears the data pointer.
void dropMemory(Block& block);

// The rectangle the block's pixels stand for, in its data layer's coordinates.
inline RECT blockRect(const Block& block) {
  return RECT{block.header.left, block.header.top, block.header.right, block.header.bottom};
}

// True when the locked memory holds every row of the block's rectangle at its stride.
bool pixelsFit(const Block& block);

}  // namespace tessaly::engine
