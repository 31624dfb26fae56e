// Composition driver: not built yet.
#include "stages.h"

namespace qx {

long blendPieces(Session&, RECT*) { return QX_ERR_SETUP; }

}  // namespace qx
