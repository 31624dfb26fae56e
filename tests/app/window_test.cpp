// The program's main window on a real X server: this process is the first start and
// build/bin/Tessaly the later ones.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>

#include "child_process.h"
#include "main_frame.h"
#include "program.h"
#include "settings.h"
#include "single_instance.h"
#include "tessaly/host/object.h"
#include "user_folders.h"
#include "window_tests.h"

using namespace tessaly::app;

namespace {

const char* const kControlNames[] = {
    "cata_9",          "view_caption", "butn_instructions", "butn_minwindows",
    "chck_maxwindows", "butn_close",   "hcata10",           "cata_toolbar",
    "butn_loadfiles",  "butn_scndoc",  "butn_startover",    "butn_stitch",
    "butn_save",       "butn_rotateL", "butn_rotateR",      "butn_remove",
    "butn_savescans",  "butn_zoomin",  "butn_zoomout",      "butn_fitin",
    "butn_enhance",    "chck_rotate",  "chck_crop",         "butn_restore",
    "comb_scaner",     "view4",        "view_text1",        "view_text2",
    "view_text3",      "view_text4",   "stack_pages",       "hcata1",
    "album1",          "imgc1",        "butn_resize",       "Menu1"};

// Starts the program with `arguments` in `folder` and waits for its end, keeping this process's
// events flowing so that the first start can answer.
tessaly::test::ChildResult startLater(const app_test::UserFolders& user, const std::string& folder,
                                      std::vector<std::string> arguments) {
  tessaly::test::ChildRun run;
  run.program = "/bin/sh";
  run.arguments = {"-c", "cd \"$1\" && shift && exec \"$@\"", "sh", folder, TESSALY_PROGRAM};
  run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
  run.environment = user.environment();
  run.timeLimit = std::chrono::seconds(20);
  tessaly::test::ChildResult result;
  std::atomic<bool> done = false;
  std::thread child([&] {
    result = tessaly::test::runChild(run);
    done = true;
  });
  while (!done) QTest::qWait(5);
  child.join();
  return result;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<app_test::UserFolders> user_;
  std::unique_ptr<Program> program_;
  QWidget* window_ = nullptr;
  // The files the window receives, watched from its start on.
  std::unique_ptr<QSignalSpy> received_;
  std::unique_ptr<QTimer> dismisser_;

  // Claims the single start (with the command line's files) without building the window yet.
  std::unique_ptr<InstanceLock> claim(const std::vector<std::string>& files) {
    std::unique_ptr<InstanceLock> lock;
    QString error;
    const auto claimed = Program::claim(files, lock, &error);
    if (claimed != Program::Start::Running) qWarning() << "claim failed:" << error;
    return lock;
  }

  void open(std::unique_ptr<InstanceLock> lock) {
    program_ = std::make_unique<Program>(std::move(lock));
    QVERIFY2(program_->start() == Program::Start::Running, qPrintable(program_->error()));
    received_ = std::make_unique<QSignalSpy>(program_->mainFrame(), &MainFrame::filesReceived);
    window_ = program_->mainFrame()->window();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
  }

  QWidget* named(const char* name) { return window_->findChild<QWidget*>(name); }

  void showNormalAt(QRect geometry) {
    window_->showNormal();
    window_->setGeometry(geometry);
    QTRY_COMPARE(window_->geometry(), geometry);
  }

  // Presses at `from` (window coordinates), moves by `by` and releases.
  void drag(QPoint from, QPoint by) {
    QWidget* target = window_->childAt(from);
    if (!target) target = window_;
    const QPoint local = target->mapFrom(window_, from);
    QTest::mousePress(target, Qt::LeftButton, {}, local);
    QTest::mouseMove(target, local + by);
    QTest::mouseRelease(target, Qt::LeftButton, {}, local + by);
    QTest::qWait(20);
  }

  void expectReceivedOnce(const QStringList& files) {
    QSignalSpy& spy = *received_;
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    QTest::qWait(300);  // and nothing more
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toStringList(), files);
  }

