#include "simcamera/Journal.h"

#include <cstring>
#include <new>

namespace {
Journal journal;
} // namespace

Journal& TheJournal()
{
    return journal;
}

void Journal::Record(const char* name, std::initializer_list<long long> arguments)
{
    try {
        std::string line = name;
        line += '(';
        bool first = true;
        for (long long argument : arguments) {
            if (!first) {
                line += ',';
            }
            line += std::to_string(argument);
            first = false;
        }
        line += ")\n";

        win::ExclusiveGuard guard(m_lock);
        if (m_lines.size() >= kMaxLines) {
            m_lines.pop_front();
        }
        m_lines.push_back(std::move(line));
    } catch (const std::bad_alloc&) {
        // Out of memory: the line is lost; the call itself goes on.
    }
}

int Journal::Read(char* buffer, int capacity)
{
    win::ExclusiveGuard guard(m_lock);
    size_t needed = 1;
    for (const std::string& line : m_lines) {
        needed += line.size();
    }
    if (buffer && capacity > 0) {
        size_t written = 0;
        const size_t room = static_cast<size_t>(capacity) - 1;
        for (const std::string& line : m_lines) {
            if (written == room) {
                break;
            }
            const size_t part = line.size() < room - written ? line.size() : room - written;
            std::memcpy(buffer + written, line.data(), part);
            written += part;
        }
        buffer[written] = '\0';
    }
    return static_cast<int>(needed);
}

void Journal::Clear()
{
    win::ExclusiveGuard guard(m_lock);
    m_lines.clear();
}
