// The soak program's command line.
//
//   lumorasoak [--cycles N] [--minutes M] [--json-only]
//   lumorasoak --media-source [--cycles N] [--creations N] [--json-only]
//
//   --cycles N    Pause/Run/Stop cycles of the graph with both pins connected
//                 (default 1000; 0 leaves the phase out)
//   --minutes M   minutes of both pins streaming into sample grabbers
//                 (default 10; a decimal such as 0.1 is allowed; 0 leaves the
//                 phase out)
//   --json-only   print only the JSON line, not the table
//   --media-source
//                 the Media Foundation source instead of the filter
//                 (bench/soak/MediaSourceSoak.h): --cycles counts its
//                 Start/Stop cycles (default 1000), --creations N its
//                 create/shutdown cycles (default 200); --minutes does not
//                 apply
#pragma once

#include <string>
#include <vector>

struct SoakOptions {
    int cycles = 1000;
    double minutes = 10;
    bool jsonOnly = false;
    bool help = false;
    bool mediaSource = false;
    int creations = 200;
};

// Parses the arguments after the program name. False with a message in
// *error for an unknown option, a missing value or a value out of range
// (cycles and creations 0..100000, minutes 0..600), and for --minutes or
// --creations with the other mode.
bool ParseSoakOptions(const std::vector<std::string>& arguments, SoakOptions* options, std::string* error);

// The usage text.
const char* SoakUsage();
