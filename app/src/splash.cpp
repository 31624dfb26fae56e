#include "splash.h"

#include <QApplication>
#include <QPainterPath>
#include <QScreen>
#include <string>

#include "surface_file.h"
#include "tessaly/host/operations.h"
#include "tessaly/host/surface.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {
constexpr int kCornerRadius = 14;

void setControlText(ZanObject* root, const char* name, const QString& text) {
  auto* control = reinterpret_cast<ZanObject*>(
      Zan0Inter(root, op::kChildByName, reinterpret_cast<intptr_t>(name)));
  const std::string value = text.toStdString();
  Zan0Inter(control, op::kSetText, reinterpret_cast<intptr_t>(value.c_str()));
}
}  // namespace

Splash::Splash(QString uiFile, QString title, int milliseconds)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      uiFile_(std::move(uiFile)),
      title_(std::move(title)) {
  setObjectName("Splash");
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setWindowTitle(title_);
  setAccessibleName(title_);
  setFixedSize(kSplashWidth, kSplashHeight);
  timer_.setSingleShot(true);
  timer_.setInterval(milliseconds);
  connect(&timer_, &QTimer::timeout, this, &QWidget::close);
}

Splash::~Splash() {
  if (root_) SurfaceManage::GetSurfaceManage().DetachSurface(this);
}

bool Splash::showOver(QWidget* over) {
  root_ = attachSurface(this, uiFile_, error_);
  if (root_ == nullptr) return false;
  setControlText(root_, "view_title", title_);
  setControlText(root_, "view_version", QString("Version %1").arg(TESSALY_VERSION));

  QRect area = over && over->isVisible() ? over->geometry() : QRect();
  if (area.isEmpty() && QApplication::primaryScreen()) {
    area = QApplication::primaryScreen()->availableGeometry();
  }
  move(area.center() - rect().center());
  QPainterPath outline;
  outline.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
  setMask(QRegion(outline.toFillPolygon().toPolygon()));
  show();
  raise();
  timer_.start();
  return true;
}

void Splash::mousePressEvent(QMouseEvent*) {
  close();
}

}  // namespace tessaly::app
