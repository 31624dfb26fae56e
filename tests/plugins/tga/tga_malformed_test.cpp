// Damaged and hostile files: each is refused cleanly, at the signature test, at OpenImage or at
// ReadRows, with the bad-data code, and nothing is read or written outside the buffers.
#include <algorithm>
#include <string>

#include "tga_test_support.h"

namespace tessaly::test {
namespace {

using TgaMalformed = TgaTest;

// How far a file got before the reader refused it.
enum class Stage { Probe, Open, Rows, Complete };

// Rows go through one scratch batch, so a header that claims a huge image costs no more memory
// than seven of its rows.
Stage readAsFarAsPossible(const Bytes& bytes, int32_t* error = nullptr) {
  constexpr int32_t kBatch = 7;
  Reader r(bytes);
  if (r.instance() == nullptr) return Stage::Probe;
  Stage stage = Stage::Complete;
  if (!r.open()) {
    stage = Stage::Open;
  } else {
    Bytes scratch(size_t(r.layer.rowBytes) * kBatch);
    for (int32_t row = 0; row < r.info.height && stage == Stage::Complete; row += kBatch) {
      const int32_t rows = std::min(kBatch, r.info.height - row);
      if (r.read(rows, scratch.data(), r.layer.rowBytes) != rows) stage = Stage::Rows;
    }
  }
  if (error) *error = r.error();
  return stage;
}

TEST_F(TgaMalformed, HeadersThatAreNoTargaFailTheSignatureTest) {
  const Bytes refused[] = {
      {},
      Bytes(17, 0),       // shorter than a header
      file({.type = 0}),  // no image
      file({.type = 4}),
      file({.type = 8}),
      file({.type = 12}),
      file({.type = 32}),
      file({.depth = 0}),
      file({.depth = 12}),
      file({.depth = 48}),
      file({.mapType = 1,
            .type = 1,
            .firstEntry = 256,
            .mapLength = 1,
            .entryBits = 24,
            .depth = 8}),
      file({.idLength = 10}, {Bytes(9, 0)}),  // the ID runs past the end
  };
  for (size_t i = 0; i < std::size(refused); ++i)
    EXPECT_EQ(readAsFarAsPossible(refused[i]), Stage::Probe) << "case " << i;
}

TEST_F(TgaMalformed, HeadersOutOfRangeAreRefusedByOpenImage) {
  const Bytes map24(3 * 200, 0);
  const Bytes refused[] = {
      file({.width = 0}, {Bytes(3, 0)}),
      file({.height = 0}, {Bytes(3, 0)}),
      // A colour map past the 256 palette slots: from 100, 200 entries.
      file({.mapType = 1,
            .type = 1,
            .firstEntry = 100,
            .mapLength = 200,
            .entryBits = 24,
            .depth = 8},
           {map24, {0}}),
      // Entries of a width that gives no colour.
      file({.mapType = 1, .type = 1, .mapLength = 2, .entryBits = 8, .depth = 8}, {{0, 0, 0}}),
      // A colour map cut short.
      file({.mapType = 1, .type = 9, .mapLength = 4, .entryBits = 24, .depth = 8}, {Bytes(5, 0)}),
      // Indices and grey values wider than 8 bits, which would pass for 16-bit colour.
      file({.mapType = 1, .type = 1, .mapLength = 1, .entryBits = 24, .depth = 16}, {Bytes(5, 0)}),
      file({.type = 3, .depth = 16}, {Bytes(2, 0)}),
      file({.type = 11, .depth = 32}, {Bytes(5, 0)}),
  };
  for (size_t i = 0; i < std::size(refused); ++i) {
    int32_t error = 0;
    EXPECT_EQ(readAsFarAsPossible(refused[i], &error), Stage::Open) << "case " << i;
    EXPECT_EQ(error, PLUG_ERR_BAD_DATA) << "case " << i;
  }
}

TEST_F(TgaMalformed, PixelDataThatEndsEarlyFailsReadRows) {
  const Bytes refused[] = {
      file({.width = 4, .height = 4}, {Bytes(47, 1)}),                         // one byte short
      file({.width = 0xFFFF, .height = 0xFFFF, .depth = 32}, {Bytes(64, 1)}),  // huge
      file({.type = 10, .width = 4, .height = 4}, {{0x7F, 1, 2, 3}}),          // literal overrun
      file({.type = 11, .width = 8, .depth = 8}, {{0x87}}),  // a run without value
      file({.type = 11, .width = 300, .height = 2, .depth = 8}, {{0x7F}, Bytes(127, 0)}),
  };
  for (size_t i = 0; i < std::size(refused); ++i) {
    int32_t error = 0;
    EXPECT_EQ(readAsFarAsPossible(refused[i], &error), Stage::Rows) << "case " << i;
    EXPECT_EQ(error, PLUG_ERR_BAD_DATA) << "case " << i;
  }
}

// A run-length packet that reaches past the last row is cut there: the image is complete and
// nothing is written beyond the caller's rows.
TEST_F(TgaMalformed, APacketPastTheLastRowIsCutAtTheImagesEnd) {
  Reader r(file({.type = 11, .width = 2, .height = 2, .depth = 8}, {{0xFF, 6}}));
  ASSERT_TRUE(r.open());
  Bytes rows(5, 0xEE);
  EXPECT_EQ(r.read(2, rows.data(), 2), 2);
  EXPECT_EQ(rows, (Bytes{6, 6, 6, 6, 0xEE}));
}

// Every prefix of good files: only the whole file reads completely; every shorter one stops at
// some stage with the bad-data code.
TEST_F(TgaMalformed, EveryTruncationFailsCleanly) {
  const Bytes goods[] = {
      file({.idLength = 3,
            .mapType = 1,
            .type = 9,
            .firstEntry = 2,
            .mapLength = 3,
            .entryBits = 15,
            .width = 5,
            .height = 3,
            .depth = 8},
           {{'i', 'd', '!'}, Bytes(6, 0x42), {0x84, 1, 0x04, 1, 2, 3, 4, 5, 0x84, 6}}),
      file({.type = 10, .width = 3, .height = 3, .depth = 16, .descriptor = 0x20},
           {{0x82, 1, 2, 0x05, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}),
  };
  for (const Bytes& good : goods) {
    ASSERT_EQ(readAsFarAsPossible(good), Stage::Complete);
    for (size_t size = 0; size < good.size(); ++size) {
      int32_t error = PLUG_ERR_BAD_DATA;
      const Stage stage = readAsFarAsPossible(Bytes(good.begin(), good.begin() + size), &error);
      EXPECT_NE(stage, Stage::Complete) << "size " << size;
      EXPECT_EQ(error, PLUG_ERR_BAD_DATA) << "size " << size;
    }
  }
}

// Every header byte set to each of a few extreme values: the reader may take or refuse the
// file, but never reads past its buffers (the sanitizer build watches) and never hangs.
TEST_F(TgaMalformed, CorruptedHeaderBytesNeverHurt) {
  const Bytes good = file({.mapType = 1,
                           .type = 9,
                           .firstEntry = 1,
                           .mapLength = 2,
                           .entryBits = 24,
                           .width = 3,
                           .height = 2,
                           .depth = 8},
                          {Bytes(6, 9), {0x85, 1}});
  for (size_t at = 0; at < 18; ++at) {
    for (const uint8_t value : {0x00, 0x01, 0x0F, 0x20, 0x7F, 0x80, 0xFF}) {
      Bytes bad = good;
      bad[at] = value;
      int32_t error = PLUG_ERR_BAD_DATA;
      readAsFarAsPossible(bad, &error);
      EXPECT_EQ(error, PLUG_ERR_BAD_DATA) << "byte " << at << " = " << int(value);
    }
  }
}

}  // namespace
}  // namespace tessaly::test
