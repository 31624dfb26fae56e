#include "main_frame.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QPainterPath>
#include <QRegion>
#include <QShortcut>
#include <QStackedWidget>
#include <QUrl>
#include <QWidget>
#include <algorithm>

#include "accelerators.h"
#include "folders.h"
#include "result_page.h"
#include "scan_page.h"
#include "settings.h"
#include "stitch_run.h"
#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"
#include "twain_library.h"
#include "twain_session.h"
#include "ui_strings.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

constexpr int kCornerRadius = 10;

bool isMouseInput(QEvent::Type type) {
  return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove || type == QEvent::Wheel;
}

bool isKeyInput(QEvent::Type type) {
  return type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride;
}

// The window's outline with its two top corners rounded.
QRegion topRoundedRegion(QSize size) {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  path.addRoundedRect(QRectF(0, 0, size.width(), size.height()), kCornerRadius, kCornerRadius);
  path.addRect(QRectF(0, kCornerRadius, size.width(), size.height() - kCornerRadius));
  return QRegion(path.toFillPolygon().toPolygon());
}

}  // namespace

MainFrame::MainFrame(QWidget* window, ZanObject* root, const UiStrings& strings, Settings& settings)
    : window_(window), root_(root), strings_(strings), settings_(settings) {
  Zan0Retain(root_);
  pages_ = window_->findChild<QStackedWidget*>("stack_pages");
  window_->setMinimumSize(800, 600);
  // Moves without a button pressed reach the window, for the pointer's shape over its edges.
  window_->setMouseTracking(true);
  window_->setWindowTitle(strings_.text(text::kTitle));
  strings_.setControlText(control("view_caption"), text::kTitle);
  stitchRun_ = std::make_unique<StitchRun>();
  twain_ = std::make_unique<TwainSession>(sharedManagerLibrary(),
                                          strings_.text(text::kTitle).toStdString());
  twain_->setParent(window_);
  twain_->busyChanged = [this](bool busy) { setTwainBusy(busy); };
  twain_->sessionClosed = [this] {
    if (!window_->isActiveWindow()) {
      window_->raise();
      window_->activateWindow();
    }
  };
  bindWindowButtons();
  addShortcuts();
  closeGuard = [this] { return mayLeaveResult(); };
  connect(this, &MainFrame::zoomRequested, this, [this](int direction) {
    sendCommand(direction > 0 ? PageCommand::ZoomIn : PageCommand::ZoomOut);
  });
  qApp->installEventFilter(this);
  updateWindowState();
}

MainFrame::~MainFrame() {
  qApp->removeEventFilter(this);
  // The source's window belongs to the main window: the session ends before the window goes.
  twain_->busyChanged = nullptr;
  twain_->sessionClosed = nullptr;
  twain_->closeAll();
  twainBusy_ = false;
  for (auto& page : slots_) {
    if (page && page->isActive()) page->deactivate();
    page.reset();
  }
  Zan0Inter(root_, op::kHandlerTable, reinterpret_cast<intptr_t>(toolbarTable_.data()),
            -intptr_t(toolbarTable_.size()));
  Zan0Inter(root_, op::kHandlerTable, reinterpret_cast<intptr_t>(buttonTable_.data()),
            -intptr_t(buttonTable_.size()));
  Zan0Release(root_);
}

ZanObject* MainFrame::control(const char* name) const {
  return reinterpret_cast<ZanObject*>(
      Zan0Inter(root_, op::kChildByName, reinterpret_cast<intptr_t>(name)));
}

