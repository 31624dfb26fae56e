// Loop support of pair links: how much of the evidence around each link agrees with it. A link
// closes a triangle (through a third piece) or a square (through two more pieces) when the links
// around the loop compose to the same relation; a decoy at a repeated structure's offset seldom
// does, so links are ranked by their own weight plus the weight of the loops they close.
#pragma once

#include <cstdint>
#include <vector>

#include "verified_solve.h"

namespace tessaly::stitch::verified {

// Per link: its weight plus, for every triangle and square it closes, the weakest weight of the
// other links in the best such loop.
std::vector<double> loopSupportedWeights(int32_t pieces, const std::vector<Link>& links,
                                         const SolveOptions& options);

}  // namespace tessaly::stitch::verified
