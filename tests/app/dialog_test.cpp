// The skinned dialogs and the message box, run modally the way the program runs them.
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include "explanation_dialog.h"
#include "folders.h"
#include "message_box.h"
#include "progress_panel.h"
#include "save_question.h"
#include "tessaly/host/widgets.h"
#include "ui_strings.h"
#include "window_tests.h"

using namespace tessaly::app;

class DialogTest : public QObject {
  Q_OBJECT

 private:
  UiStrings strings_;
  std::unique_ptr<QWidget> owner_;

  static QWidget* named(QWidget* dialog, const char* name) {
    return dialog->findChild<QWidget*>(name);
  }
  static void click(QWidget* dialog, const char* name) {
    qobject_cast<QAbstractButton*>(named(dialog, name))->click();
  }
  static bool shown(QWidget* dialog, const char* name) {
    QWidget* control = named(dialog, name);
    return control && control->isVisible();
  }

 private slots:
  void initTestCase() {
    QVERIFY(strings_.load(QString::fromStdString(programFolder() + "UI")));
    owner_ = std::make_unique<QWidget>();
    owner_->setGeometry(100, 100, 800, 600);
    owner_->show();
    QVERIFY(QTest::qWaitForWindowExposed(owner_.get()));
  }

  void aYesNoQuestionShowsItsButtonsAndIconAndEscapeCancels() {
    QStringList visible;
    app_test::whenModal([&](QDialog* box) {
      for (const char* name : {"butn_ok", "butn_yes", "butn_no", "butn_cancel", "cata_error",
                               "cata_question", "cata_warning", "cata_information"}) {
        if (shown(box, name)) visible << name;
      }
      visible << qobject_cast<QLabel*>(named(box, "view_title"))->text();
      visible << qobject_cast<QLabel*>(named(box, "view_text"))->text();
      QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(messageBox(owner_.get(), strings_, 39, kStyleYesNo | kIconQuestion), kIdCancel);
    QCOMPARE(visible,
             QStringList({"butn_yes", "butn_no", "cata_question", "Tessaly", strings_.text(39)}));
  }

  void buttonsAndEnterGiveTheirIds() {
    app_test::whenModal([](QDialog* box) { click(box, "butn_no"); });
    QCOMPARE(messageBox(owner_.get(), strings_, 39, kStyleYesNo), kIdNo);
    app_test::whenModal([](QDialog* box) { click(box, "butn_cancel"); });
    QCOMPARE(messageBox(owner_.get(), strings_, 20, kStyleOkCancel | kIconWarning), kIdCancel);
    app_test::whenModal([](QDialog* box) { QTest::keyClick(box, Qt::Key_Return); });
    QCOMPARE(messageBox(owner_.get(), strings_, 20, kStyleOk | kIconError), kIdOk);
    // Enter answers with the focused button: the first one, Yes.
    app_test::whenModal([](QDialog* box) { QTest::keyClick(box, Qt::Key_Return); });
    QCOMPARE(messageBox(owner_.get(), strings_, 39, kStyleYesNo), kIdYes);
  }

  void theCloseControlMeansCancel() {
    app_test::whenModal([](QDialog* box) { click(box, "butn_close"); });
    QCOMPARE(messageBox(owner_.get(), strings_, 39, kStyleYesNo | kIconQuestion), kIdCancel);
  }

  void theSaveQuestionStaysUnlessAnsweredByItsButtons() {
    app_test::whenModal([](QDialog* question) { click(question, "butn_close"); });
    QCOMPARE(askToSaveResult(owner_.get(), "Tessaly"), kAnswerStay);
    app_test::whenModal([](QDialog* question) { QTest::keyClick(question, Qt::Key_Escape); });
    QCOMPARE(askToSaveResult(owner_.get(), "Tessaly"), kAnswerStay);
    app_test::whenModal([](QDialog* question) { click(question, "butn_continue"); });
    QCOMPARE(askToSaveResult(owner_.get(), "Tessaly"), kAnswerContinue);
    app_test::whenModal([](QDialog* question) { click(question, "butn_save"); });
    QCOMPARE(askToSaveResult(owner_.get(), "Tessaly"), kAnswerSave);
  }

  void aBoxRestoresAMinimisedMainWindowFirst() {
    owner_->showMinimized();
    QTRY_VERIFY(owner_->isMinimized());
    bool minimisedDuringBox = true;
    app_test::whenModal([&](QDialog* box) {
      minimisedDuringBox = owner_->isMinimized();
      click(box, "butn_ok");
    });
    QCOMPARE(messageBox(owner_.get(), strings_, 20, kStyleOk), kIdOk);
    QVERIFY(!minimisedDuringBox);
  }

  void aDialogDragsByItsTitleTextButNotByItsButtons() {
    QPoint before, afterTitle, afterButton;
    app_test::whenModal([&](QDialog* box) {
      QWidget* title = named(box, "view_title");
      before = box->pos();
      QTest::mousePress(title, Qt::LeftButton, {}, {5, 5});
      QTest::mouseMove(title, {35, 25});
      QTest::mouseRelease(title, Qt::LeftButton, {}, {35, 25});
      afterTitle = box->pos();
      QWidget* close = named(box, "butn_close");
      QTest::mousePress(close, Qt::LeftButton, {}, {5, 5});
      QTest::mouseMove(close, {35, 25});
      afterButton = box->pos();
      QTest::mouseRelease(close, Qt::LeftButton, {}, {35, 25});  // outside: no click
      click(box, "butn_ok");
    });
    QCOMPARE(messageBox(owner_.get(), strings_, 20, kStyleOk), kIdOk);
    QCOMPARE(afterTitle, before + QPoint(30, 20));
    QCOMPARE(afterButton, afterTitle);
  }

  void aDialogWithoutItsUiFileFailsCleanly() {
    SkinnedDialog missing(owner_.get(), "NoSuchDialog.pui", "Tessaly");
    QCOMPARE(missing.runModal(), -1);
    QVERIFY(missing.error().contains("NoSuchDialog.pui"));
  }

  void aModelessDialogDisablesItsOwnerWhileItLives() {
    QPointer<MessageDialog> box = new MessageDialog(owner_.get(), kStyleOk, "Tessaly", "Working");
    QVERIFY(box->showModeless());
    QVERIFY(!owner_->isEnabled());
    click(box, "butn_close");
    QTRY_VERIFY(box.isNull());
    QVERIFY(owner_->isEnabled());
  }

  void theProgressPanelShowsTheRunOverItsOwner() {
    ProgressPanel panel(strings_);
    QVERIFY(!panel.update(nullptr, 50));  // closed: nothing happens
    QVERIFY(panel.open("Stitching", owner_.get()));
    QWidget* dialog = panel.dialog();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QVERIFY(!owner_->isEnabled());
    QCOMPARE(dialog->geometry().center(), owner_->geometry().center());
    auto* bar = qobject_cast<QScrollBar*>(named(dialog, "hscrl_process"));
    QVERIFY(bar && !bar->isEnabled());
    QCOMPARE(qobject_cast<QLabel*>(named(dialog, "view_title"))->text(), QString("Tessaly"));

    const QString aligning = "Aligning";
    QVERIFY(!panel.update(&aligning, 55));
    QCOMPARE(qobject_cast<QLabel*>(named(dialog, "view"))->text(), QString("55%"));
    QCOMPARE(qobject_cast<QLabel*>(named(dialog, "view_text"))->text(), aligning);
    QCOMPARE(bar->value(), 55);
    QVERIFY(!panel.update(nullptr, 150));  // held to 100, the text kept
    QCOMPARE(bar->value(), 100);
    QCOMPARE(qobject_cast<QLabel*>(named(dialog, "view_text"))->text(), aligning);
    panel.close();
    QVERIFY(!panel.isOpen());
    QTRY_VERIFY(owner_->isEnabled());
  }

  void cancellingTheProgressPanelStopsAtTheNextUpdate() {
    for (const char* how : {"butn_cancel", "butn_close", "Escape"}) {
      ProgressPanel panel(strings_);
      QVERIFY(panel.open("Stitching", owner_.get()));
      QPointer<QWidget> dialog = panel.dialog();
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      if (QString(how) == "Escape") {
        QTest::keyClick(dialog, Qt::Key_Escape);
      } else {
        click(dialog, how);
      }
      QVERIFY2(dialog && dialog->isVisible(), how);  // the work notices it, not the panel
      QVERIFY2(panel.update(nullptr, 60), how);
      QVERIFY(!panel.isOpen());
      QTRY_VERIFY(dialog.isNull());
      QVERIFY(!panel.update(nullptr, 70));
    }
    QTRY_VERIFY(owner_->isEnabled());
  }

  void theProgressPanelGivesBackTheActivePanelOnlyWhileItIsThere() {
    auto* shownPanel = new QWidget(owner_.get());
    shownPanel->show();
    const auto shownControl = reinterpret_cast<intptr_t>(tessaly::host::controlOf(shownPanel));
    ProgressPanel panel(strings_);
    Zan0SetGValue(2, shownControl);
    QVERIFY(panel.open("Stitching", owner_.get()));
    Zan0SetGValue(2, 0);  // something else while the panel is up
    panel.close();
    QCOMPARE(Zan0GetGValue(2), shownControl);

    QVERIFY(panel.open("Stitching", owner_.get()));
    Zan0SetGValue(2, 0);
    delete shownPanel;  // gone while the panel was up
    panel.close();
    QCOMPARE(Zan0GetGValue(2), intptr_t(0));
  }

  void theExplanationClosesByOkAndShowsTheTitle() {
    QString title;
    app_test::whenModal([&](QDialog* dialog) {
      title = qobject_cast<QLabel*>(named(dialog, "cata_title"))->text();
      click(dialog, "butn_ok");
    });
    QVERIFY(explainStitchChoices(owner_.get(), strings_));
    QCOMPARE(title, QString("Tessaly"));
    app_test::whenModal([&](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QVERIFY(explainStitchChoices(owner_.get(), strings_));
  }

  void keysADialogLeavesReachItsFocusedControl() {
    std::vector<int> keys;
    app_test::whenModal([&](QDialog* dialog) {
      QWidget* yes = named(dialog, "butn_yes");
      yes->setFocus();
      Zan0Inter(tessaly::host::controlOf(yes), tessaly::host::op::kEventCallback,
                reinterpret_cast<intptr_t>(+[](ZanObject*, int event, intptr_t data, void* seen) {
                  if (event == tessaly::host::kEventKeyDown) {
                    static_cast<std::vector<int>*>(seen)->push_back(
                        reinterpret_cast<const tessaly::host::HostEvent*>(data)->key);
                  }
                  return intptr_t(0);
                }),
                reinterpret_cast<intptr_t>(&keys));
      QTest::keyClick(dialog, Qt::Key_Y);
      QTest::keyClick(dialog, Qt::Key_Escape);
    });
    messageBox(owner_.get(), strings_, 39, kStyleYesNo | kIconQuestion);
    QCOMPARE(keys, std::vector<int>({Qt::Key_Y}));
  }
};

int app_test::runDialogTests(int argc, char** argv) {
  DialogTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "dialog_test.moc"
