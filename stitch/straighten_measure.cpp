#include "straighten_measure.h"

#include <numbers>

#include "straighten_angle.h"
#include "straighten_grey.h"
#include "straighten_marks.h"

namespace tessaly::stitch {

double measureSkew(const tagPixelArray& image) {
  const GreyImage grey = reducedGrey(image, reductionFactor(image.width, image.height));
  if (grey.width < 1 || grey.height < 1) return 0;
  BitImage marks = darkPixels(grey, darkThreshold(grey));
  if (!keepSmallMarks(marks)) return 0;

  // Text running down the page shows up as lines in the quarter-turned image.
  const AngleScore across = searchAngle(marks);
  const AngleScore down = searchAngle(quarterTurn(marks));
  const double degrees = across.score > down.score ? across.degrees : down.degrees;
  return degrees * std::numbers::pi / 180.0;
}

}  // namespace tessaly::stitch
