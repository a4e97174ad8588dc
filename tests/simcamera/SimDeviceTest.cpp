// The simulated camera as a device: exports, image sizes, lifecycle, wrong-state calls, faults, settings, journal.
#include "tests/simcamera/SimTestSupport.h"

#include <algorithm>
#include <cstring>

#include "tests/support/CameraHeld.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/WaitFor.h"

using namespace simtest;
using namespace testenv;

namespace {
int __stdcall IgnoreCallback(int)
{
    return 1;
}
} // namespace

TEST(SimExports, EverySdkFunctionIsExportedByItsPlainName)
{
    const HMODULE sdk = GetModuleHandleA("ZorvikSDK.dll");
    ASSERT_NE(sdk, nullptr);
#define EXPECT_EXPORTED(name) \
    EXPECT_NE(reinterpret_cast<void*>(GetProcAddress(sdk, #name)), nullptr) << #name;
    ZORVIK_SDK_FUNCTIONS(EXPECT_EXPORTED)
    EXPECT_EXPORTED(SimSetFault)
    EXPECT_EXPORTED(SimReset)
#undef EXPECT_EXPORTED
}

TEST_F(SimCameraTest, ImageSizeFollowsTheResolutionIndexAndTheOverride)
{
    struct Case {
        int resolution, width, height;
    } cases[] = {{0, 3264, 2448}, {1, 3032, 2016}, {2, 3032, 2016}, {3, 3264, 2448}, {-1, 3264, 2448}};
    for (const Case& c : cases) {
        ASSERT_EQ(CameraInit(nullptr, c.resolution, nullptr, nullptr), 1);
        int width = 0, height = 0;
        EXPECT_EQ(CameraGetImageSize(&width, &height), 1);
        EXPECT_EQ(width, c.width) << "resolution " << c.resolution;
        EXPECT_EQ(height, c.height) << "resolution " << c.resolution;
        EXPECT_EQ(CameraUnInit(), 1);
    }

    // The override applies from the next CameraInit, for every resolution.
    ASSERT_EQ(CameraInit(nullptr, 1, nullptr, nullptr), 1);
    SimSetImageSize(320, 200);
    int width = 0, height = 0;
    CameraGetImageSize(&width, &height);
    EXPECT_EQ(width, 3032);
    ASSERT_EQ(CameraInit(nullptr, 1, nullptr, nullptr), 1);
    CameraGetImageSize(&width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    SimSetImageSize(0, 0);
    ASSERT_EQ(CameraInit(nullptr, 1, nullptr, nullptr), 1);
    CameraGetImageSize(&width, &height);
    EXPECT_EQ(width, 3032);
}

TEST_F(SimCameraTest, CallsInTheWrongStateAreRefusedOrHarmless)
{
    int width = -1, height = -1;
    unsigned char pixel[64] = {0x5A};
    EXPECT_EQ(CameraGetImageSize(&width, &height), 0);
    EXPECT_EQ(width, -1);
    EXPECT_EQ(CameraGetImageDataRGB24(pixel), 0);
    EXPECT_EQ(pixel[0], 0x5A);
    EXPECT_EQ(CameraPlay(), 0);
    EXPECT_EQ(CameraStop(), 0);
    EXPECT_EQ(CameraUnInit(), 0);

    Open();
    EXPECT_EQ(CameraGetImageDataRGB24(nullptr), 0);
    EXPECT_EQ(CameraGetImageSize(nullptr, &height), 0);
    EXPECT_EQ(CameraStop(), 1); // not playing: nothing to do
    EXPECT_EQ(CameraPlay(), 1);
    EXPECT_EQ(CameraPlay(), 1); // already playing
    // A second CameraInit starts a new session: stopped, new size.
    SimSetImageSize(64, 48);
    EXPECT_EQ(CameraInit(nullptr, 0, nullptr, nullptr), 1);
    ASSERT_EQ(CameraGetImageSize(&width, &height), 1);
    EXPECT_EQ(width, 64);
    SimResetCounters();
    Sleep(150);
    EXPECT_EQ(FrameCounters().produced, 0) << "a new session starts stopped";
    EXPECT_EQ(CameraUnInit(), 1);
    EXPECT_EQ(CameraUnInit(), 0);
}

TEST_F(SimCameraTest, FaultsFailTheirCallUntilCleared)
{
    SimSetFault(SimFaultCameraInit, 1);
    EXPECT_EQ(CameraInit(nullptr, 0, nullptr, nullptr), 0);
    int width = 0, height = 0;
    EXPECT_EQ(CameraGetImageSize(&width, &height), 0) << "a failed CameraInit leaves the camera closed";
    SimSetFault(SimFaultCameraInit, 0);
    Open();

    SimSetFault(SimFaultImageSize, 1);
    width = -1;
    EXPECT_EQ(CameraGetImageSize(&width, &height), 0);
    EXPECT_EQ(width, -1);
    SimSetFault(SimFaultImageSize, 0);
    EXPECT_EQ(CameraGetImageSize(&width, &height), 1);

    SimSetFault(SimFaultCameraPlay, 1);
    EXPECT_EQ(CameraPlay(), 0);
    Sleep(100);
    EXPECT_EQ(FrameCounters().produced, 0) << "a failed CameraPlay produces nothing";
    SimSetFault(SimFaultCameraPlay, 0);
    EXPECT_EQ(CameraPlay(), 1);
    EXPECT_TRUE(WaitFor([] { return FrameCounters().produced > 0; }, 2000));

    // Unplugged: no frames while active; they resume when cleared.
    SimSetFault(SimFaultUnplugged, 1);
    SimResetCounters();
    Sleep(300);
    EXPECT_EQ(FrameCounters().produced, 0);
    SimSetFault(SimFaultUnplugged, 0);
    EXPECT_TRUE(WaitFor([] { return FrameCounters().produced >= 3; }, 2000));
}

TEST_F(SimCameraTest, SettingsStartAtTheRecordDefaultsAndKeepEverySet)
{
    int red = 0, green = 0, blue = 0;
    EXPECT_EQ(Held(CameraGetAeState), 1);
    EXPECT_EQ(Held(CameraGetAeTarget), 100);
    EXPECT_EQ(Held(CameraGetAnalogGain), 40);
    EXPECT_EQ(Held(CameraGetExposureTimeMS), 40u);
    CameraGetGain(&red, &green, &blue);
    EXPECT_EQ(red, 100);
    EXPECT_EQ(green, 88);
    EXPECT_EQ(blue, 88);
    EXPECT_EQ(Held(CameraGetGamma), 100);
    EXPECT_EQ(Held(CameraGetContrast), 20);
    EXPECT_EQ(Held(CameraGetSaturation), 100);
    EXPECT_EQ(Held(CameraGetColorEnhancement), 1);
    EXPECT_EQ(Held(CameraGetFrameSpeed), 1);
    EXPECT_EQ(Held(CameraGetMonochrome), 0);
    EXPECT_EQ(HeldMirror(kMirrorHorizontal), 0);
    EXPECT_EQ(HeldMirror(kMirrorVertical), 0);

    // Sets before CameraInit are kept, and survive an Init/UnInit cycle.
    CameraSetAeState(0);
    CameraSetAeTarget(201);
    CameraSetAnalogGain(0xBEEF);
    CameraSetExposureTimeMS(123456);
    CameraSetGain(1, 2, 300);
    CameraSetGamma(150);
    CameraSetContrast(255);
    CameraSetSaturation(7);
    CameraSetColorEnhancement(0);
    CameraSetFrameSpeed(2);
    CameraSetMonochrome(1);
    CameraSetMirror(kMirrorHorizontal, 1);
    EXPECT_EQ(CameraSetMirror(5, 1), 0) << "no such axis";
    Open();
    EXPECT_EQ(CameraUnInit(), 1);

    EXPECT_EQ(Held(CameraGetAeState), 0);
    EXPECT_EQ(Held(CameraGetAeTarget), 201);
    EXPECT_EQ(Held(CameraGetAnalogGain), 0xBEEF);
    EXPECT_EQ(Held(CameraGetExposureTimeMS), 123456u);
    CameraGetGain(&red, &green, &blue);
    EXPECT_EQ(red, 1);
    EXPECT_EQ(green, 2);
    EXPECT_EQ(blue, 300);
    EXPECT_EQ(Held(CameraGetGamma), 150);
    EXPECT_EQ(Held(CameraGetContrast), 255);
    EXPECT_EQ(Held(CameraGetSaturation), 7);
    EXPECT_EQ(Held(CameraGetColorEnhancement), 0);
    EXPECT_EQ(Held(CameraGetMonochrome), 1);
    EXPECT_EQ(HeldMirror(kMirrorHorizontal), 1);
    EXPECT_EQ(HeldMirror(kMirrorVertical), 0);
    // Each axis is held on its own.
    CameraSetMirror(kMirrorVertical, 1);
    CameraSetMirror(kMirrorHorizontal, 0);
    EXPECT_EQ(HeldMirror(kMirrorVertical), 1);
    EXPECT_EQ(HeldMirror(kMirrorHorizontal), 0);

    // Get of the frame speed writes one byte only.
    unsigned char speed[2] = {0, 0xA5};
    CameraGetFrameSpeed(speed);
    EXPECT_EQ(speed[0], 2);
    EXPECT_EQ(speed[1], 0xA5);
    // A Get with no destination writes nothing and reports 0.
    EXPECT_EQ(CameraGetGamma(nullptr), 0);
    EXPECT_EQ(CameraGetGain(&red, nullptr, &blue), 0);
}

TEST_F(SimCameraTest, JournalRecordsEveryCallWithItsArgumentsInOrder)
{
    HWND window = GetDesktopWindow();
    unsigned char byte = 0;
    int on = 0, red, green, blue;
    SimSetImageSize(64, 48);
    CameraInit(IgnoreCallback, 2, window, window);
    CameraSetGain(100, 88, 87);
    CameraGetGain(&red, &green, &blue);
    CameraGetGamma(&byte);
    CameraSetMirror(kMirrorVertical, 1);
    CameraGetMirror(kMirrorVertical, &on);
    CameraSetExposureTimeMS(4000000000u);
    CameraGetImageSize(&red, &green);
    std::vector<unsigned char> image(64 * 48 * 3);
    CameraGetImageDataRGB24(image.data()); // counted, not journaled
    CameraPlay();
    CameraStop();
    CameraInit(nullptr, 0, nullptr, nullptr);
    CameraSetAWBState(1);
    CameraRestartLongExposure(1);
    CameraUnInit();
    SimGetCounters(nullptr); // control calls are not journaled

    EXPECT_EQ(JournalText(), "CameraInit(1,2,1,1)\n"
                             "CameraSetGain(100,88,87)\n"
                             "CameraGetGain()\n"
                             "CameraGetGamma()\n"
                             "CameraSetMirror(1,1)\n"
                             "CameraGetMirror(1)\n"
                             "CameraSetExposureTimeMS(4000000000)\n"
                             "CameraGetImageSize()\n"
                             "CameraPlay()\n"
                             "CameraStop()\n"
                             "CameraInit(0,0,0,0)\n"
                             "CameraSetAWBState(1)\n"
                             "CameraRestartLongExposure(1)\n"
                             "CameraUnInit()\n");
    EXPECT_EQ(FrameCounters().fetched, 1);

    // A short buffer gets the beginning, NUL-terminated; the result is the full need.
    char shortBuffer[12];
    std::memset(shortBuffer, 'x', sizeof(shortBuffer));
    const int needed = SimReadJournal(shortBuffer, sizeof(shortBuffer));
    EXPECT_EQ(needed, static_cast<int>(JournalText().size()) + 1);
    EXPECT_STREQ(shortBuffer, "CameraInit(");

    SimClearJournal();
    EXPECT_EQ(JournalText(), "");
}

TEST_F(SimCameraTest, JournalKeepsOnlyTheNewestLines)
{
    for (int i = 0; i < 5000; ++i) {
        CameraSetContrast(static_cast<unsigned char>(i));
    }
    CameraSetSaturation(42);
    const std::string journal = JournalText();
    const size_t lines = std::count(journal.begin(), journal.end(), '\n');
    EXPECT_GE(lines, 1000u);
    EXPECT_LT(lines, 5001u);
    EXPECT_EQ(journal.substr(journal.size() - 24), "CameraSetSaturation(42)\n");
}
