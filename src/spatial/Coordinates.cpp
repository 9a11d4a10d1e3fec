#include "spatial/Coordinates.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace coords {

int Trunc(double v) {
    return static_cast<int>(std::trunc(v));
}

float StepToX(int step, float unitsPerStep) {
    return static_cast<float>(step * static_cast<double>(unitsPerStep));
}

float StepToYZ(int step, float unitsPerStep) {
    return static_cast<float>(-step * static_cast<double>(unitsPerStep));
}

int XToStep(float x, float unitsPerStep) {
    return Trunc(static_cast<double>(x) / unitsPerStep);
}

int YZToStep(float v, float unitsPerStep) {
    return Trunc(-static_cast<double>(v) / unitsPerStep);
}

int StepToPixel(int step, float pixelsPerStep, int markerHalf) {
    return Trunc((step + 50) * static_cast<double>(pixelsPerStep) - markerHalf);
}

int XToPixel(float x, float unitsPerStep, float pixelsPerStep, int markerHalf) {
    const double step = static_cast<double>(x) / unitsPerStep;
    return Trunc((step + 50) * pixelsPerStep - markerHalf);
}

int YZToPixel(float v, float unitsPerStep, float pixelsPerStep, int markerHalf) {
    const double step = -static_cast<double>(v) / unitsPerStep;
    return Trunc((step + 50) * pixelsPerStep - markerHalf);
}

float PixelToStep(int pixel, int markerHalf, float pixelsPerStep) {
    return static_cast<float>((pixel + markerHalf) / static_cast<double>(pixelsPerStep) - 50);
}

float DragStepToX(float step, float unitsPerStep) {
    return static_cast<float>(static_cast<double>(step) * unitsPerStep);
}

float DragStepToYZ(float step, float unitsPerStep) {
    return static_cast<float>(-static_cast<double>(step) * unitsPerStep);
}

int PanFromX(float x, float unitsPerStep) {
    return Trunc(static_cast<double>(x) / unitsPerStep * 2);
}

int PanFromStep(float step) {
    return Trunc(static_cast<double>(step) * 2);
}

int StereoVolume(float y, float z, float unitsPerStep) {
    const double yd = y, zd = z;
    return 100 - Trunc(std::sqrt(yd * yd + zd * zd) / unitsPerStep * 0.8);
}

} // namespace coords

std::string FormatG(double v) {
    if (v == 0 || !std::isfinite(v))
        return v == 0 ? "0" : (std::isnan(v) ? "NAN" : (v > 0 ? "INF" : "-INF"));
    // Round to 15 significant digits first; the exponent is that of the
    // rounded value (9.999999999999999E-6 rounds up to 1E-5). to_chars, unlike
    // printf, never follows the C library's locale, which the GUI toolkit sets
    // from the user's environment: the digits must not depend on it.
    char buf[64];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    if (ec != std::errc())
        return "0";
    // buf: [-]d.dddddddddddddde[+-]xx
    const std::string s(buf, end);
    const size_t e = s.find('e');
    const int exponent = std::atoi(s.c_str() + e + 1);
    const bool negative = s[0] == '-';
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; ++i)
        if (s[i] != '.')
            digits += s[i];
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent < -5 || exponent >= 15) {
        out += digits[0];
        if (digits.size() > 1)
            out += "." + digits.substr(1);
        out += exponent < 0 ? "E-" : "E+";
        out += std::to_string(std::abs(exponent));
        return out;
    }
    if (exponent < 0) {
        out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        return out;
    }
    const size_t intDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= intDigits)
        return out + digits + std::string(intDigits - digits.size(), '0');
    return out + digits.substr(0, intDigits) + "." + digits.substr(intDigits);
}
