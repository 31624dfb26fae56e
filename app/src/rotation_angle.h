// The rotation tool's angle value v, in tenths of a degree within -100 ... 100: its text, the
// limits of its buttons, and the value preset from the engine's measured skew.
#pragma once

#include <QString>

namespace tessaly::app {

constexpr int kLeastAngle = -100;
constexpr int kMostAngle = 100;
// The skew the engine reports is used up to this many degrees either way.
constexpr double kMostSkewDegrees = 10.0;
// Once a picture was rotated, smaller skews than this are taken as already straight.
constexpr double kStraightAfterRotation = 0.4;
constexpr double kDegreesPerRadian = 57.29577951326093;

int clampAngle(int value);
// "view_angle": v x 0.1 as "%g" ("0.1", "-10", "0").
QString angleText(int value);
// "butn_reduce" while the angle can still go down, "butn_text1" while it can go up.
bool canReduceAngle(int value);
bool canIncreaseAngle(int value);
// The engine's skew (radians) in degrees, held to +-10.
double skewDegrees(double radians);
// The value the tool opens with for a measured skew (degrees): the turn that undoes it, unless
// the picture was rotated before and the skew is within 0.4 degrees.
int presetAngle(double skewInDegrees, bool rotatedBefore);

}  // namespace tessaly::app
