#include "tools/lumoracap/CommandLine.h"

#include "tools/lumoracap/StandardControlNames.h"
#include "tools/lumoracap/Text.h"

namespace {

struct CommandName {
    const wchar_t* name;
    Command command;
};

const CommandName kCommands[] = {
    {L"devices", Command::Devices},   {L"formats", Command::Formats},   {L"capture", Command::Capture},
    {L"snapshot", Command::Snapshot}, {L"settings", Command::Settings}, {L"controls", Command::Controls},
    {L"set", Command::Set},
};

// The options each command takes (besides --help).
bool Accepts(Command command, const std::wstring& option)
{
    switch (command) {
    case Command::Devices:
        return false;
    case Command::Formats:
    case Command::Settings:
    case Command::Controls:
    case Command::Set:
        return option == L"--device";
    case Command::Snapshot:
        return option == L"--device" || option == L"--out" || option == L"--size" || option == L"--fps";
    case Command::Capture:
        return option == L"--device" || option == L"--out" || option == L"--seconds" || option == L"--preview" ||
               option == L"--snapshot" || option == L"--size" || option == L"--fps";
    case Command::None:
        break;
    }
    return false;
}

bool IsHelp(const std::wstring& arg)
{
    return arg == L"--help" || arg == L"-h" || arg == L"/?";
}

bool TakesValue(const std::wstring& option)
{
    return option == L"--device" || option == L"--seconds" || option == L"--out" || option == L"--snapshot" ||
           option == L"--size" || option == L"--fps";
}

bool IsKnownOption(const std::wstring& option)
{
    return TakesValue(option) || option == L"--preview";
}

// A whole number from 1 to 3600, nothing else.
bool ParseSeconds(const std::wstring& text, int* seconds)
{
    if (text.empty() || text.size() > 4) {
        return false;
    }
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        value = value * 10 + (c - L'0');
    }
    if (value < 1 || value > 3600) {
        return false;
    }
    *seconds = value;
    return true;
}

// "auto" (any case), or a whole number with an optional sign that fits in 32 bits.
bool ParseControlValue(const std::wstring& text, Options* options)
{
    std::wstring lower;
    for (wchar_t c : text) {
        lower += static_cast<wchar_t>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c);
    }
    if (lower == L"auto") {
        options->controlAuto = true;
        return true;
    }
    size_t at = text[0] == L'-' || text[0] == L'+' ? 1 : 0;
    if (at == text.size() || text.size() - at > 10) {
        return false;
    }
    long long value = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < L'0' || text[at] > L'9') {
            return false;
        }
        value = value * 10 + (text[at] - L'0');
    }
    value = text[0] == L'-' ? -value : value;
    if (value < -2147483647LL - 1 || value > 2147483647LL) {
        return false;
    }
    options->controlValue = static_cast<long>(value);
    return true;
}

// The names "set" takes, for its error message.
std::string ControlNameList()
{
    std::string names;
    for (int i = 0; i < kStandardControlNameCount; ++i) {
        names += (i ? ", " : "") + std::string(kStandardControlNames[i].name);
    }
    return names;
}

// set's NAME and VALUE, the two arguments after the command; false with the
// reason in *error.
bool ParseSetArguments(const std::vector<std::wstring>& args, Options* options, std::string* error)
{
    if (args.size() < 3 || args[1].compare(0, 2, L"--") == 0 || args[2].compare(0, 2, L"--") == 0 ||
        args[1].empty() || args[2].empty()) {
        *error = "set needs a control and a value: set NAME VALUE|auto";
        return false;
    }
    if (!FindStandardControlName(args[1])) {
        *error = "unknown control \"" + Utf8(args[1]) + "\" (one of " + ControlNameList() + ")";
        return false;
    }
    options->control = args[1];
    if (!ParseControlValue(args[2], options)) {
        *error = "set takes a whole number or \"auto\" as the value, not \"" + Utf8(args[2]) + "\"";
        return false;
    }
    return true;
}

// A whole number of at most digits digits, nothing else; false for none.
bool ParseWhole(const std::wstring& text, size_t digits, long* value)
{
    if (text.empty() || text.size() > digits) {
        return false;
    }
    long parsed = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        parsed = parsed * 10 + (c - L'0');
    }
    *value = parsed;
    return true;
}

