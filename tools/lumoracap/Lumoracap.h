// lumoracap: a small command-line capture application for video input
// devices, "Lumora Camera" first among them. RunLumoracap is the whole
// program; main() only hands it the command line and the console.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Where a command writes: out for results and progress, err for messages
// about failures.
struct Console {
    std::ostream& out;
    std::ostream& err;
};

// Runs the command given by args (the arguments after the program name) on
// the calling thread, which it initialises for COM (single-threaded
// apartment; a thread already in another apartment keeps it). Returns the
// process exit code (ExitCodes.h).
int RunLumoracap(const std::vector<std::wstring>& args, Console& console);
