// The Result page's tools in the real window on an X server: quarter turns, the enhancement and
// the rotation change the picture exactly as the image tools called directly do, restore gives
// back the stitched result byte for byte, the rotation tool starts from the engine's measured
// skew, the zoom levels and the arrow keys move the view, and leaving a changed picture asks.
// Timings of the rotation preview and of redrawing a zoomed view are printed, not asserted.
#include "result_page.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "crop_presets.h"
#include "crop_tool.h"
#include "folders.h"
#include "main_frame.h"
#include "picture_layers.h"
#include "picture_tools.h"
#include "picture_writer.h"
#include "program.h"
#include "result_skew.h"
#include "rotation_angle.h"
#include "rotation_tool.h"
#include "single_instance.h"
#include "stitch_run.h"
#include "temp_folder.h"
#include "tessaly/host/operations.h"
#include "user_folders.h"
#include "window_tests.h"

using namespace tessaly::app;
using namespace tessaly::host;

namespace {

void click(QWidget* root, const char* name) {
  auto* button = root->findChild<QAbstractButton*>(name);
  QVERIFY2(button, name);
  QVERIFY2(button->isVisible() && button->isEnabled(), name);
  button->click();
}

bool enabled(QWidget* root, const char* name) {
  QWidget* widget = root->findChild<QWidget*>(name);
  return widget && widget->isVisible() && widget->isEnabled();
}

// A picture with something in every part: colour bands, a grid of dark lines, a light frame.
QImage sampleImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  QPainter painter(&image);
  painter.fillRect(image.rect(), QColor(214, 208, 190));
  for (int y = 0; y < height; y += 37) painter.fillRect(0, y, width, 9, QColor(60, 70, 150));
  for (int x = 0; x < width; x += 53) painter.fillRect(x, 0, 5, height, QColor(150, 60, 40));
  return image;
}

// A page of text lines: dark bars of words on white, as a scanned document shows them.
QImage documentImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  image.fill(Qt::white);
  QPainter painter(&image);
  for (int y = 120; y < height - 120; y += 40) {
    for (int x = 100; x < width - 160; x += 90) painter.fillRect(x, y, 70, 14, Qt::black);
  }
  return image;
}

QImage rgb(const QImage& image) {
  return image.convertToFormat(QImage::Format_RGB888);
}

}  // namespace

class ResultPageTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<app_test::UserFolders> user_;
  std::unique_ptr<tessaly::test::TempFolder> temp_;
  std::unique_ptr<Program> program_;
  QWidget* window_ = nullptr;

  MainFrame& frame() { return *program_->mainFrame(); }
  ResultPage& result() { return *static_cast<ResultPage*>(frame().page(kResultPage)); }
  QImage shown() { return rgb(pictureImage(result().picture())); }

  void open() {
    std::unique_ptr<InstanceLock> lock;
    QString error;
    QCOMPARE(Program::claim({}, lock, &error), Program::Start::Running);
    program_ = std::make_unique<Program>(std::move(lock));
    QVERIFY2(program_->start() == Program::Start::Running, qPrintable(program_->error()));
    window_ = frame().window();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
  }

  // Shows `image` on the Result page as a stitch hands it over: written to its work copy first.
  void takeResult(const QImage& image, int resolution = 100) {
    ZanObject* picture = pictureFromImage(image, resolution, resolution);
    QVERIFY(picture);
    ResultHandOver handOver;
    handOver.workCopy = QString::fromStdString(temp_->file("Result1.TIF"));
    handOver.source.xResolution = resolution;
    handOver.source.yResolution = resolution;
    QVERIFY(writePicture(picture, handOver.workCopy));
    frame().showPage(kResultPage);
    frame().sendCommand(PageCommand::TakePicture, reinterpret_cast<intptr_t>(picture),
                        reinterpret_cast<intptr_t>(&handOver));
    Zan0Release(picture);
    QVERIFY(result().picture());
  }

 private slots:
  void init() {
    user_ = std::make_unique<app_test::UserFolders>();
    temp_ = std::make_unique<tessaly::test::TempFolder>();
    open();
  }

  void cleanup() {
    // Leaving the page lets an unsaved picture go without a question.
    if (program_) frame().showPage(kScanPage);
    program_.reset();
    temp_.reset();
    user_.reset();
  }

  void turnsEnhancementAndRestoreChangeThePictureAsTheToolsDo() {
    const QImage original = sampleImage(300, 200);
    takeResult(original);
    QCOMPARE(shown(), original);
    QVERIFY(!result().changed());
    QVERIFY(enabled(window_, "butn_enhance"));
    QVERIFY(!enabled(window_, "butn_restore"));
    QVERIFY(!enabled(window_, "butn_fitin"));

    click(window_, "butn_rotateL");
    const QImage left = rgb(quarterTurned(original, true));
    QCOMPARE(shown(), left);
    QCOMPARE(result().state().quarterTurns, 90);
    QVERIFY(enabled(window_, "butn_restore"));
    click(window_, "butn_rotateR");
    click(window_, "butn_rotateR");
    QCOMPARE(result().state().quarterTurns, 270);
    QCOMPARE(shown(), rgb(quarterTurned(original, false)));

    click(window_, "butn_enhance");
    QCOMPARE(shown(), rgb(enhanced(quarterTurned(original, false))));
    QVERIFY(result().state().enhanced);
    QVERIFY(!enabled(window_, "butn_enhance"));  // once until a restore

    click(window_, "butn_restore");
    QCOMPARE(shown(), original);  // byte for byte from the work copy
    QVERIFY(!result().changed());
    QVERIFY(!result().saved());
    QVERIFY(enabled(window_, "butn_enhance"));
    QVERIFY(!enabled(window_, "butn_restore"));
    int32_t x = 0, y = 0;
    Zan0Inter(result().picture(), op::kPictureResolution, reinterpret_cast<intptr_t>(&x),
              reinterpret_cast<intptr_t>(&y));
    QCOMPARE(x, 100);
  }

  // The page and its crop tool together: the toolbar check opens it over the page's own picture,
  // the rotation tool is not offered meanwhile, Enter cuts to the custom size (12 x 12 inches by
  // default, centred) and a quarter turn afterwards starts the next crop afresh.
  void theCropToolCutsThePagesPictureAndExcludesTheRotationTool() {
    const QImage original = sampleImage(1600, 1400);
    takeResult(original, 100);
    QVERIFY(enabled(window_, "chck_rotate"));
    click(window_, "chck_crop");
    QVERIFY(result().cropTool().isOpen());
    QVERIFY(!enabled(window_, "chck_rotate"));
    QTest::keyClick(window_, Qt::Key_Return);
    QVERIFY(!result().cropTool().isOpen());
    QCOMPARE(shown(), original.copy(200, 100, 1200, 1200));
    QVERIFY(result().state().cropped);
    QVERIFY(!result().saved());
    QVERIFY(enabled(window_, "chck_rotate"));

    click(window_, "butn_rotateL");
    click(window_, "chck_crop");
    QTest::keyClick(window_, Qt::Key_Escape);
    QVERIFY(!result().cropTool().isOpen());
    QCOMPARE(shown(), rgb(quarterTurned(original.copy(200, 100, 1200, 1200), true)));
  }

  void aGreyPictureIsNotOfferedTheEnhancement() {
    QImage grey = sampleImage(120, 90).convertToFormat(QImage::Format_Grayscale8);
    takeResult(grey.convertToFormat(QImage::Format_RGB888));
    QVERIFY(result().state().grey);
    QVERIFY(!window_->findChild<QWidget*>("butn_enhance")->isVisible());
    result().enhance();
    QVERIFY(!result().state().enhanced);
  }

  void aRestoreThatCannotReadTheWorkCopySaysSoAndChangesNothing() {
    takeResult(sampleImage(90, 60));
    click(window_, "butn_rotateL");
    const QImage turned = shown();
    int shownText = 0;
    result().showMessage = [&shownText](int number) { shownText = number; };
    QFile file(result().workCopy());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));  // the copy spoilt
    file.write("not a picture");
    file.close();
    QVERIFY(!result().restore());
    QCOMPARE(shownText, 18);
    QCOMPARE(shown(), turned);
    QCOMPARE(result().state().quarterTurns, 90);
  }

  void theRotationToolPreviewsAndTurnsThePictureByTheMatrix() {
    const QImage original = sampleImage(400, 300);
    takeResult(original);
    click(window_, "chck_rotate");
    RotationTool& tool = result().rotationTool();
    QVERIFY(tool.isOpen());
    QVERIFY(window_->findChild<QWidget*>("vcata1")->isVisible());
    QCOMPARE(tool.angle(), 0);  // not a paper size: no measured start
    // The tools exclude each other; nothing else works while one is open.
    QVERIFY(!enabled(window_, "chck_crop"));
    QVERIFY(!enabled(window_, "butn_rotateL"));
    QVERIFY(!enabled(window_, "butn_save"));
    QVERIFY(enabled(window_, "chck_rotate"));

    auto* slider = window_->findChild<QScrollBar*>("hscrl_slidebar");
    slider->setValue(25);
    QCOMPARE(tool.angle(), 25);
    QCOMPARE(window_->findChild<QLabel*>("view_angle")->text(), QString("2.5"));
    click(window_, "butn_text1");
    QCOMPARE(tool.angle(), 26);
    QCOMPARE(slider->value(), 26);
    QVERIFY(!tool.preview().isNull());
    slider->setValue(-100);
    QVERIFY(!enabled(window_, "butn_reduce"));
    click(window_, "butn_text1");
    QVERIFY(enabled(window_, "butn_reduce"));
    tool.setAngle(26);

    // Escape cancels: the picture as it was.
    QTest::keyClick(window_, Qt::Key_Escape);
    QVERIFY(!tool.isOpen());
    QCOMPARE(shown(), original);
    QVERIFY(!result().changed());
    QVERIFY(!window_->findChild<QAbstractButton*>("chck_rotate")->isChecked());

    click(window_, "chck_rotate");
    tool.setAngle(26);
    QTest::keyClick(window_, Qt::Key_Return);  // Enter applies
    QVERIFY(!tool.isOpen());
    const TurnSource source(original);
    QCOMPARE(shown(), rgb(source.turned(turnGeometry(400, 300, 1, 1, 26))));
    QVERIFY(result().state().rotated);
    QVERIFY(Zan0Inter(frame().control("imgc1"), op::kViewIsFit));
    QVERIFY(!window_->findChild<QWidget*>("vcata1")->isVisible());
    QVERIFY(enabled(window_, "chck_crop"));
  }

  void theRotationToolStartsFromTheEngineMeasuredSkew() {
    // 11.70 x 16.50 inches at 100 pixels per inch: the first paper size.
    const QImage upright = documentImage(1170, 1650);
    QCOMPARE(pictureCropPreset(1170, 1650, 100, 100), 1);
    const int turnedBy = 30;  // three degrees
    const QImage skewed = rgb(TurnSource(upright).turned(turnGeometry(1170, 1650, 1, 1, turnedBy)));
    double radians = 0;
    QVERIFY(measureSkew(frame().stitchRun(), skewed, &radians));
    const int expected = presetAngle(skewDegrees(radians), false);
    qInfo("picture turned by %d tenths; the engine measures %.3f degrees", turnedBy,
          radians * kDegreesPerRadian);

    takeResult(skewed);
    click(window_, "chck_rotate");
    RotationTool& tool = result().rotationTool();
    QCOMPARE(tool.angle(), expected);
    // The preset undoes the turn (within the measurement's tenth of a degree and a little).
    QVERIFY2(std::abs(tool.angle() + turnedBy) <= 3, qPrintable(QString::number(tool.angle())));
    tool.apply();
    QVERIFY(result().state().rotated);
    // Once rotated, a nearly straight picture opens at 0.
    double after = 0;
    QVERIFY(measureSkew(frame().stitchRun(), shown(), &after));
    click(window_, "chck_rotate");
    QCOMPARE(tool.angle(), presetAngle(skewDegrees(after), true));
    QVERIFY(std::abs(skewDegrees(after)) > 0.4 || tool.angle() == 0);
    tool.cancel();
  }

  void zoomLevelsArrowsAndWheelMoveTheView() {
    takeResult(sampleImage(1600, 1200));
    ZanObject* view = frame().control("imgc1");
    QVERIFY(result().zoom().isFit());
    QVERIFY(!enabled(window_, "butn_zoomout"));
    frame().sendCommand(PageCommand::ZoomIn);
    QCOMPARE(result().zoom().level(), 1);
    QCOMPARE(int(Zan0Inter(view, op::kViewScale)), result().zoom().ratioAt(1));
    QVERIFY(enabled(window_, "butn_fitin"));
    QVERIFY(enabled(window_, "butn_zoomout"));
    for (int i = 0; i < 6; ++i) frame().sendCommand(PageCommand::ZoomIn);
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    Zan0Inter(view, op::kViewSetScrollPosition, 0, 0);
    QTest::keyClick(window_, Qt::Key_Right);
    QTest::keyClick(window_, Qt::Key_Down);
    Zan0Inter(view, op::kViewScrollPosition, reinterpret_cast<intptr_t>(&x1),
              reinterpret_cast<intptr_t>(&y1));
    QVERIFY(x1 > x0 && y1 > y0);
    QTest::keyClick(window_, Qt::Key_Left);
    QTest::keyClick(window_, Qt::Key_Left);  // held at 0
    Zan0Inter(view, op::kViewScrollPosition, reinterpret_cast<intptr_t>(&x1),
              reinterpret_cast<intptr_t>(&y1));
    QCOMPARE(x1, 0);
    QCOMPARE(window_->findChild<QWidget*>("imgc1")->cursor().shape(), Qt::ArrowCursor);

    // The wheel backward zooms out, level by level, down to the fit.
    QWidget* widget = window_->findChild<QWidget*>("imgc1");
    const int level = result().zoom().level();
    QWheelEvent back(QPointF(50, 50), widget->mapToGlobal(QPointF(50, 50)), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &back);
    QCOMPARE(result().zoom().level(), level - 1);
    click(window_, "butn_fitin");
    QVERIFY(result().zoom().isFit());
    QVERIFY(Zan0Inter(view, op::kViewIsFit));
  }

  void leavingAChangedPictureAsksFirst() {
    takeResult(sampleImage(200, 150));
    click(window_, "butn_rotateL");
    // Staying keeps the page and the picture.
    app_test::whenModal([](QDialog* question) { click(question, "butn_cancel"); });
    click(window_, "butn_startover");
    QCOMPARE(frame().activePage(), kResultPage);
    QVERIFY(result().picture());
    // Closing the window with the rotation tool open cancels the tool, then asks.
    click(window_, "chck_rotate");
    app_test::whenModal([](QDialog* question) { click(question, "butn_cancel"); });
    QVERIFY(!window_->close());
    QVERIFY(!result().rotationTool().isOpen());
    QVERIFY(window_->isVisible());
    // Going on drops the picture and its work copy.
    const QString workCopy = result().workCopy();
    app_test::whenModal([](QDialog* question) { click(question, "butn_continue"); });
    click(window_, "butn_startover");
    QCOMPARE(frame().activePage(), kScanPage);
    QVERIFY(!QFile::exists(workCopy));
  }

  void timingsOfAPreviewStepAndAWarmRedraw() {
    takeResult(sampleImage(4000, 6000), 300);
    QWidget* view = window_->findChild<QWidget*>("imgc1");
    // Zoom and scroll redraws once the view's reduced copy is made.
    frame().sendCommand(PageCommand::ZoomIn);
    view->repaint();
    QElapsedTimer clock;
    clock.start();
    const int redraws = 20;
    for (int i = 0; i < redraws; ++i) {
      result().scrollBy(i % 2 ? -1 : 1, 0);
      view->repaint();
    }
    qInfo("4000 x 6000 at level 1: %.2f ms per scroll redraw", double(clock.elapsed()) / redraws);
    for (int i = 0; i < 8; ++i) frame().sendCommand(PageCommand::ZoomIn);
    view->repaint();
    clock.restart();
    for (int i = 0; i < redraws; ++i) {
      result().scrollBy(0, i % 2 ? -1 : 1);
      view->repaint();
    }
    qInfo("4000 x 6000 at level 9: %.2f ms per scroll redraw", double(clock.elapsed()) / redraws);
    frame().sendCommand(PageCommand::FitIn);
    view->repaint();
    clock.restart();
    for (int i = 0; i < redraws; ++i) view->repaint();
    qInfo("4000 x 6000 fitted: %.2f ms per redraw", double(clock.elapsed()) / redraws);

    clock.restart();
    click(window_, "chck_rotate");
    qInfo("rotation tool opened on 4000 x 6000 in %lld ms", clock.elapsed());
    RotationTool& tool = result().rotationTool();
    clock.restart();
    const int steps = 20;
    for (int i = 1; i <= steps; ++i) {
      tool.setAngle(i);
      view->repaint();
    }
    qInfo("4000 x 6000: %.1f ms per rotation preview step", double(clock.elapsed()) / steps);
    clock.restart();
    tool.apply();
    qInfo("4000 x 6000: rotation applied in %lld ms", clock.elapsed());
    // Where the time of applying goes.
    const QImage picture = shown();
    clock.restart();
    const TurnSource source(picture);
    const qint64 made = clock.restart();
    const QImage turned = source.turned(turnGeometry(4000, 6000, 1, 1, 20));
    qInfo("of which: turn source %lld ms, the turn itself %lld ms", made, clock.elapsed());
  }
};

int app_test::runResultPageTests(int argc, char** argv) {
  ResultPageTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "result_page_test.moc"
