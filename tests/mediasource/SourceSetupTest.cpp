// The source as the system meets it: registered by its DLL (in-process and
// through regsvr32) and created by class id; a camera that cannot be opened
// (library missing, in use) or that stops delivering, reported through
// Start's result and MEError, never a window, never a hang.
#include <gtest/gtest.h>

#include <string>

#include "camera/Camera.h"
#include "mediasource/MediaSourceGuids.h"
#include "mediasource/SourceModule.h"
#include "tests/mediasource/SourceTestKit.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Registry.h"
#include "tests/support/SimCameraFixture.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestWatchdog.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

using namespace sourcetest;

namespace {

const std::wstring kServerKey =
    L"Software\\Classes\\CLSID\\" + testenv::GuidText(CLSID_LumoraMediaSource) + L"\\InprocServer32";

class SourceSetup : public testenv::SimCameraFixture {
protected:
    void SetUp() override
    {
        SimCameraFixture::SetUp();
        ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_LITE), S_OK);
    }
    void TearDown() override
    {
        MFShutdown();
        SimCameraFixture::TearDown();
    }
};

TEST_F(SourceSetup, RegistrationWritesTheMachinesClassKeysAndRemovesThem)
{
    ASSERT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(testenv::ReadRegistryString(HKEY_LOCAL_MACHINE, kServerKey, nullptr), ProgramPath());
    EXPECT_EQ(testenv::ReadRegistryString(HKEY_LOCAL_MACHINE, kServerKey, L"ThreadingModel"), L"Both");
    ASSERT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_FALSE(testenv::RegistryKeyExists(HKEY_LOCAL_MACHINE, kServerKey));
    EXPECT_EQ(DllUnregisterServer(), S_OK) << "nothing to remove is no failure";
}

TEST_F(SourceSetup, Regsvr32RegistersTheDllWhichCreatesTheSourceByClassId)
{
    const std::string dll = testenv::ProgramFolder() + "LumoraMediaSource.dll";
    testenv::ChildProcess registering(L"regsvr32 /s \"" + testenv::Wide(dll) + L"\"", testenv::ProgramFolder());
    int exitCode = -1;
    ASSERT_TRUE(registering.Started());
    ASSERT_TRUE(registering.Wait(30000, &exitCode));
    ASSERT_EQ(exitCode, 0);
    EXPECT_EQ(testenv::Narrow(testenv::ReadRegistryString(HKEY_LOCAL_MACHINE, kServerKey, nullptr)), dll);

    ComPtr<IMFMediaSource> source;
    ASSERT_EQ(CoCreateInstance(CLSID_LumoraMediaSource, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&source)), S_OK);
    DWORD characteristics = 0;
    EXPECT_EQ(source->GetCharacteristics(&characteristics), S_OK);
    EXPECT_EQ(characteristics, static_cast<DWORD>(MFMEDIASOURCE_IS_LIVE));
    EXPECT_EQ(source->Shutdown(), S_OK);
    source.Reset();
    const HMODULE module = GetModuleHandleA("LumoraMediaSource.dll");
    ASSERT_TRUE(module);
    const auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_TRUE(canUnload);
    EXPECT_EQ(canUnload(), S_OK);

    testenv::ChildProcess unregistering(L"regsvr32 /s /u \"" + testenv::Wide(dll) + L"\"", testenv::ProgramFolder());
    ASSERT_TRUE(unregistering.Started());
    ASSERT_TRUE(unregistering.Wait(30000, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(testenv::RegistryKeyExists(HKEY_LOCAL_MACHINE, kServerKey));
}

TEST_F(SourceSetup, ACameraHeldElsewhereFailsStartAsBusyWithMEError)
{
    CCamera other;
    ASSERT_EQ(other.Init(), 1);
    const StartOutcome outcome = StartNewSource();
    EXPECT_EQ(outcome.result, HRESULT_FROM_WIN32(ERROR_BUSY));
    ASSERT_EQ(outcome.events.size(), 1u);
    EXPECT_EQ(outcome.events[0].type, MEError);
    EXPECT_EQ(outcome.events[0].status, HRESULT_FROM_WIN32(ERROR_BUSY));
    EXPECT_FALSE(ProcessShowsAWindow());
}

TEST_F(SourceSetup, ACameraThatStopsDeliveringQueuesMEErrorAndShutdownStillReturns)
{
    testenv::AllowTestToRun(60000);
    ComPtr<IMFMediaSource> source;
    const StartOutcome outcome = StartNewSource(&source);
    ASSERT_EQ(outcome.result, S_OK);
    const ComPtr<IMFMediaStream> stream = StreamFrom(outcome.events);
    SimSetFault(SimFaultUnplugged, 1);
    ASSERT_TRUE(stream);
    Drain(stream.Get(), 1, 100); // MEStreamStarted
    // Frames made before the fault may still serve the first requests.
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(stream->RequestSample(nullptr), S_OK);
    }
    std::vector<SeenEvent> events;
    while (events.empty() || (events.back().type == MEMediaSample && events.size() < 5)) {
        const std::vector<SeenEvent> next = Drain(stream.Get(), 1, 5000);
        ASSERT_EQ(next.size(), 1u) << "neither a sample nor an error";
        events.push_back(next[0]);
    }
    EXPECT_EQ(events.back().type, MEError);
    EXPECT_EQ(events.back().status, MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED);
    EXPECT_LE(events.size(), 4u);
    const ULONGLONG before = GetTickCount64();
    EXPECT_EQ(source->Shutdown(), S_OK);
    EXPECT_LT(GetTickCount64() - before, 1000u);
}

} // namespace
