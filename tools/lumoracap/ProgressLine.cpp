#include "tools/lumoracap/ProgressLine.h"

#include <cstdio>

void ProgressLine::Print(double seconds, long frames, long dropped, long unwritten)
{
    // "   3.2 s      96 frames   30.0 fps     0 dropped     0 unwritten".
    // Unwritten frames reached the program but found the write queue full.
    char line[112];
    std::snprintf(line, sizeof(line), "  %6.1f s  %6ld frames  %5.1f fps  %4ld dropped  %4ld unwritten", seconds,
                  frames, seconds > 0 ? frames / seconds : 0.0, dropped, unwritten);
    if (console.liveOut) {
        console.out << "\r" << line << " " << std::flush;
    } else if (shownLine != line) { // the final figures may be the last line's
        shownLine = line;
        console.out << line << "\n" << std::flush;
    }
}

void ProgressLine::Update(double seconds, long frames, long dropped, long unwritten)
{
    if (!console.liveOut) {
        const long second = static_cast<long>(seconds);
        if (second <= shownSecond) {
            return;
        }
        shownSecond = second;
    }
    Print(seconds, frames, dropped, unwritten);
}

void ProgressLine::Finish(double seconds, long frames, long dropped, long unwritten)
{
    Print(seconds, frames, dropped, unwritten);
    if (console.liveOut) {
        console.out << "\n";
    }
}
