#include "camera/SettingsTables.h"

#include "camera/CameraConfig.h"
#include "camera/CameraSdk.h"

const IsoGainRow IsoGainTable[kIsoSteps] = {
    {1, 100, 80},  {2, 200, 180}, {3, 300, 251}, {4, 400, 354}, {5, 500, 425},
    {6, 600, 479}, {7, 700, 525}, {8, 800, 584}, {9, 900, 650},
};

const uint32_t ExposureTimeTable[kExposureTimeSteps] = {
    40,     80,     120,    160,    200,    240,    280,    320,    360,    400,    440,    480,    520,
    600,    680,    760,    840,    920,    1000,   1120,   1240,   1360,   1480,   1600,   1760,   1920,
    2000,   2200,   2520,   2800,   3200,   3600,   4000,   4600,   5200,   5800,   6800,   8000,   9000,
    10000,  12000,  14000,  16000,  18000,  20000,  23000,  27000,  32000,  36000,  40000,  46000,  52000,
    58000,  66000,  75000,  84000,  93000,  100000, 112000, 125000, 140000, 150000, 170000, 185000, 200000,
    225000, 245000, 270000, 300000, 335000, 370000, 400000, 440000, 500000, 557000,
};

uint16_t IsoStepToGain(int step)
{
    for (const IsoGainRow& row : IsoGainTable) {
        if (row.step == step) {
            return row.analogGain;
        }
    }
    return step < IsoGainTable[0].step ? IsoGainTable[0].analogGain : IsoGainTable[kIsoSteps - 1].analogGain;
}

int GainToIsoStep(int gain)
{
    for (const IsoGainRow& row : IsoGainTable) {
        if (static_cast<int>(row.analogGain) >= gain) {
            return row.step;
        }
    }
    return IsoGainTable[kIsoSteps - 1].step;
}

int ExposureTimeToStep(uint32_t milliseconds)
{
    for (int position = 0; position < kExposureTimeSteps; ++position) {
        if (ExposureTimeTable[position] >= milliseconds) {
            return position;
        }
    }
    return 0;
}

uint32_t ExposureTimeAt(int position)
{
    if (position < 0) {
        position = 0;
    } else if (position >= kExposureTimeSteps) {
        position = kExposureTimeSteps - 1;
    }
    return ExposureTimeTable[position];
}

SettingRange AnalogGainRange()
{
    return {IsoGainTable[0].analogGain, IsoGainTable[kIsoSteps - 1].analogGain};
}

SettingRange ExposureTimeRange()
{
    return {static_cast<int>(ExposureTimeTable[0]), static_cast<int>(ExposureTimeTable[kExposureTimeSteps - 1])};
}

void LoadPageDefaults(CameraConfig* config)
{
    config->m_Color.m_GainR = 88;
    config->m_Color.m_GainG = 88;
    config->m_Color.m_GainB = 88;
    config->m_Color.m_Gamma = 100;
    config->m_Color.m_Contrast = 20;
    config->m_Color.m_ColorEnhancement = 1;
    config->m_Color.m_Saturation = 100;
    config->m_Exposure.m_AeState = 1;
    config->m_Exposure.m_Target = 140;
    config->m_Exposure.m_ExposureTimeMS = 40;
    config->m_Exposure.m_AnalogGain = 185;
    config->m_FrameSpeed = kFrameSpeedHigh;
    config->m_HMirror = 0;
    config->m_VMirror = 0;
    config->m_Monochrome = 0;
}
