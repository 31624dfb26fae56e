#include "device_area.h"

#include <algorithm>

namespace tessaly::twain {
namespace {

// Corner units this manager can turn into millimetres.
bool usableUnit(const NumberOption& corner) {
  return corner.unit == OptionUnit::Millimetre || corner.unit == OptionUnit::Pixel;
}

// The range of one axis: the corner's own range, or from zero to where the far corner is now when
// the device states none.
NumberOption axisOf(const NumberOption& nearCorner, const NumberOption& farCorner) {
  NumberOption axis = farCorner;
  if (!axis.list.empty()) {
    axis.min = *std::min_element(axis.list.begin(), axis.list.end());
    axis.max = *std::max_element(axis.list.begin(), axis.list.end());
  } else if (!axis.bounded) {
    axis.bounded = true;
    axis.min = std::min(0.0, nearCorner.value);
    axis.max = farCorner.value;
    axis.step = 0;
  }
  return axis;
}

}  // namespace

std::optional<Geometry> geometryOf(const SaneDevice& device) {
  const auto left = device.number(SANE_NAME_SCAN_TL_X);
  const auto top = device.number(SANE_NAME_SCAN_TL_Y);
  const auto right = device.number(SANE_NAME_SCAN_BR_X);
  const auto bottom = device.number(SANE_NAME_SCAN_BR_Y);
  if (!left || !top || !right || !bottom) return std::nullopt;
  if (!usableUnit(*right) || left->unit != right->unit || top->unit != right->unit ||
      bottom->unit != right->unit)
    return std::nullopt;
  Geometry geometry;
  geometry.pixels = right->unit == OptionUnit::Pixel;
  geometry.dotsPerInch = device.resolution();
  geometry.x = axisOf(*left, *right);
  geometry.y = axisOf(*top, *bottom);
  if (geometry.x.max <= geometry.x.min || geometry.y.max <= geometry.y.min) return std::nullopt;
  return geometry;
}

std::optional<AreaMm> currentArea(const SaneDevice& device) {
  const std::optional<Geometry> geometry = geometryOf(device);
  if (!geometry) return std::nullopt;
  const Corners corners{
      device.number(SANE_NAME_SCAN_TL_X)->value, device.number(SANE_NAME_SCAN_TL_Y)->value,
      device.number(SANE_NAME_SCAN_BR_X)->value, device.number(SANE_NAME_SCAN_BR_Y)->value};
  return areaOf(corners, *geometry);
}

bool applyArea(SaneDevice& device, const AreaMm& area) {
  const std::optional<Geometry> geometry = geometryOf(device);
  if (!geometry) return false;
  const Corners corners = cornersFor(area, *geometry);
  // The top-left corner first would be refused by a device that keeps it before the bottom-right
  // one, so the bottom-right corner goes first when it grows and last when it shrinks.
  const bool growing = corners.right >= device.number(SANE_NAME_SCAN_BR_X)->value;
  bool ok = true;
  const auto setCorners = [&](bool topLeft) {
    if (topLeft) {
      ok = device.setNumber(SANE_NAME_SCAN_TL_X, corners.left) && ok;
      ok = device.setNumber(SANE_NAME_SCAN_TL_Y, corners.top) && ok;
    } else {
      ok = device.setNumber(SANE_NAME_SCAN_BR_X, corners.right) && ok;
      ok = device.setNumber(SANE_NAME_SCAN_BR_Y, corners.bottom) && ok;
    }
  };
  setCorners(!growing);
  setCorners(growing);
  return ok;
}

ScanSettings currentSettings(const SaneDevice& device) {
  ScanSettings settings;
  settings.dotsPerInch = device.resolution();
  settings.mode = device.mode();
  settings.area = currentArea(device);
  settings.file = device.text(kFileOption);
  return settings;
}

ScanSettings applySettings(SaneDevice& device, const ScanSettings& settings) {
  if (settings.file) device.setText(kFileOption, *settings.file);
  if (!settings.mode.empty()) device.setMode(settings.mode);
  if (settings.dotsPerInch > 0) device.setResolution(settings.dotsPerInch);
  if (settings.area) applyArea(device, *settings.area);
  return currentSettings(device);
}

}  // namespace tessaly::twain
