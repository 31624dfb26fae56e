// Profile files on disk. A missing or unreadable file reads as an empty one, so every key has
// its default. A write never leaves a part-written file behind: the new text goes to a
// temporary file in the same folder, is flushed to disk and then renamed over the old file, so
// a crash at any moment leaves either the old settings or the new ones.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "tessaly/profile_file.h"

namespace tessaly::profile {

// The file's contents; empty when it is missing or cannot be read.
ProfileFile readProfile(const std::string& path);

// Replaces the file with `profile`'s text as described above, under the same lock as
// editProfile. False when the folder cannot be written (the old file is then untouched).
// Every write first removes the temporary files that killed writers left beside the file.
bool writeProfile(const std::string& path, const ProfileFile& profile);

// Reads the file, lets `change` edit it and writes it back, holding a lock (on a side file
// "<path>.lock") throughout so that two processes editing the same file never lose each
// other's changes. False when the lock or the write fails.
bool editProfile(const std::string& path, const std::function<void(ProfileFile&)>& change);

// One value, read fresh from the file.
std::string readProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback);
// One value, written at once; false when the file cannot be written.
bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);
// Removes one key; true also when it was not there.
bool removeProfileKey(const std::string& path, std::string_view section, std::string_view key);

}  // namespace tessaly::profile
