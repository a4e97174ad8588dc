#include "camera/StandardControls.h"

#include <cmath>

#include "camera/SettingsTables.h"

namespace {

constexpr long kFlagsAuto = 1;   // VideoProcAmp_Flags_Auto, CameraControl_Flags_Auto
constexpr long kFlagsManual = 2; // VideoProcAmp_Flags_Manual, CameraControl_Flags_Manual

// The record the page's "default" button loads: where every default is read.
CameraConfig PageDefaults()
{
    CameraConfig defaults;
    LoadPageDefaults(&defaults);
    return defaults;
}

// A control that is one field of the record, always set by hand.
class FieldControl final : public StandardControl {
public:
    using Getter = long (*)(const CameraConfig&);
    using Setter = void (*)(CameraConfig&, long);

    FieldControl(SettingRange (*range)(), Getter get, Setter set) : m_range(range), m_get(get), m_set(set) {}

    ControlRange Range() const override
    {
        const SettingRange range = m_range();
        return {range.minimum, range.maximum, 1, m_get(PageDefaults()), kFlagsManual};
    }
    ControlValue Read(const CameraConfig& record) const override { return {m_get(record), kFlagsManual}; }
    void Write(CameraConfig& record, long value, long /*flags*/) const override { m_set(record, value); }

private:
    SettingRange (*const m_range)();
    const Getter m_get;
    const Setter m_set;
};

// The exposure time as log2 seconds; the Auto flag is auto exposure.
class ExposureControl final : public StandardControl {
public:
    ControlRange Range() const override
    {
        return {exposure_steps::Minimum(), exposure_steps::Maximum(), 1, Read(PageDefaults()).value,
                kFlagsAuto | kFlagsManual};
    }
    ControlValue Read(const CameraConfig& record) const override
    {
        return {exposure_steps::StepForTime(record.m_Exposure.m_ExposureTimeMS),
                record.m_Exposure.m_AeState ? kFlagsAuto : kFlagsManual};
    }
    void Write(CameraConfig& record, long value, long flags) const override
    {
        // Auto hands the exposure to the camera and keeps the time it had.
        if (flags == kFlagsAuto) {
            record.m_Exposure.m_AeState = 1;
            return;
        }
        record.m_Exposure.m_AeState = 0;
        record.m_Exposure.m_ExposureTimeMS = exposure_steps::TimeForStep(value);
    }
};

SettingRange AeTargetRange() { return kAeTargetRange; }
SettingRange ContrastRange() { return kContrastRange; }
SettingRange SaturationRange() { return kSaturationRange; }
SettingRange GammaRange() { return kGammaRange; }
SettingRange SwitchRange() { return {0, 1}; }

const FieldControl kBrightness(
    &AeTargetRange, [](const CameraConfig& r) -> long { return r.m_Exposure.m_Target; },
    [](CameraConfig& r, long v) { r.m_Exposure.m_Target = static_cast<uint8_t>(v); });
const FieldControl kContrast(
    &ContrastRange, [](const CameraConfig& r) -> long { return r.m_Color.m_Contrast; },
    [](CameraConfig& r, long v) { r.m_Color.m_Contrast = static_cast<uint8_t>(v); });
const FieldControl kSaturation(
    &SaturationRange, [](const CameraConfig& r) -> long { return r.m_Color.m_Saturation; },
    [](CameraConfig& r, long v) { r.m_Color.m_Saturation = static_cast<uint8_t>(v); });
const FieldControl kGamma(
    &GammaRange, [](const CameraConfig& r) -> long { return r.m_Color.m_Gamma; },
    [](CameraConfig& r, long v) { r.m_Color.m_Gamma = static_cast<uint8_t>(v); });
const FieldControl kGain(
    &AnalogGainRange, [](const CameraConfig& r) -> long { return r.m_Exposure.m_AnalogGain; },
    [](CameraConfig& r, long v) { r.m_Exposure.m_AnalogGain = static_cast<uint16_t>(v); });
const FieldControl kColorEnable(
    &SwitchRange, [](const CameraConfig& r) -> long { return r.m_Monochrome ? 0 : 1; },
    [](CameraConfig& r, long v) { r.m_Monochrome = v ? 0 : 1; });
const ExposureControl kExposure;

struct ControlEntry {
    ControlFamily family;
    long property;
    const StandardControl* control;
};

const ControlEntry kControls[] = {
    {ControlFamily::VideoProcAmp, VideoProcAmp_Brightness, &kBrightness},
    {ControlFamily::VideoProcAmp, VideoProcAmp_Contrast, &kContrast},
    {ControlFamily::VideoProcAmp, VideoProcAmp_Saturation, &kSaturation},
    {ControlFamily::VideoProcAmp, VideoProcAmp_Gamma, &kGamma},
    {ControlFamily::VideoProcAmp, VideoProcAmp_ColorEnable, &kColorEnable},
    {ControlFamily::VideoProcAmp, VideoProcAmp_Gain, &kGain},
    {ControlFamily::CameraControl, CameraControl_Exposure, &kExposure},
};

} // namespace

const StandardControl* StandardControl::Find(ControlFamily family, long property)
{
    for (const ControlEntry& entry : kControls) {
        if (entry.family == family && entry.property == property) {
            return entry.control;
        }
    }
    return nullptr;
}

HRESULT StandardControl::Check(long value, long flags) const
{
    const ControlRange range = Range();
    const bool oneFlag = flags == kFlagsAuto || flags == kFlagsManual;
    if (!oneFlag || (flags & range.capsFlags) == 0) {
        return E_INVALIDARG;
    }
    return value >= range.minimum && value <= range.maximum ? S_OK : E_INVALIDARG;
}

namespace exposure_steps {

namespace {

// 2^step seconds in milliseconds.
double StepMilliseconds(long step)
{
    return std::ldexp(1000.0, static_cast<int>(step));
}

// Far beyond any exposure time a 32-bit millisecond count holds.
constexpr long kSearchLimit = 40;

} // namespace

long Minimum()
{
    const double shortest = ExposureTimeRange().minimum;
    long step = -kSearchLimit;
    while (step < kSearchLimit && StepMilliseconds(step) < shortest) {
        ++step;
    }
    return step;
}

long Maximum()
{
    const double longest = ExposureTimeRange().maximum;
    long step = kSearchLimit;
    while (step > -kSearchLimit && StepMilliseconds(step) > longest) {
        --step;
    }
    return step;
}

uint32_t TimeForStep(long step)
{
    // Nearest by ratio: the table is spaced roughly evenly on a log scale.
    const double wanted = std::log(StepMilliseconds(step));
    uint32_t nearest = ExposureTimeTable[0];
    for (uint32_t time : ExposureTimeTable) {
        if (std::fabs(std::log(static_cast<double>(time)) - wanted) <
            std::fabs(std::log(static_cast<double>(nearest)) - wanted)) {
            nearest = time;
        }
    }
    return nearest;
}

long StepForTime(uint32_t milliseconds)
{
    if (milliseconds == 0) {
        return Minimum();
    }
    const long step = std::lround(std::log2(milliseconds / 1000.0));
    return step < Minimum() ? Minimum() : step > Maximum() ? Maximum() : step;
}

} // namespace exposure_steps
