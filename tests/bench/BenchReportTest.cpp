#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "bench/BenchReport.h"
#include "bench/BenchTargets.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/UnixTools.h"

namespace {

// A run that meets every target.
RunResult GoodRun()
{
    RunResult result;
    result.run = 1;
    result.seconds = 10;
    result.capture.delivered = 300;
    result.capture.framesPerSecond = 30;
    result.capture.firstStampedMs = 120;
    result.capture.latencyMedianMs = 20;
    result.capture.latencyP99Ms = 30;
    result.preview.delivered = 300;
    result.preview.framesPerSecond = 30;
    result.preview.firstStampedMs = 110;
    result.preview.latencyMedianMs = 4;
    result.preview.latencyP99Ms = 12;
    result.copyMs = 1.5;
    result.hotCopyMs = 0.75;
    result.delivered = 600;
    result.requiredCopies = 2.15;
    result.cpuMsPerFrame = 3.5;
    result.cpuToCopiesRatio = 3.5 / (2.15 * 1.5);
    result.memcpyColdMs = 1.5;
    result.streamingColdMs = 1.25;
    result.memcpyColdImageMs = 2.0;
    result.streamingColdImageMs = 1.75;
    result.cameraCopiedBytes = 300 * kImageBytes;
    result.sampleCopiedBytes = 600 * kFrameBytes;
    result.measuredCopies = 1.65;
    result.cpuToMeasuredCopiesRatio = 3.5 / (1.65 * 1.5) * 0.8;
    result.peakWorkingSet = 150u << 20;
    result.memoryBudget = 185u << 20;
    ThreadShare share;
    share.role = "preview_worker";
    share.cpuMs = 450;
    result.threads.push_back(share);
    return result;
}

bool Met(const RunResult& result, const std::string& name)
{
    for (const TargetCheck& check : CheckTargets(result)) {
        if (check.name == name) {
            return check.met;
        }
    }
    ADD_FAILURE() << "no target " << name;
    return false;
}

} // namespace

TEST(BenchTargets, BoundsAreInclusiveAndMissingFiguresNeverMeetThem)
{
    RunResult result = GoodRun();
    for (const TargetCheck& check : CheckTargets(result)) {
        EXPECT_TRUE(check.met) << check.rule;
    }
    result.capture.framesPerSecond = 29;
    result.measuredCopies = 1.70;
    result.cpuToMeasuredCopiesRatio = 1.15;
    result.preview.latencyP99Ms = 1000.0 / 30 / 2;
    result.preview.firstStampedMs = 150;
    result.peakWorkingSet = result.memoryBudget;
    // The preview path's copies: the whole image and the pin's copy.
    EXPECT_NEAR(2.3072, PreviewPathCopies(result), 1e-4);
    result.preview.latencyMedianMs = 1.25 * PreviewPathCopies(result) * result.copyMs;
    for (const TargetCheck& check : CheckTargets(result)) {
        EXPECT_TRUE(check.met) << check.rule << " at its bound";
    }

    result.capture.framesPerSecond = 28.99;
    EXPECT_FALSE(Met(result, "capture_fps"));
    result.preview.latencyMedianMs += 0.01;
    EXPECT_FALSE(Met(result, "preview_latency_median"));
    result.peakWorkingSet += 1u << 20;
    EXPECT_FALSE(Met(result, "peak_memory"));

    // A pin that never delivered a camera frame has no start time and no
    // latency; that is a miss, not a pass.
    RunResult silent = GoodRun();
    silent.preview.firstStampedMs = stats::kMissing;
    silent.preview.latencyMedianMs = stats::kMissing;
    silent.preview.latencyP99Ms = stats::kMissing;
    silent.cpuToCopiesRatio = stats::kMissing;
    silent.measuredCopies = stats::kMissing;
    silent.cpuToMeasuredCopiesRatio = stats::kMissing;
    EXPECT_FALSE(Met(silent, "preview_first_stamped"));
    EXPECT_FALSE(Met(silent, "preview_latency_median"));
    EXPECT_FALSE(Met(silent, "preview_latency_p99"));
    EXPECT_FALSE(Met(silent, "cpu_ratio"));
    EXPECT_FALSE(Met(silent, "measured_copies"));
}

