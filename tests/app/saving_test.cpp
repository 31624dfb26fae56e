// Writing pictures through the format plug-ins, the Result page's Save and the Scan page's save
// scans: files read back through the engine, failures that must leave old files alone, and the
// names, types and settings the save flows choose.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine_export.h"
#include "file_dialog_typing.h"
#include "file_text.h"
#include "folders.h"
#include "picture_writer.h"
#include "result_save.h"
#include "save_dialog.h"
#include "save_scans.h"
#include "settings.h"
#include "tessaly/host/operations.h"
#include "ui_strings.h"
#include "user_folders.h"
#include "zanFileIO.h"
#include "zanengin.h"

namespace {

namespace fs = std::filesystem;
using namespace tessaly::app;
using namespace tessaly::host;
using tessaly::test::readText;
using tessaly::test::writeText;

// A host picture holding a smooth pattern (kind to JPEG) at the given resolution.
ZanObject* makePicture(int width, int height, int across = 300, int down = 200) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / std::max(height, 1), 128));
  ZanObject* picture = Zan0CreateObj(kPicture);
  Zan0Inter(picture, op::kPictureSetImage, reinterpret_cast<intptr_t>(&image));
  Zan0Inter(picture, op::kPictureSetResolution, across, down);
  return picture;
}

QImage hostImage(ZanObject* picture) {
  QImage image;
  Zan0Inter(picture, op::kPictureImage, reinterpret_cast<intptr_t>(&image));
  return image.convertToFormat(QImage::Format_BGR888);
}

// A file as the engine reads it back.
struct ReadBack {
  QImage image;  // blue, green, red
  int bitsPerPixel = 0;
  int across = 0, down = 0;
};

int32_t pictureValue(zanHandle picture, int32_t id) {
  int32_t value = 0;
  zanGetPictureProperty(picture, id, &value, sizeof value, nullptr);
  return value;
}

ReadBack readBack(const std::string& path) {
  ReadBack result;
  const zanHandle picture = zanCreatePicture(nullptr);
  ZanImportOptions options{};
  options.type = ZAN_IMPORT_FLATTENED;
  const auto name = engineFileName(QString::fromStdString(path));
  if (name && zanImportToPicture(0, picture, name->data(), &options) == ZAN_OK) {
    result.bitsPerPixel = pictureValue(picture, ZAN_PICT_BPP);
    result.across = pictureValue(picture, 14001);
    result.down = pictureValue(picture, 14002);
    const int width = pictureValue(picture, ZAN_PICT_WIDTH);
    const int height = pictureValue(picture, ZAN_PICT_HEIGHT);
    if (result.bitsPerPixel == 24) {
      result.image = QImage(width, height, QImage::Format_BGR888);
      zanGetLayerBits(result.image.bits(), zanGetLayer(picture, 1, nullptr), 0, 0, width, height,
                      int32_t(result.image.bytesPerLine()));
    } else {
      result.image = QImage(width, height, QImage::Format_Grayscale8);
    }
  }
  zanDestroyPicture(picture);
  return result;
}

double meanDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int i = 0; i < a.width() * 3; ++i)
      sum += std::abs(int(a.constScanLine(y)[i]) - int(b.constScanLine(y)[i]));
  return sum / (double(a.width()) * a.height() * 3);
}

class SavingTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(strings_.load(QString::fromStdString(programFolder() + "UI")))
        << strings_.error().toStdString();
    fs::create_directories(folder_);
  }
  void TearDown() override {
    for (ZanObject* picture : pictures_) Zan0Release(picture);
  }
  ZanObject* picture(int width, int height, int across = 300, int down = 200) {
    pictures_.push_back(makePicture(width, height, across, down));
    return pictures_.back();
  }
  std::string in(const std::string& name) const { return folder_ + "/" + name; }
  QString qin(const std::string& name) const { return QString::fromStdString(in(name)); }
  std::vector<std::string> filesIn(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // A path whose folder is a plain file: no one, not even the superuser, makes a file there.
  std::string unwritableFolder() const {
    const std::string plain = in("plain");
    writeText(plain, "not a folder");
    return plain;
  }

  app_test::UserFolders user_;
  std::string folder_ = user_.file("out");
  Settings settings_{user_.file("Tessaly.ini"), user_.file("Tessaly.set")};
  UiStrings strings_;
  std::vector<ZanObject*> pictures_;
};

