#include "source_manager.h"

#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "device_area.h"
#include "scan_dialog.h"

namespace tessaly::twain {
namespace {

void copyName(TW_STR32& to, const std::string& from) {
  std::memset(to, 0, sizeof to);
  std::memcpy(to, from.data(), std::min(from.size(), sizeof to - 1));
}

// The preferred transfer block: about 256 KiB of whole rows, at least one row.
TW_UINT32 preferredBlock(TW_UINT32 row) {
  const TW_UINT32 rows = std::max<TW_UINT32>(1, (256u << 10) / row);
  return rows * row;
}

TW_FIX32 toFix32(double value) {
  const auto scaled = static_cast<int32_t>(value * 65536.0 + 0.5);
  return TW_FIX32{static_cast<TW_INT16>(scaled >> 16), static_cast<TW_UINT16>(scaled & 0xFFFF)};
}

double fromFix32(TW_UINT32 item) {
  TW_FIX32 f;
  std::memcpy(&f, &item, sizeof f);
  return f.Whole + f.Frac / 65536.0;
}

// A one-value container handed to the application, which frees it with free().
TW_UINT16 answerOneValue(TW_CAPABILITY* capability, TW_UINT16 type, TW_UINT32 item) {
  auto* value = static_cast<TW_ONEVALUE*>(std::malloc(sizeof(TW_ONEVALUE)));
  if (value == nullptr) return TWRC_FAILURE;
  *value = TW_ONEVALUE{type, item};
  capability->ConType = TWON_ONEVALUE;
  capability->hContainer = value;
  return TWRC_SUCCESS;
}

const char* modeOf(TW_UINT32 pixelType) {
  switch (pixelType) {
    case TWPT_BW:
      return "Lineart";
    case TWPT_GRAY:
      return "Gray";
    case TWPT_RGB:
      return "Color";
    default:
      return nullptr;
  }
}

TW_UINT32 pixelTypeOf(const std::string& mode) {
  if (strcasecmp(mode.c_str(), "Lineart") == 0 || strcasecmp(mode.c_str(), "Binary") == 0)
    return TWPT_BW;
  if (strcasecmp(mode.c_str(), "Color") == 0) return TWPT_RGB;
  return TWPT_GRAY;
}

}  // namespace

TW_IDENTITY identityOf(const DeviceInfo& device, TW_UINT32 id) {
  TW_IDENTITY identity{};
  identity.Id = id;
  identity.Version.MajorNum = 1;
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 8;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  copyName(identity.Manufacturer, device.vendor);
  copyName(identity.ProductFamily, device.model);
  copyName(identity.ProductName, device.name);
  return identity;
}

SourceManager& SourceManager::instance() {
  static SourceManager manager;
  return manager;
}

void SourceManager::reset() {
  dialog_.reset();
  events_.clear();
  device_.reset();
  state_ = SourceState::Closed;
  frameStarted_ = false;
  sane_.reset();
}

TW_UINT16 SourceManager::fail(TW_UINT16 condition) {
  condition_ = condition;
  return TWRC_FAILURE;
}

TW_UINT16 SourceManager::entry(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group,
                               TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
  if (origin == nullptr) return fail(TWCC_BADVALUE);
  if (destination == nullptr) return managerCall(dat, message, data);
  if (state_ == SourceState::Closed || destination->Id != source_.Id) return fail(TWCC_BADDEST);
  return sourceCall(group, dat, message, data);
}

TW_UINT16 SourceManager::managerCall(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
  if (dat == DAT_STATUS && message == MSG_GET && data != nullptr) {
    *static_cast<TW_STATUS*>(data) = TW_STATUS{condition_, 0};
    return TWRC_SUCCESS;
  }
  condition_ = TWCC_SUCCESS;
  if (dat == DAT_PARENT && message == MSG_OPENDSM) {
    if (sane_) return fail(TWCC_SEQERROR);
    auto sane = std::make_unique<SaneLibrary>();
    if (!sane->ready()) return fail(TWCC_BUMMER);
    sane_ = std::move(sane);
    parent_ = data != nullptr ? *static_cast<TW_HANDLE*>(data) : nullptr;
    return TWRC_SUCCESS;
  }
  if (!sane_) return fail(TWCC_SEQERROR);
  if (dat == DAT_PARENT && message == MSG_CLOSEDSM) {
    if (state_ != SourceState::Closed) return fail(TWCC_SEQERROR);
    sane_.reset();
    devices_.clear();
    return TWRC_SUCCESS;
  }
  if (dat == DAT_IDENTITY) return identityCall(message, static_cast<TW_IDENTITY*>(data));
  return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 SourceManager::identityCall(TW_UINT16 message, TW_IDENTITY* identity) {
  if (identity == nullptr) return fail(TWCC_BADVALUE);
  switch (message) {
    case MSG_GETFIRST:
      devices_ = sane_->devices();
      next_ = 0;
      [[fallthrough]];
    case MSG_GETNEXT:
      if (next_ >= devices_.size()) return TWRC_ENDOFLIST;
      *identity = identityOf(devices_[next_], static_cast<TW_UINT32>(next_ + 1));
      ++next_;
      return TWRC_SUCCESS;
    case MSG_GETDEFAULT:
      if (devices_.empty()) devices_ = sane_->devices();
      if (devices_.empty()) return fail(TWCC_NODS);
      *identity = identityOf(devices_.front(), 1);
      return TWRC_SUCCESS;
    case MSG_OPENDS:
      return openSource(identity);
    case MSG_CLOSEDS:
      return closeSource();
    default:
      return fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 SourceManager::openSource(TW_IDENTITY* identity) {
  if (state_ != SourceState::Closed) return fail(TWCC_SEQERROR);
  if (devices_.empty()) devices_ = sane_->devices();
  // By product name; an empty name asks for the default (the first device).
  const std::string wanted(identity->ProductName,
                           strnlen(identity->ProductName, sizeof identity->ProductName));
  size_t index = 0;
  while (!wanted.empty() && index < devices_.size() &&
         strcasecmp(devices_[index].name.substr(0, sizeof(TW_STR32) - 1).c_str(), wanted.c_str()) !=
             0)
    ++index;
  if (index >= devices_.size()) return fail(TWCC_NODS);
  device_ = SaneDevice::open(devices_[index].name);
  if (!device_) return fail(TWCC_OPERATIONERROR);
  source_ = identityOf(devices_[index], static_cast<TW_UINT32>(index + 1));
  *identity = source_;
  state_ = SourceState::Open;
  return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::closeSource() {
  if (state_ != SourceState::Open) return fail(TWCC_SEQERROR);
  device_.reset();
  state_ = SourceState::Closed;
  return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::sourceCall(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message,
                                    TW_MEMREF data) {
  if (dat == DAT_STATUS && message == MSG_GET && data != nullptr) {
    *static_cast<TW_STATUS*>(data) = TW_STATUS{condition_, 0};
    return TWRC_SUCCESS;
  }
  condition_ = TWCC_SUCCESS;
  if (data == nullptr) return fail(TWCC_BADVALUE);
  if (group == DG_CONTROL) {
    switch (dat) {
      case DAT_IDENTITY:
        return message == MSG_CLOSEDS ? closeSource() : fail(TWCC_BADPROTOCOL);
      case DAT_CAPABILITY:
        return capability(message, static_cast<TW_CAPABILITY*>(data));
      case DAT_USERINTERFACE:
        return userInterface(message, static_cast<const TW_USERINTERFACE*>(data));
      case DAT_EVENT:
        return message == MSG_PROCESSEVENT ? event(static_cast<TW_EVENT*>(data))
                                           : fail(TWCC_BADPROTOCOL);
      case DAT_SETUPMEMXFER:
        return message == MSG_GET ? setupTransfer(static_cast<TW_SETUPMEMXFER*>(data))
                                  : fail(TWCC_BADPROTOCOL);
      case DAT_PENDINGXFERS:
        return message == MSG_ENDXFER || message == MSG_RESET
                   ? endTransfer(static_cast<TW_PENDINGXFERS*>(data))
                   : fail(TWCC_BADPROTOCOL);
      default:
        return fail(TWCC_BADPROTOCOL);
    }
  }
  if (group == DG_IMAGE && dat == DAT_IMAGEINFO && message == MSG_GET)
    return imageInfo(static_cast<TW_IMAGEINFO*>(data));
  if (group == DG_IMAGE && dat == DAT_IMAGEMEMXFER && message == MSG_GET)
    return transfer(static_cast<TW_IMAGEMEMXFER*>(data));
  return fail(TWCC_BADPROTOCOL);  // palettes too: the frames here are grey, colour or bilevel
}

TW_UINT16 SourceManager::capability(TW_UINT16 message, TW_CAPABILITY* capability) {
  const TW_UINT16 cap = capability->Cap;
  if (message == MSG_SET) {
    const auto* value = static_cast<const TW_ONEVALUE*>(capability->hContainer);
    if (capability->ConType != TWON_ONEVALUE || value == nullptr) return fail(TWCC_BADVALUE);
    if (state_ != SourceState::Open) return fail(TWCC_SEQERROR);
    if (cap == ICAP_XFERMECH)
      return value->Item == TWSX_MEMORY ? TWRC_SUCCESS : fail(TWCC_BADVALUE);
    if (cap == ICAP_PIXELTYPE) {
      const char* mode = modeOf(value->Item);
      return mode != nullptr && device_->setMode(mode) ? TWRC_SUCCESS : fail(TWCC_BADVALUE);
    }
    if (cap == ICAP_XRESOLUTION || cap == ICAP_YRESOLUTION)
      return device_->setResolution(fromFix32(value->Item)) ? TWRC_SUCCESS : fail(TWCC_BADVALUE);
    return fail(TWCC_BADCAP);
  }
  if (message != MSG_GET && message != MSG_GETCURRENT) return fail(TWCC_BADPROTOCOL);
  switch (cap) {
    case ICAP_XFERMECH:
      return answerOneValue(capability, TWTY_UINT16, TWSX_MEMORY);
    case ICAP_UNITS:
      return answerOneValue(capability, TWTY_UINT16, TWUN_INCHES);
    case ICAP_PIXELFLAVOR:
      // SANE's bilevel frames mark black with 1: zero is the lightest shade.
      return answerOneValue(capability, TWTY_UINT16, TWPF_VANILLA);
    case ICAP_PIXELTYPE:
      return answerOneValue(capability, TWTY_UINT16, pixelTypeOf(device_->mode()));
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
      const TW_FIX32 fix = toFix32(device_->resolution());
      TW_UINT32 item = 0;
      std::memcpy(&item, &fix, sizeof fix);
      return answerOneValue(capability, TWTY_FIX32, item);
    }
    default:
      return fail(TWCC_BADCAP);
  }
}

TW_UINT16 SourceManager::userInterface(TW_UINT16 message, const TW_USERINTERFACE* ui) {
  if (message == MSG_ENABLEDS) {
    if (state_ != SourceState::Open) return fail(TWCC_SEQERROR);
    state_ = SourceState::Enabled;
    if (ui->ShowUI != 0) {
      const std::optional<Geometry> geometry = geometryOf(*device_);
      const DialogSetup setup{source_.ProductName, currentSettings(*device_),
                              geometry ? std::optional<AreaMm>(bedOf(*geometry)) : std::nullopt};
      dialog_ = ScanDialog::show(ui->hParent != nullptr ? ui->hParent : parent_, *this, setup);
    }
    // Without a window of its own the source scans at once.
    if (!dialog_) post(MSG_XFERREADY);
    return TWRC_SUCCESS;
  }
  if (message == MSG_DISABLEDS) {
    if (state_ == SourceState::Open || state_ == SourceState::Closed) return fail(TWCC_SEQERROR);
    if (frameStarted_) device_->cancel();
    frameStarted_ = false;
    dialog_.reset();
    events_.clear();
    state_ = SourceState::Open;
    return TWRC_SUCCESS;
  }
  return fail(TWCC_BADPROTOCOL);
}

void SourceManager::post(TW_UINT16 message) {
  events_.push_back(message);
  if (dialog_) dialog_->wakeParent();
}

std::optional<ScanSettings> SourceManager::requestScan(const ScanSettings& settings) {
  if (state_ != SourceState::Enabled || !device_) return std::nullopt;
  const ScanSettings applied = applySettings(*device_, settings);
  // A file the device did not take would leave it reading the previous one: no scan then.
  if (settings.file && applied.file != settings.file) return std::nullopt;
  post(MSG_XFERREADY);
  return applied;
}

PreviewResult SourceManager::requestPreview(const ScanSettings& settings) {
  // A frame that is ready or under way belongs to the application.
  if (state_ != SourceState::Enabled || !device_ || frameStarted_)
    return {std::nullopt, "The scanner is busy."};
  return scanPreview(*device_, settings);
}

void SourceManager::requestClose() {
  if (state_ != SourceState::Closed) post(MSG_CLOSEDSREQ);
}

TW_UINT16 SourceManager::event(TW_EVENT* event) {
  event->TWMessage = MSG_NULL;
  if (events_.empty()) return TWRC_NOTDSEVENT;
  event->TWMessage = events_.front();
  events_.pop_front();
  if (event->TWMessage == MSG_XFERREADY) state_ = SourceState::Ready;
  return TWRC_DSEVENT;
}

bool SourceManager::startFrame() {
  if (frameStarted_) return true;
  frameResolution_ = device_->resolution();
  if (!frame_.start(*device_)) return false;
  frameStarted_ = true;
  return true;
}

TW_UINT16 SourceManager::imageInfo(TW_IMAGEINFO* info) {
  if (state_ != SourceState::Ready) return fail(TWCC_SEQERROR);
  if (!startFrame()) return fail(TWCC_OPERATIONERROR);
  const FrameShape& shape = frame_.shape();
  *info = TW_IMAGEINFO{};
  info->XResolution = info->YResolution = toFix32(frameResolution_);
  info->ImageWidth = shape.width;
  info->ImageLength = shape.lines;
  info->SamplesPerPixel = shape.colour ? 3 : 1;
  for (int i = 0; i < info->SamplesPerPixel; ++i)
    info->BitsPerSample[i] = static_cast<TW_INT16>(shape.depth);
  info->BitsPerPixel = static_cast<TW_INT16>(frame_.bitsPerPixel());
  info->PixelType = shape.colour ? TWPT_RGB : shape.depth == 1 ? TWPT_BW : TWPT_GRAY;
  info->Compression = TWCP_NONE;
  return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::setupTransfer(TW_SETUPMEMXFER* setup) {
  if (state_ != SourceState::Ready && state_ != SourceState::Transferring)
    return fail(TWCC_SEQERROR);
  if (!startFrame()) return fail(TWCC_OPERATIONERROR);
  const TW_UINT32 row = frame_.rowBytes();
  *setup = TW_SETUPMEMXFER{row, 0xFFFFFFFFu, preferredBlock(row)};
  return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::transfer(TW_IMAGEMEMXFER* block) {
  if (state_ != SourceState::Ready && state_ != SourceState::Transferring)
    return fail(TWCC_SEQERROR);
  if (!startFrame()) return fail(TWCC_OPERATIONERROR);
  const TW_UINT32 row = frame_.rowBytes();
  // Whole rows only, never more than the block the application gave.
  if ((block->Memory.Flags & TWMF_POINTER) == 0 || block->Memory.TheMem == nullptr ||
      block->Memory.Length < row)
    return fail(TWCC_BADVALUE);
  state_ = SourceState::Transferring;
  auto* out = static_cast<unsigned char*>(block->Memory.TheMem);
  const TW_UINT32 fits = block->Memory.Length / row;
  const auto first = static_cast<TW_UINT32>(frame_.rowsDone());
  const int32_t rows =
      frame_.nextRows(out, static_cast<int32_t>(std::min<TW_UINT32>(fits, INT32_MAX)));
  if (rows < 0) {
    frameStarted_ = false;
    device_->cancel();
    return TWRC_CANCEL;
  }
  block->Compression = TWCP_NONE;
  block->BytesPerRow = row;
  block->Columns = static_cast<TW_UINT32>(frame_.shape().width);
  block->Rows = static_cast<TW_UINT32>(rows);
  block->XOffset = 0;
  block->YOffset = first;
  block->BytesWritten = static_cast<TW_UINT32>(rows) * row;
  if (!frame_.finished()) return TWRC_SUCCESS;
  frame_.drain();
  return TWRC_XFERDONE;
}

TW_UINT16 SourceManager::endTransfer(TW_PENDINGXFERS* pending) {
  if (state_ != SourceState::Ready && state_ != SourceState::Transferring)
    return fail(TWCC_SEQERROR);
  // One image per request; the frame ends here whether or not it was read through.
  device_->cancel();
  frameStarted_ = false;
  pending->Count = 0;
  pending->EOJ = 0;
  state_ = SourceState::Enabled;
  return TWRC_SUCCESS;
}

}  // namespace tessaly::twain
