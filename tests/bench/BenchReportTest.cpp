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
    result.preview.latencyMedianMs = 5;
    result.preview.latencyP99Ms = 12;
    result.copyMs = 1.5;
    result.hotCopyMs = 0.75;
    result.delivered = 600;
    result.requiredCopies = 2.15;
    result.cpuMsPerFrame = 3.5;
    result.cpuToCopiesRatio = 3.5 / (2.15 * 1.5);
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
    result.cpuToCopiesRatio = 1.3;
    result.preview.latencyP99Ms = 33;
    result.preview.firstStampedMs = 200;
    result.peakWorkingSet = result.memoryBudget;
    // The preview path's copies: the whole image, the crop and the pin's copy.
    EXPECT_NEAR(3.3072, PreviewPathCopies(), 1e-4);
    result.preview.latencyMedianMs = 1.5 * PreviewPathCopies() * result.copyMs;
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
    EXPECT_FALSE(Met(silent, "preview_first_stamped"));
    EXPECT_FALSE(Met(silent, "preview_latency_median"));
    EXPECT_FALSE(Met(silent, "preview_latency_p99"));
    EXPECT_FALSE(Met(silent, "cpu_ratio"));
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

    // Read back by a JSON parser nobody here wrote.
    const std::string path = testenv::TempPath("run.json");
    std::ofstream(path) << line;
    std::string output;
    const int status = testenv::RunUnixCommand(
        "command -v python3 >/dev/null || exit 77; python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); "
        "print(d[\"pins\"][\"preview\"][\"fps\"], d[\"targets\"][\"all\"], d[\"peak_working_set\"], "
        "d[\"pins\"][\"preview\"][\"gap_median_ms\"], d[\"thread_cpu_ms\"][\"preview_worker\"], "
        "d[\"memcpy_ms\"], d[\"memcpy_hot_ms\"])' '" +
            testenv::UnixPath(path) + "'",
        &output);
    if (status == 77) {
        GTEST_SKIP() << "python3 is not installed";
    }
    ASSERT_EQ(0, status) << output << "\n" << line;
    EXPECT_EQ("30.0 True 157286400 None 450.0 1.5 0.75\n", output);
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
