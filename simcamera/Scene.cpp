#include "simcamera/Scene.h"

#include <algorithm>
#include <cmath>

namespace scene {

int BandTop(Band band, int height)
{
    switch (band) {
    case Band::ColourBars:
        return 0;
    case Band::MarkerTrack:
        return height * 3 / 8;
    case Band::NeutralGrey:
        return height / 2;
    case Band::GreyRamp:
        return height * 5 / 8;
    }
    return 0;
}

Band BandAtRow(int row, int height)
{
    if (row >= BandTop(Band::GreyRamp, height)) {
        return Band::GreyRamp;
    }
    if (row >= BandTop(Band::NeutralGrey, height)) {
        return Band::NeutralGrey;
    }
    if (row >= BandTop(Band::MarkerTrack, height)) {
        return Band::MarkerTrack;
    }
    return Band::ColourBars;
}

Colour SceneColour(Band band, int x, int width)
{
    switch (band) {
    case Band::ColourBars: {
        // White, yellow, cyan, green, magenta, red, blue, black, at 75%.
        static const Colour bars[8] = {{0.75f, 0.75f, 0.75f}, {0.75f, 0.75f, 0.0f}, {0.0f, 0.75f, 0.75f},
                                       {0.0f, 0.75f, 0.0f},   {0.75f, 0.0f, 0.75f}, {0.75f, 0.0f, 0.0f},
                                       {0.0f, 0.0f, 0.75f},   {0.0f, 0.0f, 0.0f}};
        const int bar = static_cast<int>(static_cast<int64_t>(x) * 8 / width);
        return bars[std::min(bar, 7)];
    }
    case Band::NeutralGrey:
        return {0.5f, 0.5f, 0.5f};
    case Band::GreyRamp: {
        const float level = width > 1 ? static_cast<float>(x) / static_cast<float>(width - 1) : 0.0f;
        return {level, level, level};
    }
    case Band::MarkerTrack:
        return {0.15f, 0.15f, 0.15f};
    }
    return {0.0f, 0.0f, 0.0f};
}

void NeutralGains(int greenGain, int* redGain, int* blueGain)
{
    auto scaled = [greenGain](float response) {
        const long value = std::lround(greenGain * kSensorResponse.g / response);
        return static_cast<int>(std::clamp(value, 0L, 65535L));
    };
    *redGain = scaled(kSensorResponse.r);
    *blueGain = scaled(kSensorResponse.b);
}

Rect MarkerRect(int width, int height, uint32_t sequence)
{
    const int trackTop = BandTop(Band::MarkerTrack, height);
    const int trackHeight = BandTop(Band::NeutralGrey, height) - trackTop;
    const int side = std::max(1, std::min(trackHeight * 3 / 4, width / 8));
    const int step = static_cast<int>(sequence % kMarkerSteps);
    const int left = static_cast<int>(static_cast<int64_t>(step) * (width - side) / (kMarkerSteps - 1));
    const int top = trackTop + std::max(0, (trackHeight - side) / 2);
    return {left, top, side, std::min(side, height - top)};
}

} // namespace scene