 private slots:
  void init() {
    user_ = std::make_unique<app_test::UserFolders>();
    window_ = nullptr;
    // The files handed over here are names only; the Scan page's message that it cannot use
    // them is answered (and the Open dialog closed), as these tests are about the frame.
    dismisser_ = std::make_unique<QTimer>();
    QObject::connect(dismisser_.get(), &QTimer::timeout, [] {
      QWidget* box = QApplication::activeModalWidget();
      auto* ok = box ? box->findChild<QAbstractButton*>("butn_ok") : nullptr;
      if (ok && ok->isVisible()) {
        ok->click();
      } else if (auto* dialog = qobject_cast<QDialog*>(box)) {
        dialog->reject();  // the Open dialog the accelerator test opens
      }
    });
    dismisser_->start(50);
  }

  void cleanup() {
    dismisser_.reset();
    received_.reset();
    program_.reset();
    user_.reset();
  }

  void startsShowingEveryControlByNameAndInWords() {
    open(claim({}));
    QVERIFY(window_->isVisible());
    QVERIFY(window_->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(window_->windowTitle(), QString("Tessaly"));
    for (const char* name : kControlNames) {
      QWidget* control = named(name);
      QVERIFY2(control, name);
      QVERIFY2(!control->accessibleName().isEmpty(), name);
    }
    // The piece list and the result are the host's album and image view.
    QCOMPARE(Zan0GetType(program_->mainFrame()->control("album1")), tessaly::host::kAlbum);
    QCOMPARE(Zan0GetType(program_->mainFrame()->control("imgc1")), tessaly::host::kImageView);
    QCOMPARE(program_->mainFrame()->activePage(), kScanPage);
    QCOMPARE(qobject_cast<QLabel*>(named("view_text4"))->text(), QString("Ready"));
    QVERIFY(named("butn_loadfiles")->isVisible());
    QVERIFY(named("butn_loadfiles")->focusPolicy() & Qt::TabFocus);
  }

  void greetsWithASplashThatMakesWayForHandedOverFiles() {
    open(claim({}));
    QWidget* splash = program_->splash();
    QVERIFY(splash);
    QVERIFY(QTest::qWaitForWindowExposed(splash));
    QCOMPARE(splash->size(), QSize(420, 313));
    QCOMPARE(splash->findChild<QLabel*>("view_title")->text(), QString("Tessaly"));
    QVERIFY(splash->findChild<QLabel*>("view_version")->text().contains(TESSALY_VERSION));
    QVERIFY(window_->isActiveWindow() || !splash->isActiveWindow());  // keys stay with the window
    QCOMPARE(startLater(*user_, user_->home(), {"/late/one.jpg"}).exitCode, 0);
    expectReceivedOnce({"/late/one.jpg"});
    QTRY_VERIFY(!program_->splash());  // closed and gone
  }

  void theSplashGoesByItselfOrOnAClick() {
    open(claim({}));
    QPointer<QWidget> splash = program_->splash();
    QVERIFY(splash);
    QTest::mouseClick(splash, Qt::LeftButton);
    QTRY_VERIFY(!splash);
    program_.reset();
    open(claim({}));
    splash = program_->splash();
    QTRY_VERIFY_WITH_TIMEOUT(!splash, 4000);
    QVERIFY(window_->isVisible());
  }

  void helpOpensFromTheMenuTheButtonAndF1() {
    open(claim({}));
    QStringList opened;
    program_->mainFrame()->helpOpener = [&](const QString& page) { opened << page; };
    auto* menu = qobject_cast<QToolButton*>(named("Menu1"));
    QVERIFY(menu);
    QAction* item = window_->findChild<QAction*>("mece_instruction");
    QVERIFY(item && menu->actions().contains(item));
    item->trigger();
    qobject_cast<QAbstractButton*>(named("butn_instructions"))->click();
    window_->activateWindow();
    QTRY_VERIFY(window_->isActiveWindow());
    QTest::keyClick(window_, Qt::Key_F1);
    QCOMPARE(opened.size(), 3);
    for (const QString& page : opened) {
      QVERIFY2(page.endsWith("/Support/Instruction/scanning.html"), qPrintable(page));
    }
  }

  void acceleratorsPressOnlyCommandsTheToolbarOffers() {
    open(claim({}));
    window_->activateWindow();
    QTRY_VERIFY(window_->isActiveWindow());
    auto* open = qobject_cast<QAbstractButton*>(named("butn_loadfiles"));
    auto* remove = qobject_cast<QAbstractButton*>(named("butn_remove"));
    QSignalSpy opens(open, &QAbstractButton::clicked);
    QSignalSpy removes(remove, &QAbstractButton::clicked);
    QTest::keyClick(window_, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(opens.count(), 1);
    // The Open dialog it showed is closed; shortcuts act only once the window is active again.
    window_->activateWindow();
    QTRY_VERIFY(window_->isActiveWindow());
    remove->setVisible(true);
    remove->setEnabled(false);
    QTest::keyClick(window_, Qt::Key_Delete);
    QCOMPARE(removes.count(), 0);  // offered but not enabled
    remove->setEnabled(true);
    QTest::keyClick(window_, Qt::Key_Delete);
    QCOMPARE(removes.count(), 1);
    remove->setVisible(false);
    QTest::keyClick(window_, Qt::Key_Delete);
    QCOMPARE(removes.count(), 1);
    program_->mainFrame()->setTwainBusy(true);  // a scan takes no keys
    QTest::keyClick(window_, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(opens.count(), 1);
    program_->mainFrame()->setTwainBusy(false);
  }

  void showsResizePointersOverItsEdgesOnly() {
    open(claim({}));
    showNormalAt({100, 100, 900, 700});
    // A move without a button, as the window system delivers it: to the widget under the
    // pointer, from where it passes to the parents that follow the pointer.
    const auto shapeAt = [this](QPoint at) {
      QWidget* target = window_->childAt(at);
      if (!target) target = window_;
      const QPoint local = target->mapFrom(window_, at);
      QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(target->mapToGlobal(local)),
                       Qt::NoButton, Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(target, &move);
      return window_->cursor().shape();
    };
    QCOMPARE(shapeAt({3, 300}), Qt::SizeHorCursor);
    QCOMPARE(shapeAt({896, 300}), Qt::SizeHorCursor);
    QCOMPARE(shapeAt({450, 697}), Qt::SizeVerCursor);
    QCOMPARE(shapeAt({4, 4}), Qt::SizeFDiagCursor);
    QCOMPARE(shapeAt({895, 4}), Qt::SizeBDiagCursor);
    QCOMPARE(shapeAt({450, 300}), Qt::ArrowCursor);
    QCOMPARE(shapeAt({896, 695}), Qt::SizeFDiagCursor);
    QCOMPARE(shapeAt({400, 22}), Qt::ArrowCursor);  // the caption moves, it does not resize
    window_->showMaximized();
    QTRY_VERIFY(window_->isMaximized());
    QCOMPARE(shapeAt({2, 300}), Qt::ArrowCursor);  // a maximised window has no edges
  }

  void movesByItsCaptionOnly() {
    open(claim({}));
    showNormalAt({100, 100, 900, 700});
    drag({400, 22}, {40, 30});
    QTRY_COMPARE(window_->pos(), QPoint(140, 130));
    QCOMPARE(window_->size(), QSize(900, 700));
    drag({450, 300}, {40, 30});  // the page does not move the window
    QCOMPARE(window_->pos(), QPoint(140, 130));
  }

  void resizesByItsCornerAndGripNeverBelowTheLeast() {
    open(claim({}));
    showNormalAt({100, 100, 900, 700});
    QVERIFY(named("butn_resize")->isVisible());
    drag({895, 695}, {50, 40});
    QTRY_COMPARE(window_->geometry(), QRect(100, 100, 950, 740));
    const QWidget* grip = named("butn_resize");
    drag(grip->mapTo(window_, grip->rect().center()), {-400, -400});
    QTRY_COMPARE(window_->size(), QSize(800, 600));
    QCOMPARE(window_->pos(), QPoint(100, 100));
    drag({3, 300}, {-30, 0});  // the left edge
    QTRY_COMPARE(window_->geometry(), QRect(70, 100, 830, 600));
  }

  void theMaximiseBoxFollowsTheWindowState() {
    open(claim({}));
    auto* box = qobject_cast<QAbstractButton*>(named("chck_maxwindows"));
    showNormalAt({100, 100, 900, 700});
    QVERIFY(box->isChecked());
    QCOMPARE(box->toolTip(), QString("Maximise"));
    box->click();
    QTRY_VERIFY(window_->isMaximized());
    QTRY_VERIFY(!box->isChecked());
    QCOMPARE(box->toolTip(), QString("Restore"));
    QVERIFY(!named("butn_resize")->isVisible());
  }

  void closesByItsCloseButtonUnlessHeldOpen() {
    open(claim({}));
    bool asked = false;
    program_->mainFrame()->closeGuard = [&] {
      asked = true;
      return false;
    };
    qobject_cast<QAbstractButton*>(named("butn_close"))->click();
    QVERIFY(asked);
    QVERIFY(window_->isVisible());
    program_->mainFrame()->closeGuard = nullptr;
    qobject_cast<QAbstractButton*>(named("butn_close"))->click();
    QTRY_VERIFY(!window_->isVisible());
    program_.reset();  // shuts down cleanly
  }

  void aLaterStartHandsOverItsTwoFilesExactlyOnce() {
    open(claim({}));
    const std::string folder = user_->home();
    const auto later = startLater(*user_, folder, {"one.jpg", "/scans/two.jpg"});
    QCOMPARE(later.exitCode, 0);
    qInfo("hand-over by a later start: %.0f ms", later.seconds * 1000);
    QVERIFY(later.seconds < 2.0);
    expectReceivedOnce({QString::fromStdString(folder + "/one.jpg"), "/scans/two.jpg"});
    QCOMPARE(handover::pendingCount(program_->settings().iniPath()), 0);
  }

  void aLaterStartWithoutFilesOnlyBringsTheWindowForward() {
    open(claim({}));
    window_->showMinimized();
    QTRY_VERIFY(window_->isMinimized());
    QCOMPARE(startLater(*user_, user_->home(), {}).exitCode, 0);
    QTRY_VERIFY(!window_->isMinimized());
    QTest::qWait(100);
    QCOMPARE(received_->count(), 0);
  }

  void aStartWhileTheFirstIsStillStartingLosesNoFile() {
    auto lock = claim({"/first/own.jpg"});
    QVERIFY(lock);
    // The first start holds the lock but has no window yet.
    const auto later = startLater(*user_, user_->home(), {"/later/a.jpg", "/later/b.jpg"});
    QCOMPARE(later.exitCode, 0);
    open(std::move(lock));
    expectReceivedOnce({"/first/own.jpg", "/later/a.jpg", "/later/b.jpg"});
  }

  void filesArrivingWhileTheResultIsShownAreDropped() {
    open(claim({}));
    program_->mainFrame()->showPage(kResultPage);
    QCOMPARE(startLater(*user_, user_->home(), {"/late/x.jpg"}).exitCode, 0);
    QTRY_COMPARE(handover::pendingCount(program_->settings().iniPath()), 0);
    program_->mainFrame()->showPage(kScanPage);
    QTest::qWait(200);
    QCOMPARE(received_->count(), 0);
  }

  void theRealProgramPaintsItsWindowAndEndsCleanly() {
    tessaly::test::ChildRun run;
    run.program = TESSALY_PROGRAM;
    run.environment = user_->environment();
    run.environment.emplace_back("TESSALY_SNAPSHOT", user_->file("window.png"));
    run.timeLimit = std::chrono::seconds(20);
    const auto result = tessaly::test::runChild(run);
    QCOMPARE(result.exitCode, 0);
    qInfo("cold start to a painted window: %.0f ms", result.seconds * 1000);
    QImage snapshot(QString::fromStdString(user_->file("window.png")));
    QVERIFY(snapshot.width() >= 800 && snapshot.height() >= 600);
  }
};

int app_test::runMainWindowTests(int argc, char** argv) {
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