TEST(BenchTargets, CopiesAreHeldToTheBoundOfTheResolutionAndTheCpuToTheMeasuredCopies)
{
    // The capture pin alone is held to the camera's direct fill where the
    // camera delivers it uncut, and to the fetch and one copy where it crops.
    const struct {
        int resolution;
        bool captureOnly;
        bool fullSize;
        double measuredCopies;
        bool met;
    } copies[] = {
        {0, false, false, 1.70, true},  {0, false, false, 1.71, false}, {1, false, false, 1.55, true},
        {1, false, false, 1.56, false}, {2, false, false, 1.55, true},  {2, false, false, 1.70, false},
        {0, false, false, stats::kMissing, false}, {0, false, true, 1.70, true},
        {1, true, false, 1.05, true},   {2, true, false, 1.06, false},  {0, true, true, 1.05, true},
        {0, true, true, 1.31, false},   {0, true, false, 2.35, true},   {0, true, false, 2.40, false},
    };
    for (const auto& c : copies) {
        RunResult result = GoodRun();
        result.resolution = c.resolution;
        result.captureOnly = c.captureOnly;
        if (c.fullSize) {
            result.captureWidth = kImageWidth;
            result.captureHeight = kImageHeight;
        }
        result.measuredCopies = c.measuredCopies;
        EXPECT_EQ(c.met, Met(result, "measured_copies"))
            << "resolution " << c.resolution << (c.captureOnly ? ", capture alone" : "")
            << (c.fullSize ? ", full size" : "") << ", " << c.measuredCopies;
    }

    // Without the preview pin, no preview target is checked.
    RunResult alone = GoodRun();
    alone.captureOnly = true;
    alone.preview = stats::PinFigures();
    for (const TargetCheck& check : CheckTargets(alone)) {
        EXPECT_EQ(check.name.rfind("preview", 0), std::string::npos) << check.name;
    }

    // With measured copies the CPU bound is 1.15 x them; the ratio to the
    // design's copies no longer counts.
    RunResult measured = GoodRun();
    measured.cpuToCopiesRatio = 5;
    measured.cpuToMeasuredCopiesRatio = 1.15;
    EXPECT_TRUE(Met(measured, "cpu_ratio"));
    measured.cpuToMeasuredCopiesRatio = 1.16;
    EXPECT_FALSE(Met(measured, "cpu_ratio"));

    // Without them (the frame path counted nothing) the design's rule holds.
    RunResult uncounted = GoodRun();
    uncounted.measuredCopies = stats::kMissing;
    uncounted.cpuToMeasuredCopiesRatio = stats::kMissing;
    uncounted.cpuToCopiesRatio = 1.3;
    EXPECT_TRUE(Met(uncounted, "cpu_ratio"));
    uncounted.cpuToCopiesRatio = 1.31;
    EXPECT_FALSE(Met(uncounted, "cpu_ratio"));

    // The copy bounds are the cut RGB24 frame's: a converted or scaled
    // frame keeps only the others, whatever its figures.
    const struct {
        PixelFormat format;
        int width, height;
        bool copyTargets;
    } entries[] = {
        {PixelFormat::Rgb24, 3032, 2016, true}, {PixelFormat::Rgb24, 3264, 2448, true},
        {PixelFormat::Rgb24, 1920, 1080, false}, {PixelFormat::Nv12, 1280, 720, false},
        {PixelFormat::Rgb32, 3032, 2016, false},
    };
    for (const auto& entry : entries) {
        RunResult result = GoodRun();
        result.format = entry.format;
        result.captureWidth = result.previewWidth = entry.width;
        result.captureHeight = result.previewHeight = entry.height;
        result.measuredCopies = 9.0;
        result.preview.latencyMedianMs = 50;
        std::string names;
        for (const TargetCheck& check : CheckTargets(result)) {
            names += check.name + " ";
        }
        for (const char* name : {"measured_copies ", "cpu_ratio ", "preview_latency_median "}) {
            EXPECT_EQ(entry.copyTargets, names.find(name) != std::string::npos)
                << PixelFormatName(entry.format) << " " << entry.width << ": " << names;
        }
        EXPECT_NE(std::string::npos, names.find("preview_latency_p99 ")) << names;
    }

    // At a binned read-out the image is the frame: the preview path is the
    // fill and the pin's copy.
    RunResult binned = GoodRun();
    binned.resolution = 1;
    EXPECT_NEAR(2.0, PreviewPathCopies(binned), 1e-12);
}

