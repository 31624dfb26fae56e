// The source's window as a test meets it: enabled with its user interface, its controls found by
// object name, the source's events read as the program's loop reads them.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <stdexcept>
#include <string>

#include "twain_fixture.h"

namespace twain_test {

class ScanWindowTest : public TwainTest {
 public:
  // Enables the open source with its window; the window, or null when none is shown.
  QDialog* enableWithWindow();

  // The window's control of that name and type; throws when there is none, which fails the test.
  template <class Control>
  Control* control(const char* name) {
    Control* found = window_ != nullptr ? window_->findChild<Control*>(name) : nullptr;
    if (found == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return found;
  }

  // The next source event after the application's events ran: its return code and message.
  TW_UINT16 nextEvent(TW_UINT16& message);
  // The preview as it is drawn on the screen.
  QImage previewOnScreen();

  QPointer<QDialog> window_;  // gone once the source is disabled
};

}  // namespace twain_test
