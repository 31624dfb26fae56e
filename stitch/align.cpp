// Alignment driver: the coarse search and the refinement are not built yet, so alignment ends
// after the reload.
#include "stages.h"

namespace qx {

long alignPieces(Session&) { return QX_OK; }

}  // namespace qx
