// The standard camera controls on a filter object, with the simulated camera's journal and the settings file's
// bytes as the evidence. The camera is closed here; the streaming cases are in StandardControlsGraphTest.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera/StandardControls.h"
#include "tests/filter/FilterTestSupport.h"
#include "tests/support/SimCameraProbe.h"
#include "win/MediaType.h"
#include "win/UniqueHandle.h"

using namespace filtertest;
using testenv::Field;
using testenv::SettingsFile;
namespace setting = testenv::setting;
using Lines = std::vector<std::string>;

namespace {

constexpr LONG kAuto = 1;
constexpr LONG kManual = 2;

class StandardControls : public FilterTest {
protected:
    void SetUp() override
    {
        FilterTest::SetUp();
        ASSERT_EQ(S_OK, under.filter.As(&procAmp));
        ASSERT_EQ(S_OK, under.filter.As(&cameraControl));
        ASSERT_EQ(S_OK, under.filter.As(&videoControl));
    }

    HRESULT GetRange(ControlFamily family, LONG property, LONG* range)
    {
        return family == ControlFamily::VideoProcAmp
                   ? procAmp->GetRange(property, &range[0], &range[1], &range[2], &range[3], &range[4])
                   : cameraControl->GetRange(property, &range[0], &range[1], &range[2], &range[3], &range[4]);
    }
    HRESULT Set(ControlFamily family, LONG property, LONG value, LONG flags)
    {
        return family == ControlFamily::VideoProcAmp ? procAmp->Set(property, value, flags)
                                                     : cameraControl->Set(property, value, flags);
    }
    HRESULT Get(ControlFamily family, LONG property, LONG* value, LONG* flags)
    {
        return family == ControlFamily::VideoProcAmp ? procAmp->Get(property, value, flags)
                                                     : cameraControl->Get(property, value, flags);
    }

