// Straightening driver: not built yet.
#include "stages.h"

namespace qx {

long straightenImage(Session&, const tagPixelArray&, double*, tagPixelArray**) { return QX_ERR_SETUP; }

}  // namespace qx
