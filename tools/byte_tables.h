// Bytes through 256-entry tables, the inner loop of every tone operation. Processors with 512-bit
// byte permutes look up 64 bytes in a few instructions; elsewhere a portable loop does the work.
#pragma once

#include <cstdint>

#include "tone_tables.h"

namespace tessaly::tools {

// out[i] = table[in[i]] for count bytes.
void mapBytesThrough(unsigned char* out, const unsigned char* in, int64_t count,
                     const ToneTable& table);

// 24-bit pixels, each channel through its own table (bytes in blue, green, red order).
void mapPixelsThrough(unsigned char* out, const unsigned char* in, int64_t pixels,
                      const ToneTable& blue, const ToneTable& green, const ToneTable& red);

// The two ways separately, so tests can hold them against each other. The wide one returns false
// and does nothing on a processor without the permutes.
void mapBytesPortable(unsigned char* out, const unsigned char* in, int64_t count,
                      const ToneTable& table);
void mapPixelsPortable(unsigned char* out, const unsigned char* in, int64_t pixels,
                       const ToneTable& blue, const ToneTable& green, const ToneTable& red);
bool mapBytesWide(unsigned char* out, const unsigned char* in, int64_t count,
                  const ToneTable& table);
bool mapPixelsWide(unsigned char* out, const unsigned char* in, int64_t pixels,
                   const ToneTable& blue, const ToneTable& green, const ToneTable& red);

}  // namespace tessaly::tools
