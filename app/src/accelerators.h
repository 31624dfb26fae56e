// The main window's keyboard accelerators: keys that press a toolbar command. A key is taken
// only while its command's control is shown and enabled, so it never reaches a page in a state
// where the toolbar would not offer that command.
#pragma once

#include <QKeySequence>
#include <functional>
#include <span>

class QWidget;

namespace tessaly::app {

struct Accelerator {
  QKeySequence::StandardKey standard;  // QKeySequence::UnknownKey when `keys` is used
  const char* keys;                    // portable text ("Ctrl+L") or null
  const char* control;                 // the command's control in the main window
};

// The program's table.
std::span<const Accelerator> acceleratorTable();

// Installs the table on `window`. `allowed` is asked before each key (false while a control
// holds the pointer or a scan runs); the control is found by name in `window` each time.
void installAccelerators(QWidget* window, std::span<const Accelerator> table,
                         std::function<bool()> allowed);

}  // namespace tessaly::app
