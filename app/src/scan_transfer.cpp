#include "scan_transfer.h"

#include <QApplication>
#include <cstdlib>
#include <new>

namespace tessaly::app {
namespace {

enum class Next { Stop, Continue };

// The wait cursor for as long as one image is transferred.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { restore(); }
  void restore() {
    if (shown_) QApplication::restoreOverrideCursor();
    shown_ = false;
  }

 private:
  bool shown_ = true;
};

// Ends the current transfer; whether more are pending.
bool endTransfer(const SourceCall& call) {
  TW_PENDINGXFERS pending{};
  if (call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS) return false;
  return pending.Count != 0;
}

// A one-value capability's current value, or nothing.
std::optional<TW_UINT32> currentValue(const SourceCall& call, TW_UINT16 cap) {
  TW_CAPABILITY capability{cap, TWON_ONEVALUE, nullptr};
  const TW_UINT16 code = call(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability);
  auto* value = static_cast<TW_ONEVALUE*>(capability.hContainer);
  std::optional<TW_UINT32> item;
  if (code == TWRC_SUCCESS && capability.ConType == TWON_ONEVALUE && value) item = value->Item;
  std::free(capability.hContainer);  // the source's container is the application's to free
  return item;
}

double fromFix32(TW_FIX32 value) {
  return value.Whole + value.Frac / 65536.0;
}

// The bitmap for the image with its header, resolution and palette; null without memory.
std::unique_ptr<ScannedImage> newImage(const SourceCall& call, const TW_IMAGEINFO& info,
                                       const TransferLayout& layout) {
  auto image = std::make_unique<ScannedImage>();
  try {
    image->bits.resize(layout.imageBytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  DibHeader& header = image->header;
  header.width = info.ImageWidth;
  header.height = info.ImageLength;
  header.bitCount = uint16_t(info.BitsPerPixel);
  header.sizeImage = layout.imageBytes;
  image->rowBytes = layout.rowBytes;
  image->rgb = info.PixelType == TWPT_RGB;
  const std::optional<TW_UINT32> units = currentValue(call, ICAP_UNITS);
  if (units) {
    header.xPelsPerMeter = pelsPerMeter(fromFix32(info.XResolution), TW_UINT16(*units));
    header.yPelsPerMeter = pelsPerMeter(fromFix32(info.YResolution), TW_UINT16(*units));
  }
  TW_UINT16 flavour = TWPF_CHOCOLATE;
  TW_PALETTE8 palette{};
  const TW_PALETTE8* sourcePalette = nullptr;
  if (info.PixelType == TWPT_BW) {
    flavour = TW_UINT16(currentValue(call, ICAP_PIXELFLAVOR).value_or(TWPF_CHOCOLATE));
  } else if (info.PixelType != TWPT_GRAY && info.PixelType != TWPT_RGB &&
             call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette) == TWRC_SUCCESS) {
    sourcePalette = &palette;
  }
  image->palette = paletteFor(info.PixelType, flavour, sourcePalette);
  header.clrUsed = uint32_t(image->palette.size());
  return image;
}

// Whether a block the source filled stays in the room it was given, in whole rows of the image's
// size.
bool blockValid(const TW_IMAGEMEMXFER& block, uint32_t room, const TransferLayout& layout) {
  return block.BytesWritten <= room && block.BytesPerRow == layout.rowBytes &&
         block.BytesWritten % layout.rowBytes == 0;
}

// Receives the image's rows; the code of the last block, TWRC_FAILURE for a block out of bounds
// or a transfer that ends short of the image. Each block arrives in a buffer of its own, small
// enough to stay in the processor's cache, and its rows go from there straight to their places
// in the bottom-up bitmap: the image is written once.
TW_UINT16 receiveRows(const SourceCall& call, ScannedImage& image, const TransferLayout& layout) {
  ImageBytes block(layout.blockBytes);
  uint32_t done = 0;
  for (;;) {
    const uint32_t room = std::min(layout.blockBytes, layout.imageBytes - done);
    if (room == 0) return TWRC_FAILURE;  // the source goes on past the image
    TW_IMAGEMEMXFER transfer{};
    transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, room, block.data()};
    const TW_UINT16 code = call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer);
    if (code != TWRC_SUCCESS && code != TWRC_XFERDONE) return code;
    if (!blockValid(transfer, room, layout)) return TWRC_FAILURE;
    placeRowsBottomUp(image, block.data(), done / layout.rowBytes,
                      transfer.BytesWritten / layout.rowBytes);
    done += transfer.BytesWritten;
    if (code == TWRC_XFERDONE) return done == layout.imageBytes ? code : TW_UINT16(TWRC_FAILURE);
    if (transfer.BytesWritten == 0) return TWRC_FAILURE;  // a source that makes no progress
  }
}

Next transferOne(const SourceCall& call, const ImageSink& deliver) {
  WaitCursor wait;
  TW_IMAGEINFO info{};
  if (call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) return Next::Stop;
  TW_SETUPMEMXFER setup{};
  if (call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS) {
    endTransfer(call);
    return Next::Stop;
  }
  const std::optional<TransferLayout> layout = transferLayout(info, setup.Preferred);
  std::unique_ptr<ScannedImage> image = layout ? newImage(call, info, *layout) : nullptr;
  // An image without a usable size or memory is skipped; the next one may do.
  if (!image) return endTransfer(call) ? Next::Continue : Next::Stop;
  if (call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS) {
    endTransfer(call);
    return Next::Stop;
  }
  const TW_UINT16 code = receiveRows(call, *image, *layout);
  if (code == TWRC_XFERDONE) {
    wait.restore();
    deliver(std::move(image));
    return endTransfer(call) ? Next::Continue : Next::Stop;
  }
  const bool pending = endTransfer(call);
  image.reset();
  wait.restore();
  deliver(nullptr);
  if (code == TWRC_CANCEL || code == TWRC_FAILURE) return Next::Stop;
  return pending ? Next::Continue : Next::Stop;
}

}  // namespace

void runMemoryTransfers(const SourceCall& call, const ImageSink& deliver) {
  while (transferOne(call, deliver) == Next::Continue) {
  }
}

}  // namespace tessaly::app
