// The skinned dialogs and the message box, run modally the way the program runs them.
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QWidget>

#include "folders.h"
#include "message_box.h"
#include "save_question.h"
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
};

int app_test::runDialogTests(int argc, char** argv) {
  DialogTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "dialog_test.moc"
