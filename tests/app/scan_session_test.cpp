// The program's session with a source manager that misbehaves on purpose: a manager that throws,
// a source that will not be disabled, and sources whose transfers overrun, stall, end short or
// describe sizes no bitmap can hold. Whatever happens, the busy flag comes back and no image
// that was not received whole is handed on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <vector>

#include "twain_library.h"
#include "twain_session.h"

using namespace tessaly::app;

namespace {

// The fake manager's answers: one function sees every triplet.
using Handler = std::function<TW_UINT16(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF)>;
Handler handler;

TW_UINT16 fakeEntry(pTW_IDENTITY, pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat,
                    TW_UINT16 message, TW_MEMREF data) {
  return handler(destination, group, dat, message, data);
}

class FakeLibrary final : public ManagerLibrary {
 public:
  explicit FakeLibrary(int& loaded) : loaded_(loaded) {}
  DSMENTRYPROC load() override {
    loaded_ = 1;
    return fakeEntry;
  }
  void unload() override { loaded_ = 0; }

 private:
  int& loaded_;
};

// A well-behaved manager with one source "Flatbed" whose image the test describes; the test
// changes single answers by wrapping `answer`.
struct FakeSource {
  TW_IMAGEINFO info{};
  TW_UINT32 preferred = 0;
  TW_UINT32 rowBytes = 0;
  int rowsSent = 0;
  std::vector<TW_UINT16> events;
  std::vector<TW_UINT16> calls;  // the messages the source was sent, in order
  // Answers each block; wholeRows() when not set.
  std::function<TW_UINT16(TW_IMAGEMEMXFER&)> transfer;

  // Writes the next whole rows that fit the block, each byte the row's number.
  TW_UINT16 wholeRows(TW_IMAGEMEMXFER& block) {
    const TW_UINT32 rows =
        std::min<TW_UINT32>(block.Memory.Length / rowBytes, TW_UINT32(info.ImageLength - rowsSent));
    auto* out = static_cast<uint8_t*>(block.Memory.TheMem);
    for (TW_UINT32 r = 0; r < rows; ++r)
      std::memset(out + r * rowBytes, rowsSent + int(r), rowBytes);
    rowsSent += int(rows);
    block.BytesPerRow = rowBytes;
    block.BytesWritten = rows * rowBytes;
    return rowsSent == info.ImageLength ? TW_UINT16(TWRC_XFERDONE) : TW_UINT16(TWRC_SUCCESS);
  }

  TW_UINT16 answer(pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message,
                   TW_MEMREF data) {
    calls.push_back(message);
    if (destination == nullptr && dat == DAT_IDENTITY &&
        (message == MSG_GETFIRST || message == MSG_GETDEFAULT)) {
      std::strcpy(static_cast<TW_IDENTITY*>(data)->ProductName, "Flatbed");
      return TWRC_SUCCESS;
    }
    if (destination == nullptr && dat == DAT_IDENTITY && message == MSG_GETNEXT)
      return TWRC_ENDOFLIST;
    if (dat == DAT_EVENT) {
      if (events.empty()) return TWRC_NOTDSEVENT;
      static_cast<TW_EVENT*>(data)->TWMessage = events.front();
      events.erase(events.begin());
      return TWRC_DSEVENT;
    }
    if (dat == DAT_IMAGEINFO) {
      *static_cast<TW_IMAGEINFO*>(data) = info;
      return TWRC_SUCCESS;
    }
    if (dat == DAT_SETUPMEMXFER) {
      *static_cast<TW_SETUPMEMXFER*>(data) = TW_SETUPMEMXFER{rowBytes, 0, preferred};
      return TWRC_SUCCESS;
    }
    if (dat == DAT_IMAGEMEMXFER) {
      auto& block = *static_cast<TW_IMAGEMEMXFER*>(data);
      return transfer ? transfer(block) : wholeRows(block);
    }
    if (dat == DAT_PENDINGXFERS) {
      static_cast<TW_PENDINGXFERS*>(data)->Count = 0;
      return TWRC_SUCCESS;
    }
    if (dat == DAT_CAPABILITY && message == MSG_GETCURRENT) return TWRC_FAILURE;
    if (group == DG_IMAGE) return TWRC_FAILURE;  // no palette
    return TWRC_SUCCESS;
  }
};

class ScanSession : public testing::Test {
 protected:
  void SetUp() override {
    session_.reset();
    source_ = FakeSource{};
    busy_.clear();
    images_.clear();
    source_.info.ImageWidth = 5;
    source_.info.ImageLength = 7;
    source_.info.BitsPerPixel = 8;
    source_.info.PixelType = TWPT_GRAY;
    source_.rowBytes = 8;
    source_.preferred = 3 * 8;
    handler = [this](pTW_IDENTITY d, TW_UINT32 g, TW_UINT16 dat, TW_UINT16 m, TW_MEMREF p) {
      return source_.answer(d, g, dat, m, p);
    };
    session_ = std::make_unique<TwainSession>(std::make_unique<FakeLibrary>(loaded_), "Tests");
    session_->busyChanged = [this](bool busy) { busy_.push_back(busy); };
    session_->imageArrived = [this](std::unique_ptr<ScannedImage> image) {
      images_.push_back(std::move(image));
    };
  }
  void TearDown() override {
    session_.reset();
    handler = nullptr;
  }

