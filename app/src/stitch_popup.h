// The choice of how to stitch ("StitchAction.pui"): a small panel that unrolls under the Stitch
// button while the pointer is on it (for an even number of pieces, at least four), with "one
// row" ("chck") and "grid" ("chck1") and the explanation button. A choice, or Enter, starts the
// stitch; the panel rolls up when the pointer is on neither the panel nor the button, and
// closes when the program loses activation.
#pragma once

#include <QPointer>
#include <functional>

#include "skinned_dialog.h"

namespace tessaly::app {

class StitchActionPopup : public SkinnedDialog {
  Q_OBJECT
 public:
  // `rowChosen` checks "chck" (else "chck1") at start.
  StitchActionPopup(QWidget* owner, QWidget* button, QString caption, bool rowChosen);

  // A choice: 0 one row, 1 grid. Called after the panel closed.
  std::function<void(int style)> chosen;
  // Enter: the Stitch button's own action. Called after the panel closed.
  std::function<void()> stitchByKey;
  // The explanation button. Called after the panel closed.
  std::function<void()> explain;

  // Builds the panel under the button and unrolls it (3 pixels a step, each step painted).
  bool unroll();
  // Rolls it up (6 pixels a step) and closes it, unless the pointer is on it or the button.
  void rollUpUnlessPointed();
  // Closes it at once.
  void closeNow();

 protected:
  void setUp() override;
  void acceptByKey() override;
  bool event(QEvent* event) override;

 private:
  static intptr_t onControl(ZanObject* control, int event, intptr_t data, void* context);
  void choose(int style);
  bool pointerOnPanelOrButton() const;
  void setVisibleHeight(int height);

  QPointer<QWidget> button_;
  bool rowChosen_;
  bool closing_ = false;
};

}  // namespace tessaly::app
