// What the simulated camera looks at, in picture coordinates (row 0 is the top
// of the picture, as a person sees it; the image buffer stores it bottom-up).
//
// The scene is four horizontal bands, each the same on every row:
//   colour bars   rows [0, 3h/8)      eight 75% bars: white, yellow, cyan,
//                                     green, magenta, red, blue, black
//   marker track  rows [3h/8, h/2)    dark grey; a white square moves along it
//   neutral grey  rows [h/2, 5h/8)    50% grey, the white-balance reference
//   grey ramp     rows [5h/8, h)      black at the left to white at the right
// The marker track sits just above the picture's middle, so that every
// window a frame is taken from shows the marker move: the 3032 x 2016 cut and
// the 16:9 and 4:3 windows of both image sizes (the 16:9 window of a
// 3264 x 2448 image is rows 306-2141, the track rows 918-1223).
// The sensor sees it through a known colour cast (kSensorResponse), which the
// default gains do not fully cancel and automatic white balance does.
#pragma once

#include <stdint.h>

namespace scene {

enum class Band { ColourBars, MarkerTrack, NeutralGrey, GreyRamp };
constexpr int kBandCount = 4;

// First picture row of a band, and the band a picture row belongs to.
int BandTop(Band band, int height);
Band BandAtRow(int row, int height);

struct Colour {
    float r, g, b;
};

// Scene reflectance, 0 to 1 per channel, at column x of a band.
Colour SceneColour(Band band, int x, int width);

// Relative sensitivity of the sensor's red, green and blue pixels.
constexpr Colour kSensorResponse = {0.80f, 1.0f, 0.72f};

// Red and blue gains that make a neutral scene come out neutral with the given
// green gain (the result of automatic white balance).
void NeutralGains(int greenGain, int* redGain, int* blueGain);

// The moving marker: a white square in the marker track, at one of 64 steps
// from left to right chosen by the frame's sequence number. Picture
// coordinates of the unmirrored scene; mirroring moves it with the picture.
struct Rect {
    int left, top, width, height;
};
constexpr int kMarkerSteps = 64;
Rect MarkerRect(int width, int height, uint32_t sequence);

} // namespace scene
