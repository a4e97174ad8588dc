// lumoracap's own parts: the command line rules, the two file writers (read back by ffprobe, ffmpeg and
// ImageMagick, tools nobody here wrote), and the queue that writes frames on a thread of its own.
#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/FrameSizes.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/UnixTools.h"
#include "tests/tools/SmallVolume.h"
#include "tools/lumoracap/AviWriter.h"
#include "tools/lumoracap/CommandLine.h"
#include "tools/lumoracap/Lumoracap.h"
#include "tools/lumoracap/FrameRecorder.h"
#include "tools/lumoracap/LostFrames.h"
#include "tools/lumoracap/PngWriter.h"
#include "tools/lumoracap/ProgressLine.h"
#include "tools/lumoracap/StreamFormat.h"
#include "version/ProductVersion.h"
#include "win/Event.h"

using testenv::Wide;
using toolstest::DiskCalling;
using toolstest::VolumeOf;

namespace {

std::vector<std::wstring> Split(const std::wstring& line)
{
    std::wistringstream words(line);
    return {std::istream_iterator<std::wstring, wchar_t>(words), std::istream_iterator<std::wstring, wchar_t>()};
}

TEST(CommandLine, AcceptsEachCommandWithItsOwnOptionsOnly)
{
    struct Case {
        const wchar_t* line;
        bool ok;
        const char* errorPart; // part of the message when refused
    };
    const Case cases[] = {
        {L"devices", true, ""},
        {L"formats --device Other", true, ""},
        {L"capture --seconds 5 --out a.avi --preview --snapshot a.png", true, ""},
        {L"snapshot --out a.png", true, ""},
        {L"settings", true, ""},
        {L"", false, "no command"},
        {L"record", false, "unknown command \"record\""},
        {L"devices --device X", false, "--device is not an option of devices"},
        {L"snapshot --out a.png --preview", false, "--preview is not an option of snapshot"},
        {L"capture --out a.avi", false, "capture needs --seconds"},
        {L"capture --seconds 5", false, "capture needs --out"},
        {L"snapshot", false, "snapshot needs --out"},
        {L"capture --seconds 0 --out a.avi", false, "from 1 to 3600"},
        {L"capture --seconds 3601 --out a.avi", false, "from 1 to 3600"},
        {L"capture --seconds 2.5 --out a.avi", false, "from 1 to 3600"},
        {L"capture --out a.avi --seconds", false, "--seconds needs a value"},
        {L"formats --verbose", false, "unknown option --verbose"},
        {L"formats extra", false, "unexpected argument \"extra\""},
        {L"controls --device Other", true, ""},
        {L"set brightness 150", true, ""},
        {L"set Exposure -3 --device Other", true, ""},
        {L"set exposure AUTO", true, ""},
        {L"set fliphorizontal 1", true, ""},
        {L"controls --out a.png", false, "--out is not an option of controls"},
        {L"controls brightness", false, "unexpected argument \"brightness\""},
        {L"set", false, "set needs a control and a value"},
        {L"set brightness", false, "set needs a control and a value"},
        {L"set brightness --device X", false, "set needs a control and a value"},
        {L"set --device X brightness 1", false, "set needs a control and a value"},
        {L"set brightnes 150", false, "unknown control \"brightnes\" (one of brightness, contrast"},
        {L"set brightness 1.5", false, "a whole number or \"auto\" as the value, not \"1.5\""},
        {L"set brightness -", false, "a whole number"},
        {L"set brightness 2147483648", false, "a whole number"},
        {L"set brightness 150 160", false, "unexpected argument \"160\""},
        {L"set brightness 150 --seconds 5", false, "--seconds is not an option of set"},
        {L"capture --seconds 5 --out a.avi --size 3264x2448 --fps 15", true, ""},
        {L"snapshot --out a.png --size 3032X2016 --fps 29.97", true, ""},
        {L"formats --size 3264x2448", false, "--size is not an option of formats"},
        {L"capture --seconds 5 --out a.avi --format nv12 --size 1280x720", true, ""},
        {L"snapshot --out a.png --format IYUV", true, ""},
        {L"snapshot --out a.png --format mjpg", false, "takes rgb24, rgb32, yuy2, nv12, i420 or y800"},
        {L"formats --format nv12", false, "--format is not an option of formats"},
        {L"settings --fps 15", false, "--fps is not an option of settings"},
        {L"snapshot --out a.png --size 3264", false, "as WxH"},
        {L"snapshot --out a.png --size 0x2448", false, "as WxH"},
        {L"snapshot --out a.png --size 65536x2448", false, "as WxH"},
        {L"snapshot --out a.png --size 3264x2448x3", false, "as WxH"},
        {L"snapshot --out a.png --size -3264x2448", false, "as WxH"},
        {L"snapshot --out a.png --fps 0", false, "above 0 and up to 1000"},
        {L"snapshot --out a.png --fps 1000.5", false, "above 0 and up to 1000"},
        {L"snapshot --out a.png --fps 15.", false, "above 0 and up to 1000"},
        {L"snapshot --out a.png --fps 7.1234", false, "above 0 and up to 1000"},
        {L"snapshot --out a.png --fps fast", false, "above 0 and up to 1000"},
        {L"snapshot --out a.png --fps", false, "--fps needs a value"},
        {L"vcam register", true, ""},
        {L"vcam unregister", true, ""},
        {L"vcam status", true, ""},
        {L"vcam", false, "vcam needs what to do: vcam register|unregister|status"},
        {L"vcam start", false, "vcam takes register, unregister or status, not \"start\""},
        {L"vcam --device X status", false, "vcam takes register, unregister or status"},
        {L"vcam status --device X", false, "--device is not an option of vcam"},
        {L"vcam register unregister", false, "unexpected argument \"unregister\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << std::string(c.line, c.line + wcslen(c.line)) << "\"");
        Options options;
        std::string error;
        EXPECT_EQ(ParseCommandLine(Split(c.line), &options, &error), c.ok);
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }

    Options options;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(Split(L"capture --seconds 12 --out a.avi --snapshot b.png"), &options, &error));
    EXPECT_EQ(options.command, Command::Capture);
    EXPECT_EQ(options.device, L"Lumora Camera");
    EXPECT_EQ(options.seconds, 12);
    EXPECT_EQ(options.out, L"a.avi");
    EXPECT_EQ(options.snapshot, L"b.png");
    EXPECT_FALSE(options.preview);
    // set's control keeps its case (names are matched without it); its value is a number or auto.
    ASSERT_TRUE(ParseCommandLine(Split(L"set Exposure -2147483648"), &options, &error));
    EXPECT_EQ(options.command, Command::Set);
    EXPECT_EQ(options.control, L"Exposure");
    EXPECT_EQ(options.controlValue, -2147483647L - 1);
    EXPECT_FALSE(options.controlAuto);
    ASSERT_TRUE(ParseCommandLine(Split(L"set exposure Auto"), &options, &error));
    EXPECT_TRUE(options.controlAuto);
    ASSERT_TRUE(ParseCommandLine(Split(L"vcam unregister"), &options, &error));
    EXPECT_EQ(options.command, Command::Vcam);
    EXPECT_EQ(options.vcamAction, VcamAction::Unregister);
    ASSERT_TRUE(ParseCommandLine(Split(L"snapshot --out a.png --size 3264x2448 --fps 7.5"), &options, &error));
    EXPECT_EQ(options.width, 3264);
    EXPECT_EQ(options.height, 2448);
    EXPECT_EQ(options.framesPerSecond, 7.5);
    ASSERT_TRUE(ParseCommandLine(Split(L"snapshot --out a.png"), &options, &error));
    EXPECT_EQ(options.width, 0); // the pin's own size and the camera's own rate
    EXPECT_EQ(options.framesPerSecond, 0);
    // --help wins over everything else on the line, errors included.
    ASSERT_TRUE(ParseCommandLine(Split(L"capture --bogus --help"), &options, &error));
    EXPECT_TRUE(options.help);
    // --version likewise, but --help wins over it.
    ASSERT_TRUE(ParseCommandLine(Split(L"capture --bogus --version"), &options, &error));
    EXPECT_TRUE(options.version);
    ASSERT_TRUE(ParseCommandLine(Split(L"--version --help"), &options, &error));
    EXPECT_TRUE(options.help);
    EXPECT_FALSE(options.version);
}

