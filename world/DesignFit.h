// DesignFit: how a map's design screen is fitted into a real screen, shared by biosim (which scales
// every object from the design size) and tarn (which shows the design area in its window), so that
// a map looks the same in both. Also reads the design size a world declares in its CORE/ini.crc.
// Depends on platform/TextIo only.
#pragma once

#include <string>

namespace world {

// The scale factors and the area of the screen the design is drawn in.
struct DesignFit {
    float scalerX = 1.0f, scalerY = 1.0f;   // screen pixels per design pixel
    float sourceAspect = 1.0f;              // design width / height
    float screenAspect = 1.0f;              // screen width / height
    bool aspectsDiffer = false;             // the letterbox values below were computed
    float aspectUnit = 0, aspectHeight = 0; // a sixteenth of the screen's width; ten of those
    float aspectOffsetY = 0;                // height of the bottom bar (valid when aspectsDiffer or uniform)
    bool uniform = false;                   // the design did not fit: scaled uniformly, centred with bars
    float viewX = 0, viewY = 0, viewW = 0, viewH = 0; // the area the design is drawn in
};

// Fits a design of srcW x srcH into a screen of scrW x scrH. Where the design, scaled to the
// screen's width with the letterbox height of a 16:10 screen, fits the screen, those factors are
// kept and the area is the whole screen (a 1024 x 768 design on 1280 x 800: 1.25 by 1.0417, no
// bars). Where it would not fit (a 4:3 design on 16:9, 21:9), the design is scaled uniformly to
// fit and centred with bars at the sides or at top and bottom, and the bottom bar has no height.
DesignFit fitDesign(float srcW, float srcH, float scrW, float scrH);

// The design size a world declares: SOURCEWIDTH and SOURCEHEIGHT of the configuration file at
// `iniCrcPath` (key line, value line pairs). 0 for a value that is missing or not above 0; both 0
// when the file cannot be read.
struct DesignSize {
    float width = 0, height = 0;
};
DesignSize readDesignSize(const std::string& iniCrcPath);

} // namespace world