// "WxH" (or "WXH"), each from 1 to 65535.
bool ParseSize(const std::wstring& text, int* width, int* height)
{
    const size_t x = text.find_first_of(L"xX");
    long w = 0;
    long h = 0;
    if (x == std::wstring::npos || !ParseWhole(text.substr(0, x), 5, &w) || !ParseWhole(text.substr(x + 1), 5, &h) ||
        w < 1 || w > 65535 || h < 1 || h > 65535) {
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

// A number of frames per second above 0 and at most 1000, with at most three
// decimals ("15", "29.97").
bool ParseFramesPerSecond(const std::wstring& text, double* framesPerSecond)
{
    const size_t point = text.find(L'.');
    long whole = 0;
    long fraction = 0;
    const std::wstring decimals = point == std::wstring::npos ? std::wstring() : text.substr(point + 1);
    if (!ParseWhole(text.substr(0, point), 4, &whole) ||
        (point != std::wstring::npos && !ParseWhole(decimals, 3, &fraction))) {
        return false;
    }
    double scale = 1;
    for (size_t i = 0; i < decimals.size(); ++i) {
        scale *= 10;
    }
    const double value = whole + fraction / scale;
    if (value <= 0 || value > 1000) {
        return false;
    }
    *framesPerSecond = value;
    return true;
}

} // namespace

bool ParseCommandLine(const std::vector<std::wstring>& args, Options* options, std::string* error)
{
    *options = Options();
    for (const std::wstring& arg : args) {
        if (IsHelp(arg)) {
            options->help = true;
            return true;
        }
    }
    for (const std::wstring& arg : args) {
        if (arg == L"--version") {
            options->version = true;
            return true;
        }
    }
    if (args.empty()) {
        *error = "no command given";
        return false;
    }
    for (const CommandName& entry : kCommands) {
        if (args[0] == entry.name) {
            options->command = entry.command;
        }
    }
    if (options->command == Command::None) {
        *error = "unknown command \"" + Utf8(args[0]) + "\"";
        return false;
    }

    size_t firstOption = 1;
    if (options->command == Command::Set) {
        if (!ParseSetArguments(args, options, error)) {
            return false;
        }
        firstOption = 3;
    }
    for (size_t i = firstOption; i < args.size(); ++i) {
        const std::wstring& option = args[i];
        if (!IsKnownOption(option)) {
            *error = option.compare(0, 2, L"--") == 0 ? "unknown option " + Utf8(option)
                                                       : "unexpected argument \"" + Utf8(option) + "\"";
            return false;
        }
        if (!Accepts(options->command, option)) {
            *error = Utf8(option) + " is not an option of " + Utf8(args[0]);
            return false;
        }
        if (!TakesValue(option)) {
            options->preview = true;
            continue;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            *error = Utf8(option) + " needs a value";
            return false;
        }
        const std::wstring& value = args[++i];
        if (option == L"--device") {
            options->device = value;
        } else if (option == L"--out") {
            options->out = value;
        } else if (option == L"--snapshot") {
            options->snapshot = value;
        } else if (option == L"--size") {
            if (!ParseSize(value, &options->width, &options->height)) {
                *error = "--size takes the frame's width and height as WxH, such as 3264x2448, not \"" +
                         Utf8(value) + "\"";
                return false;
            }
        } else if (option == L"--fps") {
            if (!ParseFramesPerSecond(value, &options->framesPerSecond)) {
                *error = "--fps takes frames per second above 0 and up to 1000, such as 15, not \"" + Utf8(value) +
                         "\"";
                return false;
            }
        } else if (!ParseSeconds(value, &options->seconds)) {
            *error = "--seconds takes a whole number of seconds from 1 to 3600, not \"" + Utf8(value) + "\"";
            return false;
        }
    }

    if (options->command == Command::Capture && options->seconds == 0) {
        *error = "capture needs --seconds N";
        return false;
    }
    if ((options->command == Command::Capture || options->command == Command::Snapshot) && options->out.empty()) {
        *error = Utf8(args[0]) + " needs --out FILE";
        return false;
    }
    return true;
}

const char* UsageText()
{
    return "Usage: lumoracap <command> [options]\n"
           "\n"
           "Commands:\n"
           "  devices                      list the video input devices by name\n"
           "  formats                      list the formats of the device's capture pin\n"
           "  capture --seconds N --out FILE.avi [--preview] [--snapshot FILE.png]\n"
           "                               capture N seconds into an AVI file, showing progress;\n"
           "                               --preview shows the preview pin in a window,\n"
           "                               --snapshot also saves the last frame as PNG\n"
           "  snapshot --out FILE.png      save one frame as PNG\n"
           "  settings                     open the camera's property pages\n"
           "  controls                     list the standard camera controls: range, default,\n"
           "                               current value and whether the camera sets it itself\n"
           "  set NAME VALUE|auto          set one standard control (a name \"controls\" lists,\n"
           "                               such as brightness, exposure or fliphorizontal)\n"
           "\n"
           "Options:\n"
           "  --device NAME                the video input device to use (default \"Lumora Camera\")\n"
           "  --size WxH                   capture, snapshot: the frame size, one the device lists\n"
           "                               (lumoracap formats), such as 3264x2448\n"
           "  --fps N                      capture, snapshot: frames per second, such as 15 (the Lumora\n"
           "                               Camera runs at 15 or 30 and keeps the one chosen)\n"
           "  --help                       show this text\n"
           "  --version                    show the version of Lumora Camera this program belongs to\n"
           "\n"
           "Exit codes: 0 success, 1 failure, 2 bad command line, 3 device not registered,\n"
           "            4 camera did not start, 5 file could not be written.\n";
}
