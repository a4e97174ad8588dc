#include <gtest/gtest.h>

#include "bench/BenchOptions.h"

TEST(BenchOptions, DefaultsAndEveryOption)
{
    BenchOptions options;
    std::string error;
    ASSERT_TRUE(ParseBenchOptions({}, &options, &error));
    EXPECT_EQ(10, options.seconds);
    EXPECT_EQ(1, options.runs);
    EXPECT_FALSE(options.jsonOnly);
    EXPECT_TRUE(options.withClock);
    EXPECT_FALSE(options.fullSizeCapture);
    EXPECT_FALSE(options.captureOnly);
    EXPECT_EQ(0, options.resolution);

    ASSERT_TRUE(ParseBenchOptions({"--runs", "3", "--json-only", "--seconds", "2", "--no-clock", "--full-size-capture",
                                   "--resolution", "0", "--capture-only"},
                                  &options, &error))
        << error;
    EXPECT_EQ(2, options.seconds);
    EXPECT_EQ(3, options.runs);
    EXPECT_TRUE(options.jsonOnly);
    EXPECT_FALSE(options.withClock);
    EXPECT_TRUE(options.fullSizeCapture);
    EXPECT_TRUE(options.captureOnly);
    EXPECT_EQ(0, options.resolution);

    // A ladder entry, by name in any case; either option alone keeps the
    // pins' own value for the other.
    const struct {
        std::vector<std::string> arguments;
        PixelFormat format;
        int width, height;
    } entries[] = {
        {{"--format", "nv12", "--size", "1280x720"}, PixelFormat::Nv12, 1280, 720},
        {{"--size", "640X480", "--format", "I420"}, PixelFormat::I420, 640, 480},
        {{"--format", "Y800"}, PixelFormat::Y800, 3032, 2016},
        {{"--size", "3264x2448"}, PixelFormat::Rgb24, 3264, 2448},
        {{"--format", "rgb32", "--capture-only"}, PixelFormat::Rgb32, 3032, 2016},
    };
    for (const auto& entry : entries) {
        ASSERT_TRUE(ParseBenchOptions(entry.arguments, &options, &error)) << entry.arguments[1] << ": " << error;
        EXPECT_TRUE(options.ladderEntry);
        EXPECT_EQ(entry.format, options.format) << entry.arguments[1];
        EXPECT_EQ(entry.width, options.width) << entry.arguments[1];
        EXPECT_EQ(entry.height, options.height) << entry.arguments[1];
    }
    ASSERT_TRUE(ParseBenchOptions({"--resolution", "1"}, &options, &error));
    EXPECT_FALSE(options.ladderEntry);

    for (int resolution : {1, 2}) {
        ASSERT_TRUE(ParseBenchOptions({"--resolution", std::to_string(resolution), "--seconds", "5"}, &options, &error))
            << error;
        EXPECT_EQ(resolution, options.resolution);
        EXPECT_EQ(5, options.seconds);
    }
}

TEST(BenchOptions, RefusesBadInputAndKeepsThePreviousOptions)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--seconds"},         {"--seconds", "0"},    {"--seconds", "-5"},  {"--seconds", "3601"},
        {"--seconds", "10s"},  {"--seconds", ""},     {"--runs", "1001"},   {"--runs", "x"},
        {"--seconds", "99999999999"}, {"--frames"},   {"10"},
        {"--resolution"},      {"--resolution", "3"}, {"--resolution", "-1"}, {"--resolution", "1.0"},
        {"--resolution", "x"},
        // The binned read-outs have no image larger than the frame, in
        // either order.
        {"--resolution", "1", "--full-size-capture"}, {"--full-size-capture", "--resolution", "2"},
        // Only what the ladder lists; the whole image only from the whole
        // sensor; the full-size capture is an entry of its own.
        {"--format"}, {"--format", "mjpg"}, {"--format", "iyuv2"}, {"--size", "1024x768"}, {"--size", "1280x"},
        {"--size", "1280x720x"}, {"--size", "3264x2448", "--resolution", "1"},
        {"--format", "nv12", "--full-size-capture"}, {"--full-size-capture", "--size", "3264x2448"},
        // The media source is read as NV12 1280 x 720 without a graph.
        {"--media-source", "--capture-only"}, {"--no-clock", "--media-source"}, {"--media-source", "--resolution", "0"},
        {"--media-source", "--format", "nv12"},
    };
    for (const auto& arguments : bad) {
        BenchOptions options;
        options.seconds = 7;
        std::string error;
        EXPECT_FALSE(ParseBenchOptions(arguments, &options, &error)) << arguments[0];
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(7, options.seconds) << "a refused command line changes nothing";
    }
    BenchOptions options;
    std::string error;
    EXPECT_TRUE(ParseBenchOptions({"--seconds", "3600", "--runs", "1000"}, &options, &error));
    EXPECT_EQ(3600, options.seconds);
    EXPECT_EQ(1000, options.runs);
    EXPECT_FALSE(options.mediaSource);
    EXPECT_TRUE(ParseBenchOptions({"--runs", "2", "--media-source", "--json-only"}, &options, &error)) << error;
    EXPECT_TRUE(options.mediaSource);
}
