// Base fixture of the tests that drive the simulated camera: every test starts and ends with the camera at its power-on
// state (settings, faults, size, journal, counters) and without a settings file in the program's private temporary
// folder. Needs lumora_simcamera_probe (ZorvikSDK).
#pragma once

#include <gtest/gtest.h>

#include "simcamera/SimControl.h"
#include "tests/support/TestEnvironment.h"

namespace testenv {

class SimCameraFixture : public testing::Test {
protected:
    void SetUp() override
    {
        SimReset();
        RemoveSettingsFile();
    }
    void TearDown() override
    {
        SimReset();
        RemoveSettingsFile();
    }
};

} // namespace testenv
