// The "Camera Set" page in the platform's property frame, driven as a user would, with the simulated camera's
// journal and the settings file as the evidence of what reached the camera and the filter.
#include <gtest/gtest.h>
#include <windows.h>

#include "camera/CameraConfig.h"
#include "camera/CameraSdk.h"
#include "resources/resource.h"
#include "simcamera/SimControl.h"
#include "tests/pages/PropertyFrameFixture.h"
#include "tests/support/CameraHeld.h"
#include "tests/pages/RecordingPageSite.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/SettingsRecord.h"
#include "tests/support/SimCameraProbe.h"

using namespace testenv;
namespace setting = testenv::setting;

namespace {

class SettingsPageFrameTest : public PropertyFrameFixture {
protected:
    void SetUp() override
    {
        SimReset();
        PropertyFrameFixture::SetUp();
    }

    // "AE Enable" on enables the target; off enables the ISO and time sliders.
    void ExpectExposureControlsFor(bool autoExposure) const
    {
        for (int id : {IDC_AE_TARGET, IDC_AE_TARGET_VALUE}) {
            EXPECT_EQ(Enabled(id), autoExposure) << "control " << id;
        }
        for (int id : {IDC_ISO, IDC_ISO_VALUE, IDC_EXPOSURE_TIME, IDC_EXPOSURE_TIME_VALUE}) {
            EXPECT_EQ(Enabled(id), !autoExposure) << "control " << id;
        }
    }
};

struct SliderMove {
    int slider, position, label;
    const char* shown;
};

TEST_F(SettingsPageFrameTest, SlidersSendTheirValuesAndWriteTheirLabels)
{
    OpenSettingsFrame();
    // The first painting already showed the camera's values.
    EXPECT_EQ(Text(IDC_AE_TARGET_VALUE), "100");
    EXPECT_EQ(Text(IDC_GAIN_R_VALUE), " 1.56");
    EXPECT_EQ(Text(IDC_EXPOSURE_TIME_VALUE), "40 ms");
    SimClearJournal();

    // In this order: each gain is sent with the other two as they stand.
    const SliderMove moves[] = {
        {IDC_AE_TARGET, 150, IDC_AE_TARGET_VALUE, "150"}, {IDC_ISO, 3, IDC_ISO_VALUE, "300"},
        {IDC_GAIN_R, 64, IDC_GAIN_R_VALUE, " 1.00"},      {IDC_GAIN_G, 128, IDC_GAIN_G_VALUE, " 2.00"},
        {IDC_GAIN_B, 32, IDC_GAIN_B_VALUE, " 0.50"},      {IDC_GAMMA, 150, IDC_GAMMA_VALUE, " 1.50"},
        {IDC_CONTRAST, 77, IDC_CONTRAST_VALUE, "77"},     {IDC_SATURATION, 200, IDC_SATURATION_VALUE, "200"},
    };
    for (const SliderMove& move : moves) {
        MoveSlider(move.slider, move.position);
        EXPECT_EQ(Text(move.label), move.shown) << "slider " << move.slider;
    }

    const std::string journal = JournalText();
    for (const char* call : {"CameraSetAeTarget(150)", "CameraSetAnalogGain(251)", "CameraSetGain(64,88,88)",
                             "CameraSetGain(64,128,88)", "CameraSetGain(64,128,32)", "CameraSetGamma(150)",
                             "CameraSetContrast(77)", "CameraSetSaturation(200)"}) {
        EXPECT_TRUE(Called(journal, call)) << call << " missing from\n" << journal;
    }

    // The Time slider changes its label only, until "Restart".
    SimClearJournal();
    MoveSlider(IDC_EXPOSURE_TIME, 74);
    EXPECT_EQ(Text(IDC_EXPOSURE_TIME_VALUE), "557000 ms");
    MoveSlider(IDC_EXPOSURE_TIME, 4);
    EXPECT_EQ(Text(IDC_EXPOSURE_TIME_VALUE), "200 ms");
    EXPECT_EQ(Only(JournalText(), {"CameraSetExposureTimeMS", "CameraRestartLongExposure"}), "");
    Click(IDC_RESTART);
    EXPECT_EQ(Only(JournalText(), {"CameraSetExposureTimeMS", "CameraRestartLongExposure"}),
              "CameraSetExposureTimeMS(200)\nCameraRestartLongExposure(1)\n");

    // A key press moves a slider as a user does; its value reaches the camera through the notifications the slider
    // sends while it repaints.
    SimClearJournal();
    SendMessageA(Control(IDC_CONTRAST), WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageA(Control(IDC_CONTRAST), WM_KEYUP, VK_RIGHT, 0);
    for (int i = 0; i < 50 && !Called(JournalText(), "CameraSetContrast(78)"); ++i) {
        frame->Sync();
    }
    EXPECT_TRUE(Called(JournalText(), "CameraSetContrast(78)")) << JournalText();
    EXPECT_EQ(Text(IDC_CONTRAST_VALUE), "78");
}

TEST_F(SettingsPageFrameTest, SwitchesSendTheirStateAndEnableTheirControls)
{
    // The camera's current manual values, which "AE Enable" off takes over.
    CameraSetAnalogGain(185);
    CameraSetExposureTimeMS(181);
    OpenSettingsFrame();
    ASSERT_TRUE(Checked(IDC_AE_ENABLE));
    EXPECT_TRUE(Enabled(IDC_AE_TARGET));
    EXPECT_FALSE(Enabled(IDC_ISO));
    CameraSetAnalogGain(425);
    CameraSetExposureTimeMS(1000);
    SimClearJournal();

    Click(IDC_AE_ENABLE);
    EXPECT_TRUE(Called(JournalText(), "CameraSetAeState(0)")) << JournalText();
    EXPECT_EQ(Position(IDC_ISO), 5);
    EXPECT_EQ(Position(IDC_EXPOSURE_TIME), 18);
    ExpectExposureControlsFor(false);

    // On again: the enabling swaps back and no slider moves.
    CameraSetAnalogGain(80);
    Click(IDC_AE_ENABLE);
    EXPECT_TRUE(Called(JournalText(), "CameraSetAeState(1)")) << JournalText();
    EXPECT_EQ(Position(IDC_ISO), 5);
    ExpectExposureControlsFor(true);

    ASSERT_TRUE(Checked(IDC_ENHANCEMENT_ENABLE));
    Click(IDC_ENHANCEMENT_ENABLE);
    EXPECT_TRUE(Called(JournalText(), "CameraSetColorEnhancement(0)")) << JournalText();
    EXPECT_FALSE(Enabled(IDC_SATURATION));
    EXPECT_FALSE(Enabled(IDC_SATURATION_VALUE));
    Click(IDC_ENHANCEMENT_ENABLE);
    EXPECT_TRUE(Called(JournalText(), "CameraSetColorEnhancement(1)")) << JournalText();
    EXPECT_TRUE(Enabled(IDC_SATURATION));
    EXPECT_TRUE(Enabled(IDC_SATURATION_VALUE));

    ASSERT_TRUE(Checked(IDC_SPEED_HIGH));
    SimClearJournal();
    Click(IDC_SPEED_NORMAL);
    Click(IDC_SPEED_HIGH);
    Click(IDC_HFLIP);
    Click(IDC_VFLIP);
    Click(IDC_MONO);
    Click(IDC_HFLIP);
    EXPECT_EQ(Only(JournalText(), {"CameraSetFrameSpeed", "CameraSetMirror", "CameraSetMonochrome"}),
              "CameraSetFrameSpeed(2)\nCameraSetFrameSpeed(1)\nCameraSetMirror(0,1)\n"
                         "CameraSetMirror(1,1)\nCameraSetMonochrome(1)\nCameraSetMirror(0,0)\n");
}

TEST_F(SettingsPageFrameTest, WhiteBalanceTakesTheCameraGainsAndDefaultsStayOffTheCamera)
{
    OpenSettingsFrame();
    Click(IDC_HFLIP);
    MoveSlider(IDC_GAMMA, 150);
    SimClearJournal();

    const DWORD before = GetTickCount();
    Click(IDC_AUTO_WHITE_BALANCE);
    EXPECT_GE(GetTickCount() - before, 190u) << "the page waits for the camera's white balance";
    EXPECT_EQ(Only(JournalText(), {"CameraSetAWBState", "CameraGetGain"}), "CameraSetAWBState(1)\nCameraGetGain()\n");
    int red = 0, green = 0, blue = 0;
    CameraGetGain(&red, &green, &blue);
    EXPECT_NE(red, 100) << "the simulated camera should have balanced its gains";
    EXPECT_EQ(Position(IDC_GAIN_R), red);
    EXPECT_EQ(Position(IDC_GAIN_G), green);
    EXPECT_EQ(Position(IDC_GAIN_B), blue);

    // "default" fills the dialog with the page's defaults; the switches reach the camera only on Apply.
    SimClearJournal();
    Click(IDC_DEFAULT);
    const std::string journal = JournalText();
    for (const char* call : {"CameraSetMirror", "CameraSetMonochrome", "CameraSetFrameSpeed", "CameraSetAeState",
                             "CameraSetColorEnhancement", "CameraSetExposureTimeMS"}) {
        EXPECT_EQ(journal.find(call), std::string::npos) << journal;
    }
    EXPECT_FALSE(Checked(IDC_HFLIP));
    EXPECT_TRUE(Checked(IDC_AE_ENABLE));
    EXPECT_TRUE(Checked(IDC_SPEED_HIGH));
    EXPECT_EQ(Position(IDC_AE_TARGET), 140);
    EXPECT_EQ(Position(IDC_ISO), 3);
    EXPECT_EQ(Position(IDC_EXPOSURE_TIME), 0);
    EXPECT_EQ(Position(IDC_GAIN_R), 88);
    EXPECT_EQ(Position(IDC_GAMMA), 100);
    EXPECT_EQ(Position(IDC_CONTRAST), 20);
    EXPECT_EQ(Position(IDC_SATURATION), 100);
    EXPECT_EQ(HeldMirror(kMirrorHorizontal), 1) << "the camera stays mirrored until Apply";

    ASSERT_EQ(ApplyPage(settingsFactory), S_OK);
    const std::vector<uint8_t> file = testenv::SettingsFile();
    ASSERT_EQ(file.size(), 67u);
    EXPECT_EQ(Field(file, setting::kHMirror), 0u);
    EXPECT_EQ(Field(file, setting::kGamma), 100u);
    EXPECT_EQ(HeldMirror(kMirrorHorizontal), 0);
}

TEST_F(SettingsPageFrameTest, SliderNotificationsCountAsChangesOnlyAfterTheFirstSecond)
{
    OpenSettingsFrame();
    // The first painting's notifications reached the camera...
    EXPECT_TRUE(Called(JournalText(), "CameraSetGamma(100)")) << JournalText();
    // ...and, like an early move, left the page clean. On a machine so slow that the first second is already over,
    // this part cannot be judged.
    SimClearJournal();
    MoveSlider(IDC_GAMMA, 120);
    const bool early = GetTickCount() - opened < 800;
    EXPECT_TRUE(Called(JournalText(), "CameraSetGamma(120)")) << JournalText();
    if (early) {
        EXPECT_EQ(Dirty(settingsFactory), S_FALSE);
    }
    WaitPastSettling();
    MoveSlider(IDC_GAMMA, 130);
    EXPECT_EQ(Dirty(settingsFactory), S_OK);
    ASSERT_EQ(ApplyPage(settingsFactory), S_OK);
    EXPECT_EQ(Dirty(settingsFactory), S_FALSE);

    // Every command counts at once, also those that change no setting.
    frame->CloseWith("Cancel");
    OpenSettingsFrame();
    Click(IDC_RESTART);
    EXPECT_EQ(Dirty(settingsFactory), S_OK);
    ASSERT_EQ(ApplyPage(settingsFactory), S_OK);
    Click(IDC_AUTO_WHITE_BALANCE);
    EXPECT_EQ(Dirty(settingsFactory), S_OK);
}

TEST_F(SettingsPageFrameTest, ApplyStoresTheDialogAndSendsOnlyWhatChanged)
{
    // The stored record; the camera is closed, so the page shows it.
    ASSERT_EQ(testenv::SettingsOf({{setting::AnalogGain, 185}, {setting::ExposureTimeMS, 181}}).SaveToFile(), 1);
    OpenSettingsFrame();
    EXPECT_EQ(Position(IDC_ISO), 3);
    EXPECT_EQ(Text(IDC_ISO_VALUE), "300");
    EXPECT_EQ(Position(IDC_EXPOSURE_TIME), 4);
    EXPECT_EQ(Text(IDC_EXPOSURE_TIME_VALUE), "200 ms");

    WaitPastSettling();
    MoveSlider(IDC_GAMMA, 150);
    Click(IDC_SPEED_NORMAL);
    Click(IDC_VFLIP);
    SimClearJournal();
    ASSERT_EQ(ApplyPage(settingsFactory), S_OK);

    const std::vector<uint8_t> file = testenv::SettingsFile();
    ASSERT_EQ(file.size(), 67u);
    ExpectFields(file, {
        {setting::kGamma, 150},
        {setting::kFrameSpeed, 2},
        {setting::kVMirror, 1},
        {setting::kHMirror, 0},
        {setting::kAnalogGain, 251}, // ISO step 3 stores its gain
        {setting::kExposureTimeMS, 200},
        {setting::kAeState, 1},
        {setting::kAeTarget, 100},
        {setting::kGainR, 100},
        {setting::kGainG, 88},
        {setting::kGainB, 88},
        {setting::kContrast, 20},
        {setting::kSaturation, 100},
        {setting::kColorEnhancement, 1},
        {setting::kResolution, 0},
    });

    // Apply writes the dialog onto the filter's current record (the stored one, the camera closed): what differs
    // reaches the camera, and mirror and monochrome always; fields the dialog left alone are not sent.
    const std::string journal = JournalText();
    for (const char* call : {"CameraSetExposureTimeMS(200)", "CameraSetAnalogGain(251)", "CameraSetGamma(150)",
                             "CameraSetFrameSpeed(2)", "CameraSetMirror(1,1)", "CameraSetMonochrome(0)"}) {
        EXPECT_TRUE(Called(journal, call)) << call << " missing from\n" << journal;
    }
    for (const char* call : {"CameraSetContrast", "CameraSetAeTarget", "CameraSetGain("}) {
        EXPECT_EQ(journal.find(call), std::string::npos) << journal;
    }
}

TEST_F(SettingsPageFrameTest, DeactivationSendsTheHeldRecordNotTheDialog)
{
    OpenSettingsFrame();
    WaitPastSettling();
    MoveSlider(IDC_GAMMA, 150);
    ASSERT_EQ(ApplyPage(settingsFactory), S_OK);
    // Changed in the dialog (and live on the camera), never applied.
    MoveSlider(IDC_GAMMA, 30);
    Click(IDC_HFLIP);
    testenv::RemoveSettingsFile();
    SimClearJournal();

    ASSERT_TRUE(frame->CloseWith("Cancel"));
    const std::vector<uint8_t> file = testenv::SettingsFile();
    ASSERT_EQ(file.size(), 67u) << "deactivation hands the held record to the filter";
    EXPECT_EQ(Field(file, setting::kGamma), 150u);
    EXPECT_EQ(Field(file, setting::kHMirror), 0u);
    // The camera is closed: the controller's record already holds the applied gamma, so only the switches go now;
    // every value reaches the camera when it next opens.
    EXPECT_EQ(Only(JournalText(), {"CameraSetGamma", "CameraSetMirror"}),
              "CameraSetMirror(0,0)\nCameraSetMirror(1,0)\n");

    // Apply after the dialog is gone hands over the held record unchanged.
    Microsoft::WRL::ComPtr<IPropertyPage> page = settingsFactory->LastPage();
    ASSERT_TRUE(page);
    testenv::RemoveSettingsFile();
    ASSERT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_EQ(page->Apply(), S_OK);
    const std::vector<uint8_t> again = testenv::SettingsFile();
    ASSERT_EQ(again.size(), 67u);
    EXPECT_EQ(again, file);
}

TEST_F(SettingsPageFrameTest, ShowsWhatTheStandardControlsSetTheNextTimeItOpens)
{
    OpenSettingsFrame();
    ASSERT_TRUE(frame->CloseWith("Cancel"));
    frame.reset();

    // An application sets the camera through the platform's interfaces on the filter the page edits.
    Microsoft::WRL::ComPtr<IAMVideoProcAmp> procAmp;
    Microsoft::WRL::ComPtr<IAMCameraControl> cameraControl;
    Microsoft::WRL::ComPtr<IAMVideoControl> videoControl;
    Microsoft::WRL::ComPtr<IPin> capture;
    ASSERT_EQ(objects.settingsPageObject.As(&procAmp), S_OK);
    ASSERT_EQ(objects.settingsPageObject.As(&cameraControl), S_OK);
    ASSERT_EQ(objects.settingsPageObject.As(&videoControl), S_OK);
    ASSERT_EQ(objects.formatPageObject.As(&capture), S_OK);
    const LONG manual = VideoProcAmp_Flags_Manual;
    ASSERT_EQ(procAmp->Set(VideoProcAmp_Contrast, 77, manual), S_OK);
    ASSERT_EQ(procAmp->Set(VideoProcAmp_Gamma, 40, manual), S_OK);
    ASSERT_EQ(procAmp->Set(VideoProcAmp_Saturation, 33, manual), S_OK);
    ASSERT_EQ(procAmp->Set(VideoProcAmp_Gain, 425, manual), S_OK);
    ASSERT_EQ(procAmp->Set(VideoProcAmp_ColorEnable, 0, manual), S_OK);
    ASSERT_EQ(cameraControl->Set(CameraControl_Exposure, 1, CameraControl_Flags_Manual), S_OK);
    ASSERT_EQ(videoControl->SetMode(capture.Get(), VideoControlFlag_FlipHorizontal), S_OK);

    OpenSettingsFrame();
    EXPECT_EQ(Position(IDC_CONTRAST), 77);
    EXPECT_EQ(Position(IDC_GAMMA), 40);
    EXPECT_EQ(Position(IDC_SATURATION), 33);
    EXPECT_EQ(Text(IDC_ISO_VALUE), "500") << "analog gain 425 is ISO step 5";
    EXPECT_EQ(Text(IDC_EXPOSURE_TIME_VALUE), "2000 ms");
    EXPECT_FALSE(Checked(IDC_AE_ENABLE));
    ExpectExposureControlsFor(false);
    EXPECT_TRUE(Checked(IDC_MONO));
    EXPECT_TRUE(Checked(IDC_HFLIP));
    EXPECT_FALSE(Checked(IDC_VFLIP));

    // Brightness needs auto exposure, which the page shows as well. (A page that is open meanwhile hands back what it
    // was shown when it closes.)
    ASSERT_TRUE(frame->CloseWith("Cancel"));
    ASSERT_EQ(cameraControl->Set(CameraControl_Exposure, 1, CameraControl_Flags_Auto), S_OK);
    ASSERT_EQ(procAmp->Set(VideoProcAmp_Brightness, 170, manual), S_OK);
    OpenSettingsFrame();
    EXPECT_TRUE(Checked(IDC_AE_ENABLE));
    EXPECT_EQ(Position(IDC_AE_TARGET), 170);
    EXPECT_EQ(Text(IDC_AE_TARGET_VALUE), "170");

    // Closing the page keeps them: it hands back what it was shown.
    ASSERT_TRUE(frame->CloseWith("Cancel"));
    testenv::ExpectFields(testenv::SettingsFile(), {{setting::kAeTarget, 170},
                                                       {setting::kContrast, 77},
                                                       {setting::kGamma, 40},
                                                       {setting::kSaturation, 33},
                                                       {setting::kAnalogGain, 425},
                                                       {setting::kExposureTimeMS, 2000},
                                                       {setting::kAeState, 1},
                                                       {setting::kMonochrome, 1},
                                                       {setting::kHMirror, 1}});
}

TEST_F(SettingsPageFrameTest, ScreenshotShowsEveryControl)
{
    OpenSettingsFrame();
    ASSERT_NO_FATAL_FAILURE(SaveFrameScreenshot("camera-set-page.png"));

    // The settings dialog sits at the page's origin, 6 pixels narrower and 50 shorter; controls below are cut off.
    HWND dialog = GetParent(Control(IDC_AE_TARGET));
    HWND pageWindow = GetParent(dialog);
    RECT pageClient = {};
    GetClientRect(pageWindow, &pageClient);
    RECT placed = {};
    GetWindowRect(dialog, &placed);
    MapWindowPoints(HWND_DESKTOP, pageWindow, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 0);
    EXPECT_EQ(placed.top, 0);
    RECT gammaUnits = {53, 164, 53 + 106, 164 + 13};
    MapDialogRect(dialog, &gammaUnits);
    RECT gamma = {};
    GetWindowRect(Control(IDC_GAMMA), &gamma);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&gamma), 2);
    EXPECT_EQ(gamma.left, gammaUnits.left);
    EXPECT_EQ(gamma.top, gammaUnits.top);
    EXPECT_FALSE(IsWindowVisible(Control(IDC_LIGHT_50HZ)));
    EXPECT_FALSE(Enabled(IDC_BLACK_LEVEL));
}

