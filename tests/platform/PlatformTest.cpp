// The test platform itself: the temporary folder, the leak counters and the Linux tools' bridge, which every other
// test relies on.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "tests/support/ProcessCounters.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/UnixTools.h"

TEST(Platform, TemporaryFolderIsPrivateAndUsedByTheProcess)
{
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    EXPECT_EQ(testenv::TempFolder(), std::string(temp));
    EXPECT_NE(GetFileAttributesA(temp), INVALID_FILE_ATTRIBUTES);
}

// One event and one thread, opened and closed again.
static void EventAndThreadScenario(int handles, int threads)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (handles >= 0) {
        EXPECT_EQ(testenv::HandleCount(), handles + 1);
    }
    std::thread worker([event] { WaitForSingleObject(event, INFINITE); });
    if (threads >= 0) {
        EXPECT_EQ(testenv::ThreadCount(), threads + 1);
    }
    SetEvent(event);
    worker.join();
    CloseHandle(event);
}

TEST(Platform, CountersSeeHandlesAndThreadsComeAndGo)
{
    // Leak checks take their "before" after a warm-up run: the threading runtime and Wine keep what they first use.
    EventAndThreadScenario(-1, -1);
    const testenv::CountsBaseline baseline;
    ASSERT_GT(baseline.handles, 0);
    ASSERT_GE(baseline.threads, 1);

    EventAndThreadScenario(baseline.handles, baseline.threads);
    EXPECT_TRUE(baseline.Restored());
}

TEST(Platform, LinuxToolsRunAndReportTheirStatus)
{
    std::string output;
    EXPECT_EQ(testenv::RunUnixCommand("echo hello; exit 3", &output), 3);
    EXPECT_EQ(output, "hello\n");
}

TEST(Platform, FfprobeReadsAnAviMadeByFfmpeg)
{
    const std::string avi = testenv::TempPath("probe-check.avi");
    std::string output;
    ASSERT_EQ(testenv::RunUnixCommand("ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:rate=10 -t 2 "
                                      "-c:v rawvideo -pix_fmt bgr24 '" + testenv::UnixPath(avi) + "'",
                                      &output),
              0)
        << output;
    const testenv::VideoProbe probe = testenv::Ffprobe(avi);
    ASSERT_TRUE(probe.ok) << probe.report;
    EXPECT_EQ(probe.format, "avi");
    EXPECT_EQ(probe.width, 64);
    EXPECT_EQ(probe.height, 48);
    EXPECT_EQ(probe.pixFmt, "bgr24");
    EXPECT_EQ(probe.frames, 20);
    EXPECT_NEAR(probe.duration, 2.0, 0.01);
    DeleteFileA(avi.c_str());
}
