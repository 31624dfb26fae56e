// The links the engine's verified arrangement rests on. The engine writes them to the file that
// TESSALY_LINK_LOG names; a LinkLog names one in the run's work folder for as long as it lives
// and reads it back for the report.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run_record.h"

namespace tessaly::cli::stitch {

// The log's text with the pieces named by their place in loadOrder; nothing when the text is
// not a whole log or names a piece outside loadOrder.
std::optional<LinkSupport> parseLinkLog(const std::string& text,
                                        const std::vector<std::string>& loadOrder);

class LinkLog {
 public:
  explicit LinkLog(const std::string& folder);
  // Unsets the variable and removes the file.
  ~LinkLog();
  LinkLog(const LinkLog&) = delete;
  LinkLog& operator=(const LinkLog&) = delete;

  // What the engine wrote, if it wrote anything.
  std::optional<LinkSupport> read(const std::vector<std::string>& loadOrder) const;

 private:
  std::string path_;
};

}  // namespace tessaly::cli::stitch