TEST(CommandLine, VersionPrintsTheProductVersionAlone)
{
    std::ostringstream out, err;
    Console console{out, err};
    EXPECT_EQ(RunLumoracap({L"--version"}, console), 0);
    EXPECT_EQ(out.str(), std::string("lumoracap ") + ProductVersion() + " (Lumora Camera)\n");
    EXPECT_EQ(err.str(), "");
    // Three numbers, as the version resources carry them.
    unsigned major = 0, minor = 0, patch = 0;
    char rest = 0;
    EXPECT_EQ(std::sscanf(ProductVersion(), "%u.%u.%u%c", &major, &minor, &patch, &rest), 3) << ProductVersion();
}

TEST(StreamFormat, FramesPerSecondBecomeTheIntervalRoundedDown)
{
    // Rounded down, so that 15 names the camera's 666666 and not 666667, which lies outside its rates.
    const struct {
        double framesPerSecond;
        REFERENCE_TIME interval;
    } rates[] = {{15, 666666}, {30, 333333}, {29.97, 333667}, {50, 200000}, {0.5, 20000000}, {1000, 10000}};
    for (const auto& rate : rates) {
        EXPECT_EQ(FrameIntervalOf(rate.framesPerSecond), rate.interval) << rate.framesPerSecond;
    }
}

