/*
 * zanPltfm.h: the platform library zanPltfm in one include.
 *
 *   zanTypes.h  handles, heap identifiers, POINT and RECT (right and bottom exclusive)
 *   zanHeap.h   movable heap blocks with nested locks, memory helpers, HeapLock, HeapBlock
 *   zanRect.h   rectangle helpers
 *   zanRgn.h    regions (rectangle lists with subtract)
 *   zanStr.h    platform strings (UTF-16 heap blocks)
 *   zanFile.h   files with open mode words, zan::File
 *   zanError.h  _zanThrow and zan::Error
 *
 * The library exports only the zan... functions and _zanThrow. This header is valid C and C++.
 */
#ifndef ZAN_PLTFM_H
#define ZAN_PLTFM_H

#include "zanError.h"
#include "zanFile.h"
#include "zanHeap.h"
#include "zanRect.h"
#include "zanRgn.h"
#include "zanStr.h"
#include "zanTypes.h"

#endif /* ZAN_PLTFM_H */
