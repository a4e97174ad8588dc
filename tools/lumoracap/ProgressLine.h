// The progress of a capture on console.out: on a console window one line
// that rewrites itself ("\r"), elsewhere (a file, a pipe, a log) a plain line
// about once a second, so that captured output reads line by line.
#pragma once

#include <string>

#include "tools/lumoracap/Lumoracap.h"

class ProgressLine {
public:
    explicit ProgressLine(Console& console) : console(console) {}
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // The figures so far: rewritten in place on a console; elsewhere a line
    // once the next whole second has passed.
    void Update(double seconds, long frames, long dropped, long unwritten);
    // The final figures, always shown, and the line ended.
    void Finish(double seconds, long frames, long dropped, long unwritten);

private:
    void Print(double seconds, long frames, long dropped, long unwritten);

    Console& console;
    long shownSecond = 0;  // the last whole second a plain line was printed for
    std::string shownLine; // and that line
};
