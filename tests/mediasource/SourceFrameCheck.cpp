// The frame check of SourceTestKit.h, apart: it reads the camera's image
// through the camera library's import, which the program without that
// library does not link.
#include "tests/mediasource/SourceTestKit.h"

#include <algorithm>
#include <cstdlib>

#include "camera/CameraSdk.h"
#include "camera/FrameConverter.h"
#include "camera/FramePlanes.h"

namespace sourcetest {

std::string DiffersFromConverter(const FrameLayout& layout, const Bytes& frame)
{
    int width = 0;
    int height = 0;
    if (CameraGetImageSize(&width, &height) != 1) {
        return "no camera image";
    }
    Bytes image(static_cast<size_t>(width) * height * 3);
    if (CameraGetImageDataRGB24(image.data()) != 1) {
        return "no camera image";
    }
    if (frame.size() != layout.Bytes()) {
        return "frame of " + std::to_string(frame.size()) + " bytes, layout " + std::to_string(layout.Bytes());
    }
    Bytes expected(layout.Bytes());
    FrameConverter converter;
    if (converter.Write(image.data(), width, height, layout, expected.data(), expected.size()) != expected.size()) {
        return "converter refused the layout";
    }
    const FramePlanes ours = PlanesOf(layout, const_cast<BYTE*>(frame.data()));
    const FramePlanes theirs = PlanesOf(layout, expected.data());
    for (int p = 0; p < ours.count; ++p) {
        const FramePlane& plane = ours.plane[p];
        // The stamp's neighbourhood in this plane: a few rows and columns
        // around the picture's centre, in the plane's own units.
        const int rowScale = layout.height / plane.rows;
        const int centreRow = plane.rows / 2;
        const int centreByte = plane.rowBytes / 2;
        const int columnSlack = std::max(64, plane.rowBytes / 16);
        for (int row = 0; row < plane.rows; ++row) {
            const bool nearCentreRow = std::abs(row - centreRow) * rowScale <= 8;
            const BYTE* a = plane.top + static_cast<ptrdiff_t>(row) * plane.step;
            const BYTE* b = theirs.plane[p].top + static_cast<ptrdiff_t>(row) * theirs.plane[p].step;
            for (int x = 0; x < plane.rowBytes; ++x) {
                if (a[x] != b[x] && !(nearCentreRow && std::abs(x - centreByte) <= columnSlack)) {
                    return "plane " + std::to_string(p) + " row " + std::to_string(row) + " byte " +
                           std::to_string(x) + ": " + std::to_string(a[x]) + " vs " + std::to_string(b[x]);
                }
            }
        }
    }
    return "";
}

} // namespace sourcetest
