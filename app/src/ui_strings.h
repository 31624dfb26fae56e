// The program's numbered texts (window title, status lines, tooltips, messages), read once
// from the text table "stringRes.pui" in the UI folder.
#pragma once

#include <QString>

struct ZanObject;

namespace tessaly::app {

namespace text {
constexpr int kScanStatus = 1;
constexpr int kScannerHint = 2;
constexpr int kNoScannerHint = 3;
constexpr int kNoScannerDetails = 4;
constexpr int kScannerDetails = 5;
constexpr int kSeveralPiecesHint = 6;
constexpr int kFilesLoaded = 7;  // "%d" inside
constexpr int kSeveralScansHint = 8;
constexpr int kResultHint = 9;
constexpr int kResultArrived = 11;
constexpr int kStartStatus = 14;
constexpr int kStitchingRow = 15;
constexpr int kRestoreTip = 16;  // the maximise box's tooltip when maximised
constexpr int kMaximiseTip = 17;
constexpr int kNoMemory = 18;
constexpr int kUnsuitablePieces = 19;
constexpr int kNotWritten = 20;
constexpr int kTitle = 21;
constexpr int kStitchFailed = 23;
constexpr int kOnePieceHint = 26;
constexpr int kSavedHint = 33;
constexpr int kScansLoaded = 34;  // "%d" inside
constexpr int kOneScanHint = 30;
constexpr int kScannerNotOpened = 35;
constexpr int kTooManyPieces = 39;
constexpr int kStitchingGrid = 40;
}  // namespace text

class UiStrings {
 public:
  // Loads the table from `uiFolder`; false (with the reason in error()) when it cannot.
  bool load(const QString& uiFolder);
  // Text n, or an empty string when the table has none.
  QString text(int number) const;
  // Sets a control's text to text n.
  void setControlText(ZanObject* control, int number) const;
  const QString& error() const { return error_; }
  ~UiStrings();

 private:
  ZanObject* table_ = nullptr;
  QString error_;
};

}  // namespace tessaly::app
