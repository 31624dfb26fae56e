// The load order of the pieces: their files sorted by last-write time.
#pragma once

#include <string>
#include <vector>

namespace tessaly::stitch {

// Sorts names in place by the last-write time of their files, earliest first, with the
// classic exchange sort (equal times are never exchanged with each other directly, though the
// sort as a whole is not stable). Throws QX_ERR_INPUT, changing nothing, when a file cannot
// be examined.
void sortByWriteTime(std::vector<std::string>& names);

}  // namespace tessaly::stitch
