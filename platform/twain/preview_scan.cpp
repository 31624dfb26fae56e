#include "preview_scan.h"

#include "device_area.h"
#include "frame_reader.h"

namespace tessaly::twain {
namespace {

// Far more than a low-resolution bed needs; a device that ignores the resolution is not read.
constexpr uint64_t kLargestPreviewBytes = uint64_t{64} << 20;

// The preview's own settings: the user's file and mode, the whole bed, a low resolution.
ScanSettings previewSettings(const SaneDevice& device, const ScanSettings& settings) {
  ScanSettings preview;
  preview.file = settings.file;
  preview.mode = settings.mode;
  if (const std::optional<NumberOption> resolution = device.number(SANE_NAME_SCAN_RESOLUTION))
    preview.dotsPerInch = resolution->nearestAllowed(kPreviewDotsPerInch);
  if (const std::optional<Geometry> geometry = geometryOf(device)) preview.area = bedOf(*geometry);
  return preview;
}

PreviewResult readPreview(SaneDevice& device) {
  FrameReader reader;
  if (!reader.start(device)) return {std::nullopt, "The preview could not be started."};
  PreviewFrame frame{reader.shape(), reader.rowBytes(), {}};
  const uint64_t size = uint64_t{frame.rowBytes} * uint64_t(frame.shape.lines);
  if (size > kLargestPreviewBytes) return {std::nullopt, "The preview is too large."};
  frame.bytes.resize(static_cast<size_t>(size));
  const int32_t rows = reader.nextRows(frame.bytes.data(), frame.shape.lines);
  if (rows != frame.shape.lines) return {std::nullopt, "The preview failed or was cancelled."};
  reader.drain();
  return {std::move(frame), {}};
}

}  // namespace

PreviewResult scanPreview(SaneDevice& device, const ScanSettings& settings) {
  const ScanSettings before = currentSettings(device);
  const ScanSettings applied = applySettings(device, previewSettings(device, settings));
  PreviewResult result =
      settings.file && applied.file != settings.file
          ? PreviewResult{std::nullopt, "The scanner did not take the file name."}
          : readPreview(device);
  device.cancel();
  applySettings(device, before);
  return result;
}

}  // namespace tessaly::twain
