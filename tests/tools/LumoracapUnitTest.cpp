// lumoracap's own parts: the command line rules, and the two file writers,
// whose output is read back by tools nobody here wrote (ffprobe, ffmpeg and
// ImageMagick).
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/TestEnvironment.h"
#include "tests/support/UnixTools.h"
#include "tools/lumoracap/AviWriter.h"
#include "tools/lumoracap/CommandLine.h"
#include "tools/lumoracap/PngWriter.h"

namespace {

std::vector<std::wstring> Split(const std::wstring& line)
{
    std::vector<std::wstring> words;
    size_t at = 0;
    while (at < line.size()) {
        const size_t end = line.find(L' ', at);
        words.push_back(line.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
        at = end == std::wstring::npos ? line.size() : end + 1;
    }
    return words;
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
    // --help wins over everything else on the line, errors included.
    ASSERT_TRUE(ParseCommandLine(Split(L"capture --bogus --help"), &options, &error));
    EXPECT_TRUE(options.help);
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

TEST(AviWriter, SmallPartsMakeAFileThatReadsBackWhole)
{
    // Parts of 64 kB: 50 frames of 9 kB fill several "AVIX" parts.
    const std::string path = testenv::TempPath("parts.avi");
    BITMAPINFOHEADER format = {sizeof(BITMAPINFOHEADER), 64, 48, 1, 24, BI_RGB, 64 * 48 * 3, 0, 0, 0, 0};
    {
        AviWriter writer(64 * 1024);
        ASSERT_EQ(writer.Create(std::wstring(path.begin(), path.end()), format), S_OK);
        for (int i = 0; i < 50; ++i) {
            const std::vector<BYTE> frame = TestFrame(i);
            ASSERT_EQ(writer.AddFrame(frame.data(), static_cast<DWORD>(frame.size())), S_OK);
        }
        EXPECT_EQ(writer.Frames(), 50u);
        ASSERT_EQ(writer.Finish(2.5), S_OK);
        EXPECT_EQ(writer.AddFrame(TestFrame(0).data(), 9216), E_UNEXPECTED) << "finished";
    }
    const testenv::VideoProbe probe = testenv::Ffprobe(path);
    ASSERT_TRUE(probe.ok) << probe.report;
    EXPECT_EQ(probe.width, 64);
    EXPECT_EQ(probe.height, 48);
    EXPECT_EQ(probe.pixFmt, "bgr24");
    EXPECT_EQ(probe.frames, 50);
    EXPECT_NEAR(probe.duration, 2.5, 0.01);

    // Every frame decodes, in order, with its own bytes (ffmpeg turns the
    // bottom-up rows over: the last memory row comes first).
    std::string output;
    const std::string raw = testenv::TempPath("parts.bgr");
    ASSERT_EQ(testenv::RunUnixCommand("ffmpeg -v error -y -i '" + testenv::UnixPath(path) +
                                          "' -f rawvideo -pix_fmt bgr24 '" + testenv::UnixPath(raw) + "'",
                                      &output),
              0)
        << output;
    FILE* file = std::fopen(raw.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<BYTE> decoded(64 * 48 * 3);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(std::fread(decoded.data(), 1, decoded.size(), file), decoded.size()) << "frame " << i;
        const std::vector<BYTE> frame = TestFrame(i);
        EXPECT_EQ(decoded[0], frame[47 * 192]) << "frame " << i;
        EXPECT_EQ(decoded[47 * 192], frame[0]) << "frame " << i;
    }
    std::fclose(file);
    DeleteFileA(raw.c_str());
    DeleteFileA(path.c_str());
}

TEST(AviWriter, AFileThatCannotBeCreatedReportsWhy)
{
    AviWriter writer;
    BITMAPINFOHEADER format = {sizeof(BITMAPINFOHEADER), 64, 48, 1, 24, BI_RGB, 64 * 48 * 3, 0, 0, 0, 0};
    const std::string path = testenv::TempPath("no such folder\\x.avi");
    EXPECT_EQ(writer.Create(std::wstring(path.begin(), path.end()), format),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(writer.Finish(1), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

TEST(PngWriter, BottomUpFramesAreWrittenUpright)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // 2 x 3 pixels, rows bottom-up and padded to 8 bytes: blue (bottom),
    // green, red (top).
    const BYTE pixels[] = {255, 0, 0, 255, 0, 0, 9, 9, 0, 255, 0, 0, 255, 0, 9, 9, 0, 0, 255, 0, 0, 255, 9, 9};
    const std::string path = testenv::TempPath("upright.png");
    EXPECT_EQ(WritePng(std::wstring(path.begin(), path.end()), pixels, 2, 3, 8, true), S_OK);
    std::string rows;
    ASSERT_EQ(testenv::RunUnixCommand("convert '" + testenv::UnixPath(path) +
                                          "' -format '%[pixel:p{0,0}] %[pixel:p{1,1}] %[pixel:p{0,2}]' info:",
                                      &rows),
              0)
        << rows;
    EXPECT_EQ(rows, "srgb(255,0,0) srgb(0,255,0) srgb(0,0,255)");
    EXPECT_EQ(WritePng(std::wstring(path.begin(), path.end()), pixels, 2, 3, 5, true), E_INVALIDARG)
        << "a stride shorter than a row";
    CoUninitialize();
}

} // namespace
