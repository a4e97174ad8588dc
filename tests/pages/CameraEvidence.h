// The older names of the evidence in tests/support/SimCameraProbe.h, kept only
// for the filter tests that still use them; they go when those read the kit.
#pragma once

#include "tests/support/SimCameraProbe.h"

namespace evidence {

using testenv::Called;
using testenv::JournalText;
using testenv::Only;
using testenv::SettingsFile;

enum SettingsOffset : size_t {
    kResolution = testenv::setting::kResolution.offset,
    kAeState = testenv::setting::kAeState.offset,
    kTarget = testenv::setting::kAeTarget.offset,
    kAnalogGain = testenv::setting::kAnalogGain.offset,
    kExposureTime = testenv::setting::kExposureTimeMS.offset,
    kGainB = testenv::setting::kGainB.offset,
    kGainG = testenv::setting::kGainG.offset,
    kGainR = testenv::setting::kGainR.offset,
    kContrast = testenv::setting::kContrast.offset,
    kSaturation = testenv::setting::kSaturation.offset,
    kColorEnhancement = testenv::setting::kColorEnhancement.offset,
    kGamma = testenv::setting::kGamma.offset,
    kFrameSpeed = testenv::setting::kFrameSpeed.offset,
    kHMirror = testenv::setting::kHMirror.offset,
    kVMirror = testenv::setting::kVMirror.offset,
    kMonochrome = testenv::setting::kMonochrome.offset,
};

inline uint32_t Field(const std::vector<uint8_t>& file, size_t offset, size_t size)
{
    return testenv::Field(file, {offset, size});
}

struct ExpectedField {
    SettingsOffset offset;
    size_t size;
    uint32_t value;
};

inline void ExpectFields(const std::vector<uint8_t>& file, std::initializer_list<ExpectedField> fields)
{
    for (const ExpectedField& field : fields) {
        testenv::ExpectFields(file, {{{field.offset, field.size}, field.value}});
    }
}

} // namespace evidence