TEST(BenchReport, JsonLineIsOneValidObjectWithNullForMissingFigures)
{
    RunResult result = GoodRun();
    result.capture.leadMedianMs = -175.25; // negative figures are figures
    result.preview.gapMedianMs = stats::kMissing;
    const std::string line = JsonLine(result);
    EXPECT_EQ(std::string::npos, line.find('\n'));
    EXPECT_EQ(std::string::npos, line.find("nan"));
    EXPECT_NE(std::string::npos, line.find("\"lead_median_ms\":-175.250"));
    EXPECT_NE(std::string::npos, line.find("\"gap_median_ms\":null"));
    EXPECT_NE(std::string::npos, line.find("\"capture_width\":3032,\"capture_height\":2016"));
    result.captureWidth = 3264;
    result.captureHeight = 2448;
    EXPECT_NE(std::string::npos, JsonLine(result).find("\"capture_width\":3264,\"capture_height\":2448"));
    RunResult uncounted = GoodRun();
    uncounted.cameraCopiedBytes = 0;
    uncounted.sampleCopiedBytes = 0;
    uncounted.measuredCopies = stats::kMissing;
    uncounted.cpuToMeasuredCopiesRatio = stats::kMissing;
    EXPECT_NE(std::string::npos, JsonLine(uncounted).find("\"measured_copies_per_sample\":null"));
    EXPECT_NE(std::string::npos, JsonLine(uncounted).find("\"cpu_to_measured_copies_ratio\":null"));
    EXPECT_NE(std::string::npos, line.find("\"capture_fill_window_copies\":null"));

    // Read back by a JSON parser nobody here wrote.
    const std::string path = testenv::TempPath("run.json");
    std::ofstream(path) << line;
    std::string output;
    const int status = testenv::RunUnixCommand(
        "command -v python3 >/dev/null || exit 77; python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); "
        "print(d[\"pins\"][\"preview\"][\"fps\"], d[\"targets\"][\"all\"], d[\"peak_working_set\"], "
        "d[\"pins\"][\"preview\"][\"gap_median_ms\"], d[\"thread_cpu_ms\"][\"preview_worker\"], "
        "d[\"memcpy_ms\"], d[\"memcpy_hot_ms\"], d[\"resolution\"], d[\"memcpy_cold_ms\"], "
        "d[\"streaming_cold_ms\"], d[\"memcpy_cold_image_ms\"], d[\"streaming_cold_image_ms\"], "
        "d[\"measured_copies_per_sample\"], d[\"camera_copied_bytes\"] + d[\"sample_copied_bytes\"])' '" +
            testenv::UnixPath(path) + "'",
        &output);
    if (status == 77) {
        GTEST_SKIP() << "python3 is not installed";
    }
    ASSERT_EQ(0, status) << output << "\n" << line;
    EXPECT_EQ("30.0 True 157286400 None 450.0 1.5 0.75 0 1.5 1.25 2.0 1.75 1.65 " +
                  std::to_string(300 * kImageBytes + 600 * kFrameBytes) + "\n",
              output);
}

// The table names the configuration, prints the copy comparison and the
// measured copies, or says that none were counted.
TEST(BenchReport, TableShowsTheConfigurationAndTheMeasuredCopies)
{
    const auto table = [](const RunResult& result) {
        const std::string path = testenv::TempPath("copies.txt");
        std::FILE* out = std::fopen(path.c_str(), "w");
        EXPECT_NE(nullptr, out);
        if (!out) {
            return std::string();
        }
        PrintTable(result, out);
        std::fclose(out);
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    RunResult result = GoodRun();
    result.resolution = 1;
    std::string text = table(result);
    EXPECT_NE(std::string::npos, text.find("resolution index 1")) << text;
    EXPECT_NE(std::string::npos, text.find("memcpy / streaming copy: frame 1.500 / 1.250 ms")) << text;
    EXPECT_NE(std::string::npos, text.find("2.000 / 1.750 ms")) << text;
    EXPECT_NE(std::string::npos, text.find("= 1.650")) << text;

    result.measuredCopies = stats::kMissing;
    result.cpuToMeasuredCopiesRatio = stats::kMissing;
    text = table(result);
    EXPECT_NE(std::string::npos, text.find("measured copies per delivered sample: - (the frame path counted no copies"))
        << text;
    EXPECT_NE(std::string::npos, text.find("CPU per frame <= 1.3 x required copies")) << text;
}

TEST(BenchReport, FailedRunReportsItsErrorEscaped)
{
    RunResult result;
    result.run = 2;
    result.error = "building the graph failed at \"preview\\RenderStream\"";
    const std::string line = JsonLine(result);
    EXPECT_NE(std::string::npos, line.find("\"ok\":false"));
    EXPECT_NE(std::string::npos, line.find("\"error\":\"building the graph failed at \\\"preview\\\\RenderStream\\\"\""));
    EXPECT_EQ(std::string::npos, line.find("\"pins\""));

    const std::string path = testenv::TempPath("table.txt");
    std::FILE* table = std::fopen(path.c_str(), "w");
    ASSERT_NE(nullptr, table);
    PrintTable(result, table);
    std::fclose(table);
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, text.find("FAILED: building the graph failed"));
}

