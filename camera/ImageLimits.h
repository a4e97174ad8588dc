// The largest image the camera can produce, and the rule every buffer the
// SDK writes an image into follows.
//
// The SDK's image fetch (CameraGetImageDataRGB24) is told no capacity: it
// writes the image at the size the camera has at that moment, which may
// differ from the size the caller asked just before (a device may change its
// read-out between the two calls). So a buffer handed to the fetch always
// holds the largest image the camera can produce, whatever size was asked,
// and an image size reported above that is never fetched.
#pragma once

#include <stddef.h>

// The sensor's whole read-out, 24-bit RGB.
constexpr int kSensorWidth = 3264;
constexpr int kSensorHeight = 2448;
constexpr size_t kLargestImageBytes = static_cast<size_t>(kSensorWidth) * kSensorHeight * 3;

// Whether the SDK may be asked to fetch an image it reports as width x
// height: a real image no larger in bytes than the largest the camera makes.
inline bool ImageFitsLargestBuffer(int width, int height)
{
    return width > 0 && height > 0 &&
           static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) * 3 <=
               kLargestImageBytes;
}