TEST_F(SavingTest, TiffJpegAndBmpReadBackWithTheirPixelsSizeAndResolution) {
  ZanObject* source = picture(67, 45, 300, 200);
  const QImage expected = hostImage(source);
  for (const std::string name : {"a.tif", "b.TIFF", "c.jpg", "d.jpeg", "e.bmp"}) {
    SCOPED_TRACE(name);
    QString reason;
    ASSERT_TRUE(writePicture(source, qin(name), &reason)) << reason.toStdString();
    const ReadBack back = readBack(in(name));
    ASSERT_EQ(back.bitsPerPixel, 24);
    EXPECT_EQ(back.image.size(), expected.size());
    EXPECT_EQ(back.across, 300);
    EXPECT_EQ(back.down, 200);
    const bool lossy = name.find(".jp") != std::string::npos;
    if (lossy) {
      EXPECT_LT(meanDifference(back.image, expected), 3.0);
    } else {
      EXPECT_EQ(meanDifference(back.image, expected), 0.0);
    }
  }
  // Only the five files: no temporary file is left.
  EXPECT_EQ(filesIn(folder_).size(), 5u);
}

TEST_F(SavingTest, AFailedWriteLeavesTheOldFileAndNothingElse) {
  writeText(in("keep.jpg"), "old bytes");
  // JPEG holds at most 65500 pixels a side: the writer fails once the file is begun.
  QString reason;
  EXPECT_FALSE(writePicture(picture(70000, 1), qin("keep.jpg"), &reason));
  EXPECT_FALSE(reason.isEmpty());
  EXPECT_EQ(readText(in("keep.jpg")), "old bytes");
  EXPECT_EQ(filesIn(folder_), std::vector<std::string>{"keep.jpg"});

  // A folder that cannot take the file, a type no writer takes and a GIF without a GIF writer.
  ZanObject* small = picture(8, 8);
  EXPECT_FALSE(writePicture(small, QString::fromStdString(unwritableFolder() + "/x.tif")));
  EXPECT_FALSE(writePicture(small, qin("x.xyz"), &reason));
  EXPECT_FALSE(reason.isEmpty());
  EXPECT_EQ(filesIn(folder_), (std::vector<std::string>{"keep.jpg", "plain"}));
  if (!formatHasWriter(PLUG_FORMAT_GIF)) {
    EXPECT_FALSE(writePicture(small, qin("x.gif"), &reason));
    EXPECT_FALSE(reason.isEmpty());
  }
}

TEST_F(SavingTest, BitsPerPixelAndTheTemplateFileShapeTheWrittenFile) {
  // Option 104 at 8 makes the BMP writer reduce the picture to a palette.
  ZanObject* eight = picture(16, 16);
  Zan0Inter(eight, op::kPictureSetSaveOption, kSaveOptionBitsPerPixel, 8);
  ASSERT_TRUE(writePicture(eight, qin("eight.bmp")));
  EXPECT_EQ(readBack(in("eight.bmp")).bitsPerPixel, 8);

  // A TIFF following that 8-bit file is 8 bits too; without a template it keeps 24 bits.
  ZanObject* colour = picture(16, 16);
  const QByteArray templatePath = qin("eight.bmp").toUtf8();
  Zan0Inter(colour, op::kPictureSetSaveOption, kSaveOptionTemplate,
            reinterpret_cast<intptr_t>(templatePath.constData()));
  ASSERT_TRUE(writePicture(colour, qin("follows.tif")));
  EXPECT_EQ(readBack(in("follows.tif")).bitsPerPixel, 8);
  Zan0Inter(colour, op::kPictureSetSaveOption, kSaveOptionTemplate, 0);
  ASSERT_TRUE(writePicture(colour, qin("plain.tif")));
  EXPECT_EQ(readBack(in("plain.tif")).bitsPerPixel, 24);
}

// A Save whose dialog is replaced: it records what it was offered and answers `answer`.
struct SaveRun {
  QString folder, proposedName, extension;
  int filterIndex = 0;
  std::vector<int> messages;
  std::vector<QString> statusLines;
  QString statusLine = "before";
};

void replaceDialogs(ResultSaver& saver, SaveRun& run, const QString& answer) {
  saver.choosePath = [&run, answer](const QString& folder, const QString& name,
                                    const QString& extension, int index) {
    run.folder = folder;
    run.proposedName = name;
    run.extension = extension;
    run.filterIndex = index;
    return answer;
  };
  saver.showMessage = [&run](int number, int) { run.messages.push_back(number); };
  saver.setStatus = [&run](const QString& line) {
    run.statusLine = line;
    run.statusLines.push_back(line);
  };
  saver.status = [&run] { return run.statusLine; };
}

