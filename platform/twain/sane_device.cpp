#include "sane_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessaly::twain {
namespace {

OptionUnit unitOf(SANE_Unit unit) {
  switch (unit) {
    case SANE_UNIT_NONE:
      return OptionUnit::None;
    case SANE_UNIT_PIXEL:
      return OptionUnit::Pixel;
    case SANE_UNIT_MM:
      return OptionUnit::Millimetre;
    case SANE_UNIT_DPI:
      return OptionUnit::DotsPerInch;
    default:
      return OptionUnit::Other;
  }
}

// A number option's value and constraint in plain doubles.
NumberOption describeNumber(const SANE_Option_Descriptor& option, SANE_Word value) {
  const bool fixed = option.type == SANE_TYPE_FIXED;
  const auto plain = [fixed](SANE_Word word) {
    return fixed ? SANE_UNFIX(word) : static_cast<double>(word);
  };
  NumberOption number;
  number.value = plain(value);
  number.unit = unitOf(option.unit);
  if (option.constraint_type == SANE_CONSTRAINT_RANGE && option.constraint.range != nullptr) {
    const SANE_Range& range = *option.constraint.range;
    number.bounded = true;
    number.min = plain(range.min);
    number.max = plain(range.max);
    // An integer option moves in whole units even when its range names no step.
    number.step = range.quant != 0 ? plain(range.quant) : fixed ? 0 : 1;
  } else if (option.constraint_type == SANE_CONSTRAINT_WORD_LIST &&
             option.constraint.word_list != nullptr) {
    const SANE_Word* words = option.constraint.word_list;
    for (SANE_Word i = 1; i <= words[0]; ++i) number.list.push_back(plain(words[i]));
  }
  return number;
}

}  // namespace

SaneLibrary::SaneLibrary() {
  SANE_Int version = 0;
  ready_ = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
}

SaneLibrary::~SaneLibrary() {
  if (ready_) sane_exit();
}

std::vector<DeviceInfo> SaneLibrary::devices() const {
  std::vector<DeviceInfo> found;
  const SANE_Device** list = nullptr;
  if (!ready_ || sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr)
    return found;
  for (const SANE_Device** d = list; *d != nullptr; ++d) {
    const auto text = [](SANE_String_Const s) { return std::string(s != nullptr ? s : ""); };
    found.push_back(DeviceInfo{text((*d)->name), text((*d)->vendor), text((*d)->model)});
  }
  return found;
}

std::unique_ptr<SaneDevice> SaneDevice::open(const std::string& name) {
  SANE_Handle handle = nullptr;
  if (sane_open(name.c_str(), &handle) != SANE_STATUS_GOOD || handle == nullptr) return nullptr;
  return std::unique_ptr<SaneDevice>(new SaneDevice(handle));
}

SaneDevice::~SaneDevice() {
  sane_cancel(handle_);
  sane_close(handle_);
}

int SaneDevice::optionIndex(const char* name) const {
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, i);
    if (option == nullptr) return -1;
    if (option->name != nullptr && std::strcmp(option->name, name) == 0 &&
        SANE_OPTION_IS_ACTIVE(option->cap) && SANE_OPTION_IS_SETTABLE(option->cap))
      return i;
  }
}

const SANE_Option_Descriptor* SaneDevice::descriptor(const char* name, int& index) const {
  index = optionIndex(name);
  return index < 0 ? nullptr : sane_get_option_descriptor(handle_, index);
}

bool SaneDevice::setResolution(double dotsPerInch) {
  return setNumber(SANE_NAME_SCAN_RESOLUTION, dotsPerInch);
}

double SaneDevice::resolution() const {
  const std::optional<NumberOption> option = number(SANE_NAME_SCAN_RESOLUTION);
  return option ? option->value : 0;
}

bool SaneDevice::setMode(const std::string& mode) {
  return setText(SANE_NAME_SCAN_MODE, mode);
}

