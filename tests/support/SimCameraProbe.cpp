#include "tests/support/SimCameraProbe.h"

#include <algorithm>
#include <cstring>

namespace testenv {

std::string JournalText()
{
    const int needed = SimReadJournal(nullptr, 0);
    std::string text(static_cast<size_t>(needed > 0 ? needed : 1), '\0');
    SimReadJournal(&text[0], static_cast<int>(text.size()));
    // Up to the terminating NUL: the journal may have shrunk since it was sized.
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::vector<std::string> JournalLines()
{
    const std::string text = JournalText();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::vector<std::string> JournalLinesStartingWith(const std::string& prefix)
{
    std::vector<std::string> lines;
    for (const std::string& line : JournalLines()) {
        if (line.rfind(prefix, 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> JournalLinesBesideFrames()
{
    std::vector<std::string> lines = JournalLines();
    lines.erase(std::remove(lines.begin(), lines.end(), "CameraGetImageSize()"), lines.end());
    return lines;
}

bool Called(const std::string& journal, const std::string& call)
{
    return journal.find(call + "\n") != std::string::npos;
}

std::string Only(const std::string& journal, std::initializer_list<const char*> names)
{
    std::string kept;
    size_t start = 0;
    while (start < journal.size()) {
        size_t end = journal.find('\n', start);
        end = end == std::string::npos ? journal.size() : end + 1;
        const std::string line = journal.substr(start, end - start);
        for (const char* name : names) {
            if (line.compare(0, std::strlen(name), name) == 0 && line[std::strlen(name)] == '(') {
                kept += line;
                break;
            }
        }
        start = end;
    }
    return kept;
}

SimCounters FrameCounters()
{
    SimCounters counters = {};
    SimGetCounters(&counters);
    return counters;
}

SimStamp StampOf(const void* frame, size_t size, int width, int height)
{
    SimStamp stamp = {};
    // The stamp is 16 pixels wide; a narrower frame has no place for it.
    if (!frame || width < 16 || height <= 0) {
        return stamp;
    }
    const size_t offset = SimStampOffset(width, height);
    if (offset <= size && sizeof(stamp) <= size - offset) {
        std::memcpy(&stamp, static_cast<const uint8_t*>(frame) + offset, sizeof(stamp));
    }
    return stamp;
}

SimStamp StampOf(const std::vector<uint8_t>& frame, int width, int height)
{
    return StampOf(frame.data(), frame.size(), width, height);
}

bool IsStamp(const SimStamp& stamp)
{
    return std::memcmp(stamp.magic, "LUMO", 4) == 0;
}

} // namespace testenv