TEST_F(SavingTest, SaveProposesNameAndTypeFromTheFirstPiece) {
  settings_.setLastSaveFolder(folder_ + "/");
  writeText(in("Stitched 1.TIF"), "taken");
  struct Case {
    const char* source;
    const char* extension;
    int filterIndex;
    const char* name;
  };
  for (const Case& c :
       {Case{"/p/a.jpg", ".JPG", 1, "Stitched 1"}, Case{"/p/a.JPEG", ".JPEG", 1, "Stitched 1"},
        Case{"/p/a.tif", ".TIF", 2, "Stitched 2"}, Case{"/p/a.Tiff", ".TIFF", 2, "Stitched 1"},
        Case{"/p/a.bmp", ".BMP", 3, "Stitched 1"}, Case{"/p/a.png", ".JPG", 1, "Stitched 1"}}) {
    SCOPED_TRACE(c.source);
    ResultSaver saver(nullptr, strings_, settings_);
    SaveRun run;
    replaceDialogs(saver, run, "");
    SaveSource source;
    source.sourcePath = c.source;
    EXPECT_EQ(saver.save(picture(4, 4), source), SaveOutcome::Cancelled);
    EXPECT_EQ(run.folder.toStdString(), folder_ + "/");
    EXPECT_EQ(run.extension, c.extension);
    EXPECT_EQ(run.filterIndex, c.filterIndex);
    EXPECT_EQ(run.proposedName, c.name);
    EXPECT_TRUE(run.statusLines.empty());
  }
  EXPECT_EQ(filesIn(folder_), std::vector<std::string>{"Stitched 1.TIF"});
}

TEST_F(SavingTest, SaveFromTheScannerWritesAndRemembersExtensionAndFolder) {
  SaveRun run;
  ResultSaver saver(nullptr, strings_, settings_);
  replaceDialogs(saver, run, qin("result.bmp"));
  SaveSource source;
  source.fromScanner = true;
  source.sourcePath = "/pictbin/Scaned1.TIF";
  source.sourceBitDepth = 24;
  ZanObject* result = picture(20, 10);
  EXPECT_EQ(saver.save(result, source), SaveOutcome::Saved);
  EXPECT_EQ(run.extension, ".TIF");  // the stored default
  EXPECT_EQ(run.filterIndex, 2);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(settings_.lastScanFileExt(), ".BMP");
  EXPECT_EQ(settings_.lastSaveFolder(), folder_ + "/");
  EXPECT_EQ(run.statusLines.front(), "Saving " + qin("result.bmp") + " ...");
  EXPECT_EQ(run.statusLine, "Saved " + qin("result.bmp"));
  // Resolutions below 1 are written as 50.
  const ReadBack back = readBack(in("result.bmp"));
  EXPECT_EQ(back.image.size(), QSize(20, 10));
  EXPECT_EQ(back.across, 50);
  EXPECT_EQ(back.down, 50);
  EXPECT_EQ(Zan0Inter(result, op::kPictureSaveOption, kSaveOptionTemplate), 0);
}

TEST_F(SavingTest, SaveKeepsTheSourcesBitDepthForTheSameType) {
  SaveRun run;
  ResultSaver saver(nullptr, strings_, settings_);
  replaceDialogs(saver, run, qin("grey.bmp"));
  SaveSource source;
  source.sourcePath = "/p/piece.BMP";
  source.sourceBitDepth = 8;
  source.xResolution = source.yResolution = 150;
  ZanObject* result = picture(12, 12);
  EXPECT_EQ(saver.save(result, source), SaveOutcome::Saved);
  EXPECT_EQ(Zan0Inter(result, op::kPictureSaveOption, kSaveOptionBitsPerPixel), 8);
  const ReadBack back = readBack(in("grey.bmp"));
  EXPECT_EQ(back.bitsPerPixel, 8);
  EXPECT_EQ(back.across, 150);
}

TEST_F(SavingTest, AnUnwritableFolderSavesNothingAndSaysSo) {
  const std::string plain = unwritableFolder();
  SaveRun run;
  ResultSaver saver(nullptr, strings_, settings_);
  replaceDialogs(saver, run, QString::fromStdString(plain + "/result.jpg"));
  EXPECT_EQ(saver.save(picture(4, 4), SaveSource{}), SaveOutcome::Failed);
  EXPECT_EQ(run.messages, std::vector<int>{25});
  EXPECT_EQ(run.statusLine, "before");
  EXPECT_NE(settings_.lastSaveFolder(), plain + "/");
  EXPECT_EQ(filesIn(folder_), std::vector<std::string>{"plain"});
}