// A 64 x 48 frame, bottom-up BGR, whose rows and columns tell frames apart.
std::vector<BYTE> TestFrame(int number)
{
    std::vector<BYTE> frame(64 * 48 * 3);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<BYTE>(number * 7 + i / 192);
    }
    return frame;
}

// Hands frames TestFrame(0) to TestFrame(count - 1) to the recorder.
void PushTestFrames(FrameRecorder& recorder, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::vector<BYTE> frame = TestFrame(i);
        recorder.Push(frame.data(), static_cast<DWORD>(frame.size()));
    }
}

const BITMAPINFOHEADER kTestFormat = {sizeof(BITMAPINFOHEADER), 64, 48, 1, 24, BI_RGB, 64 * 48 * 3, 0, 0, 0, 0};

// ffprobe reads `frames` whole frames, and ffmpeg decodes them in order, each with the bytes of
// TestFrame(its number) (ffmpeg turns the bottom-up rows over).
void ExpectFramesReadBackInOrder(const std::string& path, long frames)
{
    const testenv::VideoProbe probe = testenv::Ffprobe(path);
    ASSERT_TRUE(probe.ok) << probe.report;
    EXPECT_EQ(probe.width, 64);
    EXPECT_EQ(probe.height, 48);
    EXPECT_EQ(probe.pixFmt, "bgr24");
    ASSERT_EQ(probe.frames, frames) << probe.report;

    std::string output;
    const std::string raw = testenv::TempPath("frames.bgr");
    ASSERT_EQ(testenv::RunUnixCommand("ffmpeg -v error -y -i '" + testenv::UnixPath(path) +
                                          "' -f rawvideo -pix_fmt bgr24 '" + testenv::UnixPath(raw) + "'",
                                      &output),
              0)
        << output;
    FILE* file = std::fopen(raw.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<BYTE> decoded(64 * 48 * 3);
    for (long i = 0; i < frames; ++i) {
        ASSERT_EQ(std::fread(decoded.data(), 1, decoded.size(), file), decoded.size()) << "frame " << i;
        const std::vector<BYTE> frame = TestFrame(static_cast<int>(i));
        EXPECT_EQ(decoded[0], frame[47 * 192]) << "frame " << i;
        EXPECT_EQ(decoded[47 * 192], frame[0]) << "frame " << i;
    }
    std::fclose(file);
    DeleteFileA(raw.c_str());
}

TEST(AviWriter, SmallPartsMakeAFileThatReadsBackWhole)
{
    // Parts of 64 kB: 50 frames of 9 kB fill several "AVIX" parts.
    const std::string path = testenv::TempPath("parts.avi");
    {
        AviWriter writer(64 * 1024, VolumeOf(1 << 20));
        ASSERT_EQ(writer.Create(Wide(path), kTestFormat), S_OK);
        for (int i = 0; i < 50; ++i) {
            const std::vector<BYTE> frame = TestFrame(i);
            ASSERT_EQ(writer.AddFrame(frame.data(), static_cast<DWORD>(frame.size())), S_OK);
        }
        EXPECT_EQ(writer.Frames(), 50u);
        ASSERT_EQ(writer.Finish(2.5), S_OK);
        EXPECT_TRUE(writer.Complete());
        EXPECT_EQ(writer.AddFrame(TestFrame(0).data(), 9216), E_UNEXPECTED) << "finished";
    }
    EXPECT_NEAR(testenv::Ffprobe(path).duration, 2.5, 0.01);
    ExpectFramesReadBackInOrder(path, 50);
    DeleteFileA(path.c_str());
}

// A failed write (a full disk, wherever it happens) ends the writing; Finish keeps every whole frame whose
// indexes still fit and makes a readable file.
TEST(AviWriter, AFullDiskEndsTheFileAfterTheLastWholeFrame)
{
    const std::string path = testenv::TempPath("full.avi");
    // 64 kB parts of 9 kB frames; the first part also holds 16 kB of headers.
    const ULONGLONG volumes[] = {30000, 40000, 65536, 65600, 70000, 100000, 131072, 140000, 200000, 262144, 300000};
    for (const ULONGLONG volume : volumes) {
        SCOPED_TRACE(testing::Message() << "volume " << volume);
        DWORD added = 0;
        HRESULT failed = S_OK;
        {
            AviWriter writer(64 * 1024, VolumeOf(volume));
            ASSERT_EQ(writer.Create(Wide(path), kTestFormat), S_OK);
            for (int i = 0; i < 50 && SUCCEEDED(failed); ++i) {
                const std::vector<BYTE> frame = TestFrame(i);
                failed = writer.AddFrame(frame.data(), static_cast<DWORD>(frame.size()));
                added += SUCCEEDED(failed) ? 1 : 0;
            }
            EXPECT_EQ(failed, HRESULT_FROM_WIN32(ERROR_DISK_FULL));
            EXPECT_EQ(writer.AddFrame(TestFrame(0).data(), 9216), failed) << "the first failure stays";
            EXPECT_EQ(writer.Finish(1), HRESULT_FROM_WIN32(ERROR_DISK_FULL)) << "reported, though finished";
            ASSERT_TRUE(writer.Complete());
            // At most the last frame makes way for the indexes.
            EXPECT_LE(writer.Frames(), added);
            EXPECT_GE(writer.Frames() + 1, added);
            added = writer.Frames();
        }
        ExpectFramesReadBackInOrder(path, static_cast<long>(added));
    }
    DeleteFileA(path.c_str());
}

// The super index has room for as many parts as the volume holds; when that is used up all the same (the volume
// grew), the file ends like one on a full disk.
TEST(AviWriter, TheIndexHasRoomForEveryPartTheVolumeHolds)
{
    const std::string path = testenv::TempPath("long.avi");
    // Parts of 4 kB hold two frames of 1.5 kB (the first part, with the headers, one): 2100 frames need 1051
    // parts, more than the 1022 of the platform's super index structure.
    BITMAPINFOHEADER format = kTestFormat;
    format.biHeight = 8;
    format.biSizeImage = 64 * 8 * 3;
    struct Case {
        ULONGLONG room;      // what the volume reports free
        HRESULT lastAdd;     // the result of the last frame added
        DWORD frames;        // frames in the finished file
    };
    const Case cases[] = {
        {8 << 20, S_OK, 2100},
        {0, HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE), 2043}, // no room known: the 1022 parts at least
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "room " << c.room);
        AviWriter::Storage storage = AviWriter::Disk();
        storage.room = [&c](const std::wstring&) { return c.room; };
        AviWriter writer(4096, storage);
        ASSERT_EQ(writer.Create(Wide(path), format), S_OK);
        const std::vector<BYTE> frame(64 * 8 * 3, 0x40);
        HRESULT added = S_OK;
        for (int i = 0; i < 2100 && SUCCEEDED(added); ++i) {
            added = writer.AddFrame(frame.data(), static_cast<DWORD>(frame.size()));
        }
        EXPECT_EQ(added, c.lastAdd);
        EXPECT_EQ(writer.Finish(70), c.lastAdd);
        EXPECT_TRUE(writer.Complete());
        EXPECT_EQ(writer.Frames(), c.frames);
        const testenv::VideoProbe probe = testenv::Ffprobe(path);
        EXPECT_EQ(probe.frames, static_cast<long>(c.frames)) << probe.report;
    }
    DeleteFileA(path.c_str());
}

