// Stands a function of the test's own in for a system function the test
// program imports, for as long as the hook lives: every call the program's
// code makes through its import table (the project's libraries are linked
// into it statically) reaches the replacement, which may call Original().
// Calls made inside system DLLs are not seen.
//
// One hook per function at a time; made and destroyed on the test's thread
// while no other thread calls the function.
#pragma once

#include <windows.h>

namespace testenv {

class ImportHook {
public:
    // dll as the program imports it ("KERNEL32.dll", any case).
    ImportHook(const char* dll, const char* function, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    // False when the program does not import the function.
    bool Installed() const { return m_Slot != nullptr; }
    void* Original() const { return m_Original; }

private:
    void** m_Slot = nullptr;
    void* m_Original = nullptr;
};

// A file's identity on its volume, for telling whether two handles or paths
// name the same file; all zero when it cannot be read.
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity& other) const
    {
        return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
    }
};
FileIdentity IdentityOf(HANDLE file);
FileIdentity IdentityOf(const wchar_t* path);

} // namespace testenv

namespace testenv {

// While it lives, watches the program's FlushFileBuffers and MoveFileExW
// calls (from any thread) and counts the moves, and among them the moves of
// a file that had been flushed before it was moved: a file that replaces
// another is on the disk before it takes the other's name. One at a time.
class FlushBeforeMoveWatch {
public:
    FlushBeforeMoveWatch();
    ~FlushBeforeMoveWatch();
    FlushBeforeMoveWatch(const FlushBeforeMoveWatch&) = delete;
    FlushBeforeMoveWatch& operator=(const FlushBeforeMoveWatch&) = delete;

    bool Installed() const { return m_Flush.Installed() && m_Move.Installed(); }
    int Moves() const;
    int MovesOfFlushedFiles() const;

private:
    ImportHook m_Flush;
    ImportHook m_Move;
};

} // namespace testenv
