// The links a verified arrangement rests on, written for the caller to inspect. The nine
// exports have no room for them, so a caller that wants them (the command line's report) names a
// file in the environment variable TESSALY_LINK_LOG before QXAutoOrder; without it nothing is
// written. Writing is best effort: a log that cannot be written never changes a stitch's status.
#pragma once

#include <string>
#include <vector>

#include "verified_types.h"

namespace tessaly::stitch::verified {

// The environment variable that names the log file.
inline constexpr const char* kLinkLogVariable = "TESSALY_LINK_LOG";

// The log's text: a first line "tessaly-links 1", then "support <0..1> <1 well supported, else
// 0>", then one line per kept link:
//   "link <a> <b> <quarter turns of b> <dx> <dy> <angle> <score> <finer score> <overlap>
//    <distinctness> <1 confirmed, else 0>"
// with a and b indices in load order, (dx, dy) where b's turned origin lies in a's unturned frame
// in full-resolution pixels, the angle in radians, and the overlap as a share of the smaller piece.
std::string linkLogText(const Arrangement& arrangement, int32_t workingLevel);

// Writes linkLogText to the file TESSALY_LINK_LOG names, through a temporary file renamed over
// it; does nothing when the variable is unset or empty.
void writeLinkLog(const Arrangement& arrangement, int32_t workingLevel) noexcept;

}  // namespace tessaly::stitch::verified
