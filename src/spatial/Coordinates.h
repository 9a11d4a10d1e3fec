// Mappings between scroll-bar steps, world coordinates (metres) and marker
// pixels in the plane views. Arithmetic runs in double; a value is rounded to
// float exactly where the program stores it in a float, and conversions to
// integers truncate toward zero. These details are audible and visible: the
// float 0.05 is slightly above 0.05, so X = 2.5 gives pan 99, not 100.
#pragma once

#include <string>

namespace coords {

// Metres per scroll-bar step: the float 0.05. The bars span 50 steps each way.
constexpr float DefaultUnitsPerStep = 0.05f;

// Truncation toward zero of a double, as every float-to-integer step does.
int Trunc(double v);

// step -> coordinate. Y and Z grow upwards on their bars, so they negate the step.
float StepToX(int step, float unitsPerStep);
float StepToYZ(int step, float unitsPerStep);

// coordinate -> the bar step showing it.
int XToStep(float x, float unitsPerStep);
int YZToStep(float v, float unitsPerStep);

// step -> marker Left (or Top): the marker centred on the step.
int StepToPixel(int step, float pixelsPerStep, int markerHalf);
// coordinate -> marker Left/Top, without truncating to a step first.
int XToPixel(float x, float unitsPerStep, float pixelsPerStep, int markerHalf);
int YZToPixel(float v, float unitsPerStep, float pixelsPerStep, int markerHalf);

// marker Left/Top -> its centre in (fractional) steps, as a float.
float PixelToStep(int pixel, int markerHalf, float pixelsPerStep);
// fractional step -> coordinate, for the horizontal and the vertical view axis.
float DragStepToX(float step, float unitsPerStep);
float DragStepToYZ(float step, float unitsPerStep);

// The pan of a plain stereo channel at X: two pan points per step.
int PanFromX(float x, float unitsPerStep);
// The pan while dragging, from the marker's fractional step.
int PanFromStep(float step);
// The volume of a plain stereo channel: 0.8 points per step of distance from
// the X axis. Not clamped: far away it goes negative.
int StereoVolume(float y, float z, float unitsPerStep);

} // namespace coords

// A float printed in the general format with 15 significant digits: the
// shortest form, no trailing zeros, no point for whole values, exponent form
// ("1.5E-6") only for non-zero magnitudes below 1E-5 (or of 1E15 and above).
// The decimal separator is always the point, whatever the locale.
std::string FormatG(double v);
// The same digits, always in fixed notation ("0.00000150000000000000"), so
// that a reader without exponents reads them back; 0 for non-finite values.
std::string FormatFixed15(double v);
