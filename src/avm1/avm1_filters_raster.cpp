// A filter's data to the stage's filter structs and back: degrees to
// radians, alpha into the colour's top byte, quality as passes, and a bevel's
// type as the inner and on-top flags.

#include <algorithm>
#include <cmath>

#include "avm1/avm1_filters.h"

namespace fh::avm1 {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Num(const FilterData& d, int field) {
    const Value& v = d.values[field];
    return v.IsNumber() ? v.Number() : 0;
}

bool Flag(const FilterData& d, int field) { return d.values[field].IsBoolean() && d.values[field].Number() != 0; }

std::uint32_t Argb(double rgb, double alpha) {
    const double a = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 0;
    return static_cast<std::uint32_t>(std::lround(a * 255)) << 24 | (static_cast<std::uint32_t>(rgb) & 0xFFFFFF);
}

double RgbOf(std::uint32_t argb) { return static_cast<double>(argb & 0xFFFFFF); }
double AlphaOf(std::uint32_t argb) { return (argb >> 24) / 255.0; }

// Numbers the stage draws with: a distance past any picture is as far as one.
double Finite(double n, double most = 1e6) { return std::isfinite(n) ? std::clamp(n, -most, most) : 0; }

template <typename Effect>
void Common(const FilterData& d, Effect& f) {
    f.blurX = Num(d, kFBlurX);
    f.blurY = Num(d, kFBlurY);
    f.strength = Num(d, kFStrength);
    f.passes = static_cast<int>(Num(d, kFQuality));
    f.knockout = Flag(d, kFKnockout);
}

template <typename Effect>
void Offset(const FilterData& d, Effect& f) {
    f.angle = Num(d, kFAngle) * kPi / 180;
    f.distance = Finite(Num(d, kFDistance));
}

// inner, outer or full.
template <typename Effect>
void Placement(const FilterData& d, Effect& f) {
    const Value& type = d.values[kFType];
    const std::string s = type.IsString() ? type.String().Text() : "inner";
    f.onTop = s == "full";
    f.inner = s == "inner";
}

RasterGradientEffect Gradient(const FilterData& d) {
    RasterGradientEffect f;
    Common(d, f);
    Offset(d, f);
    Placement(d, f);
    const std::vector<double>&colors = d.List(kFColors), &alphas = d.List(kFAlphas), &ratios = d.List(kFRatios);
    const std::size_t n = std::min(colors.size(), std::min(alphas.size(), ratios.size()));
    for (std::size_t i = 0; i < n; ++i) {
        f.colors.push_back(Argb(colors[i], alphas[i]));
        f.ratios.push_back(static_cast<std::uint8_t>(ratios[i]));
    }
    return f;
}

void SetNum(FilterData& d, int field, double n) { d.values[field] = Value(n); }

template <typename Effect>
void FromCommon(FilterData& d, const Effect& f) {
    SetNum(d, kFBlurX, f.blurX);
    SetNum(d, kFBlurY, f.blurY);
    SetNum(d, kFStrength, f.strength);
    SetNum(d, kFQuality, f.passes);
    d.values[kFKnockout] = Value(f.knockout);
}

template <typename Effect>
void FromOffset(FilterData& d, const Effect& f) {
    SetNum(d, kFAngle, std::fmod(f.angle * 180 / kPi, 360));
    SetNum(d, kFDistance, f.distance);
}

template <typename Effect>
void FromPlacement(FilterData& d, const Effect& f) {
    d.values[kFType] = Value(f.onTop ? "full" : f.inner ? "inner" : "outer");
}

void FromGradient(FilterData& d, const RasterGradientEffect& f) {
    FromCommon(d, f);
    FromOffset(d, f);
    FromPlacement(d, f);
    for (std::size_t i = 0; i < f.colors.size() && i < f.ratios.size(); ++i) {
        d.List(kFColors).push_back(RgbOf(f.colors[i]));
        d.List(kFAlphas).push_back(AlphaOf(f.colors[i]));
        d.List(kFRatios).push_back(f.ratios[i]);
    }
}

}  // namespace

