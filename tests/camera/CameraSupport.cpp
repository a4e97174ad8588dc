#include "tests/camera/CameraSupport.h"

#include <cstring>

namespace cameratest {

std::vector<std::string> JournalLines()
{
    std::string text(static_cast<size_t>(SimReadJournal(nullptr, 0)) + 1, '\0');
    SimReadJournal(&text[0], static_cast<int>(text.size()));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

SimStamp StampOf(const Bytes& frame, int width, int height)
{
    SimStamp stamp = {};
    const size_t offset = SimStampOffset(width, height);
    if (offset + sizeof(stamp) <= frame.size()) {
        std::memcpy(&stamp, frame.data() + offset, sizeof(stamp));
    }
    return stamp;
}

bool IsStamp(const SimStamp& stamp)
{
    return std::memcmp(stamp.magic, "LUMO", 4) == 0;
}

SimCounters Counters()
{
    SimCounters counters = {};
    SimGetCounters(&counters);
    return counters;
}

} // namespace cameratest
