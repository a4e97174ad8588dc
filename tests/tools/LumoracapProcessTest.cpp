// lumoracap.exe run as a user runs it, in a child process against the registered ZorvikFilter.dll and the
// simulated camera: listing, every error path, a capture read back by ffprobe, snapshots, and the settings frame.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "camera/CameraConfig.h"
#include "tests/module/FilterModule.h"
#include "tests/pages/WindowCapture.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestWatchdog.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WindowDriver.h"
#include "tests/tools/LumoracapProcess.h"
#include "tests/tools/PictureCheck.h"

using namespace toolstest;
using testenv::Wide;

namespace {

// A path as a command line argument.
std::wstring Quoted(const std::string& path)
{
    return L"\"" + Wide(path) + L"\"";
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class LumoracapProcessTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(moduletest::RegisterFilterModule()); }
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(LumoracapProcessTest, ListsTheCameraAndItsFormats)
{
    std::string out, err;
    EXPECT_EQ(RunLumoracapProcess(L"devices", &out, &err), 0) << err;
    EXPECT_TRUE(Contains(out, "Lumora Camera\n") || Contains(out, "Lumora Camera\r\n")) << out;

    EXPECT_EQ(RunLumoracapProcess(L"formats", &out, &err), 0) << err;
    EXPECT_TRUE(Contains(out, "35 formats")) << out;
    EXPECT_TRUE(Contains(out, "0  3032 x 2016  RGB24  24-bit  18337536 bytes  15 to 30 fps")) << out;
    EXPECT_TRUE(Contains(out, "4  3264 x 2448  RGB24  24-bit  23970816 bytes")) << out;
    EXPECT_TRUE(Contains(out, "Current format: 3032 x 2016")) << out;

    EXPECT_EQ(RunLumoracapProcess(L"--help", &out, &err), 0);
    EXPECT_TRUE(Contains(out, "Usage: lumoracap <command>")) << out;
}

TEST_F(LumoracapProcessTest, EveryErrorPathGivesItsMessageAndExitCode)
{
    testenv::AllowTestToRun(180000);
    const std::wstring missing = Wide(testenv::TempPath("no such folder\\"));
    const std::wstring avi = Wide(testenv::TempPath("error-path.avi"));
    struct Case {
        std::wstring arguments;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {std::wstring(), 2, "lumoracap: no command given"}, // (GCC 12 misreads L"" here as out of bounds)
        {L"capture --out x.avi", 2, "capture needs --seconds N"},
        {L"formats --device \"No Such Camera\"", 3,
         "lumoracap: no video input device named \"No Such Camera\" is registered."},
        {L"capture --seconds 1 --out \"" + missing + L"x.avi\"", 5, "x.avi\": 0x80070003"},
        {L"capture --seconds 1 --out \"" + avi + L"\" --snapshot \"" + missing + L"x.png\"", 5,
         "x.png\": 0x80070003"},
        {L"snapshot --out \"" + missing + L"x.png\"", 5, "lumoracap: cannot write"},
        // This Wine, like Windows before 11, has no virtual camera API.
        {L"vcam register", 6, "lumoracap: the virtual camera needs Windows 11 (build 22000 or later): "
                              "mfsensorgroup.dll is not in the system folder"},
        {L"vcam unregister", 6, "the virtual camera needs Windows 11 (build 22000 or later)"},
        {L"vcam status", 6, "the virtual camera needs Windows 11 (build 22000 or later)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.arguments.begin(), c.arguments.end()));
        std::string out, err;
        EXPECT_EQ(RunLumoracapProcess(c.arguments, &out, &err), c.exitCode) << out << err;
        EXPECT_TRUE(Contains(err, c.message)) << err;
    }
    EXPECT_EQ(GetFileAttributesW(avi.c_str()), INVALID_FILE_ATTRIBUTES) << "a refused capture leaves no file";
}

TEST_F(LumoracapProcessTest, CaptureWritesFiveSecondsOfVideoAndAnUprightSnapshot)
{
    testenv::AllowTestToRun(240000);
    const std::string avi = testenv::TempPath("capture.avi");
    const std::string png = testenv::ArtifactPath("lumoracap-capture-snapshot.png");
    std::string out, err;
    ASSERT_EQ(
        RunLumoracapProcess(L"capture --seconds 5 --out " + Quoted(avi) + L" --snapshot " + Quoted(png), &out, &err), 0)
        << out << err;
    // Its output is a file, not a console: a plain progress line about once a second, then the summary.
    std::string lines; // text-mode output: each line ends with "\r\n"
    for (size_t at = 0; at < out.size(); ++at) {
        if (!(out[at] == '\r' && at + 1 < out.size() && out[at + 1] == '\n')) {
            lines += out[at];
        }
    }
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\r'), 0) << out;
    int progressLines = 0;
    for (size_t at = lines.find(" unwritten\n"); at != std::string::npos; at = lines.find(" unwritten\n", at + 1)) {
        ++progressLines;
    }
    EXPECT_GE(progressLines, 5) << out;
    EXPECT_LE(progressLines, 7) << out;
    EXPECT_TRUE(Contains(out, " fps ") && Contains(out, " dropped")) << out;
    EXPECT_TRUE(Contains(lines, "Captured ") && Contains(lines, " MB/s)\n")) << out;

    const testenv::VideoProbe probe = testenv::Ffprobe(avi);
    ASSERT_TRUE(probe.ok) << probe.report;
    EXPECT_EQ(probe.format, "avi");
    EXPECT_EQ(probe.width, 3032);
    EXPECT_EQ(probe.height, 2016);
    EXPECT_EQ(probe.pixFmt, "bgr24");
    EXPECT_NEAR(probe.duration, 5.0, 0.5) << probe.report;
    EXPECT_GT(probe.frames, 20) << probe.report;
    std::printf("capture: %ld frames, %.2f s; %s", probe.frames, probe.duration, out.substr(out.rfind("Captured")).c_str());
    // The frames cover the duration at the file's own rate.
    std::string rate;
    ASSERT_EQ(testenv::RunUnixCommand("ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of "
                                      "csv=p=0 '" + testenv::UnixPath(avi) + "'",
                                      &rate),
              0);
    int numerator = 0, denominator = 1;
    ASSERT_EQ(std::sscanf(rate.c_str(), "%d/%d", &numerator, &denominator), 2) << rate;
    EXPECT_NEAR(probe.frames * static_cast<double>(denominator) / numerator, 5.0, 0.5) << rate;

    const PictureCheck picture = CheckCameraPicture(png);
    EXPECT_TRUE(picture.upright) << picture.report;
    EXPECT_EQ(picture.width, 3032);
    EXPECT_EQ(picture.height, 2016);
    DeleteFileA(avi.c_str()); // about 2 GB
}

TEST_F(LumoracapProcessTest, AValueSetByOneProgramIsWhereTheNextOneStarts)
{
    testenv::AllowTestToRun(180000);
    DeleteFileA(testenv::TempPath("Lumora Camera.config").c_str());
    std::string out, err;
    ASSERT_EQ(RunLumoracapProcess(L"set brightness 150", &out, &err), 0) << out << err;
    ASSERT_EQ(RunLumoracapProcess(L"set flipvertical 1", &out, &err), 0) << out << err;
    // Each program's camera starts at its power-on values; the file carries the values over.
    ASSERT_EQ(RunLumoracapProcess(L"controls", &out, &err), 0) << out << err;
    EXPECT_TRUE(Contains(out, "  Brightness             40 to 200      1     140      150      -")) << out;
    EXPECT_TRUE(Contains(out, "  FlipVertical           0 to 1         1     -        1        -")) << out;
    // A capture in yet another program opens the camera with them and keeps them.
    const std::string avi = testenv::TempPath("kept-settings.avi");
    ASSERT_EQ(RunLumoracapProcess(L"capture --seconds 1 --out " + Quoted(avi), &out, &err), 0) << out << err;
    const testenv::VideoProbe probe = testenv::Ffprobe(avi);
    EXPECT_TRUE(probe.ok && probe.width == 3032 && probe.frames > 0) << probe.report;
    CameraConfig stored;
    ASSERT_EQ(stored.LoadFromFile(), 1);
    EXPECT_EQ(stored.m_Exposure.m_Target, 150);
    EXPECT_EQ(stored.m_VMirror, 1);
    DeleteFileA(avi.c_str());
    DeleteFileA(testenv::TempPath("Lumora Camera.config").c_str());
}

TEST_F(LumoracapProcessTest, SnapshotWritesTheCameraPictureUpright)
{
    const std::string png = testenv::ArtifactPath("lumoracap-snapshot.png");
    std::string out, err;
    ASSERT_EQ(RunLumoracapProcess(L"snapshot --out " + Quoted(png), &out, &err), 0) << out << err;
    EXPECT_TRUE(Contains(out, "Snapshot 3032 x 2016 written to")) << out;
    const PictureCheck picture = CheckCameraPicture(png);
    EXPECT_TRUE(picture.upright) << picture.report;
    std::printf("snapshot: %s (%s)\n", png.c_str(), picture.report.c_str());
}

// A visible control of the frame that passes test, or null.
HWND VisibleControl(HWND frame, const testenv::WindowTest& test)
{
    return testenv::FirstWhere(testenv::DescendantsOf(frame), testenv::All({testenv::IsVisible(), test}));
}

TEST_F(LumoracapProcessTest, SizeAndRateAreChosenOrClearlyRefused)
{
    testenv::AllowTestToRun(300000);
    const std::string avi = testenv::TempPath("full-size.avi");
    const std::string png = testenv::ArtifactPath("lumoracap-full-size-snapshot.png");
    const struct {
        std::wstring arguments;
        std::string message;
    } refusals[] = {
        {L"--size 800x600",
         "does not deliver 800 x 600; it lists 3032 x 2016, 3264 x 2448, 1920 x 1080, 1280 x 720, 640 x 480"},
        {L"--fps 50", "cannot deliver 50 fps now: 0x80040200"}, // VFW_E_INVALIDMEDIATYPE
        {L"--size 3264x2448 --fps 60", "cannot deliver 3264 x 2448 at 60 fps now"},
    };
    const std::vector<uint8_t> settingsBefore = testenv::SettingsFile();
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(std::string(refusal.arguments.begin(), refusal.arguments.end()));
        std::string out, err;
        EXPECT_EQ(
            RunLumoracapProcess(L"capture --seconds 1 --out " + Quoted(avi) + L" " + refusal.arguments, &out, &err), 1)
            << out << err;
        EXPECT_TRUE(Contains(err, refusal.message)) << err;
    }
    EXPECT_EQ(GetFileAttributesA(avi.c_str()), INVALID_FILE_ATTRIBUTES) << "a refused capture leaves no file";
    EXPECT_EQ(testenv::SettingsFile(), settingsBefore) << "a refusal wrote the settings";
    CameraConfig stored;

    // The whole image at 15 frames per second, in the file and its rate.
    std::string out, err;
    ASSERT_EQ(RunLumoracapProcess(L"capture --seconds 3 --size 3264x2448 --fps 15 --out " + Quoted(avi), &out, &err), 0)
        << out << err;
    EXPECT_TRUE(Contains(out, "(3264 x 2448, 15.0 fps)")) << out;
    const testenv::VideoProbe probe = testenv::Ffprobe(avi);
    ASSERT_TRUE(probe.ok) << probe.report;
    EXPECT_EQ(probe.width, 3264);
    EXPECT_EQ(probe.height, 2448);
    // The camera makes about 15 a second; a busy machine may take fewer.
    EXPECT_LE(probe.frames, 3 * 17) << probe.report;
    EXPECT_GE(probe.frames, 3 * 6) << probe.report;
    std::printf("full size at 15 fps: %ld frames, %.2f s\n", probe.frames, probe.duration);
    DeleteFileA(avi.c_str());
    // The rate is the camera's frame speed, kept as the page's "Normal" is.
    ASSERT_EQ(stored.LoadFromFile(), 1);
    EXPECT_EQ(stored.m_FrameSpeed, 2);

    // A snapshot of the whole image, upright; the rate named, 30 again.
    ASSERT_EQ(RunLumoracapProcess(L"snapshot --size 3264x2448 --fps 30 --out " + Quoted(png), &out, &err), 0)
        << out << err;
    EXPECT_TRUE(Contains(out, "Snapshot 3264 x 2448 written to")) << out;
    const PictureCheck picture = CheckCameraPicture(png, 3264, 2448);
    EXPECT_TRUE(picture.upright) << picture.report;
    EXPECT_EQ(picture.width, 3264);
    EXPECT_EQ(picture.height, 2448);
    ASSERT_EQ(stored.LoadFromFile(), 1);
    EXPECT_EQ(stored.m_FrameSpeed, 1);
    testenv::RemoveSettingsFile();
}

TEST_F(LumoracapProcessTest, EachPixelFormatIsRecordedUnderItsFourccAndSnapshotsComeBackAsPictures)
{
    testenv::AllowTestToRun(300000);
    const std::string avi = testenv::TempPath("format.avi");
    const std::string png = testenv::ArtifactPath("lumoracap-format-snapshot.png");
    const struct {
        const wchar_t* arguments;
        int width, height;
        const char* pixFmt; // as ffprobe names the AVI's FOURCC
    } cases[] = {
        {L"--format nv12 --size 1280x720", 1280, 720, "nv12"},
        {L"--format YUY2 --size 640x480", 640, 480, "yuyv422"},
        {L"--format i420 --size 1920x1080", 1920, 1080, "yuv420p"},
        {L"--format y800", 3032, 2016, "gray"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pixFmt);
        std::string out, err;
        ASSERT_EQ(RunLumoracapProcess(std::wstring(L"capture --seconds 1 ") + c.arguments + L" --out " + Quoted(avi) +
                                          L" --snapshot " + Quoted(png),
                                      &out, &err),
                  0)
            << out << err;
        const testenv::VideoProbe probe = testenv::Ffprobe(avi);
        ASSERT_TRUE(probe.ok) << probe.report;
        EXPECT_EQ(probe.width, c.width);
        EXPECT_EQ(probe.height, c.height);
        EXPECT_EQ(probe.pixFmt, c.pixFmt);
        EXPECT_GT(probe.frames, 5) << probe.report;
        const testenv::VideoProbe picture = testenv::Ffprobe(png);
        ASSERT_TRUE(picture.ok) << picture.report;
        EXPECT_EQ(picture.width, c.width);
        EXPECT_EQ(picture.height, c.height);
        EXPECT_EQ(picture.pixFmt, "rgb24");
        DeleteFileA(avi.c_str());
    }
    std::string out, err;
    EXPECT_EQ(RunLumoracapProcess(L"snapshot --format nv12 --size 800x600 --out " + Quoted(png), &out, &err), 1);
    EXPECT_TRUE(Contains(err, "does not deliver 800 x 600 in NV12; it lists 3032 x 2016, 3264 x 2448, 1920 x 1080")) << err;
}

TEST_F(LumoracapProcessTest, SettingsShowsTheCameraAndFormatPagesInOneFrame)
{
    ChildProcess child(LumoracapCommand() + L" settings");
    ASSERT_TRUE(child.Started());
    const HWND frame = testenv::WaitForWindow([&] { return testenv::VisibleWindowsOf(child.Id()); },
                                              testenv::All({testenv::IsTopLevel(), testenv::HasClass(L"#32770")}));
    ASSERT_TRUE(frame) << child.Errors();
    Sleep(500); // let it paint

    HWND tabs = FindWindowExA(frame, nullptr, WC_TABCONTROLA, nullptr);
    ASSERT_TRUE(tabs);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
    // The first page is "Camera Set" with its sliders.
    EXPECT_TRUE(VisibleControl(frame, testenv::HasClass(TRACKBAR_CLASSW)));
    const std::string first = testenv::ArtifactPath("lumoracap-settings-camera-set.png");
    EXPECT_TRUE(SaveWindowPng(frame, first).saved);

    // The second is "Format" with its resolution buttons.
    SendMessageA(frame, PSM_SETCURSEL, 1, 0);
    Sleep(500);
    EXPECT_FALSE(VisibleControl(frame, testenv::HasClass(TRACKBAR_CLASSW)));
    EXPECT_TRUE(VisibleControl(frame, testenv::All({testenv::HasClass(L"Button"),
                                                    testenv::HasStyle(BS_TYPEMASK, BS_AUTORADIOBUTTON)})));
    const std::string second = testenv::ArtifactPath("lumoracap-settings-format.png");
    const WindowCaptureResult shot = SaveWindowPng(frame, second);
    EXPECT_TRUE(shot.saved);
    EXPECT_GT(shot.distinctColours, 2);
    std::printf("screenshots: %s, %s\n", first.c_str(), second.c_str());

    PostMessageA(frame, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    int exitCode = -1;
    ASSERT_TRUE(child.Wait(30000, &exitCode));
    EXPECT_EQ(exitCode, 0) << child.Errors();
}

} // namespace