void MainFrame::bindWindowButtons() {
  // The host keeps the table by address, so it is the frame's own.
  buttonTable_ = {{{"butn_close", onWindowButton, this},
                   {"butn_minwindows", onWindowButton, this},
                   {"chck_maxwindows", onWindowButton, this},
                   {"butn_instructions", onWindowButton, this},
                   {"Menu1", onWindowButton, this}}};
  Zan0Inter(root_, op::kHandlerTable, reinterpret_cast<intptr_t>(buttonTable_.data()),
            intptr_t(buttonTable_.size()));
  Zan0Inter(control("butn_instructions"), op::kSetHandCursor, 1);
  toolbarTable_ = {{{"butn_rotateL", onToolbarButton, this},
                    {"butn_rotateR", onToolbarButton, this},
                    {"butn_zoomin", onToolbarButton, this},
                    {"butn_zoomout", onToolbarButton, this},
                    {"butn_fitin", onToolbarButton, this},
                    {"butn_startover", onToolbarButton, this}}};
  Zan0Inter(root_, op::kHandlerTable, reinterpret_cast<intptr_t>(toolbarTable_.data()),
            intptr_t(toolbarTable_.size()));
}

intptr_t MainFrame::onToolbarButton(ZanObject* control, int event, intptr_t, void* context) {
  if (event != kEventClick) return 0;
  auto* frame = static_cast<MainFrame*>(context);
  const QString name = widgetOf(control)->objectName();
  if (name == "butn_rotateL") frame->sendCommand(PageCommand::RotateLeft);
  if (name == "butn_rotateR") frame->sendCommand(PageCommand::RotateRight);
  if (name == "butn_zoomin") frame->sendCommand(PageCommand::ZoomIn);
  if (name == "butn_zoomout") frame->sendCommand(PageCommand::ZoomOut);
  if (name == "butn_fitin") frame->sendCommand(PageCommand::FitIn);
  if (name == "butn_startover") frame->startOver();
  return 0;
}

Page* MainFrame::page(int slot) const {
  if (slot != kScanPage && slot != kResultPage) return nullptr;
  return slots_[size_t(slot)].get();
}

std::unique_ptr<Page> MainFrame::createPage(int slot) {
  if (slot == kScanPage) return std::make_unique<ScanPage>(*this);
  return std::make_unique<ResultPage>(*this);
}

bool MainFrame::sendCommand(PageCommand command, intptr_t a, intptr_t b) {
  Page* active = page(activePage_);
  bool handled = false;
  if (active) active->command(command, a, b, handled);
  return handled;
}

void MainFrame::startOver() {
  if (!sendCommand(PageCommand::StartOver)) showPage(kScanPage);
}

bool MainFrame::mayLeaveResult() {
  auto* result = static_cast<ResultPage*>(page(kResultPage));
  return !result || !result->isActive() || result->mayDropPicture();
}

void MainFrame::refreshToolbar() {
  ToolbarMask mask;
  sendCommand(PageCommand::ReportToolbar, reinterpret_cast<intptr_t>(&mask));
  for (int i = 0; i < kToolbarControlCount; ++i) {
    ZanObject* button = control(kToolbarControls[i]);
    Zan0Inter(button, op::kShow, (mask.visible >> i) & 1);
    Zan0Inter(button, op::kEnable, (mask.enabled >> i) & 1);
  }
  sizeToolbarStrip();
}

void MainFrame::sizeToolbarStrip() {
  // The strip is as wide as its shown controls with their gaps, at most the area it sits in.
  QWidget* strip = widgetOf(control("cata_toolbar"));
  QWidget* area = widgetOf(control("hcata10"));
  if (!strip || !area) return;
  const QMargins margins = strip->contentsMargins();
  int width = margins.left() + margins.right();
  for (const char* name : kToolbarControls) {
    QWidget* button = widgetOf(control(name));
    if (button && !button->isHidden()) width += button->sizeHint().width() + 10;
  }
  const QMargins areaMargins = area->contentsMargins();
  const int inner = area->width() - areaMargins.left() - areaMargins.right();
  strip->setMaximumWidth(inner > 0 ? std::min(width, inner) : width);
}