TEST_F(SavingTest, AFailedWriteRestoresTheStatusAndKeepsTheOldFile) {
  settings_.setLastSaveFolder(user_.home() + "/");
  writeText(in("result.jpg"), "old result");
  SaveRun run;
  ResultSaver saver(nullptr, strings_, settings_);
  replaceDialogs(saver, run, qin("result.jpg"));
  // The file exists afterwards, yet the save failed and says so.
  EXPECT_EQ(saver.save(picture(70000, 1), SaveSource{}), SaveOutcome::Failed);
  EXPECT_EQ(run.messages, std::vector<int>{20});
  ASSERT_EQ(run.statusLines.size(), 2u);
  EXPECT_EQ(run.statusLine, "before");
  EXPECT_EQ(readText(in("result.jpg")), "old result");
  EXPECT_EQ(filesIn(folder_), std::vector<std::string>{"result.jpg"});
  EXPECT_EQ(settings_.lastSaveFolder(), user_.home() + "/");
}

// Runs `act` on the file dialog once it is open.
void whenDialogOpens(const std::function<void(QFileDialog*)>& act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(dialog);
    }
  });
  timer->start();
}

TEST_F(SavingTest, TheSaveDialogOffersTheTypesAndAddsTheChosenTypesExtension) {
  EXPECT_EQ(nameFilters(strings_.text(31)),
            (QStringList{"JPEG picture (*.jpg)", "TIFF picture (*.tif)", "Bitmap (*.bmp)"}));
  EXPECT_EQ(nameFilters("Pictures\\0*.jpg;*.png\\0"), QStringList{"Pictures (*.jpg *.png)"});

  ResultSaver saver(nullptr, strings_, settings_);
  settings_.setLastSaveFolder(folder_ + "/");
  QString offered;
  whenDialogOpens([&](QFileDialog* dialog) {
    offered = dialog->selectedNameFilter();
    ASSERT_TRUE(app_test::typeFileName(dialog, "typed"));
    static_cast<QDialog*>(dialog)->accept();  // as the Save button does
  });
  const QString chosen = saver.choosePath(qin(""), "Stitched 1", ".TIF", 2);
  EXPECT_EQ(offered, "TIFF picture (*.tif)");
  EXPECT_EQ(chosen, qin("typed.TIF"));

  whenDialogOpens([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_TRUE(saver.choosePath(qin(""), "Stitched 1", ".JPG", 1).isEmpty());
}

class SaveScansTest : public SavingTest {
 protected:
  void SetUp() override {
    SavingTest::SetUp();
    fs::create_directories(pieces_);
    writeText(pieces_ + "/b.jpg", "first piece");
    writeText(pieces_ + "/a.TIF", "second piece");
    saver_.showMessage = [this](int number, int) { messages_.push_back(number); };
    saver_.choosePath = [this](const QString& folder, const QString& name) {
      offeredFolder_ = folder;
      offeredName_ = name;
      return answer_;
    };
  }
  QStringList pieces(std::initializer_list<const char*> names) const {
    QStringList list;
    for (const char* name : names) list << QString::fromStdString(pieces_ + "/" + name);
    return list;
  }

  std::string pieces_ = user_.file("pieces");
  ScanSaver saver_{nullptr, strings_, settings_};
  std::vector<int> messages_;
  QString offeredFolder_, offeredName_, answer_;
};

TEST_F(SaveScansTest, CopiesEveryPieceNumberedInListOrderWithItsOwnExtension) {
  settings_.setDefaultExportPath(folder_ + "/");
  writeText(in("Scan 1-1.png"), "taken");
  answer_ = qin("My scan.jpg");
  EXPECT_TRUE(saver_.save(pieces({"b.jpg", "a.TIF"})));
  EXPECT_EQ(offeredFolder_.toStdString(), folder_ + "/");
  EXPECT_EQ(offeredName_, "Scan 2");
  EXPECT_EQ(readText(in("My scan-1.jpg")), "first piece");
  EXPECT_EQ(readText(in("My scan-2.TIF")), "second piece");
  EXPECT_EQ(filesIn(folder_),
            (std::vector<std::string>{"My scan-1.jpg", "My scan-2.TIF", "Scan 1-1.png"}));
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(settings_.defaultExportPath(), folder_ + "/");
}

TEST_F(SaveScansTest, AFailedCopyIsReportedAndLeavesNoCopy) {
  answer_ = qin("lost");
  EXPECT_FALSE(saver_.save(pieces({"b.jpg", "gone.jpg", "a.TIF"})));
  EXPECT_EQ(messages_, std::vector<int>{20});
  EXPECT_TRUE(filesIn(folder_).empty());

  answer_ = QString::fromStdString(unwritableFolder() + "/x");
  EXPECT_FALSE(saver_.save(pieces({"b.jpg"})));
  EXPECT_EQ(messages_, (std::vector<int>{20, 20}));

  // Cancelling copies nothing and is no failure.
  answer_.clear();
  EXPECT_TRUE(saver_.save(pieces({"b.jpg"})));
  EXPECT_EQ(filesIn(folder_), std::vector<std::string>{"plain"});
}

}  // namespace
