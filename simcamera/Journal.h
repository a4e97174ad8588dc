// The journal of SDK calls: one line per call, "Name(arg,arg)\n", arguments in
// decimal in call order, oldest first. Bounded: beyond kMaxLines the oldest
// lines are dropped. Safe to use from any thread (its own lock, taken last).
#pragma once

#include <initializer_list>
#include <string>
#include <deque>

#include "win/ReaderWriterLock.h"

class Journal {
public:
    static constexpr size_t kMaxLines = 4096;

    void Record(const char* name, std::initializer_list<long long> arguments);
    // As SimReadJournal: copies at most capacity bytes including the NUL and
    // returns the size the whole journal needs, NUL included.
    int Read(char* buffer, int capacity);
    void Clear();

private:
    win::ReaderWriterLock m_lock;
    std::deque<std::string> m_lines;
};

// The process's journal.
Journal& TheJournal();
