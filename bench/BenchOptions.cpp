#include "bench/BenchOptions.h"

#include <cctype>
#include <cstdlib>

#include "filter/FormatLadder.h"

namespace {

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// A pixel format of the ladder by its name, in any case.
bool ParseLadderFormat(const std::string& name, PixelFormat* format)
{
    // The ladder's first size lists every format once.
    for (int i = 0; i < kLadderFormatCount; ++i) {
        const PixelFormat candidate = LadderEntryAt(i).format;
        if (Lower(name) == Lower(PixelFormatName(candidate))) {
            *format = candidate;
            return true;
        }
    }
    return false;
}

// "WxH" of a size the ladder lists; *wholeImage says whether it is the
// camera's whole image.
bool ParseLadderSize(const std::string& text, int* width, int* height, bool* wholeImage)
{
    for (int i = 0; i < kLadderEntryCount; i += kLadderFormatCount) {
        const LadderEntry entry = LadderEntryAt(i);
        if (Lower(text) == std::to_string(entry.width) + "x" + std::to_string(entry.height)) {
            *width = entry.width;
            *height = entry.height;
            *wholeImage = entry.wholeImage;
            return true;
        }
    }
    return false;
}

// A whole decimal number within [low, high], nothing else.
bool ParseCount(const std::string& text, int low, int high, int* value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) {
        return false;
    }
    const long parsed = std::strtol(text.c_str(), nullptr, 10);
    if (parsed < low || parsed > high) {
        return false;
    }
    *value = static_cast<int>(parsed);
    return true;
}

} // namespace

bool ParseBenchOptions(const std::vector<std::string>& arguments, BenchOptions* options, std::string* error)
{
    BenchOptions parsed;
    bool wholeImage = false;
    bool graphOption = false; // an option of the filter's graph
    bool resolutionGiven = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--json-only") {
            parsed.jsonOnly = true;
        } else if (argument == "--media-source") {
            parsed.mediaSource = true;
        } else if (argument == "--no-clock") {
            parsed.withClock = false;
            graphOption = true;
        } else if (argument == "--full-size-capture") {
            parsed.fullSizeCapture = true;
            graphOption = true;
        } else if (argument == "--capture-only") {
            parsed.captureOnly = true;
            graphOption = true;
        } else if (argument == "--help" || argument == "-h" || argument == "/?") {
            parsed.help = true;
        } else if (argument == "--seconds" || argument == "--runs") {
            const bool seconds = argument == "--seconds";
            if (i + 1 >= arguments.size()) {
                *error = argument + " needs a value";
                return false;
            }
            const std::string& value = arguments[++i];
            if (!ParseCount(value, 1, seconds ? 3600 : 1000, seconds ? &parsed.seconds : &parsed.runs)) {
                *error = argument + (seconds ? " takes a whole number of seconds from 1 to 3600, not '"
                                             : " takes a whole number from 1 to 1000, not '") +
                         value + "'";
                return false;
            }
        } else if (argument == "--resolution") {
            if (i + 1 >= arguments.size()) {
                *error = argument + " needs a value";
                return false;
            }
            const std::string& value = arguments[++i];
            if (!ParseCount(value, 0, 2, &parsed.resolution)) {
                *error = argument + " takes a resolution index 0, 1 or 2, not '" + value + "'";
                return false;
            }
            resolutionGiven = true;
        } else if (argument == "--format" || argument == "--size") {
            if (i + 1 >= arguments.size()) {
                *error = argument + " needs a value";
                return false;
            }
            const std::string& value = arguments[++i];
            const bool parsedValue = argument == "--format"
                                         ? ParseLadderFormat(value, &parsed.format)
                                         : ParseLadderSize(value, &parsed.width, &parsed.height, &wholeImage);
            if (!parsedValue) {
                *error = argument == "--format"
                             ? "--format takes rgb24, rgb32, yuy2, nv12, i420 or y800, not '" + value + "'"
                             : "--size takes a size the pins list (3032x2016, 3264x2448, 1920x1080, 1280x720, "
                               "640x480), not '" + value + "'";
                return false;
            }
            parsed.ladderEntry = true;
        } else {
            *error = "unknown option '" + argument + "'";
            return false;
        }
    }
    if (parsed.mediaSource && (graphOption || resolutionGiven || parsed.ladderEntry)) {
        *error = "--media-source goes only with --seconds, --runs and --json-only (it reads NV12 1280 x 720)";
        return false;
    }
    if (parsed.fullSizeCapture && parsed.resolution != 0) {
        *error = "--full-size-capture needs resolution index 0: the binned read-outs deliver only 3032 x 2016";
        return false;
    }
    if (parsed.fullSizeCapture && parsed.ladderEntry) {
        *error = "--full-size-capture does not go with --format or --size (--size 3264x2448 sets every pin)";
        return false;
    }
    if (wholeImage && parsed.resolution != 0) {
        *error = "--size 3264x2448 needs resolution index 0: the binned read-outs deliver only 3032 x 2016";
        return false;
    }
    *options = parsed;
    return true;
}

const char* BenchUsage()
{
    return "usage: lumorabench [--seconds N] [--runs N] [--json-only] [--no-clock] [--resolution N]\n"
           "                   [--full-size-capture] [--capture-only] [--format NAME] [--size WxH]\n"
           "  --seconds N        measured window of each run (default 10)\n"
           "  --runs N           number of runs, each with a new graph (default 1)\n"
           "  --json-only        print only the JSON line of each run\n"
           "  --no-clock         diagnostic: run the graph without a reference clock\n"
           "  --resolution N     the camera's resolution index: 0 the whole sensor cropped to\n"
           "                     3032 x 2016 (default), 1 or 2 a binned 3032 x 2016 read-out\n"
           "  --full-size-capture\n"
           "                     the capture pin delivers the whole 3264 x 2448 image, beside\n"
           "                     the 3032 x 2016 preview pin (resolution index 0 only)\n"
           "  --capture-only     only the capture pin is connected; at a size the camera\n"
           "                     delivers uncut the camera fills its samples directly\n"
           "  --format NAME      the pins' pixel format: rgb24 (default), rgb32, yuy2, nv12,\n"
           "                     i420 or y800, set through IAMStreamConfig before they connect\n"
           "  --size WxH         the pins' frame size: 3032x2016 (default), 3264x2448 (resolution\n"
           "                     index 0 only), 1920x1080, 1280x720 or 640x480\n"
           "  --media-source     the Media Foundation source read as NV12 1280 x 720 through the\n"
           "                     source reader (with --seconds, --runs and --json-only only)\n";
}
