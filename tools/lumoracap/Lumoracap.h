// lumoracap: a small command-line capture application for video input
// devices, "Lumora Camera" first among them. RunLumoracap is the whole
// program; main() only hands it the command line and the console.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Where a command writes: out for results and progress, err for messages
// about failures. liveOut: out is a console window, where a progress line
// can rewrite itself; otherwise (a file, a pipe) progress comes as plain lines.
struct Console {
    std::ostream& out;
    std::ostream& err;
    bool liveOut = false;
};

// Runs the command given by args (the arguments after the program name) on
// the calling thread, which it initialises for COM (single-threaded
// apartment; a thread already in another apartment keeps it). Returns the
// process exit code (ExitCodes.h).
int RunLumoracap(const std::vector<std::wstring>& args, Console& console);