std::string SaneDevice::mode() const {
  return text(SANE_NAME_SCAN_MODE).value_or(std::string());
}

std::optional<NumberOption> SaneDevice::number(const char* name) const {
  int index = 0;
  const SANE_Option_Descriptor* option = descriptor(name, index);
  if (option == nullptr || (option->type != SANE_TYPE_INT && option->type != SANE_TYPE_FIXED) ||
      option->size < static_cast<SANE_Int>(sizeof(SANE_Word)))
    return std::nullopt;
  std::vector<SANE_Word> words(static_cast<size_t>(option->size) / sizeof(SANE_Word) + 1);
  if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, words.data(), nullptr) !=
      SANE_STATUS_GOOD)
    return std::nullopt;
  return describeNumber(*option, words.front());
}

bool SaneDevice::setNumber(const char* name, double value) {
  int index = 0;
  const SANE_Option_Descriptor* option = descriptor(name, index);
  if (option == nullptr || (option->type != SANE_TYPE_INT && option->type != SANE_TYPE_FIXED) ||
      option->size != static_cast<SANE_Int>(sizeof(SANE_Word)))
    return false;
  SANE_Word word = option->type == SANE_TYPE_FIXED ? SANE_FIX(value)
                                                   : static_cast<SANE_Word>(std::lround(value));
  return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, &word, nullptr) ==
         SANE_STATUS_GOOD;
}

std::optional<std::string> SaneDevice::text(const char* name) const {
  int index = 0;
  const SANE_Option_Descriptor* option = descriptor(name, index);
  if (option == nullptr || option->type != SANE_TYPE_STRING) return std::nullopt;
  std::string value(static_cast<size_t>(std::max<SANE_Int>(option->size, 1)), '\0');
  if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) !=
      SANE_STATUS_GOOD)
    return std::nullopt;
  value.back() = '\0';  // a device that fills the whole buffer still ends the text
  return std::string(value.c_str());
}

bool SaneDevice::setText(const char* name, const std::string& value) {
  int index = 0;
  const SANE_Option_Descriptor* option = descriptor(name, index);
  if (option == nullptr || option->type != SANE_TYPE_STRING) return false;
  // The device reads option->size bytes: a longer text would be cut without its end, so refuse it.
  if (value.size() + 1 > static_cast<size_t>(std::max<SANE_Int>(option->size, 0))) return false;
  std::string buffer = value;
  buffer.resize(static_cast<size_t>(option->size), '\0');
  return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, buffer.data(), nullptr) ==
         SANE_STATUS_GOOD;
}

bool SaneDevice::start(FrameShape& shape) {
  if (sane_start(handle_) != SANE_STATUS_GOOD) return false;
  SANE_Parameters p{};
  if (sane_get_parameters(handle_, &p) != SANE_STATUS_GOOD) return false;
  const bool singlePass = p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB;
  const bool knownDepth = p.depth == 1 || p.depth == 8 || p.depth == 16;
  if (!singlePass || !knownDepth || p.pixels_per_line <= 0 || p.bytes_per_line <= 0 ||
      (p.format == SANE_FRAME_RGB && p.depth == 1)) {
    sane_cancel(handle_);
    return false;
  }
  shape =
      FrameShape{p.format == SANE_FRAME_RGB, p.depth, p.pixels_per_line, p.lines, p.bytes_per_line};
  return true;
}

long SaneDevice::read(unsigned char* buffer, long size) {
  SANE_Int length = 0;
  const SANE_Int ask = static_cast<SANE_Int>(std::min<long>(size, 1 << 30));
  const SANE_Status status = sane_read(handle_, buffer, ask, &length);
  if (status == SANE_STATUS_EOF) return 0;
  if (status != SANE_STATUS_GOOD) return -1;
  return length;
}

void SaneDevice::cancel() {
  sane_cancel(handle_);
}

}  // namespace tessaly::twain
