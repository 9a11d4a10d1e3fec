#include "spatial/Coordinates.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

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

namespace {

// A finite, non-zero value rounded to 15 significant digits: its digits
// without trailing zeros, and the decimal exponent of the first one.
struct TSignificant {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

TSignificant Significant15(double v) {
    // The exponent is that of the rounded value (9.999999999999999E-6 rounds
    // up to 1E-5). to_chars, unlike printf, never follows the C library's
    // locale, which the GUI toolkit sets from the user's environment: the
    // digits must not depend on it.
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    // buf: [-]d.dddddddddddddde[+-]xx
    const std::string_view s(buf, static_cast<size_t>(r.ptr - buf));
    const size_t e = s.find('e');
    TSignificant n;
    n.negative = s[0] == '-';
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), n.exponent);
    for (size_t i = n.negative ? 1 : 0; i < e; ++i)
        if (s[i] != '.')
            n.digits += s[i];
    while (n.digits.size() > 1 && n.digits.back() == '0')
        n.digits.pop_back();
    return n;
}

std::string FixedNotation(const TSignificant& n) {
    const std::string sign = n.negative ? "-" : "";
    if (n.exponent < 0)
        return sign + "0." + std::string(static_cast<size_t>(-n.exponent - 1), '0') + n.digits;
    const size_t intDigits = static_cast<size_t>(n.exponent) + 1;
    if (n.digits.size() <= intDigits)
        return sign + n.digits + std::string(intDigits - n.digits.size(), '0');
    return sign + n.digits.substr(0, intDigits) + "." + n.digits.substr(intDigits);
}

} // namespace

std::string FormatG(double v) {
    if (v == 0 || !std::isfinite(v))
        return v == 0 ? "0" : (std::isnan(v) ? "NAN" : (v > 0 ? "INF" : "-INF"));
    const TSignificant n = Significant15(v);
    if (n.exponent >= -5 && n.exponent < 15)
        return FixedNotation(n);
    std::string out = n.negative ? "-" : "";
    out += n.digits[0];
    if (n.digits.size() > 1)
        out += "." + n.digits.substr(1);
    out += n.exponent < 0 ? "E-" : "E+";
    return out + std::to_string(std::abs(n.exponent));
}

std::string FormatFixed15(double v) {
    if (v == 0 || !std::isfinite(v))
        return "0";
    return FixedNotation(Significant15(v));
}
