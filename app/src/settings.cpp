#include "settings.h"

#include <cctype>
#include <charconv>
#include <filesystem>

#include "folders.h"
#include "tessaly/profile_store.h"

namespace tessaly::app {
namespace {

using profile::ProfileFile;
constexpr const char* kSection = "USER";
constexpr const char* kCountKey = "MONITOR_DROG_NUM";

std::string fileKey(size_t index) {
  return "MONITOR_DROG_FILE" + std::to_string(index);
}

// A decimal number at the start of the text (after blanks), or `fallback` when there is none.
int leadingNumber(std::string_view text, int fallback) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end != text.data() ? value : fallback;
}

int countIn(const ProfileFile& file) {
  return std::max(0, leadingNumber(file.value(kSection, kCountKey, "0"), 0));
}

void setFiles(ProfileFile& file, size_t first, const std::vector<std::string>& files) {
  for (size_t i = 0; i < files.size(); ++i) file.setValue(kSection, fileKey(first + i), files[i]);
  file.setValue(kSection, kCountKey, std::to_string(first + files.size()));
}

}  // namespace

Settings Settings::standard() {
  return Settings(appDataFolder() + "Tessaly.ini", programFolder() + "Tessaly.set");
}

Settings::Settings(std::string iniPath, std::string setPath)
    : iniPath_(std::move(iniPath)), setPath_(std::move(setPath)) {}

std::string Settings::read(const char* key, const char* fallback) const {
  return profile::readProfileString(iniPath_, kSection, key, fallback);
}

void Settings::write(const char* key, const std::string& value) const {
  profile::writeProfileString(iniPath_, kSection, key, value);
}

std::string Settings::folder(const char* key) const {
  const std::string stored = read(key, "");
  std::error_code error;
  if (!stored.empty() && std::filesystem::is_directory(stored, error)) return stored;
  return picturesFolder();
}

int Settings::cropSize(const char* key) const {
  return leadingNumber(read(key, "1200").substr(0, 9), 1200);
}

int Settings::limit(int& cached, const char* key, int fallback) {
  if (cached == 0) {
    cached = leadingNumber(profile::readProfileString(setPath_, kSection, key, ""), fallback);
  }
  return cached;
}

std::string Settings::lastOpenFolder() const {
  return folder("lastopenfolder");
}
void Settings::setLastOpenFolder(const std::string& f) {
  write("lastopenfolder", f);
}
std::string Settings::lastSaveFolder() const {
  return folder("lastsavefolder");
}
void Settings::setLastSaveFolder(const std::string& f) {
  write("lastsavefolder", f);
}
std::string Settings::defaultExportPath() const {
  return folder("DefaultExportPath");
}
void Settings::setDefaultExportPath(const std::string& f) {
  write("DefaultExportPath", f);
}
std::string Settings::stitchMethod() const {
  std::string method = read("StitchMethod", "verified");
  for (char& c : method) c = char(std::tolower(static_cast<unsigned char>(c)));
  return method == "classic" ? method : "verified";
}
void Settings::setStitchMethod(const std::string& method) {
  write("StitchMethod", method);
}

std::string Settings::lastScanFileExt() const {
  return read("lastScanFileExt", ".TIF");
}
void Settings::setLastScanFileExt(const std::string& e) {
  write("lastScanFileExt", e);
}
std::string Settings::defaultScanDevice() const {
  return read("DefaultScanDevice", "");
}
void Settings::setDefaultScanDevice(const std::string& n) {
  write("DefaultScanDevice", n);
}
int Settings::manualCropWidth() const {
  return cropSize("ManualCrop_Width");
}
void Settings::setManualCropWidth(int h) {
  write("ManualCrop_Width", std::to_string(h));
}
int Settings::manualCropHeight() const {
  return cropSize("ManualCrop_Height");
}
void Settings::setManualCropHeight(int h) {
  write("ManualCrop_Height", std::to_string(h));
}
int Settings::maxFilesNum() {
  return limit(maxFilesNum_, "MaxFilesNum", 10);
}
int Settings::maxSizeDiff() {
  return limit(maxSizeDiff_, "MaxSizeDiff", 20);
}

namespace handover {

void addFiles(ProfileFile& file, const std::vector<std::string>& files, bool replace) {
  setFiles(file, replace ? 0 : size_t(countIn(file)), files);
}

bool appendFiles(const std::string& iniPath, const std::vector<std::string>& files) {
  return profile::editProfile(
      iniPath, [&](ProfileFile& file) { setFiles(file, size_t(countIn(file)), files); });
}

std::vector<std::string> takeFiles(const std::string& iniPath) {
  std::vector<std::string> files;
  profile::editProfile(iniPath, [&](ProfileFile& file) {
    const int count = countIn(file);
    for (int i = 0; i < count; ++i) {
      const auto path = file.value(kSection, fileKey(size_t(i)));
      if (path && !path->empty()) files.push_back(*path);
      file.remove(kSection, fileKey(size_t(i)));
    }
    file.setValue(kSection, kCountKey, "0");
  });
  return files;
}

void dropFiles(const std::string& iniPath) {
  takeFiles(iniPath);
}

int pendingCount(const std::string& iniPath) {
  return countIn(profile::readProfile(iniPath));
}

}  // namespace handover

}  // namespace tessaly::app