TEST_F(SettingsPageFrameTest, WorksLiveWhenTheObjectHasNoCameraSettings)
{
    // Offers IUnknown only.
    Microsoft::WRL::ComPtr<CountingUnknown> plain = win::MakeComObject<CountingUnknown>();
    OpenSettingsFrame(plain.Get());
    // The page shows a fresh record's values.
    EXPECT_EQ(Position(IDC_GAIN_R), 100);
    EXPECT_EQ(Position(IDC_AE_TARGET), 100);
    SimClearJournal();
    WaitPastSettling();
    MoveSlider(IDC_GAMMA, 150);
    Click(IDC_MONO);
    EXPECT_TRUE(Called(JournalText(), "CameraSetGamma(150)")) << JournalText();
    EXPECT_TRUE(Called(JournalText(), "CameraSetMonochrome(1)")) << JournalText();
    EXPECT_EQ(ApplyPage(settingsFactory), S_OK);
    ASSERT_TRUE(frame->CloseWith("OK"));
    EXPECT_TRUE(testenv::SettingsFile().empty()) << "nothing to hand the record to";
    settingsFactory->ReleasePages();
    EXPECT_EQ(plain->References(), 1u);
}

TEST_F(SettingsPageFrameTest, FrameCyclesLeaveNoThreadsHandlesOrObjects)
{
    auto cycle = [this] {
        OpenSettingsFrame();
        Click(IDC_HFLIP);
        ASSERT_EQ(ApplyPage(settingsFactory), S_OK);
        ASSERT_TRUE(frame->CloseWith("OK"));
        frame.reset();
        settingsFactory->ReleasePages();
    };
    cycle(); // the platform's one-time set-up
    const testenv::CountsBaseline baseline;
    const LONG live = liveObjectCount;
    for (int i = 0; i < 3; ++i) {
        cycle();
    }
    EXPECT_TRUE(baseline.Restored(5000));
    EXPECT_EQ(liveObjectCount, live);
}

} // namespace
