// The frame a controller cuts from the camera's image: the image and frame centred on each other, the margins halved
// and rounded down, black where the image does not reach.
#pragma once

#include <cstddef>
#include <vector>

namespace cameratest {

// The image index at frame index 0 along one side: the margin cut away, or minus the black margin.
inline int ImageIndexAtFrameStart(int imageSide, int frameSide)
{
    return imageSide > frameSide ? (imageSide - frameSide) / 2 : -((frameSide - imageSide) / 2);
}

// Byte channel of frame pixel (x, y) as the RGB24 image fills it, or black.
inline unsigned char ExpectedByte(const std::vector<unsigned char>& image, int imageWidth, int imageHeight,
                                  int frameWidth, int frameHeight, int x, int y, int channel)
{
    const int imageX = x + ImageIndexAtFrameStart(imageWidth, frameWidth);
    const int imageY = y + ImageIndexAtFrameStart(imageHeight, frameHeight);
    if (imageX < 0 || imageX >= imageWidth || imageY < 0 || imageY >= imageHeight) {
        return 0;
    }
    return image[(static_cast<size_t>(imageY) * imageWidth + imageX) * 3 + channel];
}

} // namespace cameratest
