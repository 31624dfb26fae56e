#include "sane_device.h"

#include <cmath>
#include <cstring>

namespace tessaly::twain {

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

bool SaneDevice::setResolution(double dotsPerInch) {
  const int index = optionIndex(SANE_NAME_SCAN_RESOLUTION);
  if (index < 0) return false;
  const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
  SANE_Word value = option->type == SANE_TYPE_FIXED
                        ? SANE_FIX(dotsPerInch)
                        : static_cast<SANE_Word>(std::lround(dotsPerInch));
  return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, &value, nullptr) ==
         SANE_STATUS_GOOD;
}

double SaneDevice::resolution() const {
  const int index = optionIndex(SANE_NAME_SCAN_RESOLUTION);
  if (index < 0) return 0;
  const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
  SANE_Word value = 0;
  if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, &value, nullptr) !=
      SANE_STATUS_GOOD)
    return 0;
  return option->type == SANE_TYPE_FIXED ? SANE_UNFIX(value) : value;
}

bool SaneDevice::setMode(const std::string& mode) {
  const int index = optionIndex(SANE_NAME_SCAN_MODE);
  if (index < 0) return false;
  const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
  std::string value = mode;
  value.resize(std::max<size_t>(value.size() + 1, static_cast<size_t>(option->size)), '\0');
  return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, value.data(), nullptr) ==
         SANE_STATUS_GOOD;
}

std::string SaneDevice::mode() const {
  const int index = optionIndex(SANE_NAME_SCAN_MODE);
  if (index < 0) return {};
  const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
  std::string value(static_cast<size_t>(std::max<SANE_Int>(option->size, 1)), '\0');
  if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) !=
      SANE_STATUS_GOOD)
    return {};
  return std::string(value.c_str());
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