intptr_t MainFrame::onWindowButton(ZanObject* control, int event, intptr_t data, void* context) {
  auto* frame = static_cast<MainFrame*>(context);
  const QString name = widgetOf(control)->objectName();
  if (event == kEventMenuItem && name == "Menu1") {
    if (QString::fromUtf8(reinterpret_cast<const char*>(data)) == "mece_instruction") {
      frame->openHelp();
    }
    return 0;
  }
  if (event != kEventClick) return 0;
  if (name == "butn_close") frame->window_->close();
  if (name == "butn_minwindows") frame->window_->showMinimized();
  if (name == "chck_maxwindows") {
    frame->window_->isMaximized() ? frame->window_->showNormal() : frame->window_->showMaximized();
  }
  if (name == "butn_instructions") frame->openHelp();
  return 0;
}

bool MainFrame::keysAllowed() const {
  // Keys wait while a control holds the pointer (a drag in progress) or a scan runs.
  return Zan0GetGValue(1) == 0 && !twainBusy_;
}

void MainFrame::addShortcuts() {
  const auto add = [this](QKeySequence keys, std::function<void()> action) {
    auto* shortcut = new QShortcut(keys, window_);
    connect(shortcut, &QShortcut::activated, this, [this, action] {
      if (keysAllowed()) action();
    });
  };
  add(QKeySequence(Qt::Key_F1), [this] { openHelp(); });
  add(QKeySequence(Qt::Key_Plus), [this] { emit zoomRequested(1); });
  add(QKeySequence(Qt::Key_Equal), [this] { emit zoomRequested(1); });
  add(QKeySequence(Qt::Key_Minus), [this] { emit zoomRequested(-1); });
  installAccelerators(window_, acceleratorTable(), [this] { return keysAllowed(); });
}

void MainFrame::openHelp() {
  const QString page =
      QString::fromStdString(programFolder() + "Support/Instruction/scanning.html");
  if (helpOpener) {
    helpOpener(page);
  } else {
    QDesktopServices::openUrl(QUrl::fromLocalFile(page));
  }
}

void MainFrame::setStatus(const QString& text, bool repaintNow) {
  const std::string value = text.toStdString();
  ZanObject* line = control("view_text4");
  Zan0Inter(line, op::kSetText, reinterpret_cast<intptr_t>(value.c_str()));
  if (repaintNow) Zan0Inter(line, op::kRepaint);
}

void MainFrame::setStatus(int textNumber, bool repaintNow) {
  setStatus(strings_.text(textNumber), repaintNow);
}

void MainFrame::showPage(int slot) {
  if (!pages_ || (slot != kScanPage && slot != kResultPage)) return;
  for (auto& existing : slots_) {
    if (existing && existing->isActive()) existing->deactivate();
  }
  auto& target = slots_[size_t(slot)];
  if (!target) target = createPage(slot);
  pages_->setCurrentIndex(slot == kScanPage ? 0 : 1);
  activePage_ = slot;
  target->activate();
  refreshToolbar();
}

void MainFrame::setTwainBusy(bool busy) {
  const bool finished = twainBusy_ && !busy;
  twainBusy_ = busy;
  if (finished) QCoreApplication::postEvent(window_, new QEvent(kAcquisitionFinishedEvent));
}

void MainFrame::receiveHandedOverFiles() {
  // Files arriving while the pages cannot take them are dropped, as the user would expect
  // nothing to be added behind a running stitch or a result.
  if (activePage_ != kScanPage || stitchRunning_ || twainBusy_ || !window_->isEnabled()) {
    handover::dropFiles(settings_.iniPath());
    return;
  }
  const auto files = handover::takeFiles(settings_.iniPath());
  if (files.empty()) return;
  QStringList list;
  for (const std::string& file : files) list << QString::fromStdString(file);
  setStatus(strings_.text(text::kFilesLoaded).replace("%d", QString::number(list.size())));
  emit filesReceived(list);
}

