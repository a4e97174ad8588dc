#include "tools/lumoracap/CommandLine.h"

#include "tools/lumoracap/Text.h"

namespace {

struct CommandName {
    const wchar_t* name;
    Command command;
};

const CommandName kCommands[] = {
    {L"devices", Command::Devices},   {L"formats", Command::Formats},   {L"capture", Command::Capture},
    {L"snapshot", Command::Snapshot}, {L"settings", Command::Settings},
};

// The options each command takes (besides --help).
bool Accepts(Command command, const std::wstring& option)
{
    switch (command) {
    case Command::Devices:
        return false;
    case Command::Formats:
    case Command::Settings:
        return option == L"--device";
    case Command::Snapshot:
        return option == L"--device" || option == L"--out";
    case Command::Capture:
        return option == L"--device" || option == L"--out" || option == L"--seconds" || option == L"--preview" ||
               option == L"--snapshot";
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
    return option == L"--device" || option == L"--seconds" || option == L"--out" || option == L"--snapshot";
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

    for (size_t i = 1; i < args.size(); ++i) {
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
           "\n"
           "Options:\n"
           "  --device NAME                the video input device to use (default \"Lumora Camera\")\n"
           "  --help                       show this text\n"
           "  --version                    show the version of Lumora Camera this program belongs to\n"
           "\n"
           "Exit codes: 0 success, 1 failure, 2 bad command line, 3 device not registered,\n"
           "            4 camera did not start, 5 file could not be written.\n";
}
