// Numbers of the texts that saving shows, and the small text helpers saving shares.
#pragma once

#include <QString>
#include <functional>

namespace tessaly::app {

namespace text {
constexpr int kWriteFailed = 20;
constexpr int kFolderNotWritable = 25;
constexpr int kResultName = 27;    // "%d" inside
constexpr int kSavingStatus = 28;  // "%s" inside
constexpr int kSavedStatus = 29;   // "%s" inside
constexpr int kSaveFilter = 31;    // pairs of description and pattern, each ended by "\0"
constexpr int kResultSaved = 33;
constexpr int kSaveScansTitle = 36;
constexpr int kScanName = 37;  // "%d" inside
constexpr int kPathTooLong = 41;
}  // namespace text

// Paths of this many characters or more are refused.
constexpr int kLongestPath = 256;

// `format` with its first "%d" (or "%s") replaced by `value`.
QString withNumber(const QString& format, int value);
QString withText(const QString& format, const QString& value);

// The first n from 1 for which `taken(name)` is false, `name` being `format` with n.
QString firstFreeName(const QString& format, const std::function<bool(const QString&)>& taken);

// A folder path that ends with "/".
QString withSlash(const QString& folder);

}  // namespace tessaly::app
