// Runs the Linux tools that check this driver's output (ffprobe, ImageMagick) from a test program on Wine.
#pragma once

#include <string>

namespace testenv {

// The Linux path of a Windows path (through Wine's own mapping); empty when there is none.
std::string UnixPath(const std::string& windowsPath);

// Runs a /bin/sh command line on the Linux side, capturing its output and error: its exit status, or -1 when it did
// not finish within timeoutMs (or could not start).
int RunUnixCommand(const std::string& command, std::string* output, unsigned timeoutMs = 120000);

// What ffprobe reports about the first video stream of a file.
struct VideoProbe {
    bool ok = false;        // ffprobe read the file
    std::string format;     // container, for example "avi"
    std::string codec;      // for example "rawvideo"
    std::string pixFmt;     // for example "bgr24"
    int width = 0, height = 0;
    long frames = -1;       // frames actually decoded (-count_frames)
    double duration = -1;   // container duration in seconds
    std::string report;     // ffprobe's whole output, for failure messages
};

VideoProbe Ffprobe(const std::string& windowsPath);

} // namespace testenv
