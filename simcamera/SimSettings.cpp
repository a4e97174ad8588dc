#include "simcamera/SimSettings.h"

#include <tuple>

namespace {
auto Fields(const SimSettings& s)
{
    return std::tie(s.aeState, s.aeTarget, s.analogGain, s.exposureTimeMs, s.gainR, s.gainG, s.gainB, s.gamma,
                    s.contrast, s.saturation, s.colorEnhancement, s.frameSpeed, s.monochrome, s.hMirror,
                    s.vMirror);
}
} // namespace

bool SimSettings::operator==(const SimSettings& other) const
{
    return Fields(*this) == Fields(other);
}

unsigned FrameIntervalMs(const SimSettings& settings)
{
    const unsigned interval = settings.frameSpeed == 2 ? kFrameIntervalNormalMs : kFrameIntervalHighMs;
    if (!settings.aeState && settings.exposureTimeMs > interval) {
        return settings.exposureTimeMs;
    }
    return interval;
}
