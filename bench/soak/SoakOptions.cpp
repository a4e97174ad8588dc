#include "bench/soak/SoakOptions.h"

#include <cmath>
#include <cstdlib>

namespace {

// A plain decimal number (digits, at most one point) within [low, high].
bool ParseDecimal(const std::string& text, double low, double high, double* value)
{
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789.") != std::string::npos ||
        text.find('.') != text.rfind('.') || text == ".") {
        return false;
    }
    const double parsed = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(parsed) || parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

} // namespace

bool ParseSoakOptions(const std::vector<std::string>& arguments, SoakOptions* options, std::string* error)
{
    SoakOptions parsed;
    bool minutesGiven = false;
    bool creationsGiven = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--json-only") {
            parsed.jsonOnly = true;
        } else if (argument == "--help" || argument == "-h" || argument == "/?") {
            parsed.help = true;
        } else if (argument == "--media-source") {
            parsed.mediaSource = true;
        } else if (argument == "--cycles" || argument == "--minutes" || argument == "--creations") {
            const bool cycles = argument != "--minutes";
            if (i + 1 >= arguments.size()) {
                *error = argument + " needs a value";
                return false;
            }
            const std::string& value = arguments[++i];
            double number = 0;
            const bool whole = !cycles || value.find('.') == std::string::npos;
            if (!whole || !ParseDecimal(value, 0, cycles ? 100000 : 600, &number)) {
                *error = argument + (cycles ? " takes a whole number from 0 to 100000, not '"
                                            : " takes a number of minutes from 0 to 600, not '") +
                         value + "'";
                return false;
            }
            if (argument == "--cycles") {
                parsed.cycles = static_cast<int>(number);
            } else if (argument == "--creations") {
                parsed.creations = static_cast<int>(number);
                creationsGiven = true;
            } else {
                parsed.minutes = number;
                minutesGiven = true;
            }
        } else {
            *error = "unknown option '" + argument + "'";
            return false;
        }
    }
    if (parsed.mediaSource && minutesGiven) {
        *error = "--minutes does not go with --media-source (the source's phases are cycles)";
        return false;
    }
    if (!parsed.mediaSource && creationsGiven) {
        *error = "--creations needs --media-source";
        return false;
    }
    *options = parsed;
    return true;
}

const char* SoakUsage()
{
    return "usage: lumorasoak [--cycles N] [--minutes M] [--json-only]\n"
           "       lumorasoak --media-source [--cycles N] [--creations N] [--json-only]\n"
           "  --cycles N         Pause/Run/Stop cycles with both pins connected (default 1000)\n"
           "  --minutes M        minutes of both pins streaming (default 10; 0.1 is allowed)\n"
           "  --json-only        print only the JSON line\n"
           "  --media-source     the Media Foundation source: --cycles Start/Stop cycles (default\n"
           "                     1000), --creations N create/shutdown cycles (default 200)\n";
}
