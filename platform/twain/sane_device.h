// SANE as the source manager uses it: the devices there are, and one open device set up,
// started and read frame by frame.
#pragma once

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "number_option.h"

namespace tessaly::twain {

struct DeviceInfo {
  std::string name;  // SANE's device name, unique on the machine
  std::string vendor;
  std::string model;
};

// SANE initialised for as long as the object lives (the manager's open time).
class SaneLibrary {
 public:
  SaneLibrary();
  ~SaneLibrary();
  SaneLibrary(const SaneLibrary&) = delete;
  SaneLibrary& operator=(const SaneLibrary&) = delete;
  bool ready() const { return ready_; }
  std::vector<DeviceInfo> devices() const;

 private:
  bool ready_ = false;
};

// What one frame will hold, from SANE's parameters.
struct FrameShape {
  bool colour = false;  // three samples per pixel, else one
  int32_t depth = 8;    // bits per sample: 1, 8 or 16
  int32_t width = 0;    // pixels per line
  int32_t lines = -1;   // -1 while unknown
  int32_t bytesPerLine = 0;
};

class SaneDevice {
 public:
  // The device opened, or null.
  static std::unique_ptr<SaneDevice> open(const std::string& name);
  ~SaneDevice();
  SaneDevice(const SaneDevice&) = delete;
  SaneDevice& operator=(const SaneDevice&) = delete;

  // Options by their well-known names; false when the device has no such option or refuses the
  // value. The resolution's option may be an integer or a fixed-point number: its descriptor says.
  bool setResolution(double dotsPerInch);
  double resolution() const;              // 0 when unknown
  bool setMode(const std::string& mode);  // "Color", "Gray", "Lineart"
  std::string mode() const;

  // Any active, settable option by name. Numbers may be integer or fixed-point options (their
  // first element for arrays); text options are strings.
  std::optional<NumberOption> number(const char* name) const;
  bool setNumber(const char* name, double value);
  std::optional<std::string> text(const char* name) const;
  bool setText(const char* name, const std::string& value);

  // Starts a frame and reads its shape; false for a failure or a frame this manager cannot pass
  // on (three-pass colour, a depth other than 1, 8 or 16).
  bool start(FrameShape& shape);
  // Up to size bytes of the frame: the count, 0 at its end, -1 on failure or cancel.
  long read(unsigned char* buffer, long size);
  void cancel();

 private:
  explicit SaneDevice(SANE_Handle handle) : handle_(handle) {}
  int optionIndex(const char* name) const;
  const SANE_Option_Descriptor* descriptor(const char* name, int& index) const;
  SANE_Handle handle_;
};

}  // namespace tessaly::twain
