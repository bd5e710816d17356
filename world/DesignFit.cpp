// DesignFit: the fit of a design screen into a real screen, and the design size of a world.
#include "world/DesignFit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "platform/TextIo.h"

namespace world {

namespace {

// The aspect test compares the design's aspect written with two decimals ("1.33").
bool knownAspect(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
    static const char* const kKnown[] = {"1.25", "1.33", "1.66", "1.67", "1.60",
                                         "1.77", "1.70", "1.78", "1.80"};
    for (const char* k : kKnown)
        if (std::string_view(text) == k) return true;
    return false;
}

} // namespace

DesignFit fitDesign(float srcW, float srcH, float scrW, float scrH) {
    DesignFit f;
    f.scalerX = scrW / srcW;
    f.scalerY = scrH / srcH;
    f.sourceAspect = srcW / srcH;
    f.screenAspect = scrW / scrH;
    if (f.sourceAspect != f.screenAspect) {
        f.aspectsDiffer = true;
        f.aspectUnit = scrW / 16.0f;
        f.aspectHeight = f.aspectUnit * 10.0f;
        if (knownAspect(f.sourceAspect)) {
            f.aspectOffsetY = std::fabs(scrH - f.aspectHeight) / 2.0f;
            f.scalerY = f.aspectHeight / srcH;
        } else {
            f.scalerY = f.aspectHeight / srcH - (f.screenAspect - f.sourceAspect);
            f.aspectOffsetY = srcH - scrH;
        }
    }
    f.viewX = 0;
    f.viewY = 0;
    f.viewW = scrW;
    f.viewH = scrH;
    // Half a pixel of slack: the design's last row may round up to the screen's height.
    const float designHeight = srcH * f.scalerY;
    if (designHeight > 0.0f && designHeight <= scrH + 0.5f) return f;
    if (!(srcW > 0.0f && srcH > 0.0f && scrW > 0.0f && scrH > 0.0f)) return f;
    const float s = std::min(scrW / srcW, scrH / srcH);
    f.uniform = true;
    f.scalerX = s;
    f.scalerY = s;
    f.viewW = std::min(scrW, std::round(srcW * s));
    f.viewH = std::min(scrH, std::round(srcH * s));
    f.viewX = std::floor((scrW - f.viewW) / 2.0f);
    f.viewY = std::floor((scrH - f.viewH) / 2.0f);
    f.aspectOffsetY = 0.0f;
    return f;
}

DesignSize readDesignSize(const std::string& iniCrcPath) {
    DesignSize d;
    textio::LineReader r;
    if (!r.open(textio::nativePath(iniCrcPath))) return d;
    while (!r.eof()) {
        const std::string key = r.readLine();
        const std::string value = r.readLine();
        const float v = textio::toReal(value);
        if (key == "SOURCEWIDTH") d.width = v > 0.0f ? v : 0.0f;
        if (key == "SOURCEHEIGHT") d.height = v > 0.0f ? v : 0.0f;
    }
    return d;
}

} // namespace world
