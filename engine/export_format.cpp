#include "export_format.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "zanError.h"

namespace tessaly::engine {
namespace {

std::vector<SaveListEntry> saveListOf(int32_t formatId) {
  const int32_t count = zanIOGetSaveList(formatId, 0, nullptr);
  if (count <= 0 || count > 1024) return {};  // a writer's count is not trusted
  std::vector<SaveListEntry> list(static_cast<size_t>(count));
  const int32_t got = zanIOGetSaveList(formatId, count, list.data());
  list.resize(size_t(std::max(0, std::min(got, count))));
  return list;
}

std::optional<SaveListEntry> find(const std::vector<SaveListEntry>& list,
                                  std::initializer_list<SaveListEntry> wanted) {
  for (const SaveListEntry& w : wanted)
    for (const SaveListEntry& e : list)
      if (e.colorModel == w.colorModel && e.bits == w.bits) return e;
  return std::nullopt;
}

int32_t genericValue(zanHandle picture, int32_t id, int32_t fallback) {
  int32_t value = fallback;
  if (zanGetPictureProperty(picture, id, &value, sizeof value, nullptr) < int32_t(sizeof value))
    return fallback;
  return value;
}

// The reduction of the file it came from: an 8-bit source brings a 24-bit picture back to 8
// bits with a palette.
bool sourceWasEightBits(zanHandle picture) {
  char16_t name[ZANIO_NAME_UNITS] = {};
  if (zanGetPictureProperty(picture, ZAN_GEN_SOURCE_FILE, name, sizeof name, nullptr) <= 0)
    return false;
  name[ZANIO_NAME_UNITS - 1] = 0;
  ImageInfo info{};
  info.size = sizeof info;
  if (zanGetImageInfo(0, name, &info) != ZAN_OK) return false;
  return info.bits == 8 && (info.colorModel == PLUG_COLOR_INDEXED || info.hasPalette != 0);
}

}  // namespace

std::optional<SaveListEntry> chooseSaveEntry(int32_t formatId, int32_t bitsPerPixel,
                                             bool hasPalette) {
  const std::vector<SaveListEntry> list = saveListOf(formatId);
  switch (bitsPerPixel) {
    case 8:
      if (hasPalette) return find(list, {{PLUG_COLOR_INDEXED, 8}});
      return find(list, {{PLUG_COLOR_GREY, 8}, {PLUG_COLOR_INDEXED, 8}});
    case 16:
      return find(list, {{PLUG_COLOR_GREY, 16}});
    case 24:
      return find(list, {{PLUG_COLOR_BGR, 24}, {PLUG_COLOR_RGB_PLANES, 8}});
    case 48:
      return find(list, {{PLUG_COLOR_BGR, 48}, {PLUG_COLOR_RGB_PLANES, 16}});
    default:
      return std::nullopt;
  }
}

ExportSettings settingsFor(int32_t formatId, zanHandle picture) {
  const int32_t depth = genericValue(picture, ZAN_PICT_BPP, 24);
  const int32_t quality = genericValue(picture, ZAN_GEN_QUALITY, 90);
  const int32_t option = genericValue(picture, ZAN_GEN_OPTION, 0);
  ExportSettings s;
  s.options.size = sizeof s.options;
  int32_t bits = depth;
  switch (formatId) {
    case PLUG_FORMAT_JPEG:
    case PLUG_FORMAT_FPX:
      s.options.main = quality;
      break;
    case PLUG_FORMAT_BMP:
      bits = genericValue(picture, ZAN_GEN_BITS, depth);
      s.options.main = bits;
      s.options.second = option;
      break;
    case PLUG_FORMAT_TIFF:
      s.options.main = option != 0 ? 5 : 0;
      s.options.second = quality;
      break;
    case PLUG_FORMAT_GIF:
      // GIF holds at most 8 bits: without a setting a 24-bit picture is reduced to 256 colours.
      bits = genericValue(picture, ZAN_GEN_BITS, 8);
      s.options.main = genericValue(picture, ZAN_GEN_GIF_BITS, 0);
      break;
    case PLUG_FORMAT_TGA:
      s.options.main = depth;
      s.options.second = option;
      break;
    case PLUG_FORMAT_NLX:
      s.options.main = option != 0 ? quality : 100;
      break;
    default:
      break;
  }
  const bool reducible = formatId == PLUG_FORMAT_BMP || formatId == PLUG_FORMAT_GIF;
  s.reduction.paletteType = genericValue(picture, ZAN_GEN_PALETTE_TYPE, ZAN_PALETTE_ADAPTIVE);
  s.reduction.ditherType = genericValue(picture, ZAN_GEN_DITHER_TYPE, ZAN_DITHER_NONE);
  if (depth == 24 && reducible && bits >= 1 && bits <= 8) {
    s.reduction.wanted = true;
    s.reduction.bits = bits;
  } else if (depth == 24 && sourceWasEightBits(picture)) {
    s.reduction.wanted = true;
    s.reduction.bits = 8;
  }
  return s;
}

}  // namespace tessaly::engine
