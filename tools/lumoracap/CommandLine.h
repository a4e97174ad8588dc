// lumoracap's command line: one command, then options. The commands and
// options are declared once, in tables in CommandLine.cpp that drive the
// parsing, the checks of each value and the usage text:
//
//   lumoracap devices | formats | settings | controls
//   lumoracap capture --seconds N --out FILE.avi [--preview] [--snapshot FILE.png]
//   lumoracap snapshot --out FILE.png
//   lumoracap set NAME VALUE|auto
//   lumoracap vcam register|unregister|status
//   lumoracap --help | --version
//
// with --device NAME (every command but devices), --size WxH, --fps N and
// --format rgb24|rgb32|yuy2|nv12|i420|y800 (capture, snapshot).
#pragma once

#include <string>
#include <vector>

#include "camera/PixelFormat.h"

enum class Command { None, Devices, Formats, Capture, Snapshot, Settings, Controls, Set, Vcam };

// What vcam does with the virtual camera.
enum class VcamAction { Status, Register, Unregister };

struct Options {
    Command command = Command::None;
    bool help = false;                        // --help or -h anywhere: print usage, do nothing else
    bool version = false;                     // --version anywhere (without --help): print the version only
    std::wstring device = L"Lumora Camera";   // --device
    int seconds = 0;                          // --seconds (capture), 1 to 3600
    std::wstring out;                         // --out (capture: .avi, snapshot: .png)
    bool preview = false;                     // --preview (capture)
    std::wstring snapshot;                    // --snapshot (capture)
    std::wstring control;                     // set: a name of StandardControlNames.h
    bool controlAuto = false;                 // set: "auto" instead of a value
    long controlValue = 0;                    // set: the value, when not auto
    VcamAction vcamAction = VcamAction::Status; // vcam: its one argument
    int width = 0;                            // --size WxH (capture, snapshot); 0: the pin's own
    int height = 0;
    double framesPerSecond = 0;               // --fps (capture, snapshot); 0: the camera's own
    bool formatGiven = false;                 // --format (capture, snapshot); without it 24-bit RGB
    PixelFormat pixelFormat = PixelFormat::Rgb24;
};

// Parses the arguments after the program name. False with a one-line reason
// in *error when they do not make a complete, valid command.
bool ParseCommandLine(const std::vector<std::wstring>& args, Options* options, std::string* error);

// The usage text printed by --help and after a command line error.
const char* UsageText();
