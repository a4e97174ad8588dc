#include "tools/lumoracap/CommandLine.h"

#include <algorithm>

#include "tools/lumoracap/PixelFormatNames.h"
#include "tools/lumoracap/StandardControlNames.h"
#include "tools/lumoracap/Text.h"

namespace {

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

// vcam's one argument: what to do with the virtual camera.
bool ParseVcamArguments(const std::vector<std::wstring>& args, Options* options, std::string* error)
{
    const struct {
        const wchar_t* name;
        VcamAction action;
    } actions[] = {
        {L"register", VcamAction::Register},
        {L"unregister", VcamAction::Unregister},
        {L"status", VcamAction::Status},
    };
    for (const auto& action : actions) {
        if (args.size() >= 2 && args[1] == action.name) {
            options->vcamAction = action.action;
            return true;
        }
    }
    *error = args.size() < 2 ? "vcam needs what to do: vcam register|unregister|status"
                             : "vcam takes register, unregister or status, not \"" + Utf8(args[1]) + "\"";
    return false;
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


// The commands, in the order the usage lists them.
struct CommandRule {
    const wchar_t* name;
    Command command;
    const char* arguments; // what follows the name, before the options
    const char* help;      // "\n" continues on the next line
};

const CommandRule kCommands[] = {
    {L"devices", Command::Devices, "", "list the video input devices by name"},
    {L"formats", Command::Formats, "", "list the formats of the device's capture pin"},
    {L"capture", Command::Capture, "",
     "capture N seconds into an AVI file, showing progress,\n"
     "and say why frames were lost when they were"},
    {L"snapshot", Command::Snapshot, "", "save one frame as PNG"},
    {L"settings", Command::Settings, "", "open the camera's property pages"},
    {L"controls", Command::Controls, "",
     "list the standard camera controls: range, default,\n"
     "current value and whether the camera sets it itself"},
    {L"set", Command::Set, "NAME VALUE|auto",
     "set one standard control (a name \"controls\" lists,\n"
     "such as brightness, exposure or fliphorizontal)"},
    {L"vcam", Command::Vcam, "register|unregister|status",
     "register the Windows 11 virtual camera that shows\n"
     "Lumora Camera to Media Foundation applications\n"
     "(as administrator), remove it, or say whether\n"
     "this Windows has it"},
};

constexpr unsigned Of(Command command)
{
    return 1u << static_cast<unsigned>(command);
}

// The options: which commands take and need each, how its value is read and
// checked, and its line in the usage. A switch has no value.
struct OptionRule {
    const wchar_t* name;
    const char* value;   // its placeholder ("N", "FILE"), or null for a switch
    unsigned takenBy;    // Of(command) bits
    unsigned neededBy;
    bool (*apply)(const std::wstring& value, Options* options); // false: the value is not valid
    const char* takes;   // what a refused value is told ("takes ... , not \"x\"")
    const char* help;    // "\n" continues on the next line
};

const OptionRule kOptions[] = {
    {L"--device", "NAME",
     Of(Command::Formats) | Of(Command::Capture) | Of(Command::Snapshot) | Of(Command::Settings) |
         Of(Command::Controls) | Of(Command::Set),
     0, [](const std::wstring& value, Options* options) { options->device = value; return true; }, "",
     "the video input device to use (default \"Lumora Camera\")"},
    {L"--seconds", "N", Of(Command::Capture), Of(Command::Capture),
     [](const std::wstring& value, Options* options) { return ParseSeconds(value, &options->seconds); },
     "takes a whole number of seconds from 1 to 3600", "the seconds to capture, 1 to 3600"},
    {L"--out", "FILE", Of(Command::Capture) | Of(Command::Snapshot), Of(Command::Capture) | Of(Command::Snapshot),
     [](const std::wstring& value, Options* options) { options->out = value; return true; }, "",
     "the file to write, .avi or .png"},
    {L"--preview", nullptr, Of(Command::Capture), 0,
     [](const std::wstring&, Options* options) { options->preview = true; return true; }, "",
     "also show the preview pin in a window"},
    {L"--snapshot", "FILE", Of(Command::Capture), 0,
     [](const std::wstring& value, Options* options) { options->snapshot = value; return true; }, "",
     "also save the last frame as PNG"},
    {L"--size", "WxH", Of(Command::Capture) | Of(Command::Snapshot), 0,
     [](const std::wstring& value, Options* options) {
         return ParseSize(value, &options->width, &options->height);
     },
     "takes the frame's width and height as WxH, such as 3264x2448",
     "the frame size, one the device lists\n(lumoracap formats), such as 3264x2448"},
    {L"--fps", "N", Of(Command::Capture) | Of(Command::Snapshot), 0,
     [](const std::wstring& value, Options* options) {
         return ParseFramesPerSecond(value, &options->framesPerSecond);
     },
     "takes frames per second above 0 and up to 1000, such as 15",
     "frames per second, such as 15 (the Lumora Camera\nruns at 15 or 30 and keeps the one chosen)"},
    {L"--format", "NAME", Of(Command::Capture) | Of(Command::Snapshot), 0,
     [](const std::wstring& value, Options* options) {
         options->formatGiven = ParsePixelFormatName(value, &options->pixelFormat);
         return options->formatGiven;
     },
     "takes rgb24, rgb32, yuy2, nv12, i420 or y800",
     "the pixel format: rgb24 (default), rgb32, yuy2,\nnv12, i420 or y800 (grey)"},
};

// Switches that stand alone, anywhere on the line.
bool IsHelp(const std::wstring& arg)
{
    return arg == L"--help" || arg == L"-h" || arg == L"/?";
}
const char kHelpUsage[] = "show this text";
const char kVersionUsage[] = "show the version of Lumora Camera this program belongs to";

const OptionRule* FindOption(const std::wstring& name)
{
    for (const OptionRule& rule : kOptions) {
        if (name == rule.name) {
            return &rule;
        }
    }
    return nullptr;
}

// "  NAME  help", the help at column 31 and its continuation lines below it.
void AddUsageLine(const std::string& name, const std::string& help, std::string* text)
{
    const size_t kHelpColumn = 31;
    std::string line = "  " + name;
    if (line.size() + 1 > kHelpColumn) {
        *text += line + "\n";
        line.clear();
    }
    line.resize(kHelpColumn, ' ');
    for (char c : help) {
        line += c;
        if (c == '\n') {
            line += std::string(kHelpColumn, ' ');
        }
    }
    *text += line + "\n";
}

// "capture, snapshot", or "every command but devices" for most of them.
std::string CommandsOf(unsigned bits)
{
    std::string taking;
    std::string others;
    int count = 0;
    for (const CommandRule& rule : kCommands) {
        std::string& list = (bits & Of(rule.command)) ? taking : others;
        list += (list.empty() ? "" : ", ") + Utf8(rule.name);
        count += (bits & Of(rule.command)) ? 1 : 0;
    }
    return count * 2 > static_cast<int>(sizeof(kCommands) / sizeof(kCommands[0])) ? "every command but " + others
                                                                                   : taking;
}

std::string BuildUsageText()
{
    std::string text = "Usage: lumoracap <command> [options]\n\nCommands:\n";
    for (const CommandRule& command : kCommands) {
        std::string synopsis = Utf8(command.name);
        if (*command.arguments) {
            synopsis += std::string(" ") + command.arguments;
        }
        for (const OptionRule& option : kOptions) {
            if (option.neededBy & Of(command.command)) {
                synopsis += " " + Utf8(option.name) + " " + option.value;
            }
        }
        AddUsageLine(synopsis, command.help, &text);
    }
    text += "\nOptions:\n";
    for (const OptionRule& option : kOptions) {
        const std::string name = Utf8(option.name) + (option.value ? std::string(" ") + option.value : "");
        // The commands that take it after the help, on its last line when
        // that stays within 80 columns.
        const std::string help = option.help;
        const std::string commands =
            "(" + CommandsOf(option.takenBy) + (option.neededBy ? "; needed" : "") + ")";
        const size_t lastLine = help.size() - (help.rfind('\n') == std::string::npos ? 0 : help.rfind('\n') + 1);
        AddUsageLine(name, help + (31 + lastLine + 1 + commands.size() <= 80 ? " " : "\n") + commands, &text);
    }
    AddUsageLine("--help", kHelpUsage, &text);
    AddUsageLine("--version", kVersionUsage, &text);
    text += "\n"
            "Exit codes: 0 success, 1 failure, 2 bad command line, 3 device not registered,\n"
            "            4 camera did not start, 5 file could not be written,\n"
            "            6 no virtual camera on this Windows (needs Windows 11),\n"
            "            7 administrator rights needed.\n";
    return text;
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
    for (const CommandRule& rule : kCommands) {
        if (args[0] == rule.name) {
            options->command = rule.command;
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
    if (options->command == Command::Vcam) {
        if (!ParseVcamArguments(args, options, error)) {
            return false;
        }
        firstOption = 2;
    }
    const std::string command = Utf8(args[0]);
    std::vector<const OptionRule*> given;
    for (size_t i = firstOption; i < args.size(); ++i) {
        const std::wstring& name = args[i];
        const OptionRule* option = FindOption(name);
        if (!option) {
            *error = name.compare(0, 2, L"--") == 0 ? "unknown option " + Utf8(name)
                                                     : "unexpected argument \"" + Utf8(name) + "\"";
            return false;
        }
        if (!(option->takenBy & Of(options->command))) {
            *error = Utf8(name) + " is not an option of " + command;
            return false;
        }
        std::wstring value;
        if (option->value) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                *error = Utf8(name) + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (!option->apply(value, options)) {
            *error = Utf8(name) + " " + option->takes + ", not \"" + Utf8(value) + "\"";
            return false;
        }
        given.push_back(option);
    }
    for (const OptionRule& option : kOptions) {
        if ((option.neededBy & Of(options->command)) &&
            std::find(given.begin(), given.end(), &option) == given.end()) {
            *error = command + " needs " + Utf8(option.name) + " " + option.value;
            return false;
        }
    }
    return true;
}

const char* UsageText()
{
    static const std::string text = BuildUsageText();
    return text.c_str();
}
