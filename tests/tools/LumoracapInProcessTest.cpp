// lumoracap's commands run inside this test program, where the test reaches the simulated camera's faults and the
// ZorvikFilter.dll that COM loads: the module unloads after every scenario; a camera that does not start and a full
// disk are reported, with what the output keeps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "simcamera/SimControl.h"
#include "tests/filter/FilterTestSupport.h"
#include "tests/module/FilterModule.h"
#include "tests/support/ImportHook.h"
#include "tests/support/SimCameraFixture.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestWatchdog.h"
#include "tests/support/UnixTools.h"
#include "tests/tools/SmallVolume.h"
#include "tools/lumoracap/AviWriter.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/Lumoracap.h"

using testenv::Wide;
using testing::HasSubstr;

namespace {

struct CommandRun {
    int exitCode = -1;
    std::string out, err;
};

CommandRun RunInProcess(const std::vector<std::wstring>& args)
{
    std::ostringstream out, err;
    Console console{out, err};
    const int exitCode = RunLumoracap(args, console);
    return CommandRun{exitCode, out.str(), err.str()};
}

class LumoracapInProcessTest : public testenv::SimCameraFixture {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(moduletest::RegisterFilterModule()); }
    // The test's own apartment keeps COM, and with it the loaded module, alive between the commands.
    void SetUp() override
    {
        SimCameraFixture::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override
    {
        SimCameraFixture::TearDown();
        CoUninitialize();
    }

    static void ExpectModuleCanUnload()
    {
        EXPECT_TRUE(GetModuleHandleW(L"ZorvikFilter.dll")) << "COM loaded the registered module";
        EXPECT_EQ(moduletest::LoadedModuleCanUnload(), S_OK) << "something of the module is still alive";
    }
};

TEST_F(LumoracapInProcessTest, EveryScenarioLetsTheModuleUnloadAfterwards)
{
    testenv::AllowTestToRun(180000);
    const std::string avi = testenv::TempPath("in-process.avi");
    const std::string png = testenv::TempPath("in-process.png");
    const std::vector<std::vector<std::wstring>> scenarios = {
        {L"formats"},
        {L"snapshot", L"--out", Wide(png)},
        // The preview pin in the platform's video renderer (a window on Xvfb).
        {L"capture", L"--seconds", L"1", L"--out", Wide(avi), L"--preview", L"--snapshot", Wide(png)},
    };
    for (const auto& args : scenarios) {
        SCOPED_TRACE(std::string(args[0].begin(), args[0].end()));
        const CommandRun run = RunInProcess(args);
        EXPECT_EQ(run.exitCode, kExitSuccess) << run.out << run.err;
        ExpectModuleCanUnload();
    }
    DeleteFileA(avi.c_str());
}

// The temporary files a capture writes into, left in the test's folder.
size_t LeftoverCaptureFiles()
{
    return testenv::TempFilesMatching("lcp*.tmp").size();
}

void WriteTextFile(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

// The file's bytes; empty when there is none.
std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A capture that fails before any frame leaves the output as it was (absent, or an earlier file), no temporary file.
TEST_F(LumoracapInProcessTest, ACameraThatDoesNotStartIsReportedAndLeavesTheOutputAsItWas)
{
    testenv::AllowTestToRun(180000);
    const std::string avi = testenv::TempPath("not-started.avi");
    for (const bool existed : {false, true}) {
        SCOPED_TRACE(existed ? "an earlier file" : "no earlier file");
        if (existed) {
            WriteTextFile(avi, "an earlier capture");
        }
        SimSetFault(SimFaultCameraInit, 1);
        CommandRun run;
        std::vector<std::string> boxes;
        {
            filtertest::MessageBoxAnswerer person;
            run = RunInProcess({L"capture", L"--seconds", L"3", L"--out", Wide(avi)});
            // The box comes up on a thread of its own, without holding up the command.
            person.WaitForTexts(1);
            boxes = person.Texts();
        }
        EXPECT_EQ(run.exitCode, kExitCameraFailed) << run.out << run.err;
        EXPECT_THAT(run.err, HasSubstr("lumoracap: the camera \"Lumora Camera\" did not start"));
        EXPECT_EQ(boxes, std::vector<std::string>{"Camera init failed!"});
        if (existed) {
            EXPECT_EQ(ReadTextFile(avi), "an earlier capture");
        } else {
            EXPECT_EQ(GetFileAttributesA(avi.c_str()), INVALID_FILE_ATTRIBUTES);
        }
        EXPECT_EQ(LeftoverCaptureFiles(), 0u);
        ExpectModuleCanUnload();
    }
    DeleteFileA(avi.c_str());

    // The same camera, started again once it works.
    SimSetFault(SimFaultCameraInit, 0);
    const CommandRun run = RunInProcess({L"snapshot", L"--out", Wide(testenv::TempPath("after-fault.png"))});
    EXPECT_EQ(run.exitCode, kExitSuccess) << run.err;
    ExpectModuleCanUnload();
}

// A full disk ends the capture early; the frames written until then are finished into a readable file that
// replaces the earlier one, with exit code 5 and the reason.
TEST_F(LumoracapInProcessTest, AFullDiskEndsTheCaptureAndKeepsTheFramesWritten)
{
    testenv::AllowTestToRun(180000);
    const std::string avi = testenv::TempPath("full-disk.avi");
    WriteTextFile(avi, "an earlier capture");
    CommandRun run;
    {
        // Three frames of 3032 x 2016 and the headers.
        toolstest::DefaultStorage volume(toolstest::VolumeOf(64ull << 20));
        // The kept frames are on the disk before they replace the earlier capture.
        testenv::FlushBeforeMoveWatch watch;
        ASSERT_TRUE(watch.Installed()) << "the program flushes no file";
        run = RunInProcess({L"capture", L"--seconds", L"60", L"--out", Wide(avi)});
        EXPECT_EQ(watch.Moves(), 1);
        EXPECT_EQ(watch.MovesOfFlushedFiles(), 1);
    }
    EXPECT_EQ(run.exitCode, kExitFileFailed) << run.out << run.err;
    EXPECT_NE(run.err.find("full-disk.avi\": 0x80070070"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the file holds the 3 frames written before"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Captured 3 frames"), std::string::npos) << run.out;
    const testenv::VideoProbe probe = testenv::Ffprobe(avi);
    EXPECT_TRUE(probe.ok) << probe.report;
    EXPECT_EQ(probe.frames, 3) << probe.report;
    EXPECT_EQ(probe.width, 3032);
    EXPECT_EQ(LeftoverCaptureFiles(), 0u);
    ExpectModuleCanUnload();
    DeleteFileA(avi.c_str());
}

// A disk slower than the format needs: frames find the write queue full, the summary names the disk and rates.
TEST_F(LumoracapInProcessTest, ADiskThatCannotKeepUpIsNamedInTheSummary)
{
    testenv::AllowTestToRun(180000);
    const std::string avi = testenv::TempPath("slow-disk.avi");
    CommandRun run;
    {
        // About 180 MB/s for 3032 x 2016 frames.
        toolstest::DefaultStorage disk(
            toolstest::DiskCalling([](DWORD bytes) { Sleep(bytes > (1u << 20) ? 100 : 0); }));
        run = RunInProcess({L"capture", L"--seconds", L"3", L"--out", Wide(avi)});
    }
    EXPECT_EQ(run.exitCode, kExitSuccess) << run.out << run.err;
    const size_t lost = run.out.find(" frames dropped: the disk took ");
    ASSERT_NE(lost, std::string::npos) << run.out;
    // What would fit depends on the rate this machine's slow disk took.
    EXPECT_NE(run.out.find("this format needs 550 MB/s; ", lost), std::string::npos) << run.out;
    EXPECT_TRUE(run.out.find(" would fit", lost) != std::string::npos ||
                run.out.find("capture to a faster disk", lost) != std::string::npos)
        << run.out;
    double diskMBps = 0;
    ASSERT_EQ(std::sscanf(run.out.c_str() + lost, " frames dropped: the disk took %lf MB/s", &diskMBps), 1);
    EXPECT_GT(diskMBps, 20); // loose: a loaded machine writes slower still
    EXPECT_LT(diskMBps, 190);
    EXPECT_EQ(LeftoverCaptureFiles(), 0u);
    DeleteFileA(avi.c_str());
}

// controls lists every standard control; set changes one on the camera and in the settings file, and refuses what
// the camera cannot take.
TEST_F(LumoracapInProcessTest, ControlsListsEveryStandardControlAndSetChangesOne)
{
    CommandRun run = RunInProcess({L"controls"});
    ASSERT_EQ(run.exitCode, kExitSuccess) << run.err;
    for (const char* line : {"  Brightness             40 to 200      1     140      100      -\n",
                             "  Gain                   80 to 650      1     185      40       -\n",
                             "  Exposure               -4 to 9        1     -4       -4       on\n",
                             "  FlipVertical           0 to 1         1     -        0        -\n",
                             "  Hue                    not supported\n", "  Focus                  not supported\n"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line << " missing from\n" << run.out;
    }
    ExpectModuleCanUnload();

    struct SetCase {
        std::vector<std::wstring> args;
        int exitCode;
        const char* said; // in the output, or in the errors when it fails
        const char* sent; // the SDK call it made, or "" for none
    };
    const SetCase cases[] = {
        {{L"set", L"brightness", L"150"}, kExitSuccess, "Brightness: 150\n", "CameraSetAeTarget(150)"},
        {{L"set", L"Brightness", L"201"}, kExitFailure, "Brightness takes a value from 40 to 200, not 201", ""},
        {{L"set", L"gain", L"auto"}, kExitFailure, "Gain has no automatic mode; give a value from 80 to 650", ""},
        {{L"set", L"hue", L"5"}, kExitFailure, "\"Lumora Camera\" has no Hue control", ""},
        {{L"set", L"exposure", L"-1"}, kExitSuccess, "Exposure: -1 (manual)\n", "CameraSetExposureTimeMS(520)"},
        {{L"set", L"exposure", L"auto"}, kExitSuccess, "Exposure: -1 (auto)\n", "CameraSetAeState(1)"},
        {{L"set", L"flipvertical", L"1"}, kExitSuccess, "FlipVertical: 1\n", "CameraSetMirror(1,1)"},
        {{L"set", L"flipvertical", L"2"}, kExitFailure, "FlipVertical takes a value from 0 to 1, not 2", ""},
        {{L"set", L"colorenable", L"0"}, kExitSuccess, "ColorEnable: 0\n", "CameraSetMonochrome(1)"},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(testenv::Narrow(c.args[1]) + " " + testenv::Narrow(c.args[2]));
        SimClearJournal();
        run = RunInProcess(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
        const std::string& said = c.exitCode == kExitSuccess ? run.out : run.err;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        const std::vector<std::string> sets = testenv::JournalLinesStartingWith("CameraSet");
        if (*c.sent) {
            EXPECT_NE(std::find(sets.begin(), sets.end(), c.sent), sets.end()) << c.sent;
        } else {
            EXPECT_TRUE(sets.empty()) << "a refused set reached the camera";
        }
        ExpectModuleCanUnload();
    }

    // What was set is in the settings file, and what controls shows.
    CameraConfig stored;
    ASSERT_EQ(stored.LoadFromFile(), 1);
    EXPECT_EQ(stored.m_Exposure.m_Target, 150);
    EXPECT_EQ(stored.m_Exposure.m_AeState, 1);
    EXPECT_EQ(stored.m_Exposure.m_ExposureTimeMS, 520u);
    EXPECT_EQ(stored.m_VMirror, 1);
    EXPECT_EQ(stored.m_Monochrome, 1);
    run = RunInProcess({L"controls"});
    EXPECT_THAT(run.out, HasSubstr("  Brightness             40 to 200      1     140      150      -\n"));
    EXPECT_THAT(run.out, HasSubstr("  FlipVertical           0 to 1         1     -        1        -\n"));
    ExpectModuleCanUnload();
}

} // namespace
