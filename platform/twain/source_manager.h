// The source manager: the TWAIN triplets the program sends, answered by one open SANE device at a
// time. Everything runs on the caller's (user interface) thread.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "frame_reader.h"
#include "preview_scan.h"
#include "sane_device.h"
#include "scan_settings.h"
#include "tessaly/twain/twain.h"

namespace tessaly::twain {

class ScanDialog;

// Where an open source is in its session.
enum class SourceState { Closed, Open, Enabled, Ready, Transferring };

class SourceManager {
 public:
  static SourceManager& instance();

  TW_UINT16 entry(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat,
                  TW_UINT16 message, TW_MEMREF data);
  // Ends every session after a failure nobody could answer: source closed, manager closed.
  void reset();

  // What the source's own window asks for: a scan with these settings (the settings the device
  // took are returned; none while the source is not waiting for a scan or when the device did not
  // take the file to read), a preview that reaches only the window, or the end of the session.
  std::optional<ScanSettings> requestScan(const ScanSettings& settings);
  PreviewResult requestPreview(const ScanSettings& settings);
  void requestClose();

  SourceState state() const { return state_; }

 private:
  TW_UINT16 managerCall(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data);
  TW_UINT16 identityCall(TW_UINT16 message, TW_IDENTITY* identity);
  TW_UINT16 sourceCall(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data);
  TW_UINT16 capability(TW_UINT16 message, TW_CAPABILITY* capability);
  TW_UINT16 userInterface(TW_UINT16 message, const TW_USERINTERFACE* ui);
  TW_UINT16 event(TW_EVENT* event);
  TW_UINT16 imageInfo(TW_IMAGEINFO* info);
  TW_UINT16 setupTransfer(TW_SETUPMEMXFER* setup);
  TW_UINT16 transfer(TW_IMAGEMEMXFER* block);
  TW_UINT16 endTransfer(TW_PENDINGXFERS* pending);
  TW_UINT16 openSource(TW_IDENTITY* identity);
  TW_UINT16 closeSource();
  bool startFrame();
  void post(TW_UINT16 message);
  TW_UINT16 fail(TW_UINT16 condition);

  std::unique_ptr<SaneLibrary> sane_;
  TW_HANDLE parent_ = nullptr;
  std::vector<DeviceInfo> devices_;
  size_t next_ = 0;  // the enumeration's position
  TW_IDENTITY source_{};
  std::unique_ptr<SaneDevice> device_;
  SourceState state_ = SourceState::Closed;
  std::unique_ptr<ScanDialog> dialog_;
  std::deque<TW_UINT16> events_;
  FrameReader frame_;
  bool frameStarted_ = false;
  double frameResolution_ = 0;  // read before the frame starts: a scanning device may not answer
  TW_UINT16 condition_ = TWCC_SUCCESS;
};

// The identity a device gets: its SANE name as the product name (unique on the machine), its
// vendor and model as manufacturer and family. Id is the device's place in the list plus 1.
TW_IDENTITY identityOf(const DeviceInfo& device, TW_UINT32 id);

}  // namespace tessaly::twain
