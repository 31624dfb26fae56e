// The host application: the program's main window built from its main UI file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tessaly/host/object.h"

namespace tessaly::host {

// What the program tells the host at start (1080 bytes; text fields are zero-padded UTF-8).
struct StartupRecord {
  uint32_t size;  // 1080
  uint32_t instance;
  uint32_t reserved[2];
  char uiFolder[260];         // relative to the program folder: "UI"
  char mainUiFile[260];       // in the UI folder: "MainFrame.pui"
  char applicationId[260];    // names the program to the window system
  char applicationKind[260];  // kept for the record
  int32_t x, y, width, height;
  uint32_t largeIcon, smallIcon;
};
static_assert(sizeof(StartupRecord) == 1080);
static_assert(offsetof(StartupRecord, uiFolder) == 16);
static_assert(offsetof(StartupRecord, x) == 1056);

namespace appop {
constexpr int kShutDown = 1;
constexpr int kMainWindow = 4;
}  // namespace appop
namespace winop {
constexpr int kHandle = 2;  // the QWidget* of the window
constexpr int kUiRoot = 3;  // its UI root control
}  // namespace winop

}  // namespace tessaly::host

// The application with its (hidden) main window, or null when a QApplication is missing or
// the main UI file cannot be loaded (the reason then in Zan0LastError()).
ZAN_HOST_API ZanObject* CreateZanApp(const tessaly::host::StartupRecord* record);
ZAN_HOST_API intptr_t ZanAppInterface(ZanObject* app, int operation, intptr_t a, intptr_t b);
ZAN_HOST_API intptr_t ZanWinInterface(ZanObject* window, int operation, intptr_t a, intptr_t b);
// Why the last CreateZanApp or load failed.
ZAN_HOST_API const char* Zan0LastError();