  // Acquires and reports one transfer-ready event.
  void scanOnce() {
    ASSERT_EQ(session_->acquire("flatbed"), TwainSession::kStarted);
    source_.events = {MSG_XFERREADY};
    ASSERT_TRUE(session_->filterEvent());
  }

  void expectClosedAndIdle() {
    EXPECT_FALSE(session_->managerOpen());
    EXPECT_FALSE(session_->sourceOpen());
    EXPECT_EQ(loaded_, 0) << "the library is freed";
    ASSERT_FALSE(busy_.empty());
    EXPECT_FALSE(busy_.back()) << "the busy flag came back";
  }

  FakeSource source_;
  int loaded_ = 0;
  std::vector<bool> busy_;
  std::vector<std::unique_ptr<ScannedImage>> images_;
  std::unique_ptr<TwainSession> session_;
};

TEST_F(ScanSession, AnImageArrivesWholeInBlocksOfTheRoomLeftAndBottomRowFirst) {
  std::vector<TW_UINT32> lengths;
  source_.transfer = [&](TW_IMAGEMEMXFER& block) {
    lengths.push_back(block.Memory.Length);
    return source_.wholeRows(block);
  };
  scanOnce();
  ASSERT_EQ(images_.size(), 1u);
  ASSERT_TRUE(images_[0]);
  EXPECT_EQ(lengths, (std::vector<TW_UINT32>{24, 24, 8})) << "never more than what remains";
  const ScannedImage& image = *images_[0];
  EXPECT_EQ(image.header.sizeImage, 56u);
  EXPECT_EQ(image.bits[0], 6) << "the last row comes first";
  EXPECT_EQ(image.bits[55], 0);
  EXPECT_EQ(image.palette.size(), 256u);
  EXPECT_TRUE(session_->sourceEnabled()) << "the source stays enabled for the next piece";
}

TEST_F(ScanSession, BlocksThatOverrunStallEndShortOrChangeTheRowSizeDeliverNothing) {
  const std::vector<std::function<TW_UINT16(TW_IMAGEMEMXFER&)>> faults = {
      [](TW_IMAGEMEMXFER& b) {  // claims more than the room it was given
        b.BytesPerRow = 8;
        b.BytesWritten = b.Memory.Length + 8;
        return TW_UINT16(TWRC_SUCCESS);
      },
      [](TW_IMAGEMEMXFER& b) {  // rows of another size than the image's
        b.BytesPerRow = 6;
        b.BytesWritten = 6;
        return TW_UINT16(TWRC_SUCCESS);
      },
      [](TW_IMAGEMEMXFER& b) {  // no progress at all
        b.BytesPerRow = 8;
        b.BytesWritten = 0;
        return TW_UINT16(TWRC_SUCCESS);
      },
      [](TW_IMAGEMEMXFER& b) {  // done after one row of seven
        b.BytesPerRow = 8;
        b.BytesWritten = 8;
        return TW_UINT16(TWRC_XFERDONE);
      },
      [](TW_IMAGEMEMXFER&) { return TW_UINT16(TWRC_CANCEL); },
      [](TW_IMAGEMEMXFER&) { return TW_UINT16(TWRC_FAILURE); },
  };
  for (size_t i = 0; i < faults.size(); ++i) {
    SCOPED_TRACE(i);
    SetUp();
    source_.transfer = faults[i];
    scanOnce();
    ASSERT_EQ(images_.size(), 1u);
    EXPECT_FALSE(images_[0]) << "a failed transfer hands on null";
    EXPECT_EQ(source_.calls.back(), MSG_ENDXFER) << "and ends the transfer";
    TearDown();
  }
}

TEST_F(ScanSession, SizesNoBitmapCanHoldEndTheTransferBeforeAnyBlock) {
  for (const int32_t length : {-1, 0}) {
    SetUp();
    source_.info.ImageLength = length;
    bool asked = false;
    source_.transfer = [&](TW_IMAGEMEMXFER&) {
      asked = true;
      return TW_UINT16(TWRC_FAILURE);
    };
    scanOnce();
    EXPECT_FALSE(asked);
    EXPECT_TRUE(images_.empty());
    EXPECT_EQ(source_.calls.back(), MSG_ENDXFER);
    TearDown();
  }
  SetUp();
  source_.preferred = 0;  // one row per block
  scanOnce();
  ASSERT_EQ(images_.size(), 1u);
  EXPECT_TRUE(images_[0]);
}

TEST_F(ScanSession, ASourceThatWillNotBeDisabledStillGivesTheWindowBack) {
  scanOnce();
  auto normal = handler;
  handler = [normal](pTW_IDENTITY d, TW_UINT32 g, TW_UINT16 dat, TW_UINT16 m, TW_MEMREF p) {
    if (dat == DAT_USERINTERFACE && m == MSG_DISABLEDS) return TW_UINT16(TWRC_FAILURE);
    return normal(d, g, dat, m, p);
  };
  source_.events = {MSG_CLOSEDSREQ};
  bool broughtForward = false;
  session_->sessionClosed = [&] { broughtForward = true; };
  EXPECT_TRUE(session_->filterEvent());
  expectClosedAndIdle();
  EXPECT_FALSE(broughtForward);
  EXPECT_EQ(busy_, (std::vector<bool>{true, false}));
}

TEST_F(ScanSession, AManagerThatThrowsEndsTheSessionAndReportsAFailure) {
  auto normal = handler;
  handler = [normal](pTW_IDENTITY d, TW_UINT32 g, TW_UINT16 dat, TW_UINT16 m,
                     TW_MEMREF p) -> TW_UINT16 {
    if (dat == DAT_USERINTERFACE && m == MSG_ENABLEDS) throw std::runtime_error("broken source");
    return normal(d, g, dat, m, p);
  };
  EXPECT_EQ(session_->acquire("Flatbed"), TwainSession::kFailedQuietly);
  expectClosedAndIdle();
  // The session can start again afterwards.
  handler = normal;
  EXPECT_EQ(session_->acquire("Flatbed"), TwainSession::kStarted);
  EXPECT_TRUE(busy_.back());
}

TEST_F(ScanSession, AReceiverThatThrowsEndsTheSessionToo) {
  session_->imageArrived = [](std::unique_ptr<ScannedImage>) { throw std::bad_alloc(); };
  scanOnce();
  expectClosedAndIdle();
}

TEST_F(ScanSession, TheSourceClosingNormallyClosesEverythingAndBringsTheWindowForward) {
  scanOnce();
  source_.events = {MSG_CLOSEDSREQ};
  bool broughtForward = false;
  session_->sessionClosed = [&] { broughtForward = true; };
  EXPECT_TRUE(session_->filterEvent());
  expectClosedAndIdle();
  EXPECT_TRUE(broughtForward);
  EXPECT_FALSE(session_->filterEvent()) << "nothing is filtered once closed";
}

TEST_F(ScanSession, ListingOpensAndClosesTheManagerAroundIt) {
  const ScannerNames names = session_->listScanners();
  EXPECT_EQ(names.names, (std::vector<std::string>{"Flatbed"}));
  EXPECT_EQ(names.managerDefault, "Flatbed");
  expectClosedAndIdle();
}

TEST_F(ScanSession, ASourceThatCannotBeOpenedIsToldApart) {
  auto normal = handler;
  handler = [normal](pTW_IDENTITY d, TW_UINT32 g, TW_UINT16 dat, TW_UINT16 m, TW_MEMREF p) {
    if (dat == DAT_IDENTITY && m == MSG_OPENDS) return TW_UINT16(TWRC_FAILURE);
    return normal(d, g, dat, m, p);
  };
  EXPECT_EQ(session_->acquire("Flatbed"), TwainSession::kSourceNotOpened);
  expectClosedAndIdle();
}

}  // namespace
