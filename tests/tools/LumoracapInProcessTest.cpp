// lumoracap's commands run inside this test program, where the test can
// reach the simulated camera (its faults) and the ZorvikFilter.dll that COM
// loads: after every scenario, with everything released, the module may be
// unloaded; a camera that does not start gives its message box, the
// program's message and exit code, and no file.
#include <gtest/gtest.h>
#include <objbase.h>

#include <sstream>
#include <string>
#include <vector>

#include "simcamera/SimControl.h"
#include "tests/filter/FilterTestSupport.h"
#include "tests/module/FilterModule.h"
#include "tests/support/TestEnvironment.h"
#include "win/Watchdog.h"
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

TEST_F(LumoracapInProcessTest, ACameraThatDoesNotStartIsReportedAndLeavesNoFile)
{
    win::Watchdog watchdog(120000, "camera that does not start");
    const std::string avi = testenv::TempPath("not-started.avi");
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
    EXPECT_NE(run.err.find("lumoracap: the camera \"Lumora Camera\" did not start"), std::string::npos) << run.err;
    EXPECT_EQ(boxes, std::vector<std::string>{"Camera init failed!"});
    EXPECT_EQ(GetFileAttributesA(avi.c_str()), INVALID_FILE_ATTRIBUTES);
    ExpectModuleCanUnload();

    // The same camera, started again once it works.
    SimSetFault(SimFaultCameraInit, 0);
    run = RunInProcess({L"snapshot", L"--out", Wide(testenv::TempPath("after-fault.png"))});
    EXPECT_EQ(run.exitCode, kExitSuccess) << run.err;
    ExpectModuleCanUnload();
}

} // namespace
