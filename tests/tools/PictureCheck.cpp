#include "tests/tools/PictureCheck.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "tests/support/UnixTools.h"

namespace toolstest {
namespace {

struct Point {
    int x, y;
};

// The left and right bars, then the ramp's two ends.
const Point kPoints[] = {{190, 300}, {2900, 300}, {60, 1600}, {2970, 1600}};

} // namespace

PictureCheck CheckCameraPicture(const std::string& windowsPath, int width, int height)
{
    PictureCheck check;
    std::string format = "%w %h";
    // Where the 3032 x 2016 window sits in a larger picture.
    const int left = (width - 3032) / 2;
    const int top = (height - 2016) / 2;
    for (const Point& point : kPoints) {
        const Point p = {point.x + left, point.y + top};
        char brightness[96];
        std::snprintf(brightness, sizeof(brightness), " %%[fx:int(255*(p{%d,%d}.r+p{%d,%d}.g+p{%d,%d}.b)/3)]", p.x,
                      p.y, p.x, p.y, p.x, p.y);
        format += brightness;
    }
    std::string output;
    if (testenv::RunUnixCommand("convert '" + testenv::UnixPath(windowsPath) + "' -format '" + format + "' info:",
                                &output) != 0) {
        check.report = output;
        return check;
    }
    std::istringstream values(output);
    int leftBar = -1, rightBar = -1, rampStart = -1, rampEnd = -1;
    check.read = static_cast<bool>(values >> check.width >> check.height >> leftBar >> rightBar >> rampStart >>
                                   rampEnd);
    check.report = "size " + std::to_string(check.width) + " x " + std::to_string(check.height) + ", left bar " +
                   std::to_string(leftBar) + ", right bar " + std::to_string(rightBar) + ", ramp " +
                   std::to_string(rampStart) + " to " + std::to_string(rampEnd);
    check.upright = check.read && leftBar > 100 && rightBar < 40 && rampStart < 60 && rampEnd > 150;
    return check;
}

} // namespace toolstest
