#include "simcamera/SimSettings.h"

bool SimSettings::operator==(const SimSettings& other) const
{
#define LUMORA_SIM_SAME(name, member, type, offset, initial, index) &&name == other.name
    return true LUMORA_CAMERA_HELD_SETTING_FIELDS(LUMORA_SIM_SAME);
#undef LUMORA_SIM_SAME
}

unsigned FrameIntervalMs(const SimSettings& settings)
{
    const unsigned interval = settings.FrameSpeed == 2 ? kFrameIntervalNormalMs : kFrameIntervalHighMs;
    if (!settings.AeState && settings.ExposureTimeMS > interval) {
        return settings.ExposureTimeMS;
    }
    return interval;
}
