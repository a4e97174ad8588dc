// Reads an image file the way a person looks at the simulated camera's picture: colour bars at the top (light at
// the left, black at the right), a grey ramp near the bottom, dark to bright. Pixels are read by ImageMagick.
#pragma once

#include <string>

namespace toolstest {

struct PictureCheck {
    bool read = false;         // ImageMagick read the file
    int width = 0, height = 0;
    bool upright = false;      // bars at the top, ramp near the bottom, dark end at the left
    std::string report;        // what was measured, for failure messages
};

// For a 3032 x 2016 picture, or given its size a larger centred window of the image (the whole 3264 x 2448): the
// points are looked at where they are in the 3032 x 2016 window.
PictureCheck CheckCameraPicture(const std::string& windowsPath, int width = 3032, int height = 2016);

} // namespace toolstest