// The thread that hands frames over never waits for the disk: while it is held, frames beyond the queue's
// capacity are dropped and counted, and the queued ones are written once it moves again.
TEST(FrameRecorder, AHeldDiskDropsFramesBeyondTheQueueWithoutStallingTheCaller)
{
    const std::string path = testenv::TempPath("held.avi");
    win::Event open(win::Event::Mode::ManualReset);
    open.Set();
    AviWriter::Storage disk = DiskCalling([&open](DWORD) { open.Wait(); });
    disk.room = [](const std::wstring&) { return 1ull << 20; };
    AviWriter writer(1ull << 30, disk);
    ASSERT_EQ(writer.Create(Wide(path), kTestFormat), S_OK);
    open.Clear();
    {
        FrameRecorder recorder(writer, 5);
        ASSERT_TRUE(recorder.Start());
        PushTestFrames(recorder, 100);
        EXPECT_EQ(recorder.Dropped(), 95) << "one frame being written and four queued are kept";
        open.Set();
        EXPECT_EQ(recorder.Stop(), S_OK);
    }
    ASSERT_EQ(writer.Finish(1), S_OK);
    ExpectFramesReadBackInOrder(path, 5);
    DeleteFileA(path.c_str());
}

TEST(FrameRecorder, AFailedWriteEndsTheWritingAndIsSignalled)
{
    const std::string path = testenv::TempPath("recorder-full.avi");
    AviWriter writer(1ull << 30, VolumeOf(50000)); // room for 3 frames and the headers
    ASSERT_EQ(writer.Create(Wide(path), kTestFormat), S_OK);
    FrameRecorder recorder(writer, 20);
    ASSERT_TRUE(recorder.Start());
    PushTestFrames(recorder, 10);
    EXPECT_EQ(WaitForSingleObject(recorder.FailedEvent(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(recorder.Stop(), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_EQ(recorder.Dropped(), 0) << "frames after the failure are not the disk's delay";
    EXPECT_EQ(writer.Finish(1), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    ASSERT_TRUE(writer.Complete());
    ExpectFramesReadBackInOrder(path, 3);
    DeleteFileA(path.c_str());
}

// The rate is the disk's while it writes: idle time between frames (a camera delivering fewer) is left out.
TEST(FrameRecorder, MeasuresTheRateTheDiskTookWhileWriting)
{
    const DWORD kWriteMs = 50;
    // The frames' data is slow to write, not the chunk headers.
    const AviWriter::Storage disk =
        DiskCalling([](DWORD bytes) { Sleep(bytes == kTestFormat.biSizeImage ? kWriteMs : 0); });
    const std::string path = testenv::TempPath("slow.avi");
    AviWriter writer(1ull << 30, disk);
    ASSERT_EQ(writer.Create(Wide(path), kTestFormat), S_OK);
    FrameRecorder recorder(writer, 5);
    EXPECT_EQ(recorder.WriteBytesPerSecond(), 0) << "nothing written yet";
    ASSERT_TRUE(recorder.Start());
    const int kFrames = 5;
    for (int i = 0; i < kFrames; ++i) {
        const std::vector<BYTE> frame = TestFrame(i);
        recorder.Push(frame.data(), static_cast<DWORD>(frame.size()));
        Sleep(4 * kWriteMs); // the disk idles three times as long as it writes
    }
    EXPECT_EQ(recorder.Stop(), S_OK);
    const double diskRate = kTestFormat.biSizeImage * 1000.0 / kWriteMs;
    EXPECT_LE(recorder.WriteBytesPerSecond(), diskRate * 1.05);
    EXPECT_GE(recorder.WriteBytesPerSecond(), diskRate * 0.4) << "idle time counted as writing";
    EXPECT_EQ(writer.Finish(1), S_OK);
    DeleteFileA(path.c_str());
}

TEST(LostFrames, TheDiskIsNamedOnlyWhenItCouldNotKeepUp)
{
    // 3032 x 2016 at 30 fps needs 550 MB/s; at 15 fps 275 MB/s.
    const std::vector<ListedFormat> camera = {{3032, 2016, 15, 30}, {3264, 2448, 15, 30}};
    std::vector<ListedFormat> withSmaller = camera;
    withSmaller.push_back({1512, 1008, 15, 30}); // 137 MB/s at 30 fps
    withSmaller.push_back({2016, 1512, 15, 30}); // 274 MB/s at 30 fps
    std::vector<ListedFormat> withFormats = camera;
    withFormats.push_back({3032, 2016, 15, 30, PixelFormat::Yuy2}); // 367 MB/s at 30 fps
    withFormats.push_back({3032, 2016, 15, 30, PixelFormat::Nv12}); // 275 MB/s at 30 fps
    withFormats.push_back({1280, 720, 15, 30, PixelFormat::Nv12});
    std::vector<ListedFormat> withBoth = withFormats;
    withBoth.push_back({1280, 720, 15, 30}); // 83 MB/s at 30 fps
    struct Case {
        long dropped, unwritten;
        double diskMBps;
        const std::vector<ListedFormat>* listed;
        const char* message;
        long width = testenv::kFrameWidth, height = testenv::kFrameHeight;
        double fps = 30;
    };
    const Case cases[] = {
        {0, 0, 336, &camera, ""},
        // The queue overflowed: the disk's, whatever it took.
        {0, 54, 336, &camera,
         "54 frames dropped: the disk took 336 MB/s, this format needs 550 MB/s; "
         "a lower rate would fit: --fps 15 (275 MB/s)"},
        {3, 7, 336, &withSmaller,
         "10 frames dropped: the disk took 336 MB/s, this format needs 550 MB/s; "
         "a smaller size would fit: --size 2016x1512 (274 MB/s)"},
        {0, 5, 0, &camera, "5 frames dropped: the disk did not keep up, this format needs 550 MB/s"},
        // Lighter formats at the same size; another format's smaller sizes are not this format's.
        {0, 9, 336, &withFormats,
         "9 frames dropped: the disk took 336 MB/s, this format needs 550 MB/s; "
         "a lighter format would fit: --format nv12 (275 MB/s)"},
        {0, 9, 400, &withBoth,
         "9 frames dropped: the disk took 400 MB/s, this format needs 550 MB/s; "
         "a smaller size would fit: --size 1280x720 (83 MB/s), or a lighter format: --format yuy2 (367 MB/s)"},
        // Frames lost before lumoracap, with a disk slower than the format: the disk could not have taken them either.
        {54, 0, 336, &camera,
         "54 frames dropped: the disk took 336 MB/s, this format needs 550 MB/s; "
         "a lower rate would fit: --fps 15 (275 MB/s)"},
        {2, 0, 300, &camera,
         "2 frames dropped: the disk took 300 MB/s, this format needs 360 MB/s; "
         "a smaller size would fit: --size 3032x2016 (275 MB/s)", 3264, 2448, 15},
        {1, 0, 100, &camera,
         "1 frame dropped: the disk took 100 MB/s, this format needs 550 MB/s; "
         "no size or rate the device lists would fit; capture to a faster disk"},
        {4, 0, 200, &camera,
         "4 frames dropped: the disk took 200 MB/s, this format needs 275 MB/s; "
         "no size or rate the device lists would fit; capture to a faster disk", 3032, 2016, 15},
        // The disk kept up: the camera's or the filter's.
        {10, 0, 900, &camera,
         "10 frames dropped before reaching lumoracap, by the camera or the filter; "
         "the disk kept up (it took 900 MB/s, this format needs 550 MB/s)"},
        {1, 0, 0, &camera, "1 frame dropped before reaching lumoracap, by the camera or the filter"},
    };
    for (const Case& c : cases) {
        const CaptureFigures figures{c.dropped, c.unwritten, c.width, c.height, PixelFormat::Rgb24, c.fps,
                                     c.diskMBps * 1e6, *c.listed};
        EXPECT_EQ(ExplainLostFrames(figures), c.message)
            << c.dropped << " dropped, " << c.unwritten << " unwritten, " << c.diskMBps << " MB/s";
    }
}

TEST(ProgressLine, RewritesItselfOnAConsoleAndPrintsALineASecondElsewhere)
{
    for (const bool live : {true, false}) {
        std::ostringstream out, err;
        Console console{out, err, live};
        ProgressLine progress(console);
        for (double seconds = 0.25; seconds < 3.1; seconds += 0.25) {
            progress.Update(seconds, static_cast<long>(seconds * 30), seconds < 3 ? 0 : 1, seconds < 3 ? 0 : 2);
        }
        progress.Finish(3.0, 90, 1, 2); // the figures of the last line: not repeated
        const std::string last = "     3.0 s      90 frames   30.0 fps     1 dropped     2 unwritten";
        const std::string text = out.str();
        if (live) {
            EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 13);
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
            EXPECT_EQ(text.substr(text.rfind('\r')), "\r" + last + " \n");
        } else {
            EXPECT_EQ(text, "     1.0 s      30 frames   30.0 fps     0 dropped     0 unwritten\n"
                                 "     2.0 s      60 frames   30.0 fps     0 dropped     0 unwritten\n" +
                                     last + "\n");
        }
    }
}

TEST(AviWriter, AFileThatCannotBeCreatedReportsWhy)
{
    AviWriter writer;
    const std::string path = testenv::TempPath("no such folder\\x.avi");
    EXPECT_EQ(writer.Create(Wide(path), kTestFormat), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(writer.Finish(1), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(writer.Complete());
}

TEST(PngWriter, BottomUpFramesAreWrittenUpright)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // 2 x 3 pixels, rows bottom-up and padded to 8 bytes: blue (bottom), green, red (top).
    const BYTE pixels[] = {255, 0, 0, 255, 0, 0, 9, 9, 0, 255, 0, 0, 255, 0, 9, 9, 0, 0, 255, 0, 0, 255, 9, 9};
    const std::string path = testenv::TempPath("upright.png");
    EXPECT_EQ(WritePng(Wide(path), pixels, 2, 3, 8, true), S_OK);
    std::string rows;
    ASSERT_EQ(testenv::RunUnixCommand("convert '" + testenv::UnixPath(path) +
                                          "' -format '%[pixel:p{0,0}] %[pixel:p{1,1}] %[pixel:p{0,2}]' info:",
                                      &rows),
              0)
        << rows;
    EXPECT_EQ(rows, "srgb(255,0,0) srgb(0,255,0) srgb(0,0,255)");
    EXPECT_EQ(WritePng(Wide(path), pixels, 2, 3, 5, true), E_INVALIDARG)
        << "a stride shorter than a row";
    CoUninitialize();
}

} // namespace