bool MainFrame::ownsWidget(QObject* object) const {
  auto* widget = qobject_cast<QWidget*>(object);
  return widget && widget->window() == window_;
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && twainBusy_) {
    // The source reports its events (an image ready, a wish to close) by waking the window; each
    // of the window's events gives it the chance, and the wake-up itself goes no further.
    twain_->filterEvent();
    if (event->type() == kSourceWakeEvent) return true;
  }
  if (watched == window_) {
    if (event->type() == kHandOverEvent) {
      receiveHandedOverFiles();
      return true;
    }
    if (event->type() == QEvent::Resize) sizeToolbarStrip();
    if (Page* active = page(activePage_); active && !twainBusy_ && active->windowEvent(event)) {
      return true;
    }
    switch (event->type()) {
      case QEvent::Leave:
        if (edgeCursorSet_) window_->unsetCursor();
        edgeCursorSet_ = false;
        break;
      case QEvent::Resize:
      case QEvent::WindowStateChange:
        updateWindowState();
        break;
      case QEvent::Close:
        if (closeGuard && !closeGuard()) {
          event->ignore();
          return true;
        }
        break;
      default:
        break;
    }
  }
  if (!ownsWidget(watched)) return false;
  if (twainBusy_ && (isMouseInput(event->type()) || isKeyInput(event->type()))) return true;
  if (event->type() == QEvent::KeyPress && watched != window_ && keysAllowed()) {
    // Keys reach the page from whichever of the window's controls has the focus.
    if (Page* active = page(activePage_); active && active->windowEvent(event)) return true;
  }
  return filterMouse(event);
}

bool MainFrame::filterMouse(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) {
    return false;
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (drag_.active()) return drag_.follow(mouse);
  const QPoint global = mouse->globalPosition().toPoint();
  if (type == QEvent::MouseMove && mouse->buttons() == Qt::NoButton) {
    updateEdgeCursor(global);
    return false;
  }
  if (mouse->button() != Qt::LeftButton) return false;
  const FrameArea area =
      mainWindowHitTest(window_, window_->mapFromGlobal(global), widgetOf(control("butn_resize")),
                        widgetOf(control("cata_9")));
  if (area == FrameArea::Client) return false;
  if (type == QEvent::MouseButtonDblClick) {
    if (area != FrameArea::Caption) return false;
    window_->isMaximized() ? window_->showNormal() : window_->showMaximized();
    return true;
  }
  if (type != QEvent::MouseButtonPress) return false;
  // A maximised window only comes forward; it cannot be dragged.
  if (!(area == FrameArea::Caption && window_->isMaximized())) drag_.begin(window_, area, global);
  return true;
}

void MainFrame::updateEdgeCursor(QPoint global) {
  const FrameArea area =
      mainWindowHitTest(window_, window_->mapFromGlobal(global), widgetOf(control("butn_resize")),
                        widgetOf(control("cata_9")));
  const Qt::CursorShape shape = cursorFor(area);
  // The window's cursor shows on every child without one of its own; it is set only over the
  // edges, so the controls keep theirs (the help button's hand) everywhere else.
  if (shape != Qt::ArrowCursor) {
    window_->setCursor(shape);
    edgeCursorSet_ = true;
  } else if (edgeCursorSet_) {
    window_->unsetCursor();
    edgeCursorSet_ = false;
  }
}

void MainFrame::updateWindowState() {
  const bool maximised = window_->isMaximized();
  ZanObject* maximise = control("chck_maxwindows");
  Zan0Inter(maximise, op::kSetChecked, !maximised);
  const std::string tip =
      strings_.text(maximised ? text::kRestoreTip : text::kMaximiseTip).toStdString();
  Zan0Inter(maximise, op::kSetToolTip, reinterpret_cast<intptr_t>(tip.c_str()));
  Zan0Inter(control("butn_resize"), op::kShow, !maximised);
  window_->setMask(maximised ? QRegion() : topRoundedRegion(window_->size()));
}

}  // namespace tessaly::app
