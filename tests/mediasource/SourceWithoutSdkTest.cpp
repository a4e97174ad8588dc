// The source where the camera library is missing. This program does not link
// the library: run from the build folder (where the library is), it runs a
// copy of itself from a folder without it, which performs the check.
#include <gtest/gtest.h>

#include <string>

#include "tests/mediasource/SourceTestKit.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestEnvironment.h"

using namespace sourcetest;

namespace {

// Without the camera library: run in a copy of this program in a folder
// without ZorvikSDK.dll (the camera loads it from beside its own module).
TEST(SourceWithoutCameraLibrary, CopyOfThisProgramRunsWhereTheLibraryIsMissing)
{
    if (!SdkBesideProgram()) {
        GTEST_SKIP() << "this is the copy";
    }
    const std::string folder = testenv::TempPath("source-without-sdk\\");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string copy = folder + "mediasource_without_sdk_copy.exe";
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), testenv::Wide(copy).c_str(), FALSE));
    testenv::ChildProcess child(L"\"" + testenv::Wide(copy) +
                                    L"\" --gtest_color=no --gtest_filter=SourceWithoutCameraLibrary.StartFails*",
                                folder);
    ASSERT_TRUE(child.Started());
    int exitCode = -1;
    ASSERT_TRUE(child.Wait(90000, &exitCode)) << child.Output();
    const std::string output = child.Output() + child.Errors();
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(SourceWithoutCameraLibrary, StartFailsWithinASecondWithMEErrorAndNoWindow)
{
    if (SdkBesideProgram()) {
        GTEST_SKIP() << "runs in the copy, away from the library";
    }
    ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_LITE), S_OK);
    const StartOutcome outcome = StartNewSource();
    EXPECT_EQ(outcome.result, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_LT(outcome.ms, 1000u);
    ASSERT_EQ(outcome.events.size(), 1u);
    EXPECT_EQ(outcome.events[0].type, MEError);
    EXPECT_EQ(outcome.events[0].status, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(ProcessShowsAWindow());
    MFShutdown();
}

} // namespace
