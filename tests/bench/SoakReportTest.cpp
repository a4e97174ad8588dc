// The soak program's command line and its verdicts on the figures it
// gathered: what counts as flat, as lost, and what the JSON line says.
#include <gtest/gtest.h>

#include "bench/soak/SoakOptions.h"
#include "bench/soak/SoakReport.h"

TEST(SoakOptions, DefaultsShortRunsAndRefusals)
{
    SoakOptions options;
    std::string error;
    ASSERT_TRUE(ParseSoakOptions({}, &options, &error));
    EXPECT_EQ(1000, options.cycles);
    EXPECT_EQ(10.0, options.minutes);
    ASSERT_TRUE(ParseSoakOptions({"--cycles", "5", "--minutes", "0.1", "--json-only"}, &options, &error)) << error;
    EXPECT_EQ(5, options.cycles);
    EXPECT_DOUBLE_EQ(0.1, options.minutes);
    EXPECT_TRUE(options.jsonOnly);
    ASSERT_TRUE(ParseSoakOptions({"--cycles", "0", "--minutes", "0"}, &options, &error)) << "a phase left out";
    ASSERT_TRUE(ParseSoakOptions({"--media-source", "--cycles", "5", "--creations", "6"}, &options, &error)) << error;
    EXPECT_TRUE(options.mediaSource);
    EXPECT_EQ(6, options.creations);

    const std::vector<std::vector<std::string>> bad = {
        {"--cycles"}, {"--cycles", "2.5"}, {"--cycles", "-1"}, {"--cycles", "100001"}, {"--minutes", "601"},
        {"--minutes", "1..2"}, {"--minutes", "."}, {"--minutes", "1e3"}, {"--minutes", ""}, {"--seconds", "3"},
        {"--media-source", "--minutes", "1"}, {"--creations", "5"}, {"--media-source", "--creations", "1.5"},
    };
    for (const auto& arguments : bad) {
        SoakOptions kept;
        kept.cycles = 7;
        error.clear();
        EXPECT_FALSE(ParseSoakOptions(arguments, &kept, &error)) << arguments[0];
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(7, kept.cycles) << "a refused command line changed the options";
    }
}

TEST(SoakVerdicts, FlatLostAndTheJsonLine)
{
    // Counts: Wine's runtime may add a couple of handles once; any thread or
    // live object more is a leak.
    const ObjectCounts baseline{100, 10, 4};
    const struct {
        ObjectCounts final;
        bool flat;
    } counts[] = {
        {{100, 10, 4}, true}, {{102, 10, 4}, true}, {{97, 9, 4}, true},
        {{103, 10, 4}, false}, {{100, 11, 4}, false}, {{100, 10, 5}, false},
    };
    for (const auto& each : counts) {
        EXPECT_EQ(each.flat, CountsFlat(baseline, each.final))
            << each.final.handles << " " << each.final.threads << " " << each.final.liveObjects;
    }

    StreamFigures stream;
    stream.produced = 18000;
    stream.skipped = 2;
    stream.capture.missing = 1;
    stream.preview.missing = 3;
    stream.workingSetStart = 200u << 20;
    stream.workingSetEnd = (200u << 20) + 3032u * 2016 * 3; // one frame more: still flat
    EXPECT_EQ(4, FramesLost(stream)) << "frames the camera skipped are already gaps in the pins' sequences";
    EXPECT_TRUE(WorkingSetFlat(stream));
    stream.workingSetEnd += 1;
    EXPECT_FALSE(WorkingSetFlat(stream));

    CycleFigures cycles;
    cycles.cycles = 5;
    cycles.baseline = baseline;
    cycles.final = baseline;
    cycles.error = "Run failed \"quoted\"";
    const std::string json = SoakJsonLine(&cycles, &stream);
    EXPECT_NE(std::string::npos, json.find("\"cycles\":{\"count\":5,")) << json;
    EXPECT_NE(std::string::npos, json.find("\"flat\":true,\"error\":\"Run failed quoted\"}")) << json;
    EXPECT_NE(std::string::npos, json.find("\"lost\":4,")) << json;
    EXPECT_EQ(std::string::npos, SoakJsonLine(nullptr, &stream).find("\"cycles\"")) << "a phase left out";
    EXPECT_EQ('}', json.back());
}
