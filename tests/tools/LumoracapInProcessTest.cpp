// lumoracap's commands run inside this test program, where the test can
// reach the simulated camera (its faults) and the ZorvikFilter.dll that COM
// loads: after every scenario, with everything released, the module may be
// unloaded; a camera that does not start gives its message box, the
// program's message and exit code, and leaves the output as it was; a full
// disk ends a capture with the frames written kept.
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "simcamera/SimControl.h"
#include "tests/filter/FilterTestSupport.h"
#include "tests/module/FilterModule.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/UnixTools.h"
#include "tests/tools/SmallVolume.h"
#include "win/Watchdog.h"
#include "tools/lumoracap/AviWriter.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/Lumoracap.h"

namespace {

struct CommandRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CommandRun RunInProcess(const std::vector<std::wstring>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    Console console{out, err};
    CommandRun run;
    run.exitCode = RunLumoracap(args, console);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

class LumoracapInProcessTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(moduletest::RegisterFilterModule()); }
    // The test's own apartment keeps COM, and with it the loaded module,
    // alive between the commands (each initialises and uninitialises its own).
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        SimReset();
        testenv::RemoveSettingsFile();
    }
    void TearDown() override
    {
        SimReset();
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
    win::Watchdog watchdog(180000, "in-process scenarios");
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
int LeftoverCaptureFiles()
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(testenv::TempPath("lcp*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int count = 1;
    while (FindNextFileA(search, &found)) {
        ++count;
    }
    FindClose(search);
    return count;
}

void WriteTextFile(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

std::string ReadTextFile(const std::string& path)
{
    std::string text;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return "(missing)";
    }
    char buffer[256];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        text.append(buffer, read);
    }
    std::fclose(file);
    return text;
}

// A capture that fails before any frame leaves the output as it was: absent,
// or an earlier file untouched; and no temporary file behind.
TEST_F(LumoracapInProcessTest, ACameraThatDoesNotStartIsReportedAndLeavesTheOutputAsItWas)
{
    win::Watchdog watchdog(180000, "camera that does not start");
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
            run = RunInProcess({L"capture", L"--seconds", L"2", L"--out", Wide(avi)});
            // The box comes up on a thread of its own, without holding up the command.
            person.WaitForTexts(1);
            boxes = person.Texts();
        }
        EXPECT_EQ(run.exitCode, kExitCameraFailed) << run.out << run.err;
        EXPECT_NE(run.err.find("lumoracap: the camera \"Lumora Camera\" did not start"), std::string::npos)
            << run.err;
        EXPECT_EQ(boxes, std::vector<std::string>{"Camera init failed!"});
        if (existed) {
            EXPECT_EQ(ReadTextFile(avi), "an earlier capture");
        } else {
            EXPECT_EQ(GetFileAttributesA(avi.c_str()), INVALID_FILE_ATTRIBUTES);
        }
        EXPECT_EQ(LeftoverCaptureFiles(), 0);
        ExpectModuleCanUnload();
    }
    DeleteFileA(avi.c_str());

    // The same camera, started again once it works.
    SimSetFault(SimFaultCameraInit, 0);
    const CommandRun run = RunInProcess({L"snapshot", L"--out", Wide(testenv::TempPath("after-fault.png"))});
    EXPECT_EQ(run.exitCode, kExitSuccess) << run.err;
    ExpectModuleCanUnload();
}

// A full disk ends the capture early; the frames written until then are the
// user's: finished into a readable file that replaces the earlier one, with
// exit code 5 and the reason.
TEST_F(LumoracapInProcessTest, AFullDiskEndsTheCaptureAndKeepsTheFramesWritten)
{
    win::Watchdog watchdog(180000, "full disk");
    const std::string avi = testenv::TempPath("full-disk.avi");
    WriteTextFile(avi, "an earlier capture");
    CommandRun run;
    {
        toolstest::SmallVolume volume(64ull << 20); // three frames of 3032 x 2016 and the headers
        run = RunInProcess({L"capture", L"--seconds", L"60", L"--out", Wide(avi)});
    }
    EXPECT_EQ(run.exitCode, kExitFileFailed) << run.out << run.err;
    EXPECT_NE(run.err.find("full-disk.avi\": 0x80070070"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the file holds the 3 frames written before"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Captured 3 frames"), std::string::npos) << run.out;
    const testenv::VideoProbe probe = testenv::Ffprobe(avi);
    EXPECT_TRUE(probe.ok) << probe.report;
    EXPECT_EQ(probe.frames, 3) << probe.report;
    EXPECT_EQ(probe.width, 3032);
    EXPECT_EQ(LeftoverCaptureFiles(), 0);
    ExpectModuleCanUnload();
    DeleteFileA(avi.c_str());
}

} // namespace