// A converted or scaled frame is held to its pins' fill: each worker's CPU
// per sample in cache-cold copies of the window its conversion reads. The
// cut keeps the copy bounds and has no fill bound; missing never meets one.
TEST(BenchTargets, AConvertedFrameHoldsEachWorkersFillToItsSourceWindowCopies)
{
    const double m = stats::kMissing;
    const struct {
        PixelFormat format;
        int width, height;
        bool captureOnly;
        double captureFill, previewFill;
        int captureMet, previewMet; // 1 met, 0 missed, -1 not checked
    } cases[] = {
        {PixelFormat::Nv12, 1280, 720, false, 2.5, 2.5, 1, 1},
        {PixelFormat::Yuy2, 1920, 1080, false, 2.51, 2.0, 0, 1},
        {PixelFormat::I420, 640, 480, false, m, 1.0, 0, 1},
        {PixelFormat::Y800, 1280, 720, false, 1.0, m, 1, 0},
        {PixelFormat::Rgb32, 3032, 2016, true, 2.0, m, 1, -1},
        {PixelFormat::Rgb24, 1920, 1080, false, 3.0, 1.0, 0, 1},
        {PixelFormat::Rgb24, 3032, 2016, false, 9.0, 9.0, -1, -1},
        {PixelFormat::Rgb24, 3264, 2448, false, 9.0, 9.0, -1, -1},
    };
    for (const auto& c : cases) {
        RunResult result = GoodRun();
        result.format = c.format;
        result.captureWidth = result.previewWidth = c.width;
        result.captureHeight = result.previewHeight = c.height;
        result.captureOnly = c.captureOnly;
        result.captureFillWindowCopies = c.captureFill;
        result.previewFillWindowCopies = c.previewFill;
        int captureMet = -1;
        int previewMet = -1;
        for (const TargetCheck& check : CheckTargets(result)) {
            if (check.name == "capture_fill") {
                captureMet = check.met;
            } else if (check.name == "preview_fill") {
                previewMet = check.met;
            }
        }
        const std::string what = std::string(PixelFormatName(c.format)) + " " + std::to_string(c.width) + "x" +
                                 std::to_string(c.height) + (c.captureOnly ? ", capture alone" : "");
        EXPECT_EQ(c.captureMet, captureMet) << what;
        EXPECT_EQ(c.previewMet, previewMet) << what;
    }
}

// Each worker's fill is counted in its own pin's source window: the whole
// image for a full-size capture pin beside the cut preview, the 16:9 window
// of the sensor or of the binned read-out, the 4:3 whole image. A share that
// is not a pin worker's, or has no per-sample figure, gives none.
TEST(BenchTargets, AWorkersFillIsCountedInItsOwnPinsSourceWindow)
{
    const uint64_t frame = uint64_t(kFrameWidth) * kFrameHeight * 3;
    const struct {
        int resolution;
        const char* role;
        int captureWidth, captureHeight, previewWidth, previewHeight;
        uint64_t windowBytes; // 0: no figure
    } cases[] = {
        {0, "capture_worker", 3264, 2448, 3032, 2016, uint64_t(3264) * 2448 * 3},
        {0, "preview_worker", 3264, 2448, 3032, 2016, frame},
        {0, "capture_worker", 1920, 1080, 1920, 1080, uint64_t(3264) * 1836 * 3},
        {1, "preview_worker", 1280, 720, 1280, 720, uint64_t(3008) * 1692 * 3},
        {0, "preview_worker", 640, 480, 640, 480, uint64_t(3264) * 2448 * 3},
        {1, "capture_worker", 640, 480, 640, 480, uint64_t(2688) * 2016 * 3},
        {0, "camera_capture_thread", 1920, 1080, 1920, 1080, 0},
        {0, "other", 1920, 1080, 1920, 1080, 0},
    };
    for (const auto& c : cases) {
        RunResult result = GoodRun();
        result.resolution = c.resolution;
        result.captureWidth = c.captureWidth;
        result.captureHeight = c.captureHeight;
        result.previewWidth = c.previewWidth;
        result.previewHeight = c.previewHeight;
        ThreadShare worker;
        worker.role = c.role;
        worker.perUnitMs = 6.0;
        const double fill = result.FillWindowCopies(worker);
        if (c.windowBytes == 0) {
            EXPECT_TRUE(std::isnan(fill)) << c.role;
            continue;
        }
        const double windowCopyMs = result.copyMs * static_cast<double>(c.windowBytes) / static_cast<double>(frame);
        EXPECT_NEAR(6.0 / windowCopyMs, fill, 1e-9) << c.role << " " << c.captureWidth << "x" << c.captureHeight
                                                    << " at resolution " << c.resolution;
        worker.perUnitMs = stats::kMissing;
        EXPECT_TRUE(std::isnan(result.FillWindowCopies(worker))) << c.role << ": no per-sample figure";
    }
}
