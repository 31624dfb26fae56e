// The crop tool on the real main window (a private X server): opening with the picture's paper,
// moving and resizing the rectangle with the pointer through the crop mask, applying through
// the image tools, cancelling, and the custom size kept in the settings.
#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <cstring>
#include <memory>
#include <vector>

#include "ZanCallbackCtrl.h"
#include "crop_mask.h"
#include "crop_tool.h"
#include "main_frame.h"
#include "result_canvas.h"
#include "settings.h"
#include "tessaly/host/app.h"
#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"
#include "tools.h"
#include "ui_strings.h"
#include "zanengin.h"

using namespace tessaly::app;
using namespace tessaly::host;

namespace {

// A picture whose every pixel tells where it came from.
QImage patterned(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) line[x] = qRgb(x % 256, y % 256, (x * 7 + y * 13) % 256);
  }
  return image;
}

// The image tools' crop called directly on the image's pixels.
QImage croppedByTheTools(const QImage& image, const QRect& rect) {
  const QImage pixels = image.convertToFormat(QImage::Format_BGR888);
  int32_t error = 0;
  const zanHandle layer = zanCreateLayer(0, 0, pixels.width(), pixels.height(), &error);
  zanSetLayerBits(pixels.constBits(), layer, 0, 0, pixels.width(), pixels.height(),
                  int32_t(pixels.bytesPerLine()), 0);
  const RECT crop{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
  const ResizeRatio same{1, 1, 1, 1, 0};
  const zanHandle cut = _matCropResizeLayerEx(layer, &crop, &same, nullptr, &error);
  QImage result(rect.width(), rect.height(), QImage::Format_BGR888);
  zanGetLayerBits(result.bits(), cut, 0, 0, result.width(), result.height(),
                  int32_t(result.bytesPerLine()));
  zanDestroyLayer(cut);
  zanDestroyLayer(layer);
  return result.convertToFormat(QImage::Format_RGB32);
}

// The page as the tool sees it: a picture in the main window's image view.
class FakeCanvas : public ResultCanvas {
 public:
  explicit FakeCanvas(MainFrame& frame) : frame_(frame) {}
  ~FakeCanvas() override {
    Zan0Inter(view(), op::kViewSetPicture, 0);
    Zan0Release(picture_);
  }

  void show(const QImage& image, int ppi) {
    ZanObject* picture = Zan0CreateObj(kPicture);
    Zan0Inter(picture, op::kPictureSetImage, reinterpret_cast<intptr_t>(&image));
    Zan0Inter(picture, op::kPictureSetResolution, ppi, ppi);
    ppi_ = ppi;
    replacePicture(picture);
    replaced = 0;
  }
  QImage image() const {
    QImage image;
    Zan0Inter(picture_, op::kPictureImage, reinterpret_cast<intptr_t>(&image));
    return image;
  }

  MainFrame& frame() override { return frame_; }
  ZanObject* view() const override { return frame_.control("imgc1"); }
  ZanObject* picture() const override { return picture_; }
  void replacePicture(ZanObject* picture) override {
    Zan0Release(picture_);
    picture_ = picture;
    Zan0Inter(view(), op::kViewSetPicture, reinterpret_cast<intptr_t>(picture_));
    refit();
    ++replaced;
  }
  void refit() override {
    Zan0Inter(view(), op::kViewSetFit, 1);
    ++refits;
  }
  int resolutionX() const override { return ppi_; }
  int resolutionY() const override { return ppi_; }
  void pictureChanged(ResultChange what) override { changes.push_back(what); }
  void toolOpenedOrClosed() override { ++toolReports; }

  int replaced = 0;
  int refits = 0;
  int toolReports = 0;
  std::vector<ResultChange> changes;

 private:
  MainFrame& frame_;
  ZanObject* picture_ = nullptr;
  int ppi_ = 100;
};

void copyField(char (&field)[260], const char* text) {
  std::strncpy(field, text, sizeof field - 1);
}

}  // namespace

class CropToolTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder_;
  std::unique_ptr<Settings> settings_;
  UiStrings strings_;
  ZanObject* app_ = nullptr;
  QWidget* window_ = nullptr;
  std::unique_ptr<MainFrame> frame_;
  std::unique_ptr<FakeCanvas> canvas_;
  std::unique_ptr<CropTool> tool_;

  ZanObject* control(const char* name) const { return frame_->control(name); }
  bool checked(const char* name) const { return Zan0Inter(control(name), op::kGetChecked) != 0; }
  bool enabled(const char* name) const { return Zan0Inter(control(name), op::kIsEnabled) != 0; }
  bool visible(const char* name) const { return Zan0Inter(control(name), op::kIsVisible) != 0; }
  void click(const char* name) {
    QTest::mouseClick(qobject_cast<QAbstractButton*>(widgetOf(control(name))), Qt::LeftButton);
    settle();
  }
  // Lets the window lay itself out again (the crop panel shown or hidden).
  static void settle() { QTest::qWait(20); }
  void openTool() {
    tool_->open();
    settle();
  }
  QWidget* mask() const { return widgetOf(canvas_->view())->findChild<QWidget*>("cata_mask"); }
  CropScreen screen() const {
    Rect shown{};
    Zan0Inter(canvas_->view(), op::kViewImageRect, reinterpret_cast<intptr_t>(&shown));
    const QImage image = canvas_->image();
    return {QRect(shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top),
            image.size()};
  }
  // The view point over a picture pixel.
  QPoint onView(QPoint pixel) const { return screen().toView(QRect(pixel, QSize(0, 0))).topLeft(); }
  void pointer(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QWidget* target = mask();
    QVERIFY(target);
    QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }
  void drag(QPoint from, QPoint to) {
    pointer(QEvent::MouseButtonPress, from, Qt::LeftButton);
    pointer(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    pointer(QEvent::MouseMove, to, Qt::LeftButton);
    pointer(QEvent::MouseButtonRelease, to, Qt::NoButton);
  }
  void setCustom(int width, int height) {
    settings_->setManualCropWidth(width);
    settings_->setManualCropHeight(height);
  }

 private slots:
  void initTestCase() {
    QVERIFY(folder_.isValid());
    settings_ = std::make_unique<Settings>(folder_.filePath("Tessaly.ini").toStdString(),
                                           folder_.filePath("Tessaly.set").toStdString());
    StartupRecord record{};
    record.size = sizeof record;
    copyField(record.uiFolder, "UI");
    copyField(record.mainUiFile, "MainFrame.pui");
    record.width = 1000;
    record.height = 800;
    app_ = CreateZanApp(&record);
    QVERIFY2(app_, Zan0LastError());
    QVERIFY(strings_.load(QCoreApplication::applicationDirPath() + "/UI"));
    auto* windowObject =
        reinterpret_cast<ZanObject*>(ZanAppInterface(app_, appop::kMainWindow, 0, 0));
    window_ = reinterpret_cast<QWidget*>(ZanWinInterface(windowObject, winop::kHandle, 0, 0));
    auto* root = reinterpret_cast<ZanObject*>(ZanWinInterface(windowObject, winop::kUiRoot, 0, 0));
    frame_ = std::make_unique<MainFrame>(window_, root, strings_, *settings_);
    auto* pages = window_->findChild<QStackedWidget*>("stack_pages");
    pages->setCurrentWidget(widgetOf(control("imgc1")));
    Zan0Inter(control("chck_crop"), op::kShow, 1);
    Zan0Inter(control("chck_crop"), op::kEnable, 1);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
  }
  void cleanupTestCase() {
    frame_.reset();
    ZanAppInterface(app_, appop::kShutDown, 0, 0);
  }
  void init() {
    canvas_ = std::make_unique<FakeCanvas>(*frame_);
    tool_ = std::make_unique<CropTool>(*canvas_);
  }
  void cleanup() {
    tool_.reset();
    canvas_.reset();
  }

  void aPaperPictureOpensLockedAndOffersOnlyPapersThatFit() {
    canvas_->show(patterned(2340, 3300), 200);
    click("chck_crop");
    QVERIFY(tool_->isOpen());
    QVERIFY(checked("chck_crop"));
    QVERIFY(visible("vcata"));
    QVERIFY(checked("rado_rado_text"));
    QVERIFY(enabled("rado_rado_text1"));
    QVERIFY(!enabled("rado_rado_text2"));  // 12 inches are 2400 pixels: wider than 2340
    QVERIFY(enabled("rado_rado_text3"));
    QVERIFY(mask());
    QCOMPARE(Zan0GetType(controlOf(mask())), ZAN_CALLBACK_PANEL_TYPE);
    for (QWidget* handle : mask()->findChildren<QWidget*>("angle")) QVERIFY(!handle->isVisible());
    QCOMPARE(canvas_->toolReports, 1);

    click("chck_crop");  // unchecked: cancelled
    QVERIFY(!tool_->isOpen());
    QVERIFY(!mask());
    QVERIFY(!visible("vcata"));
    QVERIFY(!checked("chck_crop"));
    QCOMPARE(canvas_->replaced, 0);
    QCOMPARE(canvas_->toolReports, 2);
    QCOMPARE(settings_->manualCropWidth(), 1200);  // a paper preset stores no custom size
  }

  void aLockedRectangleOnlyMovesAndApplyCutsThroughTheTools() {
    const QImage original = patterned(1250, 1750);  // 11.7 x 16.5 inches within 1.5
    canvas_->show(original, 100);
    openTool();
    QVERIFY(checked("rado_rado_text"));
    QVERIFY(enabled("butn_save1121"));
    // The preset's 1170 x 1650 centred: from (40, 50). Outside it nothing reacts.
    const QPoint outside = onView(QPoint(10, 10));
    drag(outside, outside + QPoint(200, 200));
    const QPoint inside = onView(QPoint(600, 800));
    const QPoint moved = inside + QPoint(-10, -12);
    drag(inside, moved);
    const CropScreen where = screen();
    const QPoint shift = where.toPicture(moved) - where.toPicture(inside);
    const QRect expected(std::clamp(40 + shift.x(), 0, 80), std::clamp(50 + shift.y(), 0, 100),
                         1170, 1650);
    QVERIFY(expected.topLeft() != QPoint(40, 50));

    click("butn_save1121");
    QVERIFY(!tool_->isOpen());
    QCOMPARE(canvas_->replaced, 1);
    QVERIFY(canvas_->changes == std::vector<ResultChange>{ResultChange::Cropped});
    const QImage result = canvas_->image().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(result.size(), QSize(1170, 1650));
    QVERIFY(result == croppedByTheTools(original, expected));
    QVERIFY(result == original.copy(expected));
    QCOMPARE(result.dotsPerMeterX(), 3937);  // 100 ppi kept
    QVERIFY(!visible("vcata"));
    QVERIFY(!checked("chck_crop"));

    // Open again: the rectangle is the whole cut picture from (0, 0).
    openTool();
    tool_->apply();
    QCOMPARE(canvas_->image().size(), QSize(1170, 1650));
  }

  void theCustomSizeIsFreeAndKeptAfterCancelAndApply() {
    setCustom(700, 600);
    const QImage original = patterned(1000, 1000);
    canvas_->show(original, 100);
    openTool();
    QVERIFY(checked("rado_rado_text3"));
    const auto handles = mask()->findChildren<QWidget*>("angle");
    QCOMPARE(handles.size(), 8);
    for (QWidget* handle : handles) QVERIFY(handle->isVisible());
    // Drag the bottom-right corner of (150, 200)-(850, 800) outwards.
    drag(onView(QPoint(850, 800)), onView(QPoint(930, 960)));
    click("butn_save112");
    QVERIFY(!tool_->isOpen());
    QVERIFY(canvas_->image() == original);  // cancel leaves the picture
    const int width = settings_->manualCropWidth(), height = settings_->manualCropHeight();
    QVERIFY(width > 700 && height > 600);

    tool_->open();  // the rectangle stays for the next opening
    tool_->apply();
    QCOMPARE(canvas_->image().size(), QSize(width, height));  // 100 ppi: hundredths are pixels
    QCOMPARE(settings_->manualCropWidth(), width);
    QCOMPARE(settings_->manualCropHeight(), height);
  }

  void choosingARadioReplacesOrFreesTheRectangle() {
    setCustom(700, 600);
    canvas_->show(patterned(1250, 1750), 100);
    openTool();
    click("rado_rado_text3");  // custom: the paper's rectangle, now free
    for (QWidget* handle : mask()->findChildren<QWidget*>("angle")) QVERIFY(handle->isVisible());
    drag(onView(QPoint(40, 50)), onView(QPoint(240, 250)));  // the top-left corner inwards
    click("rado_rado_text2");                                // 12 x 12 inches, locked again
    for (QWidget* handle : mask()->findChildren<QWidget*>("angle")) QVERIFY(!handle->isVisible());
    tool_->apply();
    QCOMPARE(canvas_->image().size(), QSize(1200, 1200));
    QCOMPARE(settings_->manualCropWidth(), 700);  // preset 3 stores nothing
  }

  void applyNeedsAFilledRectangleOfFiveHundredPixels() {
    const QImage original = patterned(1000, 1000);
    canvas_->show(original, 100);
    setCustom(499, 499);
    openTool();
    QVERIFY(!enabled("butn_save1121"));
    tool_->apply();  // Enter while disabled
    QVERIFY(tool_->isOpen());
    tool_->cancel();

    setCustom(500, 1);
    tool_->forgetRectangle();
    openTool();
    QVERIFY(enabled("butn_save1121"));

    // A new rectangle dragged straight across: 500 or more wide, nothing high.
    drag(onView(QPoint(20, 100)), onView(QPoint(900, 100)));
    QVERIFY(!enabled("butn_save1121"));
    tool_->apply();
    QVERIFY(tool_->isOpen());
    QCOMPARE(canvas_->replaced, 0);
    tool_->cancel();
    QVERIFY(canvas_->image() == original);
    QCOMPARE(settings_->manualCropWidth(), 500);  // an empty rectangle stores no size
    QCOMPARE(settings_->manualCropHeight(), 1);
  }
};

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  CropToolTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "crop_window_test.moc"