    TestFilter under;
    ComPtr<IAMVideoProcAmp> procAmp;
    ComPtr<IAMCameraControl> cameraControl;
    ComPtr<IAMVideoControl> videoControl;
};

// One control: what GetRange reports, a value to set, the SDK call and the settings file field that keep it.
struct ControlCase {
    const char* name;
    ControlFamily family;
    LONG property;
    LONG minimum, maximum, defaultValue, caps;
    LONG value;
    Lines sent; // the Set calls, the three sent on every apply included
    testenv::SettingField field;
    uint32_t stored;
};

const Lines kSwitchesOff = {"CameraSetMonochrome(0)", "CameraSetMirror(0,0)", "CameraSetMirror(1,0)"};

Lines Then(Lines first, const Lines& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const ControlCase kControls[] = {
    {"Brightness", ControlFamily::VideoProcAmp, VideoProcAmp_Brightness, 40, 200, 140, kManual, 150,
     Then({"CameraSetAeTarget(150)"}, kSwitchesOff), setting::kAeTarget, 150},
    {"Contrast", ControlFamily::VideoProcAmp, VideoProcAmp_Contrast, 0, 255, 20, kManual, 77,
     Then({"CameraSetContrast(77)"}, kSwitchesOff), setting::kContrast, 77},
    {"Saturation", ControlFamily::VideoProcAmp, VideoProcAmp_Saturation, 0, 255, 100, kManual, 200,
     Then({"CameraSetSaturation(200)"}, kSwitchesOff), setting::kSaturation, 200},
    {"Gamma", ControlFamily::VideoProcAmp, VideoProcAmp_Gamma, 20, 150, 100, kManual, 150,
     Then({"CameraSetGamma(150)"}, kSwitchesOff), setting::kGamma, 150},
    {"Gain", ControlFamily::VideoProcAmp, VideoProcAmp_Gain, 80, 650, 185, kManual, 425,
     Then({"CameraSetAnalogGain(425)"}, kSwitchesOff), setting::kAnalogGain, 425},
    {"ColorEnable", ControlFamily::VideoProcAmp, VideoProcAmp_ColorEnable, 0, 1, 1, kManual, 0,
     {"CameraSetMonochrome(1)", "CameraSetMirror(0,0)", "CameraSetMirror(1,0)"}, setting::kMonochrome, 1},
    // 2 s: manual exposure of the page's 2000 ms; the default is the page's 40 ms, nearest to 2^-4 s within range.
    {"Exposure", ControlFamily::CameraControl, CameraControl_Exposure, -4, 9, -4, kAuto | kManual, 1,
     Then({"CameraSetAeState(0)", "CameraSetExposureTimeMS(2000)"}, kSwitchesOff), setting::kExposureTimeMS, 2000},
};

TEST_F(StandardControls, EveryControlReportsItsRangeTakesAValueAndRefusesValuesOutsideIt)
{
    for (const ControlCase& c : kControls) {
        SCOPED_TRACE(c.name);
        testenv::RemoveSettingsFile();
        SimReset();

        LONG range[5] = {};
        ASSERT_EQ(S_OK, GetRange(c.family, c.property, range));
        EXPECT_EQ(range[0], c.minimum);
        EXPECT_EQ(range[1], c.maximum);
        EXPECT_EQ(range[2], 1) << "step";
        EXPECT_EQ(range[3], c.defaultValue);
        EXPECT_EQ(range[4], c.caps);

        // Outside the range, at either end and with valid flags: refused, nothing sent, nothing written.
        for (LONG outside : {c.minimum - 1, c.maximum + 1}) {
            SimClearJournal();
            EXPECT_EQ(E_INVALIDARG, Set(c.family, c.property, outside, kManual)) << outside;
            EXPECT_EQ(CameraSettingChanges(), Lines()) << outside;
            EXPECT_TRUE(SettingsFile().empty()) << outside;
        }

        SimClearJournal();
        ASSERT_EQ(S_OK, Set(c.family, c.property, c.value, kManual));
        EXPECT_EQ(CameraSettingChanges(), c.sent);
        const std::vector<uint8_t> file = SettingsFile();
        ASSERT_EQ(file.size(), 67u);
        EXPECT_EQ(Field(file, c.field), c.stored);

        LONG value = -100, flags = 0;
        ASSERT_EQ(S_OK, Get(c.family, c.property, &value, &flags));
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(flags, kManual);

        for (LONG end : {c.minimum, c.maximum}) {
            EXPECT_EQ(S_OK, Set(c.family, c.property, end, kManual)) << end;
            ASSERT_EQ(S_OK, Get(c.family, c.property, &value, &flags));
            EXPECT_EQ(value, end);
        }
    }
}

TEST_F(StandardControls, OnlyExposureHasAnAutoFlagWhichIsAutoExposure)
{
    for (const ControlCase& c : kControls) {
        if (c.caps & kAuto) {
            continue;
        }
        SimClearJournal();
        EXPECT_EQ(E_INVALIDARG, Set(c.family, c.property, c.value, kAuto)) << c.name;
        EXPECT_EQ(CameraSettingChanges(), Lines()) << c.name;
    }

    // At power-on the camera exposes automatically.
    LONG value = 0, flags = 0;
    ASSERT_EQ(S_OK, cameraControl->Get(CameraControl_Exposure, &value, &flags));
    EXPECT_EQ(flags, kAuto);

    // Manual: the time goes with auto exposure off; Auto hands the exposure back to the camera and keeps the time.
    ASSERT_EQ(S_OK, cameraControl->Set(CameraControl_Exposure, -2, kManual));
    ASSERT_EQ(S_OK, cameraControl->Get(CameraControl_Exposure, &value, &flags));
    EXPECT_EQ(value, -2);
    EXPECT_EQ(flags, kManual);
    EXPECT_EQ(Field(SettingsFile(), setting::kAeState), 0u);
    EXPECT_EQ(Field(SettingsFile(), setting::kExposureTimeMS), 240u) << "the page's time nearest 0.25 s";

    SimClearJournal();
    ASSERT_EQ(S_OK, cameraControl->Set(CameraControl_Exposure, -2, kAuto));
    EXPECT_EQ(CameraSettingChanges(), Then({"CameraSetAeState(1)"}, kSwitchesOff));
    ASSERT_EQ(S_OK, cameraControl->Get(CameraControl_Exposure, &value, &flags));
    EXPECT_EQ(value, -2);
    EXPECT_EQ(flags, kAuto);
    EXPECT_EQ(Field(SettingsFile(), setting::kAeState), 1u);
    EXPECT_EQ(Field(SettingsFile(), setting::kExposureTimeMS), 240u);

    // Flags that are not exactly one of the caps flags are refused.
    for (LONG bad : {0L, kAuto | kManual, 4L, -1L}) {
        EXPECT_EQ(E_INVALIDARG, cameraControl->Set(CameraControl_Exposure, 0, bad)) << bad;
        EXPECT_EQ(E_INVALIDARG, procAmp->Set(VideoProcAmp_Brightness, 100, bad)) << bad;
    }
    // Auto is refused outside the range too.
    EXPECT_EQ(E_INVALIDARG, cameraControl->Set(CameraControl_Exposure, 10, kAuto));
}

TEST_F(StandardControls, PropertiesTheCameraDoesNotHaveAreUnsupportedEverywhere)
{
    const struct {
        ControlFamily family;
        LONG property;
    } unsupported[] = {
        {ControlFamily::VideoProcAmp, VideoProcAmp_Hue},
        {ControlFamily::VideoProcAmp, VideoProcAmp_Sharpness},
        {ControlFamily::VideoProcAmp, VideoProcAmp_WhiteBalance},
        {ControlFamily::VideoProcAmp, VideoProcAmp_BacklightCompensation},
        {ControlFamily::VideoProcAmp, -1},
        {ControlFamily::VideoProcAmp, 10},
        {ControlFamily::CameraControl, CameraControl_Pan},
        {ControlFamily::CameraControl, CameraControl_Tilt},
        {ControlFamily::CameraControl, CameraControl_Roll},
        {ControlFamily::CameraControl, CameraControl_Zoom},
        {ControlFamily::CameraControl, CameraControl_Iris},
        {ControlFamily::CameraControl, CameraControl_Focus},
        {ControlFamily::CameraControl, VideoProcAmp_Gain}, // a number only the other family has
        {ControlFamily::CameraControl, 0x7FFFFFFF},
    };
    for (const auto& u : unsupported) {
        SCOPED_TRACE(u.property);
        SimClearJournal();
        LONG range[5] = {};
        LONG value = 0, flags = 0;
        EXPECT_EQ(E_PROP_ID_UNSUPPORTED, GetRange(u.family, u.property, range));
        EXPECT_EQ(E_PROP_ID_UNSUPPORTED, Get(u.family, u.property, &value, &flags));
        EXPECT_EQ(E_PROP_ID_UNSUPPORTED, Set(u.family, u.property, 0, kManual));
        EXPECT_EQ(E_PROP_ID_UNSUPPORTED, Set(u.family, u.property, 1, kAuto));
        EXPECT_EQ(JournalLines(), Lines()) << "the camera was asked about a property it does not have";
    }
    EXPECT_TRUE(SettingsFile().empty());
}

TEST_F(StandardControls, NullPointersAreRefused)
{
    LONG value = 0;
    for (ControlFamily family : {ControlFamily::VideoProcAmp, ControlFamily::CameraControl}) {
        const LONG property = family == ControlFamily::VideoProcAmp ? LONG{VideoProcAmp_Brightness}
                                                                    : LONG{CameraControl_Exposure};
        LONG range[5] = {};
        IAMVideoProcAmp* p = procAmp.Get();
        IAMCameraControl* c = cameraControl.Get();
        if (family == ControlFamily::VideoProcAmp) {
            EXPECT_EQ(E_POINTER, p->GetRange(property, nullptr, &range[1], &range[2], &range[3], &range[4]));
            EXPECT_EQ(E_POINTER, p->GetRange(property, &range[0], &range[1], &range[2], &range[3], nullptr));
        } else {
            EXPECT_EQ(E_POINTER, c->GetRange(property, &range[0], &range[1], nullptr, &range[3], &range[4]));
        }
        EXPECT_EQ(E_POINTER, Get(family, property, nullptr, &value));
        EXPECT_EQ(E_POINTER, Get(family, property, &value, nullptr));
    }
}

TEST_F(StandardControls, AFailedSaveIsReportedAfterTheValueWasApplied)
{
    ASSERT_EQ(1, CameraConfig().SaveToFile());
    // Another program holds the settings file open without sharing.
    const win::UniqueHandle holder(CreateFileA(testenv::TempPath("Lumora Camera.config").c_str(), GENERIC_READ, 0,
                                               nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    SimClearJournal();
    const HRESULT hr = procAmp->Set(VideoProcAmp_Contrast, 77, kManual);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_EQ(CameraSettingChanges(), Then({"CameraSetContrast(77)"}, kSwitchesOff));
}

TEST_F(StandardControls, TheControlsAreTheFiltersAndShareItsIdentity)
{
    ComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, under.filter.As(&identity));
    for (IUnknown* part : {static_cast<IUnknown*>(procAmp.Get()), static_cast<IUnknown*>(cameraControl.Get()),
                           static_cast<IUnknown*>(videoControl.Get())}) {
        ComPtr<IUnknown> same;
        ASSERT_EQ(S_OK, part->QueryInterface(IID_PPV_ARGS(&same)));
        EXPECT_EQ(same.Get(), identity.Get());
        ComPtr<IBaseFilter> filter;
        ASSERT_EQ(S_OK, part->QueryInterface(IID_PPV_ARGS(&filter)));
        EXPECT_EQ(filter.Get(), under.filter.Get());
    }
    // Each reaches the others.
    ComPtr<IAMCameraControl> fromProcAmp;
    EXPECT_EQ(S_OK, procAmp.As(&fromProcAmp));
    EXPECT_EQ(fromProcAmp.Get(), cameraControl.Get());
    // The pins have none of them.
    ComPtr<IAMVideoProcAmp> onPin;
    EXPECT_EQ(E_NOINTERFACE, under.capture->Pin()->QueryInterface(IID_PPV_ARGS(&onPin)));
}

TEST_F(StandardControls, VideoControlFlipsAreTheMirrorSwitches)
{
    IPin* capture = under.capture->Pin();
    LONG caps = 0;
    ASSERT_EQ(S_OK, videoControl->GetCaps(capture, &caps));
    EXPECT_EQ(caps, VideoControlFlag_FlipHorizontal | VideoControlFlag_FlipVertical);

    const struct {
        LONG mode;
        Lines sent;
        uint32_t hMirror, vMirror;
    } modes[] = {
        {VideoControlFlag_FlipHorizontal, {"CameraSetMonochrome(0)", "CameraSetMirror(0,1)", "CameraSetMirror(1,0)"},
         1, 0},
        {VideoControlFlag_FlipVertical, {"CameraSetMonochrome(0)", "CameraSetMirror(0,0)", "CameraSetMirror(1,1)"},
         0, 1},
        {VideoControlFlag_FlipHorizontal | VideoControlFlag_FlipVertical,
         {"CameraSetMonochrome(0)", "CameraSetMirror(0,1)", "CameraSetMirror(1,1)"}, 1, 1},
        {0, kSwitchesOff, 0, 0},
    };
    for (const auto& m : modes) {
        SCOPED_TRACE(m.mode);
        SimClearJournal();
        ASSERT_EQ(S_OK, videoControl->SetMode(capture, m.mode));
        EXPECT_EQ(CameraSettingChanges(), m.sent);
        const std::vector<uint8_t> file = SettingsFile();
        EXPECT_EQ(Field(file, setting::kHMirror), m.hMirror);
        EXPECT_EQ(Field(file, setting::kVMirror), m.vMirror);
        LONG mode = -1;
        ASSERT_EQ(S_OK, videoControl->GetMode(capture, &mode));
        EXPECT_EQ(mode, m.mode);
    }

    // The triggers are not the camera's; nothing changes.
    SimClearJournal();
    for (LONG bad : {static_cast<LONG>(VideoControlFlag_ExternalTriggerEnable), static_cast<LONG>(VideoControlFlag_Trigger),
                     static_cast<LONG>(VideoControlFlag_FlipHorizontal | VideoControlFlag_Trigger), -1L}) {
        EXPECT_EQ(E_INVALIDARG, videoControl->SetMode(capture, bad)) << bad;
    }
    EXPECT_EQ(JournalLines(), Lines());
}

TEST_F(StandardControls, VideoControlAnswersForTheCapturePinOnly)
{
    IPin* preview = under.preview->Pin();
    LONG value = 0;
    LONGLONG interval = 0;
    LONG count = 0;
    LONGLONG* list = nullptr;
    const SIZE size = {kFrameWidth, kFrameHeight};
    EXPECT_EQ(E_INVALIDARG, videoControl->GetCaps(preview, &value));
    EXPECT_EQ(E_INVALIDARG, videoControl->SetMode(preview, 0));
    EXPECT_EQ(E_INVALIDARG, videoControl->GetMode(preview, &value));
    EXPECT_EQ(E_INVALIDARG, videoControl->GetCurrentActualFrameRate(preview, &interval));
    EXPECT_EQ(E_INVALIDARG, videoControl->GetMaxAvailableFrameRate(preview, 0, size, &interval));
    EXPECT_EQ(E_INVALIDARG, videoControl->GetFrameRateList(preview, 0, size, &count, &list));
    EXPECT_EQ(E_POINTER, videoControl->GetCaps(nullptr, &value));
    EXPECT_EQ(E_POINTER, videoControl->GetCaps(under.capture->Pin(), nullptr));
    EXPECT_EQ(E_POINTER, videoControl->GetMode(under.capture->Pin(), nullptr));
    EXPECT_EQ(nullptr, list);
}

TEST_F(StandardControls, FrameRatesAreTheCamerasTwoSpeedsForEveryCapability)
{
    IPin* capture = under.capture->Pin();
    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(S_OK, capture->QueryInterface(IID_PPV_ARGS(&config)));
    int capabilities = 0, capsSize = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&capabilities, &capsSize));
    ASSERT_EQ(capabilities, 35); // the camera's five, then the format ladder
    for (int index = 0; index < capabilities; ++index) {
        SCOPED_TRACE(index);
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps = {};
        ASSERT_EQ(S_OK, config->GetStreamCaps(index, &type, reinterpret_cast<BYTE*>(&caps)));
        const win::MediaTypePtr owned(type);
        const SIZE size = FrameSizeOf(*type);

        LONGLONG fastest = 0;
        ASSERT_EQ(S_OK, videoControl->GetMaxAvailableFrameRate(capture, index, size, &fastest));
        EXPECT_EQ(fastest, 333333);
        LONG count = 0;
        LONGLONG* list = nullptr;
        ASSERT_EQ(S_OK, videoControl->GetFrameRateList(capture, index, size, &count, &list));
        ASSERT_EQ(count, 2);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list[0], 333333);
        EXPECT_EQ(list[1], 666666);
        CoTaskMemFree(list);
        count = 0;
        EXPECT_EQ(S_OK, videoControl->GetFrameRateList(capture, index, size, &count, nullptr)) << "the count alone";
        EXPECT_EQ(count, 2);

        // A size the capability does not have.
        const SIZE wrong = {size.cx, size.cy + 2};
        EXPECT_EQ(E_INVALIDARG, videoControl->GetMaxAvailableFrameRate(capture, index, wrong, &fastest));
        EXPECT_EQ(E_INVALIDARG, videoControl->GetFrameRateList(capture, index, wrong, &count, &list));
    }
    LONGLONG fastest = 0;
    LONG count = 0;
    const SIZE size = {kFrameWidth, kFrameHeight};
    for (LONG index : {-1L, 35L, 1000L}) {
        EXPECT_EQ(E_INVALIDARG, videoControl->GetMaxAvailableFrameRate(capture, index, size, &fastest)) << index;
        EXPECT_EQ(E_INVALIDARG, videoControl->GetFrameRateList(capture, index, size, &count, nullptr)) << index;
    }
    EXPECT_EQ(E_POINTER, videoControl->GetMaxAvailableFrameRate(capture, 0, size, nullptr));
    EXPECT_EQ(E_POINTER, videoControl->GetFrameRateList(capture, 0, size, nullptr, nullptr));

    // Not connected: no rate is measured.
    LONGLONG actual = 0;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, videoControl->GetCurrentActualFrameRate(capture, &actual));
    EXPECT_EQ(E_POINTER, videoControl->GetCurrentActualFrameRate(capture, nullptr));
}

} // namespace