bool ToRasterFilter(const FilterData& d, RasterFilter& out) {
    switch (d.cls) {
    case FilterClass::Blur: {
        RasterBlur f;
        f.blurX = Num(d, kFBlurX);
        f.blurY = Num(d, kFBlurY);
        f.passes = static_cast<int>(Num(d, kFQuality));
        out.params = f;
        return true;
    }
    case FilterClass::DropShadow: {
        RasterDropShadow f;
        Common(d, f);
        Offset(d, f);
        f.color = Argb(Num(d, kFColor), Num(d, kFAlpha));
        f.inner = Flag(d, kFInner);
        f.compositeSource = !Flag(d, kFHideObject);
        out.params = f;
        return true;
    }
    case FilterClass::Glow: {
        RasterGlow f;
        Common(d, f);
        f.color = Argb(Num(d, kFColor), Num(d, kFAlpha));
        f.inner = Flag(d, kFInner);
        out.params = f;
        return true;
    }
    case FilterClass::Bevel: {
        RasterBevel f;
        Common(d, f);
        Offset(d, f);
        Placement(d, f);
        f.highlightColor = Argb(Num(d, kFHighlightColor), Num(d, kFHighlightAlpha));
        f.shadowColor = Argb(Num(d, kFShadowColor), Num(d, kFShadowAlpha));
        out.params = f;
        return true;
    }
    case FilterClass::GradientGlow: out.params = RasterGradientGlow{Gradient(d)}; return true;
    case FilterClass::GradientBevel: out.params = RasterGradientBevel{Gradient(d)}; return true;
    case FilterClass::ColorMatrix: {
        RasterColorMatrix f;
        const std::vector<double>& matrix = d.List(kFMatrix);
        for (std::size_t i = 0; i < f.matrix.size(); ++i)
            f.matrix[i] = static_cast<float>(i < matrix.size() ? Finite(matrix[i]) : 0);
        out.params = f;
        return true;
    }
    case FilterClass::Convolution: {
        RasterConvolution f;
        f.matrixX = static_cast<int>(Num(d, kFMatrixX));
        f.matrixY = static_cast<int>(Num(d, kFMatrixY));
        const std::vector<double>& matrix = d.List(kFMatrix);
        f.matrix.resize(static_cast<std::size_t>(f.matrixX) * static_cast<std::size_t>(f.matrixY));
        for (std::size_t i = 0; i < f.matrix.size(); ++i)
            f.matrix[i] = static_cast<float>(i < matrix.size() ? Finite(matrix[i]) : 0);
        f.divisor = static_cast<float>(Finite(Num(d, kFDivisor)));
        f.bias = static_cast<float>(Finite(Num(d, kFBias)));
        f.defaultColor = Argb(Num(d, kFColor), Num(d, kFAlpha));
        f.clamp = Flag(d, kFClamp);
        f.preserveAlpha = Flag(d, kFPreserveAlpha);
        out.params = f;
        return true;
    }
    case FilterClass::DisplacementMap: return false;
    }
    return false;
}

FilterData FromRasterFilter(const RasterFilter& filter) {
    FilterData d;
    if (const auto* f = std::get_if<RasterBlur>(&filter.params)) {
        d.cls = FilterClass::Blur;
        SetNum(d, kFBlurX, f->blurX);
        SetNum(d, kFBlurY, f->blurY);
        SetNum(d, kFQuality, f->passes);
    } else if (const auto* f = std::get_if<RasterDropShadow>(&filter.params)) {
        d.cls = FilterClass::DropShadow;
        FromCommon(d, *f);
        FromOffset(d, *f);
        SetNum(d, kFColor, RgbOf(f->color));
        SetNum(d, kFAlpha, AlphaOf(f->color));
        d.values[kFInner] = Value(f->inner);
        d.values[kFHideObject] = Value(!f->compositeSource);
    } else if (const auto* f = std::get_if<RasterGlow>(&filter.params)) {
        d.cls = FilterClass::Glow;
        FromCommon(d, *f);
        SetNum(d, kFColor, RgbOf(f->color));
        SetNum(d, kFAlpha, AlphaOf(f->color));
        d.values[kFInner] = Value(f->inner);
    } else if (const auto* f = std::get_if<RasterBevel>(&filter.params)) {
        d.cls = FilterClass::Bevel;
        FromCommon(d, *f);
        FromOffset(d, *f);
        FromPlacement(d, *f);
        SetNum(d, kFHighlightColor, RgbOf(f->highlightColor));
        SetNum(d, kFHighlightAlpha, AlphaOf(f->highlightColor));
        SetNum(d, kFShadowColor, RgbOf(f->shadowColor));
        SetNum(d, kFShadowAlpha, AlphaOf(f->shadowColor));
    } else if (const auto* f = std::get_if<RasterGradientGlow>(&filter.params)) {
        d.cls = FilterClass::GradientGlow;
        FromGradient(d, *f);
    } else if (const auto* f = std::get_if<RasterGradientBevel>(&filter.params)) {
        d.cls = FilterClass::GradientBevel;
        FromGradient(d, *f);
    } else if (const auto* f = std::get_if<RasterColorMatrix>(&filter.params)) {
        d.cls = FilterClass::ColorMatrix;
        d.List(kFMatrix).assign(f->matrix.begin(), f->matrix.end());
    } else if (const auto* f = std::get_if<RasterConvolution>(&filter.params)) {
        d.cls = FilterClass::Convolution;
        SetNum(d, kFMatrixX, f->matrixX);
        SetNum(d, kFMatrixY, f->matrixY);
        d.List(kFMatrix).assign(f->matrix.begin(), f->matrix.end());
        SetNum(d, kFDivisor, f->divisor);
        SetNum(d, kFBias, f->bias);
        SetNum(d, kFColor, RgbOf(f->defaultColor));
        SetNum(d, kFAlpha, AlphaOf(f->defaultColor));
        d.values[kFClamp] = Value(f->clamp);
        d.values[kFPreserveAlpha] = Value(f->preserveAlpha);
    }
    return d;
}

}  // namespace fh::avm1
