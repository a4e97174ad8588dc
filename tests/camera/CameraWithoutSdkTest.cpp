// The controller without ZorvikSDK.dll beside the module: Init fails cleanly, settings calls do no harm, nothing
// leaks. This program does not link the SDK: from the build folder it copies itself into a private folder without
// the SDK and runs the copy in a working folder that holds it (the controller loads it from beside its module only).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "camera/Camera.h"
#include "camera/FrameReader.h"
#include "camera/CameraSdkLoader.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/TestEnvironment.h"

namespace {

bool SdkBesideProgram()
{
    return GetFileAttributesA((testenv::ProgramFolder() + "ZorvikSDK.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(CameraWithoutSdk, CopyOfThisProgramRunsInAFolderWithoutTheSdk)
{
    if (!SdkBesideProgram()) {
        GTEST_SKIP() << "this is the copy";
    }
    char self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    const std::string folder = testenv::TempPath("without-sdk\\");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string copy = folder + "camera_without_sdk.exe";
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
    // The SDK in the copy's working folder, which the DLL search path covers: the controller must not pick it up.
    const std::string workingFolder = testenv::TempPath("working-folder\\");
    CreateDirectoryA(workingFolder.c_str(), nullptr);
    const std::string decoy = workingFolder + "ZorvikSDK.dll";
    ASSERT_TRUE(CopyFileA((testenv::ProgramFolder() + "ZorvikSDK.dll").c_str(), decoy.c_str(), FALSE));

    // Output goes to files: a pipe stays open while any process the child started holds it, so reading to its end can
    // wait on a stranger. The child's own watchdog ends it within 60 s.
    testenv::ChildProcess child(
        L"\"" + std::wstring(copy.begin(), copy.end()) +
            L"\" --gtest_color=no --gtest_filter=CameraWithoutSdk.InitFailsAndSettingsCallsAreHarmless",
        workingFolder);
    ASSERT_TRUE(child.Started());
    int exitCode = -1;
    const bool ended = child.Wait(90000, &exitCode);
    const std::string output = child.Output() + child.Errors();
    ASSERT_TRUE(ended) << "the copy did not end; so far it wrote:\n" << output;
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
    EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;

    DeleteFileA(copy.c_str());
    DeleteFileA(decoy.c_str());
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA(workingFolder.c_str());
}

TEST(CameraWithoutSdk, InitFailsAndSettingsCallsAreHarmless)
{
    if (SdkBesideProgram()) {
        GTEST_SKIP() << "runs in the copy, away from the SDK";
    }
    EXPECT_FALSE(GetCameraSdk().present);
    testenv::RemoveSettingsFile();

    CCamera camera;
    ASSERT_EQ(camera.Init(), 2);
    // Each failed Init ends its capture thread and closes its events.
    const testenv::CountsBaseline baseline;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(camera.Init(), 2);
    }
    EXPECT_TRUE(baseline.Restored());

    // No file, no SDK: the record is the controller's defaults, reserved words cleared, whatever the caller's held.
    CameraConfig record;
    record.m_Exposure.m_Target = 77;
    record.m_Format.m_Reserved1 = 5;
    record.m_Format.m_Reserved4 = 6;
    EXPECT_EQ(camera.GetConfig(&record), 1);
    EXPECT_EQ(record.m_Exposure.m_Target, CameraConfig().m_Exposure.m_Target);
    EXPECT_EQ(record.m_Format.m_Reserved1, 0u);
    EXPECT_EQ(record.m_Format.m_Reserved4, 0u);

    record.m_Exposure.m_Target = 77;
    record.m_Color.m_Gamma = 33;
    EXPECT_EQ(camera.SetConfig(&record), 1);
    CameraConfig saved;
    ASSERT_EQ(saved.LoadFromFile(), 1);
    EXPECT_EQ(saved.m_Color.m_Gamma, 33);
    EXPECT_EQ(saved.m_Exposure.m_Target, 77);

    // Nothing was opened: nothing to start, stop or close, and a fetch delivers a black frame.
    EXPECT_EQ(camera.Play(), 0);
    EXPECT_EQ(camera.Stop(), 1);
    EXPECT_EQ(camera.UnInit(), 1);
    const FrameLayout fourPixels = FrameLayout::Rgb24Dib(4, 1); // one row of 12 bytes
    unsigned char buffer[16];
    FrameReader reader(camera, FrameReader::Counting::AsCaptureStream);
    EXPECT_EQ(reader.Read(nullptr, sizeof(buffer), fourPixels, 0).bytes, 0);
    std::memset(buffer, 0x77, sizeof(buffer));
    EXPECT_EQ(reader.Read(buffer, sizeof(buffer), fourPixels, 0).bytes, 12);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[11], 0);
    EXPECT_EQ(buffer[12], 0x77);
}
