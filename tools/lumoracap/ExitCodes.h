// Exit codes of lumoracap: 0 for success, a distinct non-zero code for each
// way a command can fail, so that scripts can tell them apart.
#pragma once

enum ExitCode {
    kExitSuccess = 0,
    kExitFailure = 1,        // the graph could not be built or run (anything else)
    kExitUsage = 2,          // the command line was not understood
    kExitNoDevice = 3,       // no video input device of the chosen name is registered
    kExitCameraFailed = 4,   // the camera did not start, or delivered no frame
    kExitFileFailed = 5,     // an output file could not be written
    kExitNotSupported = 6,   // vcam: this Windows has no virtual camera API (before Windows 11, build 22000)
    kExitAccessDenied = 7,   // vcam: the system refused: administrator rights are needed
};
