// Straightening driver: measures the skew of the caller's image and, when asked, turns it level
// into a new image that becomes the session's result.
#include "errors.h"
#include "stages.h"
#include "straighten_measure.h"
#include "straighten_turn.h"

namespace tessaly::stitch {

long straightenImage(Session& session, const tagPixelArray& image, double* angle,
                     tagPixelArray** straightened) {
  *angle = 0;
  if (!isValidImage(&image)) fail(QX_ERR_INPUT);
  const double measured = measureSkew(image);
  *angle = measured;
  if (straightened == nullptr) return QX_OK;

  session.result = turnByAngle(image, measured);
  *straightened = session.result.get();
  return QX_OK;
}

}  // namespace tessaly::stitch
