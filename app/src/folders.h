// The program's folders: its own (read only), the per-user data folder with the work folder
// PictBin, and the user's pictures folder. Every folder path ends with "/".
#pragma once

#include <optional>
#include <string>

namespace tessaly::app {

// The folder of the running program file.
std::string programFolder();

// A version cut after its second component for the data folder's name: "1.1.0.11" gives
// "1.1" and "2,5,0,1" gives "2.5"; any character that is not a digit, a letter or a blank
// becomes "." and the name ends before the second such character.
std::string versionFolderName(const std::string& version);

// $XDG_DATA_HOME (else ~/.local/share) + "Orlinda/Tessaly/<version>/", every missing level
// created; empty when it cannot be made.
std::string appDataFolder();

// The user's pictures folder: XDG_PICTURES_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, else
// ~/Pictures; created when missing.
std::string picturesFolder();

// appDataFolder() + "PictBin/", created on first use; empty when it cannot be made.
std::string pictBinFolder();

// A file name in PictBin that does not exist yet: folder, base name, the first free number from
// 1 and the extension. The base and extension come from `templateName` ("Result.TIF") or are
// "Scaned" and ".TIF". Nothing when PictBin cannot be made.
std::optional<std::string> uniquePictBinName(const std::string& templateName = "");

}  // namespace tessaly::app
