// The source manager as the program meets it: loaded by name, called through DSM_Entry, with
// SANE's test backend configured in a private folder.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "tessaly/twain/twain.h"

namespace twain_test {

// The settings of the test backend (its test.conf keys), e.g. {"mode", "Color"}.
using BackendSettings = std::map<std::string, std::string>;

class TwainTest : public testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  // Writes the private configuration; the manager reads it when it is opened. With fileDevices
  // SANE's pnm backend is enabled too: its devices "scan" the file their "filename" option names.
  void configure(const BackendSettings& settings, bool fileDevices = false);

  TW_UINT16 call(pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message,
                 TW_MEMREF data);
  TW_UINT16 manager(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    return call(nullptr, DG_CONTROL, dat, message, data);
  }
  TW_UINT16 source(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    return call(&source_, group, dat, message, data);
  }
  TW_UINT16 condition(bool ofSource);

  // Opens the manager and the source with this product name ("" for the default).
  void openSource(const std::string& name = "");
  // Sets a one-value capability.
  TW_UINT16 setCapability(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 item);
  // Enables the source without its window and takes the transfer-ready event.
  void enableAndWaitForTransfer();
  // Reads one image by buffered memory transfer in blocks of blockRows rows: its info and the
  // rows one after the other.
  struct Image {
    TW_IMAGEINFO info{};
    TW_UINT32 rowBytes = 0;
    std::vector<unsigned char> bytes;
    int blocks = 0;
  };
  Image transferImage(TW_UINT32 blockRows);
  // Disables and closes the source and closes the manager.
  void closeAll();

  TW_IDENTITY application_{};
  TW_IDENTITY source_{};

 private:
  void* library_ = nullptr;
  DSMENTRYPROC entry_ = nullptr;
};

}  // namespace twain_test
